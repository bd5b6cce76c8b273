#pragma once
// The program's own picture: the 250 x 150 logo of the about box and the splash window, and
// the square icon drawn from it for windows, the desktop and the task bar.
#include <QIcon>
#include <QPixmap>

inline constexpr int LogoWidth = 250;
inline constexpr int LogoHeight = 150;

// The square icon (the open book of the logo); vector, so it is sharp at every size.
QIcon AppIcon();

// The logo drawn at 250 x 150 logical pixels for a screen of the given pixel ratio, so that
// it stays sharp on high-density screens.
QPixmap LogoPixmap(qreal devicePixelRatio);

// Makes the icon the application's, and so the icon of every window that sets none of its own.
void InstallAppIcon();
