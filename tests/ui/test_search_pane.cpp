// The search pane over a real index and the real browser, and the bookmarks of the window.
#include <QSignalSpy>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include "SearchIndexCache.h"
#include "TBookmarkStore.h"
#include "TSearchPane.h"
#include "Tfrm_Bookmarks.h"
#include "mainwindow_test_util.h"

namespace {

// Each page shows the text of its part; the contents name three parts of book.xml.
const QByteArray SearchPageTemplate = R"(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/"><html><body><p id="part">PART[<%DivID%>]</p>
<div><xsl:value-of select="//*[@id='<%DivID%>']/para"/></div></body></html></xsl:template>
</xsl:stylesheet>
)";

const QByteArray SearchMenu =
    R"(<menu><listitem id="a">Part A<listitem id="a1">Part A1</listitem></listitem><listitem id="b">Part B</listitem></menu>)";

const QByteArray SearchBookXml = R"(<book><part id="a"><para>Вступление без слова.</para>
<part id="a1"><para>Здесь лежат книги на полке, и Книги тоже.</para></part></part>
<part id="b"><para>Совсем другое.</para></part></book>)";

class SearchPaneTest : public MainWindowTest {
protected:
    // Opens a book whose book.xml is xml and waits until its index is ready.
    void OpenSearchBook(const QByteArray& xml = SearchBookXml) {
        Book = std::make_unique<TFixtureBook>(SearchMenu, SearchPageTemplate);
        WriteTextFile(Book->Path("data/book.xml"), xml);
        ShowAndOpen(Book->Descriptor());
        ASSERT_TRUE(WaitFor([&] { return !frm->Session().Search().Building(); }));
        ASSERT_TRUE(frm->Session().Search().Ready()) << frm->ts_Search->lbl_SearchStatus->text().toStdString();
    }
    void Search(const QString& query) {
        frm->ts_Search->ed_Search->setText(query);
        QTest::keyClick(frm->ts_Search->ed_Search, Qt::Key_Return);
    }
    QString Status() const { return frm->ts_Search->lbl_SearchStatus->text(); }
    int Marks() { return EvalJs(*frm->wb_Browser, "document.querySelectorAll('mark.tomeria-hit').length").toInt(); }
    QString MarkedText() {
        return EvalJs(*frm->wb_Browser,
                      "Array.from(document.querySelectorAll('mark.tomeria-hit')).map(m => m.textContent).join(',')")
            .toString();
    }

    std::unique_ptr<TFixtureBook> Book;
};

TEST_F(SearchPaneTest, CtrlF1LeadsToTheBoxAndAResultOpensHighlighted) {
    OpenSearchBook();
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    frm->act_ViewShowDebugWin->trigger();  // the pane hidden first: Ctrl+F1 shows it again
    ASSERT_FALSE(frm->pnl_Debug->isVisible());
    QTest::keyClick(frm.get(), Qt::Key_F1, Qt::ControlModifier);
    EXPECT_TRUE(frm->pnl_Debug->isVisible());
    EXPECT_EQ(frm->pc_Debug->currentWidget(), frm->ts_Search);
    EXPECT_TRUE(frm->pc_Debug->isTabEnabled(frm->pc_Debug->indexOf(frm->ts_Search)));
    EXPECT_TRUE(WaitFor([&] { return frm->ts_Search->ed_Search->hasFocus(); }));

    frm->ts_Search->ed_Search->insert(QString::fromUtf8("книга"));  // keyClicks takes ASCII only
    QTest::keyClick(frm->ts_Search->ed_Search, Qt::Key_Return);
    QListWidget* results = frm->ts_Search->lv_SearchResults;
    ASSERT_EQ(results->count(), 1) << Status().toStdString();
    const auto* label = qobject_cast<QLabel*>(results->itemWidget(results->item(0)));
    ASSERT_TRUE(label);
    EXPECT_TRUE(label->text().contains("Part A1"));
    EXPECT_TRUE(label->text().contains(QString::fromUtf8(">книги</b>"))) << label->text().toStdString();

    results->setFocus();
    QTest::keyClick(results, Qt::Key_Return);
    ASSERT_TRUE(PageShows("PART[a1]"));
    EXPECT_TRUE(WaitFor([&] { return Marks() == 2; })) << Marks();
    EXPECT_EQ(MarkedText(), QString::fromUtf8("книги,Книги"));
    const TTreeNodeInfo* selected = Tfrm_Main::NodeInfo(frm->tv_TOC->currentItem());
    ASSERT_TRUE(selected);
    EXPECT_EQ(selected->DivID, "a1");

    // A part chosen from the contents afterwards gets no marks.
    frm->tv_TOC->setCurrentItem(Item(1));
    frm->tv_TOCDblClick();
    ASSERT_TRUE(PageShows("PART[b]"));
    EXPECT_EQ(Marks(), 0);
}

TEST_F(SearchPaneTest, QueriesWithoutResultsSaySo) {
    OpenSearchBook();
    const std::pair<const char*, const char*> cases[] = {
        {"несуществующее", "Ничего не найдено."},
        {"", "Введите слова для поиска."},
        {"?!,.", "В запросе нет слов для поиска."},
        {"книга -полка", "Ничего не найдено."},
    };
    for (const auto& [query, status] : cases) {
        SCOPED_TRACE(query);
        Search(QString::fromUtf8(query));
        EXPECT_EQ(Status(), QString::fromUtf8(status));
        EXPECT_EQ(frm->ts_Search->lv_SearchResults->count(), 0);
    }
    Search(QString(10000, 'x'));
    EXPECT_TRUE(Status().contains(QString::fromUtf8("длиннее")));
    Search(QString::fromUtf8("\"книги на полке\""));
    EXPECT_EQ(frm->ts_Search->lv_SearchResults->count(), 1);
}

TEST_F(SearchPaneTest, ReloadedContentsAreSearchedByTheirNewCaptions) {
    OpenSearchBook();
    Search(QString::fromUtf8("полочка"));
    EXPECT_EQ(frm->ts_Search->lv_SearchResults->count(), 0);
    WriteTextFile(Book->Path("service.xslt"),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                  "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                  "<xsl:template match=\"/\"><menu><listitem id=\"b\">Полочка</listitem></menu></xsl:template>"
                  "</xsl:stylesheet>");
    ASSERT_TRUE(Answered([&] { frm->act_ReloadTOC->trigger(); }));
    ASSERT_TRUE(WaitFor([&] { return frm->Session().Search().Ready() && !frm->Session().Search().Building(); }));
    Search(QString::fromUtf8("полочка"));
    EXPECT_EQ(frm->ts_Search->lv_SearchResults->count(), 1) << Status().toStdString();
}

TEST_F(SearchPaneTest, ClosingTheBookOrTheWindowDuringABuildLeavesNoHalfIndex) {
    QByteArray big = "<book><part id='a'><para>x</para></part><part id='a1'><para>";
    for (int i = 0; i < 200000; ++i)
        big += "слово книга полка текст ";
    big += "</para></part><part id='b'><para>y</para></part></book>";
    const QString cache = QString::fromStdString(DefaultSearchCacheFolder()) + "/search";
    QDir(cache).removeRecursively();

    Book = std::make_unique<TFixtureBook>(SearchMenu, SearchPageTemplate);
    WriteTextFile(Book->Path("data/book.xml"), big);
    ShowAndOpen(Book->Descriptor());
    frm->CloseBook();
    EXPECT_FALSE(frm->Session().Search().Building());
    EXPECT_FALSE(frm->Session().Search().Ready());
    EXPECT_TRUE(Open(Book->Descriptor()));
    frm.reset();  // the window goes while the index is built

    // Whatever was left is a whole index, never a temporary folder.
    QDir books(cache);
    for (const QString& book : books.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString& entry : QDir(books.filePath(book)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            EXPECT_FALSE(entry.startsWith("tmp-")) << entry.toStdString();
}

TEST_F(SearchPaneTest, BookmarksAddedRenamedOpenedAndKeptOverARestart) {
    const std::string store = (Temp.path() + "/bookmarks.xbel").toStdString();
    frm->BookmarksPath = store;
    OpenSearchBook();
    frm->tv_TOC->setCurrentItem(Item(1));
    frm->tv_TOCDblClick();
    ASSERT_TRUE(PageShows("PART[b]"));
    frm->act_ServiceBookmarkAdd->trigger();
    frm->act_ServiceBookmarkAdd->trigger();  // the same part again adds nothing
    const std::string book = QDir::cleanPath(QString::fromStdString(Book->Descriptor())).toStdString();
    ASSERT_EQ(frm->Bookmarks().All().size(), 1u);
    EXPECT_EQ(frm->Bookmarks().All()[0].PartId, "b");
    EXPECT_EQ(frm->Bookmarks().All()[0].Caption, "Part B");
    // A bookmark whose part the book no longer has, added by hand.
    frm->Bookmarks().Add({frm->Bookmarks().All()[0].Book, "gone", "Gone"});

    frm->ClickTOConTopItem();
    ASSERT_TRUE(PageShows("PART[a]"));
    frm->BookmarksDialogShown = [](Tfrm_Bookmarks& dialog) {
        ASSERT_EQ(dialog.lv_Bookmarks->count(), 2);
        dialog.lv_Bookmarks->setCurrentRow(0);
        dialog.RenameSelected(QString::fromUtf8("  Моя закладка "));
        dialog.RenameSelected("");  // refused: the caption stays
        EXPECT_EQ(dialog.lv_Bookmarks->item(0)->text(), QString::fromUtf8("Моя закладка"));
        dialog.lv_Bookmarks->setCurrentRow(0);
        dialog.OpenSelected();
    };
    frm->act_ServiceBookmarksList->trigger();
    ASSERT_TRUE(PageShows("PART[b]"));
    EXPECT_EQ(Tfrm_Main::NodeInfo(frm->tv_TOC->currentItem())->DivID, "b");

    frm->BookmarksDialogShown = [](Tfrm_Bookmarks& dialog) {
        dialog.lv_Bookmarks->setCurrentRow(1);
        dialog.OpenSelected();
    };
    frm->act_ServiceBookmarksList->trigger();
    ASSERT_TRUE(PageShows("PART[gone]"));  // the stylesheet's own page for it

    const QString exported = Temp.path() + "/export.xbel";
    frm->BookmarksFileDialog = [&](bool save) { return save ? exported : exported; };
    frm->act_ServiceBookmarksExport->trigger();
    const auto before = frm->Bookmarks().All();

    frm = std::make_unique<Tfrm_Main>(Settings, DefaultSettings, BookInfo);  // a restart
    frm->BookmarksPath = store;
    EXPECT_EQ(frm->Bookmarks().All(), before);
    EXPECT_EQ(before[0].Caption, "Моя закладка");
    frm->BookmarksFileDialog = [&](bool) { return exported; };
    // The import reads on a thread of its own and says when it has ended.
    QSignalSpy ended(frm.get(), &Tfrm_Main::BookmarkImportEnded);
    frm->act_ServiceBookmarksImport->trigger();
    ASSERT_TRUE(WaitFor([&] { return ended.count() == 1; }));
    EXPECT_EQ(frm->Bookmarks().All(), before);  // nothing doubled
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("; ").toStdString();

    WriteTextFile(exported, "<html/>");
    frm->act_ServiceBookmarksImport->trigger();
    ASSERT_TRUE(WaitFor([&] { return !Errors.isEmpty(); }));
    ASSERT_EQ(Errors.size(), 1);
    EXPECT_TRUE(Errors[0].contains("XBEL"));
    EXPECT_EQ(frm->Bookmarks().All(), before);
}

}  // namespace
