#pragma once
// The search toolbar: find, find next and go to a fragment.
#include "TDockableToolbar.h"

class Tfrm_Main;

class Tfrm_SearchToolbar : public TDockableToolbar {
    Q_OBJECT
public:
    explicit Tfrm_SearchToolbar(Tfrm_Main& frm);
};
