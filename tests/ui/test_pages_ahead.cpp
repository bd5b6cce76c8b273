// Pages made ahead of the reader: the neighbours of the part on view are made while the reader
// is idle, shown exactly as a fresh run would make them, and made again when anything they
// came from has changed.
#include <gtest/gtest.h>

#include <QAction>
#include <QUrl>

#include "ServiceActions.h"
#include "TBookSession.h"
#include "mainwindow_test_util.h"

namespace {

// Each page shows its part and a value read from book.xml.
const QByteArray ValuePageTemplate = R"X(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8"/>
<xsl:template match="/"><html><body><p>PART[<%DivID%>]<xsl:value-of select="/book/@v"/></p></body></html>
</xsl:template>
</xsl:stylesheet>
)X";

class PagesAheadTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        frm->Session().AheadDelayMs = 10;
        WriteTextFile(Book.Path("data/book.xml"), R"(<book v="one"/>)");
        ShowAndOpen(Book.Descriptor());  // shows "a", whose neighbour is "a1"
        ASSERT_TRUE(PageShows("PART[a]one"));
        ASSERT_TRUE(WaitFor([&] { return frm->Session().PagesAhead().Holds("a1"); }));
    }
    static int Runs(const QString& log) { return int(log.count(QStringLiteral("Начало трансформации."))); }

    TFixtureBook Book{FixtureMenu, ValuePageTemplate};
};

TEST_F(PagesAheadTest, ANeighbourMadeAheadIsTheFreshPageWithItsRunLogged) {
    // Shown through the contents, the page comes with its run's lines, in the run's order.
    const int before = Runs(Log());
    frm->ShowBookPart("a1", BookInfo, Settings);
    EXPECT_FALSE(frm->Session().PagesAhead().Holds("a1"));  // handed over
    EXPECT_TRUE(PageShows("PART[a1]one"));
    const QString log = Log();
    EXPECT_EQ(Runs(log), before + 1);
    EXPECT_GT(log.lastIndexOf("Трансформация заняла"), log.lastIndexOf("Начало трансформации."));

    // Now "b" and "a" are the neighbours; each is the page a fresh run makes.
    ASSERT_TRUE(WaitFor([&] { return frm->Session().PagesAhead().Holds("a") && frm->Session().PagesAhead().Holds("b"); }));
    for (const std::string part : {"b", "a"}) {
        TBookInfo fresh = BookInfo;
        const TBookPage expected = BuildBookPart(part, fresh);
        std::optional<std::optional<TBookPage>> ahead;
        ASSERT_TRUE(frm->Session().PagesAhead().Take(part, BookInfo, [&](std::optional<TBookPage> page) { ahead = page; }));
        ASSERT_TRUE(WaitFor([&] { return ahead.has_value(); }));
        ASSERT_TRUE(ahead->has_value()) << part;
        const TBookPage& made = **ahead;
        EXPECT_EQ(made.Html, expected.Html);
        EXPECT_EQ(made.Encoding, expected.Encoding);
    }
}

TEST_F(PagesAheadTest, AChangedBookOrReloadedTemplateIsMadeAgain) {
    WriteTextFile(Book.Path("data/book.xml"), R"(<book v="second"/>)");
    frm->ShowBookPart("a1", BookInfo, Settings);
    EXPECT_TRUE(PageShows("PART[a1]second"));

    ASSERT_TRUE(WaitFor([&] { return frm->Session().PagesAhead().Holds("b"); }));
    QByteArray changed = ValuePageTemplate;
    changed.replace("PART[", "NEW[");
    WriteTextFile(Book.Path("shemes/book.xsltt"), changed);
    frm->act_ReloadBookXSLTFile->trigger();
    frm->ShowBookPart("b", BookInfo, Settings);
    EXPECT_TRUE(PageShows("NEW[b]second"));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

TEST_F(PagesAheadTest, APageWhoseRunReadAFileThatChangedIsMadeAgain) {
    // The template adds a note read with document(); the note is changed once "b" is made ahead.
    const QString note = Book.Path("data/note.xml");
    WriteTextFile(note, "<n>old</n>");
    QByteArray withNote = ValuePageTemplate;
    withNote.replace("</p>",
                     "<xsl:value-of select=\"document('" + QUrl::fromLocalFile(note).toEncoded() + "')/n\"/></p>");
    WriteTextFile(Book.Path("shemes/book.xsltt"), withNote);
    frm->act_ReloadBookXSLTFile->trigger();
    frm->ShowBookPart("a1", BookInfo, Settings);
    ASSERT_TRUE(PageShows("PART[a1]oneold"));
    ASSERT_TRUE(WaitFor([&] { return frm->Session().PagesAhead().Holds("b"); }));

    WriteTextFile(note, "<n>new</n>");
    frm->ShowBookPart("b", BookInfo, Settings);
    EXPECT_TRUE(PageShows("PART[b]onenew"));
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join("\n").toStdString();
}

}  // namespace
