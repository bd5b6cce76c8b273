#pragma once
// Placement of the main window and of the debug pane: applied at start-up, captured on save.
#include "TSettings.h"

class QWidget;
class Tfrm_Main;

// Moves a window as the record says (bounds only when not docked, then the window state).
// The "DebugWindow" record only has its visibility, which the debug controls apply.
void ApplyWindowLayout(const TWindowLayout& layout, QWidget& window);
// Fills the record from the live window; for "DebugWindow" from the main window's
// debug-pane action, whatever window is given.
void CaptureWindowLayout(TWindowLayout& layout, QWidget& window);
// The capture hook of the settings save for the records the main window holds.
void CaptureMainWindowLayouts(TSettings& settings, Tfrm_Main& frm);
