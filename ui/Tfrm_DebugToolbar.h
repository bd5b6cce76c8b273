#pragma once
// The debug toolbar: the debug pane, the log level and reloading the stylesheets and contents.
// Its level combo box and the "Уровень" menu are one state: either one runs the main window's
// level action, which moves both and sets the level in force.
#include "TDockableToolbar.h"

class QComboBox;
class Tfrm_Main;
struct TSettings;

class Tfrm_DebugToolbar : public TDockableToolbar {
    Q_OBJECT
public:
    explicit Tfrm_DebugToolbar(Tfrm_Main& frm);

    // Sets the level selector from settings.DebugLevel (a level outside 0 to 3 gives none) and
    // shows or hides the debug pane as its saved record says.
    void InitControlState(const TSettings& settings);
    // Runs the level action of the selected item; none when no item is selected.
    void cb_DebugLevelChange();

    QComboBox* cb_DebugLevel = nullptr;

private:
    // Typed text selects the item it names, or none.
    void cb_DebugLevelEditingFinished();
    // Moves the selector to a level without running the change handler.
    void ShowLevel(int level);

    Tfrm_Main& Main;
};
