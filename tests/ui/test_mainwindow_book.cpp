// Opening, closing and reopening books in the main window, the contents tree's clicks and
// keys, links of the internal scheme, and errors that reach the error guard.
#include <QAction>
#include <QTreeWidget>
#include <QWebEngineView>

#include "TWebBrowser.h"
#include "Tfrm_ExternalViewer.h"
#include "mainwindow_test_util.h"

namespace {

using BookTest = MainWindowTest;

TEST_F(BookTest, ShippedBookOpensWithItsContentsAndFirstPart) {
    ShowAndOpen(ShippedBook);
    ASSERT_GT(frm->tv_TOC->topLevelItemCount(), 1);
    EXPECT_EQ(frm->tv_TOC->currentItem(), Item(0));
    EXPECT_TRUE(PageShows(Item(0)->text(0)));
    EXPECT_EQ(EnabledBookActions(), 9);
    EXPECT_TRUE(BookInfo.Opened);
    // The shipped descriptor keeps the default: the whole tree is expanded.
    QTreeWidgetItem* withChildren = Item(1);
    ASSERT_GT(withChildren->childCount(), 0);
    EXPECT_TRUE(withChildren->isExpanded());
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(BookTest, ClickDoubleClickAndEnterOnContentsShowTheirParts) {
    ShowAndOpen(ShippedBook);
    QTreeWidget* tree = frm->tv_TOC;
    QTreeWidgetItem* chapter = Item(1);
    ASSERT_TRUE(chapter && chapter->childCount() > 0);

    // Each page is waited for whole: a chapter's page names its sections too.
    ASSERT_TRUE(Answered([&] { QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(chapter).center()); }));
    EXPECT_TRUE(PageShows(chapter->text(0)));

    QTreeWidgetItem* section = chapter->child(0);
    tree->setCurrentItem(section);
    ASSERT_TRUE(Answered([&] { QTest::keyClick(tree, Qt::Key_Return); }));
    EXPECT_TRUE(PageShows(section->text(0)));
    EXPECT_TRUE(tree->hasFocus() || !frm->isActiveWindow());

    // With one-click off a single click only selects; a double click still shows the part.
    Settings.UseInTOCOneClickAsDblClick = false;
    QTreeWidgetItem* other = Item(2);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(other).center());
    ASSERT_EQ(tree->currentItem(), other);
    EXPECT_TRUE(StaysFalse([&] { return frm->wb_Browser->Busy(); })) << "a single click wrote a page";
    EXPECT_TRUE(PageShows(section->text(0)));
    EXPECT_FALSE(Page().contains(other->text(0)));
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(other).center());
    EXPECT_TRUE(PageShows(other->text(0)));
}

TEST_F(BookTest, TomeriLinkInThePageShowsItsPartWithoutNavigating) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    EvalJs(*frm->wb_Browser, "document.getElementById('link').click()");
    EXPECT_TRUE(PageShows("PART[b]"));
    EXPECT_NE(frm->wb_Browser->View()->url().scheme(), "tomeri");
    EXPECT_TRUE(Log().contains("Load URI: tomeri://showdoc/?DivID=b"));
    // Every completed document loses the border of its body.
    EXPECT_TRUE(
        WaitFor([&] { return EvalJs(*frm->wb_Browser, "document.body.style.borderStyle").toString() == "none"; },
                EngineWaitMs));
}

// A link's identifier reaches the stylesheet as the page wrote it: letters outside ASCII come
// back from the engine's percent-encoding.
TEST_F(BookTest, TomeriLinkWithCyrillicIdentifierShowsThatPart) {
    QByteArray page = FixturePageTemplate;
    page.replace("DivID=b\"", "DivID=глава_2\"");
    TFixtureBook book(FixtureMenu, page);
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    EvalJs(*frm->wb_Browser, "document.getElementById('link').click()");
    EXPECT_TRUE(PageShows("PART[глава_2]"));
    EXPECT_TRUE(Log().contains("Load URI: tomeri://showdoc/?DivID=глава_2"));
}

// The before-navigate handler: which internal URLs are intercepted and which part they show.
TEST_F(BookTest, BeforeNavigateInterceptsShowdocLinksAndReadsTheirPart) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    const std::string long300(300, 'x');
    struct Case {
        std::string Url;
        bool Intercepted;
        std::string Shows;  // the page after an intercepted link
    };
    const auto part = [](const std::string& id) { return "PART[" + id + "]"; };
    const Case cases[] = {
        {"tomeri://showdoc/?DivID=ch2", true, part("ch2")},
        {"TOMERI://showdoc/?DivID=ch2", true, part("ch2")},
        {"tomeri://showdoc?DivID=ch2", false, ""},  // no "/": the host part is empty
        {"tomeri://other/?DivID=ch2", false, ""},
        {"tomeri://showdoc/?DivID=a&DivID=b", true, part("b")},
        {"tomeri://showdoc/?x=1&&DivID=b", true, part("")},  // parsing stops at the empty item
        {"tomeri://showdoc/?DivID=a#top", true, part("a")},
        {"tomeri://showdoc/", true, part("")},
        // An id that is no XML name never reaches the stylesheet; the reader is told why.
        {"tomeri://showdoc/?DivID=a%20b", true, "недопустимым идентификатором"},
        {"tomeri://showdoc/?DivID=x]]%3E%3Cxsl:message/%3E", true, "недопустимым идентификатором"},
        {"tomeri://showdoc/?DivID=" + long300, true, part(std::string(255, 'x'))},
        {"https://example.org/", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Url);
        frm->ShowHtmlMessage("SENTINEL");
        ASSERT_TRUE(PageShows("SENTINEL"));
        bool cancel = false;
        frm->wb_BrowserBeforeNavigate2(QUrl(QString::fromStdString(c.Url)), cancel);
        EXPECT_EQ(cancel, c.Intercepted);
        EXPECT_TRUE(PageShows(QString::fromStdString(c.Intercepted ? c.Shows : "SENTINEL")));
        const QString url = QUrl(QString::fromStdString(c.Url)).toString(QUrl::FullyEncoded);
        EXPECT_TRUE(Log().contains("Load URI: " + url));
    }
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(BookTest, FailingStylesheetShowsItsEscapedErrorAsThePage) {
    TFixtureBook book(FixtureMenu,
                      "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                      "<xsl:template match=\"/\"><p>never</xsl:template>");
    ShowAndOpen(book.Descriptor());
    EXPECT_EQ(EnabledBookActions(), 9);  // the contents came from the service stylesheet
    const QString page = Page();
    EXPECT_FALSE(page.trimmed().isEmpty());
    EXPECT_FALSE(page.contains("never"));
    // Escaped markup of the message shows as text instead of becoming elements: the page has
    // only its own two paragraphs, the file and the cause.
    EXPECT_EQ(EvalJs(*frm->wb_Browser, "document.body.getElementsByTagName('p').length").toInt(), 2);
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(BookTest, OpeningAMissingFileLeavesTheOpenBookAsItWas) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    const int nodes = frm->tv_TOC->topLevelItemCount();

    EXPECT_TRUE(Open(book.Path("missing.ini").toStdString()));
    frm->OpenBook(book.Path("data").toStdString());  // a folder is no document either

    EXPECT_EQ(EnabledBookActions(), 9);
    EXPECT_EQ(frm->tv_TOC->topLevelItemCount(), nodes);
    EXPECT_TRUE(PageShows("PART[a]"));
    EXPECT_EQ(Log().count("{type: ERRR, code: 0} "), 2);
    EXPECT_TRUE(Log().contains("Документ не найден."));
    EXPECT_EQ(BookInfo.DescriptorFile, book.Descriptor());
}

TEST_F(BookTest, CloseEmptiesTreeAndPageAndDisablesTheNineActions) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    frm->act_FileCloseBook->trigger();
    EXPECT_EQ(frm->tv_TOC->topLevelItemCount(), 0);
    EXPECT_EQ(EnabledBookActions(), 0);
    EXPECT_TRUE(WaitIdle(*frm->wb_Browser));
    EXPECT_TRUE(WaitFor([&] { return Page().trimmed().isEmpty(); }, EngineWaitMs));
    EXPECT_TRUE(Log().contains("Книга закрыта."));
}

TEST_F(BookTest, ReopenRebuildsTheTreeAndShowsTheFirstPartAgain) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    frm->tv_TOC->setCurrentItem(Item(1));
    frm->tv_TOCDblClick();
    ASSERT_TRUE(PageShows("PART[b]"));
    // A mark on the old node; the address alone may be reused by the new one.
    constexpr int MarkRole = Qt::UserRole + 99;
    Item(0)->setData(0, MarkRole, true);

    frm->act_FileReopenBook->trigger();
    EXPECT_TRUE(PageShows("PART[a]"));
    EXPECT_FALSE(Item(0)->data(0, MarkRole).isValid());  // new nodes
    EXPECT_EQ(frm->tv_TOC->topLevelItemCount(), 2);
    EXPECT_EQ(Item(0)->childCount(), 1);
    EXPECT_EQ(frm->tv_TOC->currentItem(), Item(0));
    EXPECT_EQ(EnabledBookActions(), 9);
    EXPECT_TRUE(Log().contains("Книга закрыта."));
}

TEST_F(BookTest, BookOpenedWhileHiddenShowsItsFirstPartOnceWhenShown) {
    TFixtureBook book;
    EXPECT_TRUE(Open(book.Descriptor()));
    EXPECT_FALSE(frm->wb_Browser->HasDocument());
    EXPECT_TRUE(Settings.OpenTopTOCItemOnShow);
    Show();
    EXPECT_TRUE(PageShows("PART[a]"));
    EXPECT_FALSE(Settings.OpenTopTOCItemOnShow);
    frm->hide();
    Show();
    EXPECT_EQ(Log().count("Part A|a"), 1);
}

// Errors no handler catches end the command with an error box; the program goes on.
TEST_F(BookTest, ContentsErrorsEndTheOpenWithAnErrorBox) {
    struct Case {
        const char* Name;
        QByteArray Menu;
        int NodesLeft;
        const char* Message;
    };
    const Case cases[] = {
        {"top element not menu", R"(<contents><listitem id="a">A</listitem></contents>)", 0, "menu"},
        {"listitem without id", R"(<menu><listitem id="a">A</listitem><listitem>B</listitem></menu>)", 1, "id"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Errors.clear();
        TFixtureBook book(c.Menu);
        Show();
        frm->OpenFileDialog = [&] { return QString::fromStdString(book.Descriptor()); };
        ASSERT_TRUE(Answered([&] { frm->act_FileOpen->trigger(); }));
        ASSERT_EQ(Errors.size(), 1);
        EXPECT_TRUE(Errors.front().contains(c.Message));
        EXPECT_EQ(frm->tv_TOC->topLevelItemCount(), c.NodesLeft);
        EXPECT_EQ(EnabledBookActions(), 2);  // only the two find actions, enabled from the start
        EXPECT_FALSE(BookInfo.Opened);
    }
    // The window goes on: a good book opens afterwards.
    TFixtureBook good;
    EXPECT_TRUE(Open(good.Descriptor()));
    EXPECT_TRUE(PageShows("PART[a]"));
    EXPECT_EQ(EnabledBookActions(), 9);
}

TEST_F(BookTest, RecentDocumentEntryOpensItsListEntryOnly) {
    TFixtureBook book;
    Show();
    Settings.LastDocs->assign({book.Descriptor()});
    frm->mnu_FileOpenLastDoc_01Click(3);  // past the end: nothing
    EXPECT_FALSE(frm->act_FileCloseBook->isEnabled());
    frm->mnu_FileOpenLastDoc_01Click(0);
    EXPECT_TRUE(PageShows("PART[a]"));
    EXPECT_EQ(EnabledBookActions(), 9);
    Settings.LastDocs->clear();
}

TEST_F(BookTest, PageAskingForANewWindowOpensInAViewerOfItsOwn) {
    TFixtureBook book;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    ASSERT_TRUE(ReaderClicks(*frm->wb_Browser, "newwin"));
    ASSERT_TRUE(WaitFor([&] { return frm->ExternalViewers().size() == 1; }, EngineWaitMs));
    TWebBrowser& viewer = *frm->ExternalViewers().front()->wb_Browser;
    EXPECT_TRUE(WaitFor([&] { return BodyText(viewer).contains("OTHER"); }, EngineWaitMs));
    EXPECT_TRUE(frm->ExternalViewers().front()->isVisible());
    EXPECT_TRUE(PageShows("PART[a]"));  // the main page stays
}

}  // namespace
