// The three toolbars: their buttons, the debug-level selector, docking and floating, and
// their placement kept between runs, through the real start-up sequence and settings file.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QToolButton>
#include <QWidgetAction>
#include <QWindow>
#include <optional>

#include "ShellDesign.h"
#include "StartUp.h"
#include "TDockableToolbar.h"
#include "Tfrm_DebugToolbar.h"
#include "Tfrm_SearchToolbar.h"
#include "Tfrm_StdToolbar.h"
#include "WindowLayout.h"
#include "mainwindow_test_util.h"

namespace {

// The settings every start of these tests begins with: no start document, no extra windows.
const QByteArray QuietStart = "[ControlState]\nOnStartAction=0\nShowSplashScreen=0\nShowWelcomeScreen=0\n";

// The lines of one section of an INI text, without the header.
QStringList Section(const QString& ini, const QString& name) {
    QStringList lines;
    bool inside = false;
    for (const QString& line : ini.split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith('[')) {
            inside = line == "[" + name + "]";
            continue;
        }
        if (inside) lines << line;
    }
    return lines;
}

// The top strip of a window's frame lies on a screen: the user can reach its caption bar.
bool Reachable(const QWidget& w) {
    const QRect frame = w.frameGeometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        if (area.contains(frame.topLeft()) && area.contains(frame.topLeft() + QPoint(std::min(frame.width(), 48), 0)))
            return true;
    }
    return false;
}

class ToolbarsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        SetErrorReporter([this](const QString& message) { Errors << message; });
    }
    void TearDown() override {
        frm.reset();
        SetErrorReporter(nullptr);
        OverrideWindowPlacementSupported(std::nullopt);
        InitDefaultSettings(DefaultSettings, TOMERIA_BINARY_DIR);
        Settings = DefaultSettings;
        EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
    }

    // Writes the settings file and starts as the program does.
    void Start(const QByteArray& more = {}) {
        WriteTextFile(IniPath(), QuietStart + more);
        Restart();
    }
    // Starts again from the settings file as it is.
    void Restart() {
        frm.reset();
        InitDefaultSettings(DefaultSettings, Dir.path().toStdString());
        Settings = DefaultSettings;
        BookInfo = TBookInfo{};
        frm = std::make_unique<Tfrm_Main>(Settings, DefaultSettings, BookInfo);
        frm->hide();
        frm->InstallLogSink();
        frm->InstallLayoutCapture();
        ASSERT_TRUE(StartUpAndWait(*frm));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
        QCoreApplication::processEvents();
    }
    // Closes the main window the ordinary way (the settings are saved) and reads the file.
    QString CloseAndRead() {
        frm->close();
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QString IniPath() const { return Dir.path() + "/tomeria.ini"; }
    QString Log() const { return frm->me_DebugWindow->toPlainText(); }
    std::vector<TDockableToolbar*> Toolbars() const {
        return {frm->frm_StdToolbar, frm->frm_SearchToolbar, frm->frm_DebugToolbar};
    }
    QToolButton* Button(const QToolBar* toolbar, const char* name) const {
        return toolbar->findChild<QToolButton*>(QString::fromLatin1(name));
    }
    QComboBox* Combo() const { return frm->frm_DebugToolbar->cb_DebugLevel; }

    QTemporaryDir Dir;
    QStringList Errors;
    std::unique_ptr<Tfrm_Main> frm;
};

TEST_F(ToolbarsTest, ButtonsAreTheMainWindowActionsInOrderAndShowTheirState) {
    Start();
    // nullptr stands for a separator, the combo box for the debug-level selector.
    struct TEntry {
        QAction* Action;
        const char* Button;
    };
    const std::vector<std::pair<QToolBar*, std::vector<TEntry>>> expected = {
        {frm->frm_StdToolbar,
         {{frm->act_FileOpen, "tlbt_FileOpen"},
          {frm->act_FileCloseBook, "tlbt_FileCloseBook"},
          {frm->act_FileShowList, "tlbt_FileShowList"},
          {nullptr, nullptr},
          {frm->act_FilePrint, "tlbt_FilePrint"},
          {nullptr, nullptr},
          {frm->act_EditCopy, "tlbt_EditCopy"},
          {frm->act_EditSelectAll, "tlbt_EditSelectAll"},
          {nullptr, nullptr},
          {frm->act_ViewShowFullScreen, "tlbt_ViewShowFullScreen"},
          {nullptr, nullptr},
          {frm->act_ServiceSettings, "tlbt_ServiceSettings"},
          {nullptr, nullptr},
          {frm->act_HelpContents, "tlbt_HelpTopicSearch"},
          {nullptr, nullptr},
          {frm->act_GoBack, "tlbt_GoBack"},
          {frm->act_GoForward, "tlbt_GoForward"}}},
        {frm->frm_SearchToolbar,
         {{frm->act_SearchFind, "tlbt_SearchFind"},
          {frm->act_SearchFindNext, "tlbt_SearchFindNext"},
          {nullptr, nullptr},
          {frm->act_SearchGo, "tlbt_SearchGo"}}},
        {frm->frm_DebugToolbar,
         {{frm->act_ViewShowDebugWin, "tlbt_ViewShowDebugWin"},
          {nullptr, nullptr},
          {nullptr, "cb_DebugLevel"},
          {nullptr, nullptr},
          {frm->act_ReloadServiceXSLTFile, "tlbt_ReloadServiceXSLTFile"},
          {frm->act_ReloadBookXSLTFile, "tlbt_ReloadBookXSLTFile"},
          {frm->act_ReloadTOC, "tlbt_ReloadTOC"}}},
    };
    for (const auto& [toolbar, entries] : expected) {
        SCOPED_TRACE(toolbar->objectName().toStdString());
        const QList<QAction*> actions = toolbar->actions();
        ASSERT_EQ(actions.size(), qsizetype(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            SCOPED_TRACE(i);
            const TEntry& entry = entries[i];
            QWidget* widget = toolbar->widgetForAction(actions[i]);
            if (!entry.Action && !entry.Button) {
                EXPECT_TRUE(actions[i]->isSeparator());
            } else if (!entry.Action) {
                EXPECT_EQ(widget, Combo());
                EXPECT_EQ(widget->objectName(), entry.Button);
            } else {
                EXPECT_EQ(actions[i], entry.Action);
                auto* button = qobject_cast<QToolButton*>(widget);
                ASSERT_TRUE(button);
                EXPECT_EQ(button->objectName(), entry.Button);
                EXPECT_EQ(button->defaultAction(), entry.Action);
                EXPECT_EQ(button->toolTip(), entry.Action->toolTip());
                EXPECT_FALSE(button->icon().isNull());
                EXPECT_EQ(button->isEnabled(), entry.Action->isEnabled());
            }
        }
    }
    EXPECT_EQ(Combo()->width(), 150);
    EXPECT_EQ(Combo()->count(), 4);

    // Enabled and checked state follow the actions, wherever they change.
    QToolButton* close = Button(frm->frm_StdToolbar, "tlbt_FileCloseBook");
    EXPECT_FALSE(close->isEnabled());
    frm->act_FileCloseBook->setEnabled(true);
    EXPECT_TRUE(close->isEnabled());
    QToolButton* pane = Button(frm->frm_DebugToolbar, "tlbt_ViewShowDebugWin");
    EXPECT_TRUE(pane->isChecked());
    pane->click();
    EXPECT_FALSE(frm->pnl_Debug->isVisible());
    EXPECT_FALSE(pane->isChecked());
    QToolButton* fullScreen = Button(frm->frm_StdToolbar, "tlbt_ViewShowFullScreen");
    fullScreen->click();
    EXPECT_TRUE(fullScreen->isChecked());
    frm->act_ViewShowFullScreen->trigger();
    EXPECT_FALSE(fullScreen->isChecked());
}

TEST_F(ToolbarsTest, ButtonsThatDoNotFitAreHiddenNotClipped) {
    Start("[DebugToolbar]\nDocked=0\nLeft=10\nTop=10\n");
    TDockableToolbar* toolbar = frm->frm_DebugToolbar;
    ASSERT_TRUE(toolbar->isFloating());
    toolbar->resize(toolbar->sizeHint().width() / 2, toolbar->height());
    QCoreApplication::processEvents();
    int hidden = 0;
    for (QAction* action : toolbar->actions()) {
        QWidget* w = toolbar->widgetForAction(action);
        if (!w->isVisible()) {
            ++hidden;
            continue;
        }
        EXPECT_TRUE(toolbar->rect().contains(w->geometry())) << w->objectName().toStdString();
    }
    EXPECT_GT(hidden, 0);
}

TEST_F(ToolbarsTest, WithoutPlacementSectionsAllThreeAreDockedAndShownAndTheDebugPaneToo) {
    Start();
    for (TDockableToolbar* toolbar : Toolbars()) {
        SCOPED_TRACE(toolbar->objectName().toStdString());
        EXPECT_FALSE(toolbar->isFloating());
        EXPECT_EQ(frm->toolBarArea(toolbar), Qt::TopToolBarArea);
        EXPECT_TRUE(toolbar->isVisible());
        EXPECT_TRUE(toolbar->ToggleAction()->isChecked());
    }
    // Docked from the left: standard, search, debug.
    EXPECT_LT(frm->frm_StdToolbar->x(), frm->frm_SearchToolbar->x());
    EXPECT_LT(frm->frm_SearchToolbar->x(), frm->frm_DebugToolbar->x());
    EXPECT_EQ(frm->frm_StdToolbar->y(), frm->frm_DebugToolbar->y());
    EXPECT_TRUE(frm->pnl_Debug->isVisible());
    EXPECT_TRUE(Button(frm->frm_DebugToolbar, "tlbt_ViewShowDebugWin")->isChecked());
    EXPECT_EQ(Combo()->currentIndex(), 3);

    QString missing;
    const QStringList script = {"Создание панели инструментов \"Стандартная\"...",
                                "Панель инструментов \"Стандартная\" создана.",
                                "Создание панели инструментов \"Поиск\"...",
                                "Панель инструментов \"Поиск\" создана.",
                                "Создание панели инструментов \"Отладка\"...",
                                "Панель инструментов \"Отладка\" создана.",
                                "Расположение панели инструментов \"Отладка\"...",
                                "Dockable размещение.",
                                "Расположение панели инструментов \"Поиск\"...",
                                "Dockable размещение.",
                                "Расположение панели инструментов \"Стандартная\"...",
                                "Dockable размещение.",
                                "Установка состояний элементов панели инструментов \"Отладка\"...",
                                "Установка состояний завершена.",
                                "Элементы управления инициализированны."};
    qsizetype at = 0;
    for (const QString& line : script) {
        at = Log().indexOf(line, at);
        ASSERT_GE(at, 0) << "missing or out of order: " << line.toStdString() << "\n" << Log().toStdString();
    }
    EXPECT_FALSE(Log().contains("скрыта."));
}

TEST_F(ToolbarsTest, AFloatingToolbarHiddenAtCloseComesBackFloatingAtItsPlaceAndHidden) {
    Start("[StdToolbar]\nVisible=1\nDocked=1\nLeft=7\nTop=9\n");
    TDockableToolbar* search = frm->frm_SearchToolbar;
    search->Float(QPoint(120, 140));
    QCoreApplication::processEvents();
    ASSERT_TRUE(search->isFloating());
    ASSERT_TRUE(search->isVisible());
    // Hidden from the toolbar menu of the top area.
    QMenu* menu = frm->createPopupMenu();
    menu->actions().at(1)->trigger();
    delete menu;
    EXPECT_TRUE(search->isHidden());
    EXPECT_FALSE(frm->act_ViewShowSearchToolbar->isChecked());

    const QString ini = CloseAndRead();
    EXPECT_EQ(Section(ini, "SearchToolbar"), QStringList({"Visible=0", "Docked=0", "Left=120", "Top=140"}));
    // A docked toolbar keeps the position it was started with.
    EXPECT_EQ(Section(ini, "StdToolbar"), QStringList({"Visible=1", "Docked=1", "Left=7", "Top=9"}));
    EXPECT_EQ(Section(ini, "DebugWindow"),
              QStringList({"WindowState=0", "Visible=1", "Docked=1", "Left=0", "Top=0", "Width=1", "Height=1"}));
    const QStringList order = {"[StdToolbar]", "[SearchToolbar]", "[DebugToolbar]",
                               "[MainWindow]", "[DebugWindow]",   "[ControlState]"};
    for (int i = 1; i < order.size(); ++i)
        EXPECT_LT(ini.indexOf(order[i - 1]), ini.indexOf(order[i])) << order[i].toStdString();

    Restart();
    search = frm->frm_SearchToolbar;
    EXPECT_TRUE(search->isFloating());
    EXPECT_TRUE(search->isHidden());
    EXPECT_EQ(search->pos(), QPoint(120, 140));
    EXPECT_FALSE(frm->act_ViewShowSearchToolbar->isChecked());
    EXPECT_TRUE(Log().contains("Плавающее размещение."));
    EXPECT_TRUE(Log().contains("Панели инструментов \"Поиск\" скрыта."));
    EXPECT_FALSE(frm->frm_StdToolbar->isFloating());

    // Shown again through its action: a tool window with its caption and no close box.
    frm->act_ViewShowSearchToolbar->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(search->isVisible());
    EXPECT_EQ(search->pos(), QPoint(120, 140));
    EXPECT_EQ(search->windowTitle(), QString::fromUtf8("Поиск"));
    const Qt::WindowFlags flags = search->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint | Qt::FramelessWindowHint));
}

TEST_F(ToolbarsTest, AToolbarTheToolkitFloatsGetsItsCaptionBarBack) {
    Start();
    TDockableToolbar* debug = frm->frm_DebugToolbar;
    // What the toolkit leaves when the user drops a dragged toolbar outside the top area.
    debug->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    debug->move(200, 100);
    debug->show();
    EXPECT_TRUE(WaitFor([&] { return !(debug->windowFlags() & Qt::FramelessWindowHint); }, 2000));
    EXPECT_TRUE(debug->windowFlags() & Qt::WindowTitleHint);
    EXPECT_TRUE(debug->isFloating());
    EXPECT_TRUE(debug->isVisible());
    EXPECT_TRUE(frm->act_ViewShowDebugToolbar->isChecked());
    EXPECT_EQ(debug->pos(), QPoint(200, 100));
}

TEST_F(ToolbarsTest, VisibilityEqualsTheToggleActionAndHidingKeepsTheToolbar) {
    Start();
    std::unique_ptr<QMenu> menu(frm->createPopupMenu());
    const QList<QAction*> entries = menu->actions();
    ASSERT_EQ(entries.size(), 5);
    EXPECT_EQ(entries[0], frm->act_ViewShowStdToolbar);
    EXPECT_EQ(entries[1], frm->act_ViewShowSearchToolbar);
    EXPECT_EQ(entries[2], frm->act_ViewShowDebugToolbar);
    EXPECT_TRUE(entries[3]->isSeparator());
    EXPECT_EQ(entries[4], frm->act_ViewShow_Form2);
    EXPECT_EQ(frm->pm_Toolbars->actions(), entries.mid(0, 3));

    for (TDockableToolbar* toolbar : Toolbars()) {
        SCOPED_TRACE(toolbar->objectName().toStdString());
        QPointer<TDockableToolbar> kept(toolbar);
        QAction* toggle = toolbar->ToggleAction();
        toggle->trigger();
        EXPECT_FALSE(toggle->isChecked());
        EXPECT_FALSE(toolbar->isVisible());
        toggle->trigger();
        EXPECT_TRUE(toggle->isChecked());
        EXPECT_TRUE(toolbar->isVisible());
        EXPECT_EQ(frm->toolBarArea(toolbar), Qt::TopToolBarArea);
        // Hidden by any other way, the check mark follows.
        toolbar->close();
        EXPECT_FALSE(toggle->isChecked());
        toggle->trigger();
        EXPECT_TRUE(toolbar->isVisible());
        EXPECT_TRUE(kept);
    }
}

TEST_F(ToolbarsTest, MaximisedAtCloseComesBackAtItsBoundsAndMaximised) {
    // The frame is placed at Left and Top; the size is the window's own.
    Start("[MainWindow]\nDocked=0\nLeft=30\nTop=40\nWidth=700\nHeight=450\n");
    EXPECT_EQ(frm->pos(), QPoint(30, 40));
    EXPECT_EQ(frm->size(), QSize(700, 450));
    EXPECT_EQ(frm->windowState(), Qt::WindowNoState);
    frm->showMaximized();
    ASSERT_TRUE(WaitFor([&] { return frm->isMaximized() && frm->width() > 700; }, 2000));
    const QString maximised =
        QString("Left=%1,Top=%2,Width=%3,Height=%4").arg(frm->x()).arg(frm->y()).arg(frm->width()).arg(frm->height());
    const QString ini = CloseAndRead();
    EXPECT_EQ(Section(ini, "MainWindow"),
              QStringList({"WindowState=2", "Visible=1", "Docked=0"}) + maximised.split(','));
    Restart();
    EXPECT_TRUE(frm->isMaximized());
}

TEST_F(ToolbarsTest, GarbagePlacementStartsWithEveryWindowReachable) {
    Start(
        "[SearchToolbar]\nDocked=0\nLeft=2147483647\nTop=-2147483648\n"
        "[DebugToolbar]\nDocked=0\nLeft=-5000\nTop=300\n"
        "[StdToolbar]\nDocked=1\nLeft=99999\nTop=-99999\n"
        "[MainWindow]\nWindowState=7\nDocked=0\nLeft=-99999\nTop=99999\nWidth=0\nHeight=-5\n");
    EXPECT_EQ(frm->windowState(), Qt::WindowNoState);
    EXPECT_TRUE(Reachable(*frm)) << frm->frameGeometry().x() << "," << frm->frameGeometry().y();
    for (TDockableToolbar* toolbar : {static_cast<TDockableToolbar*>(frm->frm_SearchToolbar),
                                      static_cast<TDockableToolbar*>(frm->frm_DebugToolbar)}) {
        SCOPED_TRACE(toolbar->objectName().toStdString());
        EXPECT_TRUE(toolbar->isFloating());
        EXPECT_TRUE(toolbar->isVisible());
        EXPECT_TRUE(Reachable(*toolbar)) << toolbar->x() << "," << toolbar->y();
        // Shown before the main window, it still stays above it.
        EXPECT_TRUE(WaitFor([&] { return toolbar->windowHandle()->transientParent() == frm->windowHandle(); }, 2000));
    }
    EXPECT_FALSE(frm->frm_StdToolbar->isFloating());
    const QString ini = CloseAndRead();
    EXPECT_EQ(Section(ini, "StdToolbar"), QStringList({"Visible=1", "Docked=1", "Left=99999", "Top=-99999"}));
}

TEST_F(ToolbarsTest, WhereWindowsCannotBePlacedTheSavedPositionsAreWrittenBack) {
    OverrideWindowPlacementSupported(false);
    Start(
        "[SearchToolbar]\nDocked=0\nLeft=123\nTop=45\n"
        "[MainWindow]\nDocked=0\nLeft=61\nTop=62\nWidth=600\nHeight=350\n");
    // The window system put them elsewhere.
    frm->frm_SearchToolbar->move(0, 0);
    frm->move(0, 0);
    frm->resize(610, 350);
    const QString ini = CloseAndRead();
    EXPECT_EQ(Section(ini, "SearchToolbar"), QStringList({"Visible=1", "Docked=0", "Left=123", "Top=45"}));
    EXPECT_EQ(Section(ini, "MainWindow"),
              QStringList({"WindowState=0", "Visible=1", "Docked=0", "Left=61", "Top=62", "Width=610", "Height=350"}));
}

TEST_F(ToolbarsTest, LevelSelectorAndLevelMenuAreOneState) {
    Start();
    QComboBox* combo = Combo();
    // Chosen in the selector: the menu follows and the level is in force at once.
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    EXPECT_TRUE(frm->act_ServiceDebugLevelWarning->isChecked());
    EXPECT_EQ(Settings.DebugLevel, 2);

    // Chosen in the menu: the selector follows.
    frm->act_ServiceDebugLevelErrors->trigger();
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(combo->currentText(), QString::fromUtf8("Ошибки"));
    EXPECT_EQ(Settings.DebugLevel, 1);
    WriteLog("hidden info line");
    WriteLog("shown error line", TLogLevel::Error);
    EXPECT_FALSE(Log().contains("hidden info line"));
    EXPECT_TRUE(Log().contains("shown error line"));

    // Typed text: an item's name selects it, any other text selects none.
    const std::pair<const char*, int> typed[] = {{"... + предупреждения", 2}, {"nonsense", 0}, {"ошибки", 1}};
    for (auto [text, level] : typed) {
        SCOPED_TRACE(text);
        combo->lineEdit()->setText(QString::fromUtf8(text));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(Settings.DebugLevel, level);
        EXPECT_EQ(combo->currentIndex(), level);
        EXPECT_EQ(combo->currentText(), combo->itemText(level));
        EXPECT_TRUE(frm->DebugLevelAction(uint8_t(level))->isChecked());
    }

    // A stored level outside 0 to 3 gives none.
    TSettings stored = Settings;
    stored.DebugLevel = 7;
    frm->frm_DebugToolbar->InitControlState(stored);
    EXPECT_EQ(combo->currentText(), QString::fromUtf8("Не вести"));
    EXPECT_EQ(Settings.DebugLevel, 0);
    EXPECT_TRUE(frm->act_ServiceDebugLevelNone->isChecked());
}

TEST_F(ToolbarsTest, InitControlStateShowsTheDebugPaneAsSaved) {
    Start();
    QToolButton* button = Button(frm->frm_DebugToolbar, "tlbt_ViewShowDebugWin");
    for (bool visible : {false, true, true, false}) {
        SCOPED_TRACE(visible);
        TSettings stored = Settings;
        stored.DebugWindow.Visible = visible;
        frm->frm_DebugToolbar->InitControlState(stored);
        EXPECT_EQ(frm->pnl_Debug->isVisible(), visible);
        EXPECT_EQ(button->isChecked(), visible);
    }
}

TEST_F(ToolbarsTest, CopyButtonFollowsTheCopySettingForTheWholeRun) {
    for (bool allowed : {false, true}) {
        SCOPED_TRACE(allowed);
        Start(allowed ? "AllowCopyFromBrowser=1\n" : "");
        QToolButton* copy = Button(frm->frm_StdToolbar, "tlbt_EditCopy");
        EXPECT_EQ(copy->isEnabled(), allowed);
        TFixtureBook book;
        EXPECT_TRUE(OpenAndWait(*frm, book.Descriptor()));
        ASSERT_TRUE(WaitIdle(*frm->wb_Browser));
        frm->tv_TOC->setFocus();
        frm->wb_Browser->setFocus();
        frm->CloseBook();
        EXPECT_EQ(copy->isEnabled(), allowed);
    }
}

}  // namespace
