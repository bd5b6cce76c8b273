// The main window's action list and menus, focus tracking, and the view and browser commands.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QWebEngineView>

#include "TWebBrowser.h"
#include "mainwindow_test_util.h"

namespace {

using ViewTest = MainWindowTest;

TEST_F(ViewTest, ActionListStartsWithItsCaptionsShortcutsAndStates) {
    struct Case {
        QAction* Action;
        const char* Caption;
        const char* Shortcut;
        bool Enabled;
    };
    const Case cases[] = {
        {frm->act_FileOpen, "Открыть...", "Ctrl+O", true},
        {frm->act_FileCloseBook, "Закрыть", "Ctrl+W", false},
        {frm->act_FileReopenBook, "Перечитать книгу", "Ctrl+Alt+R", false},
        {frm->act_FilePrint, "Печать...", "Ctrl+P", false},
        {frm->act_FileExport, "Экспорт в HTML", "Ctrl+E", false},
        {frm->act_FileShowList, "Список...", "Ctrl+L", true},
        {frm->act_SearchFind, "Найти...", "Ctrl+F", true},
        {frm->act_SearchFindNext, "Найти далее", "F3", true},
        {frm->act_EditCopy, "Копировать", "Ctrl+C", false},
        {frm->act_HelpTopicSearch, "Поиск...", "Ctrl+F1", true},
        {frm->act_ServiceBookmarkAdd, "Добавить закладку", "Ctrl+D", false},
        {frm->act_ServiceBookmarksList, "Список", "", false},
        {frm->act_ServiceBookmarksImport, "Импорт", "", true},
        {frm->act_ServiceBookmarksExport, "Экспорт", "", true},
        {frm->act_HelpContents, "Содержание", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Caption);
        EXPECT_EQ(c.Action->text(), QString::fromUtf8(c.Caption));
        EXPECT_EQ(c.Action->shortcut(), QKeySequence(QString::fromUtf8(c.Shortcut)));
        EXPECT_EQ(c.Action->isEnabled(), c.Enabled);
    }
    EXPECT_EQ(frm->act_FileOpen->toolTip(), "Открыть");
    EXPECT_EQ(frm->act_FileOpen->statusTip(), "Открыть существующую книгу");
    // The long hint is shown nowhere: hovering a menu entry leaves the status bar empty.
    frm->act_FileOpen->showStatusText(frm.get());
    EXPECT_TRUE(frm->sb_Status->currentMessage().isEmpty());
    EXPECT_EQ(frm->findChild<QAction*>("act_ViewShowDebugWin"), frm->act_ViewShowDebugWin);
    EXPECT_TRUE(frm->FontSizeGroup->isExclusive());
    EXPECT_EQ(frm->FontSizeGroup->actions().size(), 5);
    EXPECT_EQ(frm->DebugLevelGroup->actions().size(), 4);
    EXPECT_FALSE(frm->act_FileOpen->icon().isNull());
    EXPECT_EQ(frm->menuBar()->actions().size(), 5);
    EXPECT_EQ(frm->windowTitle(), "tomeria v1.0 preRelease");
}

TEST_F(ViewTest, FocusTrackingSwitchesTheFindAction) {
    Show();
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    QWidget* tabBar = frm->pc_Debug->tabBar();
    struct Step {
        QWidget* Target;
        bool FindEnabled;
    };
    QWidget* menuBar = frm->menuBar();
    const Step steps[] = {
        {frm->tv_TOC, true}, {frm->wb_Browser, true},  // between two searchable controls: stays enabled
        {tabBar, false},     {frm->me_DebugWindow, true},
        {frm->tv_TOC, true}, {menuBar, true},  // the menu bar leaves the contents the current control
        {frm->tv_TOC, true}, {menuBar, true},
        {tabBar, false},     {menuBar, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Target->metaObject()->className());
        step.Target->setFocus();
        EXPECT_TRUE(WaitFor([&] { return frm->act_SearchFind->isEnabled() == step.FindEnabled; }, 5000));
    }
    // A menu opened over the contents leaves it the current control as well.
    frm->tv_TOC->setFocus();
    ASSERT_TRUE(WaitFor([&] { return frm->act_SearchFind->isEnabled(); }, 5000));
    QMenu* edit = frm->menuBar()->actions().at(1)->menu();
    ASSERT_NE(edit, nullptr);
    edit->popup(frm->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(WaitFor([&] { return QApplication::activePopupWidget() == edit; }, 5000));
    EXPECT_TRUE(StaysFalse([&] { return !frm->act_SearchFind->isEnabled(); }));
    edit->close();
    EXPECT_FALSE(Log().contains(QRegularExpression("Focused: $", QRegularExpression::MultilineOption)))
        << "the menu bar became the focused control";
    EXPECT_TRUE(Log().contains("Focused: wb_Browser"));
    EXPECT_TRUE(Log().contains("UnFocused: tv_TOC"));
    EXPECT_TRUE(Log().contains("Focused: pc_Debug"));

    // Closing a book disables it wherever the focus is.
    TFixtureBook book;
    EXPECT_TRUE(Open(book.Descriptor()));
    frm->tv_TOC->setFocus();
    ASSERT_TRUE(WaitFor([&] { return frm->act_SearchFind->isEnabled(); }, 5000));
    frm->CloseBook();
    EXPECT_FALSE(frm->act_SearchFind->isEnabled());
}

TEST_F(ViewTest, TextSizeIsStoredAndSurvivesTheNextPage) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    frm->act_ViewFontSizeVeryBig->trigger();
    EXPECT_EQ(Settings.BrowserFontSize, 4);
    EXPECT_TRUE(frm->act_ViewFontSizeVeryBig->isChecked());
    const double veryBig = frm->wb_Browser->View()->zoomFactor();
    EXPECT_GT(veryBig, 1.0);

    frm->tv_TOC->setCurrentItem(Item(1));
    frm->tv_TOCDblClick();
    ASSERT_TRUE(PageShows("PART[b]"));
    EXPECT_DOUBLE_EQ(frm->wb_Browser->View()->zoomFactor(), veryBig);

    frm->act_ViewFontSizeSmall->trigger();
    EXPECT_LT(frm->wb_Browser->View()->zoomFactor(), 1.0);
    EXPECT_FALSE(frm->act_ViewFontSizeVeryBig->isChecked());
}

// A window made with records of its own opens its book into them and stores its choices there;
// the program's records stay as they were.
TEST_F(ViewTest, WorksOnTheRecordsItWasMadeWith) {
    TSettings settings = Settings;
    TBookInfo book;
    Tfrm_Main own(settings, DefaultSettings, book);
    own.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&own));
    TFixtureBook fixture;
    ASSERT_TRUE(OpenAndWait(own, fixture.Descriptor()));
    own.act_ViewFontSizeVeryBig->trigger();
    own.act_ServiceDebugLevelErrors->trigger();

    EXPECT_TRUE(book.Opened);
    EXPECT_EQ(settings.BrowserFontSize, 4);
    EXPECT_EQ(settings.DebugLevel, 1);
    EXPECT_FALSE(BookInfo.Opened);
    EXPECT_EQ(Settings.BrowserFontSize, DefaultSettings.BrowserFontSize);
    EXPECT_EQ(Settings.DebugLevel, DefaultSettings.DebugLevel);
}

TEST_F(ViewTest, StoredSizesOutsideTheRangeSelectTheSmallestEvenWithoutAPage) {
    for (uint8_t stored : {0, 5, 200}) {
        SCOPED_TRACE(int(stored));
        Settings.BrowserFontSize = 3;
        TSettings record = Settings;
        record.BrowserFontSize = stored;
        frm->ApplyBrowserFontSize(record);
        EXPECT_TRUE(frm->act_ViewFontSizeVerySmall->isChecked());
        EXPECT_EQ(Settings.BrowserFontSize, 0);
    }
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(ViewTest, ExportThatCannotBeWrittenIsLoggedWithItsCauseAndShowsNoBox) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    frm->wb_Browser->SaveFileName = [this] { return Temp.filePath("missing/page.html"); };
    frm->act_FileExport->trigger();
    EXPECT_TRUE(Errors.isEmpty());
    EXPECT_TRUE(Log().contains(QRegularExpression("ERRR.*TWebBrowser.SaveAs: cannot write .*missing/page.html")))
        << Log().toStdString();
}

TEST_F(ViewTest, FullScreenReturnsToTheExactBounds) {
    Show();
    const QRect bounds(100, 120, 640, 360);
    frm->setGeometry(bounds);
    QTest::qWait(50);
    const QRect before = frm->geometry();
    const Qt::WindowFlags flags = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

    frm->act_ViewShowFullScreen->trigger();
    EXPECT_TRUE(frm->act_ViewShowFullScreen->isChecked());
    EXPECT_EQ(frm->windowFlags() & flags, flags);
    EXPECT_EQ(frm->geometry(), frm->screen()->geometry());
    EXPECT_TRUE(frm->isVisible());

    frm->act_ViewShowFullScreen->trigger();
    EXPECT_FALSE(frm->act_ViewShowFullScreen->isChecked());
    EXPECT_EQ(frm->windowFlags() & flags, Qt::WindowFlags());
    EXPECT_EQ(frm->geometry(), before);
    EXPECT_EQ(frm->windowState(), Qt::WindowNoState);
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(Log().count("*** show mainform"), 1);  // switching is no show of the window
}

TEST_F(ViewTest, DebugPaneHidesAndComesBackAboveTheStatusBar) {
    Show();
    ASSERT_TRUE(frm->act_ViewShowDebugWin->isChecked());
    frm->act_ViewShowDebugWin->trigger();
    EXPECT_FALSE(frm->pnl_Debug->isVisible());
    frm->act_ViewShowDebugWin->trigger();
    EXPECT_TRUE(frm->pnl_Debug->isVisible());
    EXPECT_TRUE(frm->act_ViewShowDebugWin->isChecked());
    const int paneBottom = frm->pnl_Debug->mapTo(frm.get(), QPoint(0, frm->pnl_Debug->height())).y();
    EXPECT_LE(paneBottom, frm->sb_Status->y());
    EXPECT_GT(frm->pnl_Debug->y(), frm->splt_Vertical_01->y());
}

TEST_F(ViewTest, ClickOnTheVerticalSplitterCollapsesAndRestoresTheContentsPane) {
    Show();
    QSplitter* splitter = frm->splt_Vertical_01;
    QWidget* handle = splitter->handle(1);
    const int width = splitter->sizes().at(0);
    ASSERT_GT(width, 50);
    QTest::mouseClick(handle, Qt::LeftButton);
    EXPECT_EQ(splitter->sizes().at(0), 50);
    QTest::mouseClick(handle, Qt::LeftButton);
    EXPECT_EQ(splitter->sizes().at(0), width);

    // Already at the minimum before any collapse: it stays there.
    Tfrm_Main fresh(Settings, DefaultSettings, BookInfo);
    fresh.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh));
    fresh.splt_Vertical_01->setSizes({50, 500});
    QTest::mouseClick(fresh.splt_Vertical_01->handle(1), Qt::LeftButton);
    EXPECT_EQ(fresh.splt_Vertical_01->sizes().at(0), 50);
}

TEST_F(ViewTest, DebugLevelEntriesSetTheLevelAndTellTheSelector) {
    std::vector<int> told;
    frm->OnDebugLevelChanged = [&](int level) { told.push_back(level); };
    frm->act_ServiceDebugLevelErrors->trigger();
    EXPECT_EQ(Settings.DebugLevel, 1);
    EXPECT_TRUE(frm->act_ServiceDebugLevelErrors->isChecked());
    EXPECT_EQ(told, std::vector<int>{1});
    WriteLog("hidden info line");
    WriteLog("shown error line", TLogLevel::Error);
    EXPECT_FALSE(Log().contains("hidden info line"));
    EXPECT_TRUE(Log().contains("shown error line"));
    frm->act_ServiceDebugLevelInfo->trigger();
    EXPECT_FALSE(frm->act_ServiceDebugLevelErrors->isChecked());
    EXPECT_EQ(Settings.DebugLevel, 3);
}

TEST_F(ViewTest, ExportSavesTheShownPageAndPrintOrExportWithoutAPageDoNothing) {
    int dialogs = 0;
    frm->wb_Browser->SaveFileName = [&] {
        ++dialogs;
        return Temp.path() + "/page.html";
    };
    frm->wb_Browser->PrinterSetup = [&](QPrinter&) {
        ++dialogs;
        return false;
    };
    frm->act_FileExport->setEnabled(true);
    frm->act_FilePrint->setEnabled(true);
    frm->act_FileExport->trigger();
    frm->act_FilePrint->trigger();
    frm->act_EditCopy->setEnabled(true);
    frm->act_EditCopy->trigger();
    frm->act_EditSelectAll->trigger();
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(Errors.isEmpty());

    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    frm->act_FileExport->trigger();
    EXPECT_EQ(dialogs, 1);
    QFile saved(Temp.path() + "/page.html");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("PART[a]"));
}

}  // namespace

namespace {

TEST_F(ViewTest, FindSearchesTheFocusedContentsOrDebugPane) {
    Show();
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    ASSERT_TRUE(
        FillTree(*frm, "<menu><listitem id='a'>Alpha</listitem><listitem id='b'>Beta"
                            "<listitem id='b1'>Alphabet</listitem></listitem></menu>"));
    int asked = 0;
    frm->FindTextDialog = [&](const QString&) {
        ++asked;
        return QStringLiteral("Alpha");
    };
    frm->tv_TOC->setFocus();
    ASSERT_TRUE(WaitFor([&] { return frm->act_SearchFind->isEnabled(); }, 5000));
    frm->act_SearchFind->trigger();
    EXPECT_EQ(frm->tv_TOC->currentItem()->text(0), "Alpha");
    frm->act_SearchFindNext->trigger();  // the next match, inside a closed branch too
    EXPECT_EQ(frm->tv_TOC->currentItem()->text(0), "Alphabet");
    frm->act_SearchFindNext->trigger();  // and round again
    EXPECT_EQ(frm->tv_TOC->currentItem()->text(0), "Alpha");
    EXPECT_EQ(asked, 1);

    WriteLog("a line with a MARK-7 in it");
    frm->me_DebugWindow->setFocus();
    ASSERT_TRUE(WaitFor([&] { return frm->act_SearchFind->isEnabled(); }, 5000));
    frm->FindTextDialog = [](const QString& last) {
        EXPECT_EQ(last, "Alpha");
        return QStringLiteral("MARK-7");
    };
    frm->act_SearchFind->trigger();
    EXPECT_EQ(frm->me_DebugWindow->textCursor().selectedText(), "MARK-7");
    EXPECT_TRUE(Errors.isEmpty());
}

}  // namespace
