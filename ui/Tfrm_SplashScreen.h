#pragma once
// The splash window of the start: the logo in a frame, without a title bar, centred.
#include <QWidget>

class Tfrm_SplashScreen : public QWidget {
    Q_OBJECT
public:
    explicit Tfrm_SplashScreen(QWidget* parent = nullptr);

    // Shows the window and paints it before returning, waiting a bounded time for the
    // window system to map it.
    void ShowNow();
};
