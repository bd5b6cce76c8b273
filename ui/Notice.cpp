#include "Notice.h"

#include <QMessageBox>

#include "Log.h"

namespace {
TNoticeReporter Reporter;
}

void SetNoticeReporter(TNoticeReporter reporter) { Reporter = std::move(reporter); }

void ShowNotice(QWidget* parent, const QString& message) {
    WriteLog(message.toStdString(), TLogLevel::Error);
    if (Reporter) {
        Reporter(message);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("tomeria"), message, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
