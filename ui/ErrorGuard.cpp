#include "ErrorGuard.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "GlobalVars.h"
#include "Log.h"

namespace {
TErrorReporter& Reporter() {
    static TErrorReporter reporter;
    return reporter;
}
}  // namespace

void SetErrorReporter(TErrorReporter reporter) { Reporter() = std::move(reporter); }

void ReportError(const QString& message) {
    if (Reporter()) {
        Reporter()(message);
        return;
    }
    // The caption is the application title: the reader sees which program reports the error.
    QMessageBox::critical(QApplication::activeWindow(), QString::fromUtf8(ApplicationTitle), message);
}

void ReportErrorLater(const QString& message) {
    QTimer::singleShot(0, qApp, [message] { ReportError(message); });
}

void LogError(const QString& message) { WriteLog(message.toStdString(), TLogLevel::Error); }
