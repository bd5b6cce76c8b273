#pragma once
// Placement of the main window, the debug pane and the toolbars: applied at start-up,
// captured from the live windows when the settings are saved.
#include <QPoint>
#include <QSize>
#include <optional>

#include "TSettings.h"

class QWidget;
class TDockableToolbar;
class Tfrm_Main;

// Moves a window as the record says (bounds only when not docked, then the window state).
// The "DebugWindow" record only has its visibility, which the debug controls apply.
void ApplyWindowLayout(const TWindowLayout& layout, QWidget& window);
// Fills the record from the live window.
void CaptureWindowLayout(TWindowLayout& layout, QWidget& window);
// The "DebugWindow" record: whether the debug pane is shown; the pane is always docked and its
// window state is left as it was.
void CaptureDebugPaneLayout(TWindowLayout& layout, bool shown);

// A floating record floats the toolbar at its saved position (moved onto a screen when it lies
// off every screen); a docked record leaves the toolbar as it is.
void ApplyToolbarLayout(const TToolbarLayout& layout, TDockableToolbar& toolbar);
// Visibility and docked state from the live toolbar, and the position when it floats; a docked
// toolbar keeps the position the record holds.
void CaptureToolbarLayout(TToolbarLayout& layout, const TDockableToolbar& toolbar);

// The capture hook of the settings save: the three toolbars the window holds, then the main
// window and the debug pane.
void CaptureMainWindowLayouts(TSettings& settings, Tfrm_Main& frm);

// Whether the window system lets a program place its windows (a Wayland session does not).
// Where it does not, positions are neither applied nor captured: the saved ones are kept.
bool WindowPlacementSupported();
// Tests force the answer; std::nullopt asks the window system again.
void OverrideWindowPlacementSupported(std::optional<bool> supported);

// Where a window of the given size whose frame was asked to be at (left, top) can be reached:
// that very place when the top strip of the window lies on a screen, else the nearest such
// place on the nearest screen.
QPoint ReachablePosition(int64_t left, int64_t top, QSize size);
