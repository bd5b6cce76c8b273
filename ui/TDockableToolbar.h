#pragma once
// A toolbar of the main window that docks into its top area or floats as a small tool window
// of its own, with its caption in the caption bar and no close box. Its visibility follows
// the checked flag of its toggle action, and the flag follows its visibility.
#include <QPointer>
#include <QToolBar>

class QMainWindow;
class QToolButton;

class TDockableToolbar : public QToolBar {
    Q_OBJECT
public:
    // Created hidden, as a child of the main window it docks into.
    TDockableToolbar(const QString& caption, const QString& name, QAction* toggle, QMainWindow& owner);

    QAction* ToggleAction() const { return Toggle; }
    // Adds a button for one of the main window's actions, named as given.
    QToolButton* AddButton(QAction* action, const char* name);
    // Takes the toolbar out of its dock into a tool window whose frame is placed at pos; the
    // visibility is kept.
    void Float(const QPoint& pos);

    // The window flags of a floating toolbar: a tool window with a caption and no system buttons.
    static Qt::WindowFlags FloatingFlags();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Qt 6.4.2 (xcb) floats a dragged-off toolbar as a frameless window and leaves it so; the
    // flags are set again (FloatingFlags), from the event loop once it is no longer dragged,
    // so a floating toolbar has its caption to be moved by.
    bool NeedsCaptionFrame() const;
    void ShowCaptionFrame();
    // Qt 6.4.2 (xcb) tells the window system which window a floating toolbar stays above only
    // when it is shown: once the main window's native window exists (a toolbar floated before
    // the main window was shown) or was made anew (full screen), it is hidden and shown again,
    // or it would fall behind the main window.
    void RenewTransientParent();

    QPointer<QAction> Toggle;  // the main window's action, which may go first at shut-down
    bool CaptionFrameQueued = false;
    bool RenewQueued = false;
};
