#include "WindowLayout.h"

#include <QAction>
#include <QWidget>

#include "Tfrm_Main.h"

namespace {
bool IsDebugWindow(const TWindowLayout& layout) { return layout.Name == "DebugWindow"; }
}  // namespace

void ApplyWindowLayout(const TWindowLayout& layout, QWidget& window) {
    if (!IsDebugWindow(layout) && !layout.Docked) {
        window.move(layout.Left, layout.Top);
        window.resize(layout.Width, layout.Height);
    }
    switch (layout.WindowState) {
        case 0: window.setWindowState(Qt::WindowNoState); break;
        case 1: window.setWindowState(Qt::WindowMinimized); break;
        case 2: window.setWindowState(Qt::WindowMaximized); break;
        default: break;
    }
}

void CaptureWindowLayout(TWindowLayout& layout, QWidget& window) {
    if (IsDebugWindow(layout)) {
        const auto* action = window.window()->findChild<QAction*>(QStringLiteral("act_ViewShowDebugWin"));
        layout.Visible = action && action->isChecked();
        layout.Docked = true;
        layout.Left = 0;
        layout.Top = 0;
        layout.Width = 1;
        layout.Height = 1;
        return;
    }
    const Qt::WindowStates state = window.windowState();
    layout.WindowState = state & Qt::WindowMinimized ? 1 : state & Qt::WindowMaximized ? 2 : 0;
    layout.Visible = window.isVisible();
    layout.Docked = false;  // a top-level window is never docked anywhere
    layout.Left = window.x();
    layout.Top = window.y();
    layout.Width = window.width();
    layout.Height = window.height();
}

void CaptureMainWindowLayouts(TSettings& settings, Tfrm_Main& frm) {
    CaptureWindowLayout(settings.MainWindow, frm);
    CaptureWindowLayout(settings.DebugWindow, frm);
}
