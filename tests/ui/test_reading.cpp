// Reading through a book in the window: back and forward put pages back where they were left,
// the contents tree follows the part on view without making it again, and the next and
// previous part are one key away wherever the focus is.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <QTreeWidget>
#include <QWebEngineView>

#include "TBookSession.h"
#include "mainwindow_test_util.h"

namespace {

// Every page is tall enough to scroll and names its part; its link leads to "b".
const QByteArray TallPageTemplate = R"(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/"><html><body><p>PART[<%DivID%>]</p>
<a id="link" href="tomeri://showdoc/?DivID=b">to b</a><div style="height:6000px"></div><p>END</p>
</body></html></xsl:template>
</xsl:stylesheet>
)";

class ReadingTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ShowAndOpen(Book.Descriptor());
        ASSERT_TRUE(PageShows("PART[a]"));
    }
    int ScrollY() { return EvalJs(*frm->wb_Browser, "window.scrollY").toInt(); }
    // Scrolls the page on view and waits until the window has seen the new position.
    bool ScrollTo(int y) {
        EvalJs(*frm->wb_Browser, QStringLiteral("window.scrollTo(0, %1)").arg(y));
        return WaitFor([&] { return int(frm->wb_Browser->View()->page()->scrollPosition().y()) == y; });
    }
    static int Runs(const QString& log) { return int(log.count(QStringLiteral("Начало трансформации."))); }

    TFixtureBook Book{FixtureMenu, TallPageTemplate};
};

TEST_F(ReadingTest, BackAndForwardPutPagesBackWhereTheyWereLeft) {
    EXPECT_FALSE(frm->act_GoBack->isEnabled());
    ASSERT_TRUE(ScrollTo(1500));
    // A link in the page: the tree follows it, and the part is made once.
    const int runs = Runs(Log());
    ASSERT_TRUE(Answered([&] { EvalJs(*frm->wb_Browser, "document.getElementById('link').click()"); }));
    ASSERT_TRUE(PageShows("PART[b]"));
    EXPECT_EQ(frm->tv_TOC->currentItem(), Item(1));
    EXPECT_EQ(Runs(Log()), runs + 1);
    ASSERT_TRUE(ScrollTo(700));

    ASSERT_TRUE(frm->act_GoBack->isEnabled());
    ASSERT_TRUE(Answered([&] { frm->act_GoBack->trigger(); }));
    ASSERT_TRUE(PageShows("PART[a]"));
    EXPECT_TRUE(WaitFor([&] { return ScrollY() == 1500; })) << ScrollY();
    EXPECT_EQ(frm->tv_TOC->currentItem(), Item(0));
    EXPECT_FALSE(frm->act_GoBack->isEnabled());

    // The mouse's forward button goes forward again, from anywhere in the window.
    ASSERT_TRUE(frm->act_GoForward->isEnabled());
    QWidget* page = frm->wb_Browser->View()->focusProxy();
    ASSERT_TRUE(Answered([&] { QTest::mouseClick(page ? page : frm->wb_Browser->View(), Qt::ForwardButton); }));
    ASSERT_TRUE(PageShows("PART[b]"));
    EXPECT_TRUE(WaitFor([&] { return ScrollY() == 700; })) << ScrollY();
    EXPECT_FALSE(frm->act_GoForward->isEnabled());

    // Closing the book forgets where it went.
    frm->CloseBook();
    EXPECT_FALSE(frm->act_GoBack->isEnabled());
}

// Ctrl+PgDown and Ctrl+PgUp go through the parts in reading order, the nested ones included,
// with the focus in the tree or in the page; at the ends they are greyed.
TEST_F(ReadingTest, NextAndPreviousPartFromTheTreeOrThePage) {
    EXPECT_FALSE(frm->act_GoPreviousPart->isEnabled());
    frm->tv_TOC->setFocus();
    ASSERT_TRUE(Answered([&] { QTest::keyClick(frm->tv_TOC, Qt::Key_PageDown, Qt::ControlModifier); }));
    ASSERT_TRUE(PageShows("PART[a1]"));
    EXPECT_EQ(frm->tv_TOC->currentItem(), Item(0, 0));

    QWidget* page = frm->wb_Browser->View()->focusProxy();
    ASSERT_NE(page, nullptr);
    page->setFocus();
    ASSERT_TRUE(Answered([&] { QTest::keyClick(page, Qt::Key_PageDown, Qt::ControlModifier); }));
    ASSERT_TRUE(PageShows("PART[b]"));
    EXPECT_FALSE(frm->act_GoNextPart->isEnabled());
    ASSERT_TRUE(Answered([&] { QTest::keyClick(page, Qt::Key_PageUp, Qt::ControlModifier); }));
    ASSERT_TRUE(PageShows("PART[a1]"));
    EXPECT_TRUE(frm->act_GoNextPart->isEnabled() && frm->act_GoPreviousPart->isEnabled());
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

}  // namespace

namespace {

// A page that takes its colour from a style sheet of the book and its text from the template.
const QByteArray StyledPageTemplate = R"(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/"><html><head><link rel="stylesheet" href="style.css"/></head>
<body><p id="part">PART[<%DivID%>]</p></body></html></xsl:template>
</xsl:stylesheet>
)";

using WatchTest = MainWindowTest;

// With the watch on, a style sheet the page loaded and the template bring their saves to the
// page by themselves.
TEST_F(WatchTest, ThePageFollowsItsFilesAsTheyAreSaved) {
    TFixtureBook book(FixtureMenu, StyledPageTemplate);
    WriteTextFile(book.Path("style.css"), "#part { color: rgb(1, 2, 3); }");
    frm->Session().SetWatchesFiles(true);
    frm->Session().FileWatch().QuietMs = 100;
    ShowAndOpen(book.Descriptor());
    ASSERT_TRUE(PageShows("PART[a]"));
    const auto colour = [&] { return EvalJs(*frm->wb_Browser, "getComputedStyle(document.getElementById('part')).color").toString(); };
    ASSERT_TRUE(WaitFor([&] { return colour() == "rgb(1, 2, 3)"; })) << colour().toStdString();
    ASSERT_TRUE(WaitFor([&] { return frm->Session().FileWatch().Watches(book.Path("style.css").toStdString()); }));

    WriteTextFile(book.Path("style.css"), "#part { color: rgb(4, 5, 6); }");
    EXPECT_TRUE(WaitFor([&] { return colour() == "rgb(4, 5, 6)"; })) << colour().toStdString();

    WriteTextFile(book.Path("shemes/book.xsltt"), QByteArray(StyledPageTemplate).replace("PART[", "SAVED["));
    EXPECT_TRUE(PageShows("SAVED[a]"));
    EXPECT_TRUE(Log().contains("Файлы книги сохранены")) << Log().toStdString();
}

}  // namespace
