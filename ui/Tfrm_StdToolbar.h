#pragma once
// The standard toolbar: books, printing, the clipboard, full screen, settings and help.
#include "TDockableToolbar.h"

class Tfrm_Main;
struct TSettings;

class Tfrm_StdToolbar : public TDockableToolbar {
    Q_OBJECT
public:
    // Copying from the browser is switched on here when the settings allow it.
    Tfrm_StdToolbar(Tfrm_Main& frm, const TSettings& settings);
};
