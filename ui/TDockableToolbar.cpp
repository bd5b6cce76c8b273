#include "TDockableToolbar.h"

#include <QAction>
#include <QCloseEvent>
#include <QMainWindow>
#include <QToolButton>
#include <QWindow>

TDockableToolbar::TDockableToolbar(const QString& caption, const QString& name, QAction* toggle, QMainWindow& owner)
    : QToolBar(caption, &owner), Toggle(toggle) {
    setObjectName(name);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setAllowedAreas(Qt::TopToolBarArea);
    setMovable(true);
    setFloatable(true);
    // The toolkit's own show/hide entry would be a second switch beside the toggle action.
    toggleViewAction()->setVisible(false);
    hide();
    owner.installEventFilter(this);
    // The toggle is checkable: triggering it has already flipped its flag.
    connect(Toggle, &QAction::triggered, this, [this] { setVisible(Toggle->isChecked()); });
}

QToolButton* TDockableToolbar::AddButton(QAction* action, const char* name) {
    addAction(action);
    auto* button = qobject_cast<QToolButton*>(widgetForAction(action));
    if (button) button->setObjectName(QString::fromLatin1(name));
    return button;
}

Qt::WindowFlags TDockableToolbar::FloatingFlags() { return Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint; }

void TDockableToolbar::Float(const QPoint& pos) {
    const bool visible = !isHidden();
    setWindowFlags(FloatingFlags());  // hides the widget
    adjustSize();
    move(pos);
    if (visible) show();
}

bool TDockableToolbar::NeedsCaptionFrame() const {
    const Qt::WindowFlags flags = windowFlags();
    return isWindow() && (flags & Qt::FramelessWindowHint) && !(flags & Qt::X11BypassWindowManagerHint) &&
           mouseGrabber() != this;
}

void TDockableToolbar::ShowCaptionFrame() {
    CaptionFrameQueued = false;
    if (!NeedsCaptionFrame()) return;
    // The buttons stay where the user let them go; the caption bar comes above them.
    const QRect bounds = geometry();
    const bool visible = !isHidden();
    setWindowFlags(FloatingFlags());
    setGeometry(bounds);
    if (visible) show();
}

bool TDockableToolbar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WinIdChange && watched == parent() && isFloating() && !RenewQueued) {
        RenewQueued = true;
        QMetaObject::invokeMethod(this, &TDockableToolbar::RenewTransientParent, Qt::QueuedConnection);
    }
    return QToolBar::eventFilter(watched, event);
}

void TDockableToolbar::RenewTransientParent() {
    RenewQueued = false;
    QWindow* owner = parentWidget()->windowHandle();
    if (!isFloating() || isHidden() || !owner || !windowHandle()) return;
    windowHandle()->setTransientParent(owner);
    hide();
    show();
}

bool TDockableToolbar::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Hide:
            if (!isHidden()) break;  // hidden with its window, not on its own
            [[fallthrough]];
        case QEvent::Show:
            if (Toggle) Toggle->setChecked(event->type() == QEvent::Show);
            if (event->type() == QEvent::Show && !CaptionFrameQueued && NeedsCaptionFrame()) {
                CaptionFrameQueued = true;
                QMetaObject::invokeMethod(this, &TDockableToolbar::ShowCaptionFrame, Qt::QueuedConnection);
            }
            break;
        default: break;
    }
    return QToolBar::event(event);
}

void TDockableToolbar::closeEvent(QCloseEvent* event) {
    // Only the toggle action hides a toolbar: a close request from the window system is refused.
    // The program's own closing of every window at its end goes through.
    if (event->spontaneous())
        event->ignore();
    else
        QToolBar::closeEvent(event);
}
