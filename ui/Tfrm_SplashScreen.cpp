#include "Tfrm_SplashScreen.h"

#include <QEventLoop>
#include <QFrame>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "TLogoPicture.h"

namespace {
constexpr int ExposeWaitMs = 1000;

// Quits a loop once the window it watches is on screen.
class TExposeWatch : public QObject {
public:
    TExposeWatch(QWindow& window, QEventLoop& loop) : Window(window), Loop(loop) { window.installEventFilter(this); }
    ~TExposeWatch() override { Window.removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Expose && Window.isExposed()) Loop.quit();
        return false;
    }

private:
    QWindow& Window;
    QEventLoop& Loop;
};
}  // namespace

Tfrm_SplashScreen::Tfrm_SplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("frm_SplashScreen"));
    // The splash only shows: a window manager that activated it would take the keys from the
    // window that shows next (and Escape from a page being made). Not activated when shown,
    // and marked as taking no input, so no window manager gives it the focus later either.
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel->setLineWidth(1);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->addWidget(new TLogoPicture(panel));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Tfrm_SplashScreen::ShowNow() {
    adjustSize();
    QRect bounds = frameGeometry();
    bounds.moveCenter(screen()->availableGeometry().center());
    move(bounds.topLeft());
    show();
    QWindow* window = windowHandle();
    if (window && !window->isExposed()) {
        QEventLoop loop;
        TExposeWatch watch(*window, loop);
        QTimer::singleShot(ExposeWaitMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    repaint();
}
