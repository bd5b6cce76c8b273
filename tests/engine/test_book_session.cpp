// The book session without a window: open, show, supersede, stop and close, the answers coming
// on the caller's thread. Runs under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <vector>

#include "TBookSession.h"
#include "TTempDir.h"

namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "tests_engine";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

const std::string SheetHead = "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                              "<xsl:output method=\"text\" encoding=\"UTF-8\"/>";

// Part "slow" never ends; every other part is its id in brackets.
const std::string Template = SheetHead +
                             "<xsl:template match=\"/\"><xsl:if test=\"'<%DivID%>' = 'slow'\">"
                             "<xsl:for-each select=\"//node()\"><xsl:for-each select=\"//node()\">"
                             "<xsl:for-each select=\"//node()\"><xsl:for-each select=\"//node()\"/>"
                             "</xsl:for-each></xsl:for-each></xsl:for-each></xsl:if>"
                             "[<%DivID%>]</xsl:template></xsl:stylesheet>";
const std::string Service = SheetHead + "<xsl:template match=\"/\">contents of <xsl:value-of select=\"count(//p)\"/>"
                                        "</xsl:template></xsl:stylesheet>";

class BookSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        std::string xml = "<book>";
        for (int i = 0; i < 200; ++i)
            xml += "<p>x</p>";
        Dir.Write("data/book.xml", xml + "</book>");
        Book.RootPath = Dir.Win() + "\\";
        Book.BookXMLFName = "file://" + Dir.Os("data/book.xml");
        Book.ServiceXSLT = Service;
        Book.BookXSLTT = Template;
        QObject::connect(&Session, &TBookSession::ContentsMade, [this](const TBookPage& page) { Contents.push_back(page); });
        QObject::connect(&Session, &TBookSession::PartMade,
                         [this](const std::string& divId, const TBookPage& page) { Parts.push_back({divId, page}); });
    }

    // Lets the event loop run until done, for at most 20 s.
    template <class F>
    bool WaitFor(F done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        return done();
    }

    TTempDir Dir;
    TBookInfo Book;
    TBookSession Session;
    std::vector<TBookPage> Contents;
    std::vector<std::pair<std::string, TBookPage>> Parts;
};

// Open answers with the contents, a part with its page; each answer carries its run's lines.
TEST_F(BookSessionTest, OpenMakesTheContentsAndAPartItsPage) {
    Session.Open(Book);
    ASSERT_TRUE(WaitFor([&] { return !Contents.empty(); }));
    EXPECT_TRUE(Contents[0].Ok) << Contents[0].Html;
    EXPECT_EQ(Contents[0].Html, "contents of 200");
    Session.ShowPart("one");
    ASSERT_TRUE(WaitFor([&] { return !Parts.empty(); }));
    EXPECT_EQ(Parts[0].first, "one");
    EXPECT_EQ(Parts[0].second.Html, "[one]");
    EXPECT_TRUE(Parts[0].second.KeptInputUsed);  // the contents run's parse served it
    EXPECT_FALSE(Parts[0].second.Log.empty());
    EXPECT_FALSE(Session.Busy());
}

// A later request supersedes the endless one (stopped, its answer dropped); Stop ends the
// reader's run with a page that says so.
TEST_F(BookSessionTest, ALaterRequestSupersedesAndStopEndsTheRun) {
    Session.Open(Book);
    Session.ShowPart("slow");
    Session.ShowPart("fast");
    ASSERT_TRUE(WaitFor([&] { return !Parts.empty(); }));
    ASSERT_EQ(Parts.size(), 1U);
    EXPECT_EQ(Parts[0].first, "fast");
    EXPECT_EQ(Parts[0].second.Html, "[fast]");

    Session.ShowPart("slow");
    EXPECT_TRUE(Session.Busy());
    Session.Stop();
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 2; }));
    EXPECT_TRUE(Parts[1].second.Stopped);
    EXPECT_FALSE(Session.Busy());
}

// Closing during a run stops it and nothing of the closed book is answered; the next book
// opens at once.
TEST_F(BookSessionTest, CloseDuringARunAnswersNothingOfTheClosedBook) {
    Session.Open(Book);
    Session.ShowPart("slow");
    Session.Close();
    EXPECT_FALSE(Session.Busy());
    Session.Open(Book);
    Session.ShowPart("after");
    ASSERT_TRUE(WaitFor([&] { return !Parts.empty() && Contents.size() == 1; }));
    ASSERT_EQ(Parts.size(), 1U);
    EXPECT_EQ(Parts[0].second.Html, "[after]");
}

}  // namespace
