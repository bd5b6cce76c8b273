#include "TRenderWatch.h"

#include <QFile>
#include <QWebEnginePage>
#include <csignal>
#include <unistd.h>

#include "Log.h"

namespace {
constexpr int CheckIntervalMs = 500;
}  // namespace

TRenderWatch::TRenderWatch(QWebEnginePage& page, QObject* parent)
    : QObject(parent), Page(page), LimitBytes(DefaultLimit()) {
    Timer.setInterval(CheckIntervalMs);
    connect(&Timer, &QTimer::timeout, this, &TRenderWatch::Check);
    Timer.start();
}

qint64 TRenderWatch::DefaultLimit() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return qint64(2) << 30;  // 2 GiB when the machine does not say
    return qint64(pages) * pageSize / 4;
}

qint64 TRenderWatch::ResidentBytes(qint64 pid) {
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly)) return -1;
    // "size resident shared ...", in pages.
    const QList<QByteArray> fields = statm.readLine().split(' ');
    bool ok = false;
    const qint64 resident = fields.size() > 1 ? fields.at(1).toLongLong(&ok) : 0;
    return ok ? resident * sysconf(_SC_PAGESIZE) : -1;
}

void TRenderWatch::Check() {
    const qint64 pid = Page.renderProcessPid();
    if (pid <= 0 || StoppedBytes > 0) return;
    const qint64 resident = ResidentBytes(pid);
    if (resident <= LimitBytes) return;
    WriteLog("Процесс страницы занял " + std::to_string(resident >> 20) + " МБ памяти (предел " +
                 std::to_string(LimitBytes >> 20) + " МБ) и остановлен.",
             TLogLevel::Error);
    StoppedBytes = resident;
    ::kill(static_cast<pid_t>(pid), SIGKILL);
}
