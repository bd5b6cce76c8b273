#pragma once
// Driving modal dialogs in tests without ever blocking: the dialog is handled once it is up,
// and one still open after the limit is hidden, which ends its modal run.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

inline constexpr int ModalWaitMs = 10000;

// Runs start, which opens a modal dialog and returns once it is closed; act is done on the
// dialog as soon as it is shown. False when no dialog came up or it had to be hidden.
inline bool RunWithModal(const std::function<void()>& start, const std::function<void(QWidget& dialog)>& act,
                         int ms = ModalWaitMs) {
    bool acted = false;
    bool timedOut = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || acted || !modal->isVisible()) return;
        acted = true;
        act(*modal);
    });
    QTimer watchdog;
    watchdog.setInterval(ms);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timedOut = true;
            modal->hide();
        }
    });
    poll.start();
    watchdog.start();
    start();
    return acted && !timedOut;
}
