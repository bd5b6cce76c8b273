#include "MainIcons.h"

#include <array>

// Resources of a static library are registered by hand, outside any namespace.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace {

struct TIconSpec {
    int Index;
    const char* ThemeName;
    const char* File;
};

constexpr std::array<TIconSpec, 16> IconSpecs{{
    {0, "document-open", "open"},
    {1, "window-close", "close"},
    {2, "view-list-details", "list"},
    {3, "document-print", "print"},
    {4, "edit-copy", "copy"},
    {5, "edit-select-all", "selectall"},
    {6, "edit-find", "find"},
    {7, "go-next", "findnext"},
    {8, "go-jump", "go"},
    {9, "view-fullscreen", "fullscreen"},
    {10, "utilities-terminal", "debugwin"},
    {11, "preferences-system", "settings"},
    {12, "help-contents", "helpcontents"},
    {13, "help-about", "about"},
    {14, "view-refresh", "reload"},
    {19, "system-search", "helpsearch"},
}};

bool ThemeHasAll() {
    for (const TIconSpec& spec : IconSpecs)
        if (!QIcon::hasThemeIcon(QString::fromLatin1(spec.ThemeName))) return false;
    return true;
}

}  // namespace

QIcon MainIcon(int index) {
    static const bool useTheme = [] {
        InitIconResources();
        return ThemeHasAll();
    }();
    for (const TIconSpec& spec : IconSpecs) {
        if (spec.Index != index) continue;
        if (useTheme) return QIcon::fromTheme(QString::fromLatin1(spec.ThemeName));
        return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(spec.File)));
    }
    return {};
}
