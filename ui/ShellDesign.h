#pragma once
// The start-up stages of the toolbars: creating them, then restoring the saved arrangement of
// the main window and the toolbars and the state of the debug controls.
class Tfrm_Main;
struct TSettings;

// Creates the standard, search and debug toolbars, in this order, as children of the window.
void CreateToolbars(Tfrm_Main& frm, const TSettings& settings);
// Places the main window, docks or floats the debug, search and standard toolbar, shows those
// saved as shown through their toggle actions, and applies the settings to the debug toolbar.
void RestoreShellDesign(Tfrm_Main& frm, const TSettings& settings);
