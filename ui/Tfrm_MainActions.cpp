// The action list al_SystemActions, the five menus, the dock bar's menu and the commands that
// belong to no other group.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

#include "ErrorGuard.h"
#include "GlobalVars.h"
#include "Log.h"
#include "MainIcons.h"
#include "TWebBrowser.h"
#include "Tfrm_About.h"
#include "Tfrm_ExternalViewer.h"
#include "Tfrm_Main.h"

namespace {

// One row of the action list. The hint holds the tooltip and the long hint, separated by "|".
struct TActionSpec {
    QAction* Tfrm_Main::*Member;
    const char* Name;
    const char* Category;
    const char* Caption;
    const char* Shortcut;
    const char* Hint;
    int Icon;  // -1: none
    bool Enabled;
    bool Checkable;
};

// Entries without behaviour ("[x] ..." and act_ViewShow_Form2) are shown greyed.
const TActionSpec ActionSpecs[] = {
    {&Tfrm_Main::act_FileOpen, "act_FileOpen", "File", "Открыть...", "Ctrl+O", "Открыть|Открыть существующую книгу", 0,
     true, false},
    {&Tfrm_Main::act_FileCloseBook, "act_FileCloseBook", "File", "Закрыть", "Ctrl+W", "Закрыть|Закрыть открытую книгу",
     1, false, false},
    {&Tfrm_Main::act_FileReopenBook, "act_FileReopenBook", "File", "Перечитать книгу", "Ctrl+Alt+R", "", -1, false,
     false},
    {&Tfrm_Main::act_FileShowList, "act_FileShowList", "File", "Список...", "Ctrl+L",
     "Список книг|Показать список книг", 2, true, false},
    {&Tfrm_Main::act_FileExport, "act_FileExport", "File", "Экспорт в HTML", "Ctrl+E",
     "Экспорт|Экспортировать открытую страницу", -1, false, false},
    {&Tfrm_Main::act_FilePrint, "act_FilePrint", "File", "Печать...", "Ctrl+P", "Печать|Печатать книгу", 3, false,
     false},
    {&Tfrm_Main::act_FileOpenLastDoc_01, "act_FileOpenLastDoc_01", "File", "1. ...", "", "", -1, true, false},
    {&Tfrm_Main::act_FileExit, "act_FileExit", "File", "Выход", "", "Выход|Выход из приложения", -1, true, false},
    {&Tfrm_Main::act_EditCopy, "act_EditCopy", "Edit", "Копировать", "Ctrl+C", "Копировать|Копировать выделенный текст",
     4, false, false},
    {&Tfrm_Main::act_EditSelectAll, "act_EditSelectAll", "Edit", "Выделить всё", "Ctrl+A",
     "Выделить всё|Выделить весь текст в активном окне", 5, true, false},
    {&Tfrm_Main::act_SearchFind, "act_SearchFind", "Search", "Найти...", "Ctrl+F", "Искать|Искать по тексту", 6, true,
     false},
    {&Tfrm_Main::act_SearchFindNext, "act_SearchFindNext", "Search", "Найти далее", "F3",
     "Искать далее|Повторить последний поиск", 7, true, false},
    {&Tfrm_Main::act_SearchGo, "act_SearchGo", "Search", "[x] Перейти...", "Ctrl+G",
     "Перейти|Перейти к заданному фрагменту", 8, true, false},
    {&Tfrm_Main::act_ViewShowStdToolbar, "act_ViewShowStdToolbar", "View", "Стандартная", "",
     "Стандартная|Панель инструментов 'Стандартная'", -1, true, true},
    {&Tfrm_Main::act_ViewShowSearchToolbar, "act_ViewShowSearchToolbar", "View", "Поиск", "",
     "Поиск|Панель инструментов 'Поиск'", -1, true, true},
    {&Tfrm_Main::act_ViewShowDebugToolbar, "act_ViewShowDebugToolbar", "View", "Отладка", "",
     "Отладка|Панель инструментов 'Отладка'", -1, true, true},
    {&Tfrm_Main::act_ViewShowDebugWin, "act_ViewShowDebugWin", "View", "Отладка", "",
     "Показать/скрыть окно отладки|Показать/скрыть окно отладки", 10, true, true},
    {&Tfrm_Main::act_ViewShowFullScreen, "act_ViewShowFullScreen", "View", "Показать во весь экран", "",
     "На весь экран|Показать на весь экран", 9, true, true},
    {&Tfrm_Main::act_ViewFontSizeVeryBig, "act_ViewFontSizeVeryBig", "View", "Самый крупный", "", "Самый крупный шрифт",
     -1, true, true},
    {&Tfrm_Main::act_ViewFontSizeBig, "act_ViewFontSizeBig", "View", "Крупный", "", "Крупный шрифт", -1, true, true},
    {&Tfrm_Main::act_ViewFontSizeMedium, "act_ViewFontSizeMedium", "View", "Средний", "", "Средний шрифт", -1, true,
     true},
    {&Tfrm_Main::act_ViewFontSizeSmall, "act_ViewFontSizeSmall", "View", "Мелкий", "", "Мелкий шрифт", -1, true, true},
    {&Tfrm_Main::act_ViewFontSizeVerySmall, "act_ViewFontSizeVerySmall", "View", "Самый мелкий", "",
     "Самый мелкий шрифт", -1, true, true},
    {&Tfrm_Main::act_ViewShow_Form2, "act_ViewShow_Form2", "View", "act_ViewShow_Form2", "", "", -1, false, false},
    {&Tfrm_Main::act_ServiceDebugLevelNone, "act_ServiceDebugLevelNone", "Service", "Не вести", "",
     "Не вести|Уровень отладки 'Не вести'", -1, true, true},
    {&Tfrm_Main::act_ServiceDebugLevelErrors, "act_ServiceDebugLevelErrors", "Service", "Ошибки", "",
     "Ошибки|Уровень отладки 'Ошибки'", -1, true, true},
    {&Tfrm_Main::act_ServiceDebugLevelWarning, "act_ServiceDebugLevelWarning", "Service", "... + предупреждения", "",
     "Предупреждения|Уровень отладки 'Предупреждения'", -1, true, true},
    {&Tfrm_Main::act_ServiceDebugLevelInfo, "act_ServiceDebugLevelInfo", "Service", "... + ... + сообщения", "",
     "Информация|Уровень отладки 'Информация'", -1, true, true},
    {&Tfrm_Main::act_ServiceSettings, "act_ServiceSettings", "Service", "Настройки...", "",
     "Установки|Задать установки программы", 11, true, false},
    {&Tfrm_Main::act_ReloadTOC, "act_ReloadTOC", "Internal", "Оглавление", "",
     "Перечитать оглавление|Перечитать оглавление", 14, false, false},
    {&Tfrm_Main::act_ReloadBookXSLTFile, "act_ReloadBookXSLTFile", "Internal", "Book XSLT", "",
     "Перечитать Book XSLT|Перечитать Book XSLT", 14, false, false},
    {&Tfrm_Main::act_ReloadServiceXSLTFile, "act_ReloadServiceXSLTFile", "Internal", "Service XSLT", "",
     "Перечитать Service XSLT|Перечитать Service XSLT", 14, false, false},
    {&Tfrm_Main::act_HelpContents, "act_HelpContents", "Help", "Содержание", "", "Содержание|Содержание помощи", 12,
     true, false},
    {&Tfrm_Main::act_HelpTopicSearch, "act_HelpTopicSearch", "Help", "Поиск...", "Ctrl+F1", "Поиск темы", 19, true,
     false},
    {&Tfrm_Main::act_HelpAbout, "act_HelpAbout", "Help", "О программе", "", "О программе|Информация о программе", 13,
     true, false},
    {&Tfrm_Main::act_ServiceBookmarkAdd, "act_ServiceBookmarkAdd", "Service", "Добавить закладку", "Ctrl+D",
     "Добавить закладку|Добавить закладку на открытую часть книги", -1, false, false},
    {&Tfrm_Main::act_ServiceBookmarksList, "act_ServiceBookmarksList", "Service", "Список", "",
     "Список закладок|Закладки открытой книги", -1, false, false},
    {&Tfrm_Main::act_ServiceBookmarksImport, "act_ServiceBookmarksImport", "Service", "Импорт", "",
     "Импорт закладок|Добавить закладки из файла XBEL", -1, true, false},
    {&Tfrm_Main::act_ServiceBookmarksExport, "act_ServiceBookmarksExport", "Service", "Экспорт", "",
     "Экспорт закладок|Записать все закладки в файл XBEL", -1, true, false},
    {&Tfrm_Main::act_GoBack, "act_GoBack", "Go", "Назад", "Alt+Left", "Назад|Вернуться к разделу, показанному прежде",
     -1, false, false},
    {&Tfrm_Main::act_GoForward, "act_GoForward", "Go", "Вперёд", "Alt+Right",
     "Вперёд|Снова показать раздел, от которого вернулись", -1, false, false},
    {&Tfrm_Main::act_GoPreviousPart, "act_GoPreviousPart", "Go", "Предыдущий раздел", "Ctrl+PgUp",
     "Предыдущий раздел|Показать раздел перед этим в порядке оглавления", -1, false, false},
    {&Tfrm_Main::act_GoNextPart, "act_GoNextPart", "Go", "Следующий раздел", "Ctrl+PgDown",
     "Следующий раздел|Показать раздел после этого в порядке оглавления", -1, false, false},
    {&Tfrm_Main::act_ViewRestorePlace, "act_ViewRestorePlace", "View", "Открывать книгу там, где закончили чтение", "",
     "Место чтения|Открывать книгу на разделе и месте, где её закрыли", -1, true, true},
    {&Tfrm_Main::act_ServiceCheckBook, "act_ServiceCheckBook", "Service", "Проверить книгу", "",
     "Проверить книгу|Найти ошибки во всех файлах и разделах открытой книги", -1, false, false},
    {&Tfrm_Main::act_ServiceWatchFiles, "act_ServiceWatchFiles", "Service", "Следить за файлами книги", "",
     "Следить за файлами книги|Показывать страницу заново, когда файлы книги сохранены", -1, true, true},
};

// Icons of the system theme for the reading commands, the style's arrows where it has none.
struct TThemeIcon {
    QAction* Tfrm_Main::*Member;
    const char* Name;
    QStyle::StandardPixmap Fallback;
};
const TThemeIcon ThemeIcons[] = {{&Tfrm_Main::act_GoBack, "go-previous", QStyle::SP_ArrowBack},
                                 {&Tfrm_Main::act_GoForward, "go-next", QStyle::SP_ArrowForward},
                                 {&Tfrm_Main::act_GoPreviousPart, "go-up", QStyle::SP_ArrowUp},
                                 {&Tfrm_Main::act_GoNextPart, "go-down", QStyle::SP_ArrowDown}};

QString U(const char* text) { return QString::fromUtf8(text); }

}  // namespace

void Tfrm_Main::CreateActions() {
    al_SystemActions = new QObject(this);
    al_SystemActions->setObjectName(QStringLiteral("al_SystemActions"));
    for (const TActionSpec& spec : ActionSpecs) {
        auto* action = new QAction(U(spec.Caption), al_SystemActions);
        action->setObjectName(U(spec.Name));
        action->setProperty("category", U(spec.Category));
        const QString hint = U(spec.Hint);
        action->setProperty("hint", hint);
        if (!hint.isEmpty()) {
            action->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
            action->setStatusTip(hint.section(QLatin1Char('|'), 1, 1));  // kept, never shown
        }
        if (*spec.Shortcut) action->setShortcut(QKeySequence(U(spec.Shortcut)));
        if (spec.Icon >= 0) action->setIcon(MainIcon(spec.Icon));
        action->setProperty("iconIndex", spec.Icon);
        action->setEnabled(spec.Enabled);
        action->setCheckable(spec.Checkable);
        this->*spec.Member = action;
        addAction(action);  // shortcuts work wherever the focus is in the window
    }
    for (const TThemeIcon& icon : ThemeIcons)
        (this->*icon.Member)->setIcon(QIcon::fromTheme(U(icon.Name), style()->standardIcon(icon.Fallback)));
    act_ViewShowDebugWin->setChecked(true);  // the debug pane starts shown

    FontSizeGroup = new QActionGroup(this);
    FontSizeGroup->setObjectName(QStringLiteral("FontSizeGroup"));
    for (QAction* a : {act_ViewFontSizeVeryBig, act_ViewFontSizeBig, act_ViewFontSizeMedium, act_ViewFontSizeSmall,
                       act_ViewFontSizeVerySmall})
        FontSizeGroup->addAction(a);
    DebugLevelGroup = new QActionGroup(this);
    DebugLevelGroup->setObjectName(QStringLiteral("DebugLevelGroup"));
    for (QAction* a : {act_ServiceDebugLevelNone, act_ServiceDebugLevelErrors, act_ServiceDebugLevelWarning,
                       act_ServiceDebugLevelInfo})
        DebugLevelGroup->addAction(a);
}

void Tfrm_Main::CreateMenus() {
    QMenuBar* bar = menuBar();
    mnu_File = bar->addMenu(U("Файл"));
    QMenu* file = mnu_File;
    file->setObjectName(QStringLiteral("mnu_File"));
    file->addActions({act_FileOpen, act_FileCloseBook, act_FileReopenBook});
    file->addSeparator();
    file->addAction(act_FileShowList);
    file->addSeparator();
    file->addAction(act_FileExport);
    file->addSeparator();
    file->addAction(act_FilePrint);
    file->addSeparator();
    // The recent-documents entries stay hidden while the list is empty (UpdateRecentDocsMenu).
    mnu_FileOpenLastDoc_01 = act_FileOpenLastDoc_01;
    file->addAction(mnu_FileOpenLastDoc_01);
    QAction** others[] = {&mnu_FileOpenLastDoc_02, &mnu_FileOpenLastDoc_03, &mnu_FileOpenLastDoc_04};
    for (int i = 0; i < 3; ++i) {
        *others[i] = file->addAction(QStringLiteral("%1.").arg(i + 2));
        (*others[i])->setObjectName(QStringLiteral("mnu_FileOpenLastDoc_0%1").arg(i + 2));
        (*others[i])->setProperty("docIndex", i + 1);
        (*others[i])->setVisible(false);
    }
    act_FileOpenLastDoc_01->setProperty("docIndex", 0);
    act_FileOpenLastDoc_01->setVisible(false);
    file->addSeparator();
    file->addAction(act_FileExit);

    QMenu* edit = bar->addMenu(U("Правка"));
    edit->setObjectName(QStringLiteral("mnu_Edit"));
    edit->addAction(act_EditCopy);
    edit->addSeparator();
    edit->addAction(act_EditSelectAll);
    edit->addSeparator();
    edit->addActions({act_SearchFind, act_SearchFindNext});
    edit->addSeparator();
    edit->addAction(act_SearchGo);

    QMenu* view = bar->addMenu(U("Вид"));
    view->setObjectName(QStringLiteral("mnu_View"));
    pm_Toolbars = view->addMenu(U("Панели инструментов"));
    pm_Toolbars->addActions({act_ViewShowStdToolbar, act_ViewShowSearchToolbar, act_ViewShowDebugToolbar});
    view->addMenu(U("Окна"))->addAction(act_ViewShowDebugWin);
    view->addSeparator();
    view->addMenu(U("Размер шрифта"))->addActions(FontSizeGroup->actions());
    view->addSeparator();
    view->addAction(act_ViewShowFullScreen);
    view->addSeparator();
    view->addActions({act_GoBack, act_GoForward, act_GoPreviousPart, act_GoNextPart});
    view->addSeparator();
    view->addAction(act_ViewRestorePlace);

    QMenu* service = bar->addMenu(U("Сервис"));
    service->setObjectName(QStringLiteral("mnu_Service"));
    QMenu* debug = service->addMenu(U("Отладка"));
    debug->addMenu(U("Уровень"))->addActions(DebugLevelGroup->actions());
    debug->addMenu(U("Перечитать"))->addActions({act_ReloadTOC, act_ReloadServiceXSLTFile, act_ReloadBookXSLTFile});
    service->addSeparator();
    QMenu* bookmarks = service->addMenu(U("Закладки"));
    bookmarks->setObjectName(QStringLiteral("mnu_ServiceBookmarks"));
    bookmarks->addAction(act_ServiceBookmarkAdd);
    bookmarks->addSeparator();
    bookmarks->addActions({act_ServiceBookmarksList, act_ServiceBookmarksImport, act_ServiceBookmarksExport});
    service->addSeparator();
    service->addAction(act_ServiceWatchFiles);
    service->addAction(act_ServiceCheckBook);
    service->addSeparator();
    service->addAction(act_ServiceSettings);

    QMenu* help = bar->addMenu(U("Справка"));
    help->setObjectName(QStringLiteral("mnu_Help"));
    help->addActions({act_HelpTopicSearch, act_HelpContents});
    help->addSeparator();
    help->addAction(act_HelpAbout);
}

QMenu* Tfrm_Main::createPopupMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("pm_TopDock"));
    menu->addActions({act_ViewShowStdToolbar, act_ViewShowSearchToolbar, act_ViewShowDebugToolbar});
    menu->addSeparator();
    menu->addAction(act_ViewShow_Form2);
    return menu;
}

void Tfrm_Main::ConnectHandlers() {
    connect(act_FileOpen, &QAction::triggered, this, Guarded([this] { act_FileOpenExecute(); }));
    connect(act_FileExit, &QAction::triggered, this, Guarded([this] { act_FileExitExecute(); }));
    for (QAction* entry :
         {mnu_FileOpenLastDoc_01, mnu_FileOpenLastDoc_02, mnu_FileOpenLastDoc_03, mnu_FileOpenLastDoc_04})
        connect(entry, &QAction::triggered, this,
                Guarded([this, entry] { mnu_FileOpenLastDoc_01Click(entry->property("docIndex").toInt()); }));
    // The toolbar toggles flip their own checked flag; the toolbars come with their windows.
    connect(act_SearchGo, &QAction::triggered, this, Guarded([this] { act_SearchGoExecute(); }));
    connect(act_HelpAbout, &QAction::triggered, this, Guarded([this] { act_HelpAboutExecute(); }));
    const std::pair<QAction*, uint8_t> levels[] = {{act_ServiceDebugLevelNone, 0},
                                                   {act_ServiceDebugLevelErrors, 1},
                                                   {act_ServiceDebugLevelWarning, 2},
                                                   {act_ServiceDebugLevelInfo, 3}};
    for (auto [action, level] : levels)
        connect(action, &QAction::triggered, this, Guarded([this, level] { DebugLevelExecute(level); }));
}

void Tfrm_Main::DebugLevelExecute(uint8_t level) {
    DebugLevelAction(level)->setChecked(true);
    if (OnDebugLevelChanged) OnDebugLevelChanged(level);
    Settings.DebugLevel = level;
    ConfigureLog(Settings);
}

QAction* Tfrm_Main::DebugLevelAction(uint8_t level) const {
    switch (level) {
        case 1: return act_ServiceDebugLevelErrors;
        case 2: return act_ServiceDebugLevelWarning;
        case 3: return act_ServiceDebugLevelInfo;
        default: return act_ServiceDebugLevelNone;
    }
}

void Tfrm_Main::act_FileExitExecute() {
    WriteLog("*** file exit action");
    close();
}

// Viewers and secondary commands

Tfrm_ExternalViewer* Tfrm_Main::NewExternalViewer() {
    Viewers.push_back(std::make_unique<Tfrm_ExternalViewer>(Settings));
    Tfrm_ExternalViewer* viewer = Viewers.back().get();
    viewer->wb_Browser->SetCopyAllowed(wb_Browser->CopyAllowed());
    // Released once its close has returned: a hidden viewer would only hold its page.
    connect(viewer, &Tfrm_ExternalViewer::Closed, this, [this, viewer] { FreeExternalViewer(viewer); },
            Qt::QueuedConnection);
    return viewer;
}

void Tfrm_Main::FreeExternalViewer(const Tfrm_ExternalViewer* viewer) {
    if (LatestViewer == viewer) LatestViewer = nullptr;
    std::erase_if(Viewers, [viewer](const auto& owned) { return owned.get() == viewer; });
}

void Tfrm_Main::act_SearchGoExecute() {
    LatestViewer = NewExternalViewer();
    LatestViewer->show();
}

void Tfrm_Main::act_HelpAboutExecute() {
    Tfrm_About about(this);
    about.exec();
}
