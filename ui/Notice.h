#pragma once
// A message for the reader that does not stop the program: a book that is gone, a path
// from the command line that names no book. Shown in a message box that does not block the
// event loop, and written to the log.
#include <QString>
#include <functional>

class QWidget;

using TNoticeReporter = std::function<void(const QString& message)>;
void SetNoticeReporter(TNoticeReporter reporter);  // tests replace the box; empty restores it
void ShowNotice(QWidget* parent, const QString& message);
