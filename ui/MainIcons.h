#pragma once
// The 16 x 16 icons of the action list, by the index an action names.
#include <QIcon>

// The desktop theme's icons when the theme has every one of them, else the program's own
// set, so that the icons always form one consistent set. An unknown index gives no icon.
QIcon MainIcon(int index);
