#include "WindowLayout.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "TDockableToolbar.h"
#include "Tfrm_DebugToolbar.h"
#include "Tfrm_Main.h"
#include "Tfrm_SearchToolbar.h"
#include "Tfrm_StdToolbar.h"

namespace {

std::optional<bool> PlacementOverride;

// The strip along the top of a window that must lie on a screen for the user to reach the
// caption bar, and the least width of it that must show.
constexpr int64_t GripHeight = 24;
constexpr int64_t GripWidth = 48;
// No window system takes a window wider or higher than this (the X11 protocol's limit).
constexpr int MaxWindowSide = 32767;

bool IsDebugWindow(const TWindowLayout& layout) { return layout.Name == "DebugWindow"; }

// A rectangle in 64 bits: stored positions can be anywhere an int32 reaches.
struct TArea {
    int64_t Left, Top, Width, Height;
};

TArea AreaOf(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

bool GripOnArea(const TArea& w, const TArea& area) {
    const int64_t grip = std::min(w.Height, GripHeight);
    const int64_t seenWidth = std::min(w.Left + w.Width, area.Left + area.Width) - std::max(w.Left, area.Left);
    return w.Top >= area.Top && w.Top + grip <= area.Top + area.Height && seenWidth >= std::min(w.Width, GripWidth);
}

int64_t Distance(const TArea& w, const TArea& area) {
    const int64_t cx = w.Left + w.Width / 2, cy = w.Top + w.Height / 2;
    const int64_t dx = std::max({area.Left - cx, int64_t{0}, cx - (area.Left + area.Width)});
    const int64_t dy = std::max({area.Top - cy, int64_t{0}, cy - (area.Top + area.Height)});
    return dx + dy;
}

int64_t Clamp(int64_t pos, int64_t size, int64_t start, int64_t extent) {
    return std::clamp(pos, start, std::max(start, start + extent - size));
}

int Side(int32_t stored) { return std::clamp(stored, 0, MaxWindowSide); }

}  // namespace

bool WindowPlacementSupported() {
    if (PlacementOverride) return *PlacementOverride;
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void OverrideWindowPlacementSupported(std::optional<bool> supported) { PlacementOverride = supported; }

QPoint ReachablePosition(int64_t left, int64_t top, QSize size) {
    const TArea window{left, top, std::max(size.width(), 1), std::max(size.height(), 1)};
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return QPoint(int(std::clamp<int64_t>(left, INT32_MIN, INT32_MAX)),
                      int(std::clamp<int64_t>(top, INT32_MIN, INT32_MAX)));
    const TArea* nearest = nullptr;
    std::vector<TArea> areas;
    for (const QScreen* screen : screens)
        areas.push_back(AreaOf(screen->availableGeometry()));
    for (const TArea& area : areas) {
        if (GripOnArea(window, area)) return QPoint(int(left), int(top));
        if (!nearest || Distance(window, area) < Distance(window, *nearest)) nearest = &area;
    }
    return QPoint(int(Clamp(left, window.Width, nearest->Left, nearest->Width)),
                  int(Clamp(top, window.Height, nearest->Top, nearest->Height)));
}

void ApplyWindowLayout(const TWindowLayout& layout, QWidget& window) {
    if (!IsDebugWindow(layout) && !layout.Docked) {
        window.move(layout.Left, layout.Top);
        window.resize(Side(layout.Width), Side(layout.Height));
        const QPoint reachable = ReachablePosition(layout.Left, layout.Top, window.size());
        if (reachable != QPoint(layout.Left, layout.Top)) window.move(reachable);
    }
    switch (layout.WindowState) {
        case TWindowState::Normal: window.setWindowState(Qt::WindowNoState); break;
        case TWindowState::Minimised: window.setWindowState(Qt::WindowMinimized); break;
        case TWindowState::Maximised: window.setWindowState(Qt::WindowMaximized); break;
        default: break;
    }
}

void CaptureDebugPaneLayout(TWindowLayout& layout, bool shown) {
    layout.Visible = shown;
    layout.Docked = true;
    layout.Left = 0;
    layout.Top = 0;
    layout.Width = 1;
    layout.Height = 1;
}

void CaptureWindowLayout(TWindowLayout& layout, QWidget& window) {
    const Qt::WindowStates state = window.windowState();
    layout.WindowState = state & Qt::WindowMinimized   ? TWindowState::Minimised
                         : state & Qt::WindowMaximized ? TWindowState::Maximised
                                                       : TWindowState::Normal;
    layout.Visible = window.isVisible();
    layout.Docked = false;  // a top-level window is never docked anywhere
    if (WindowPlacementSupported()) {
        layout.Left = window.x();
        layout.Top = window.y();
    }
    layout.Width = window.width();
    layout.Height = window.height();
}

void ApplyToolbarLayout(const TToolbarLayout& layout, TDockableToolbar& toolbar) {
    if (layout.Docked) return;
    toolbar.Float(ReachablePosition(layout.Left, layout.Top, toolbar.sizeHint()));
}

void CaptureToolbarLayout(TToolbarLayout& layout, const TDockableToolbar& toolbar) {
    layout.Visible = !toolbar.isHidden();
    layout.Docked = !toolbar.isFloating();
    if (!layout.Docked && WindowPlacementSupported()) {
        layout.Left = toolbar.x();
        layout.Top = toolbar.y();
    }
}

void CaptureMainWindowLayouts(TSettings& settings, Tfrm_Main& frm) {
    if (frm.frm_StdToolbar) CaptureToolbarLayout(settings.StdToolbar, *frm.frm_StdToolbar);
    if (frm.frm_SearchToolbar) CaptureToolbarLayout(settings.SearchToolbar, *frm.frm_SearchToolbar);
    if (frm.frm_DebugToolbar) CaptureToolbarLayout(settings.DebugToolbar, *frm.frm_DebugToolbar);
    CaptureWindowLayout(settings.MainWindow, frm);
    CaptureDebugPaneLayout(settings.DebugWindow, frm.act_ViewShowDebugWin->isChecked());
}
