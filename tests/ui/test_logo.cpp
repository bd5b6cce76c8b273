// The program's picture: the logo at 250 x 150, sharp at a high pixel ratio, and the icon
// every window shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include "AppLogo.h"

namespace {

// The centre of the picture is painted, and so is something at the edge of the background.
void ExpectPainted(const QImage& image) {
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 0);
    EXPECT_GT(qAlpha(image.pixel(image.width() / 2, image.height() / 8)), 0);
}

}  // namespace

TEST(Logo, IsDrawnAtItsSizeForEveryPixelRatio) {
    for (const qreal ratio : {1.0, 2.0, 1.5}) {
        SCOPED_TRACE(ratio);
        const QPixmap logo = LogoPixmap(ratio);
        EXPECT_EQ(logo.deviceIndependentSize().toSize(), QSize(LogoWidth, LogoHeight));
        EXPECT_EQ(logo.size(), QSize(qRound(LogoWidth * ratio), qRound(LogoHeight * ratio)));
        ExpectPainted(logo.toImage());
    }
}

TEST(Logo, IconIsSquareAndPaintedAtSmallAndLargeSizes) {
    const QIcon icon = AppIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int side : {16, 32, 256}) {
        SCOPED_TRACE(side);
        const QPixmap pixmap = icon.pixmap(QSize(side, side));
        EXPECT_EQ(pixmap.size(), QSize(side, side));
        ExpectPainted(pixmap.toImage());
    }
}

TEST(Logo, InstalledIconIsTheIconOfWindowsThatSetNone) {
    InstallAppIcon();
    QWidget window;
    EXPECT_EQ(window.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
    EXPECT_EQ(window.windowIcon().pixmap(32).toImage(), AppIcon().pixmap(32).toImage());
}
