#include "AppLogo.h"

#include <QApplication>

// Resources of a static library are registered by hand, outside any namespace.
static void InitLogoResources() { Q_INIT_RESOURCE(icons); }

namespace {
QIcon ResourceIcon(const char* path) {
    static const bool registered = [] {
        InitLogoResources();
        return true;
    }();
    (void)registered;
    return QIcon(QString::fromLatin1(path));
}
}  // namespace

QIcon AppIcon() { return ResourceIcon(":/icons/tomeria-icon.svg"); }

QPixmap LogoPixmap(qreal devicePixelRatio) {
    static const QIcon logo = ResourceIcon(":/icons/tomeria.svg");
    return logo.pixmap(QSize(LogoWidth, LogoHeight), devicePixelRatio);
}

void InstallAppIcon() { QApplication::setWindowIcon(AppIcon()); }
