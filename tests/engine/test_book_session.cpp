// The book session without a window: open, show, supersede, stop and close, the pages made
// ahead, the search index, the answers coming on the caller's thread. Runs under
// ThreadSanitizer too.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <filesystem>

#include <filesystem>
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
// Entries a, b (with child b1) and c.
const std::string Service =
    "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
    "<xsl:template match=\"/\"><menu><listitem id=\"a\">A</listitem><listitem id=\"b\">B"
    "<listitem id=\"b1\">B1</listitem></listitem><listitem id=\"c\">C</listitem></menu></xsl:template>"
    "</xsl:stylesheet>";

class BookSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        InitDefaultSettings(Settings, TOMERIA_BINARY_DIR);
        Settings.StateDir = Dir.Win("state") + "\\";  // the places kept per book go here
        Settings.UseSettings = 0;                      // and are kept only where a test says so
        Session.SetWatchesFiles(false);                // the files are watched where a test says so
        std::string xml = "<book>";
        for (int i = 0; i < 200; ++i)
            xml += "<p>x</p>";
        Dir.Write("intro.ini", "[BasicParams]\r\nRootPath=.\\\r\n");
        Dir.Write("data/book.xml", xml + "</book>");
        Dir.Write("shemes/book.xsltt", Template);
        Dir.Write("service.xslt", Service);
        QObject::connect(&Session, &TBookSession::ContentsMade, [this](const TContents& c) { Contents.push_back(c); });
        QObject::connect(&Session, &TBookSession::Opened, [this](const TOpenRequest& r) { Opened.push_back(r); });
        QObject::connect(&Session, &TBookSession::Refused,
                         [this](const std::string& what, const std::string&) { Refusals.push_back(what); });
        QObject::connect(&Session, &TBookSession::Failed, [this](const TBookFailure& f) { Failures.push_back(f); });
        QObject::connect(&Session, &TBookSession::PartMade,
                         [this](const std::string& divId, const TBookPage& page, int scrollY) {
                             Parts.push_back({divId, page});
                             Scrolls.push_back(scrollY);
                         });
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
    bool OpenAndWait(TOpenRequest request = {}) {
        if (request.Path.empty()) request.Path = Dir.Os("intro.ini");
        const std::size_t before = Opened.size();
        Session.Open(request);
        return WaitFor([&] { return Opened.size() > before; });
    }

    TTempDir Dir;
    TSettings Settings;
    TBookInfo Book;
    TBookSession Session{Book, Settings};
    std::vector<TContents> Contents;
    std::vector<TOpenRequest> Opened;
    std::vector<std::string> Refusals;
    std::vector<TBookFailure> Failures;
    std::vector<std::pair<std::string, TBookPage>> Parts;
    std::vector<int> Scrolls;
};

// Open answers with the contents, then that the book is open; a part with its page, made over
// the contents run's parse; an open naming a part shows it once the book is open.
TEST_F(BookSessionTest, OpenMakesTheContentsAndAPartItsPage) {
    ASSERT_TRUE(OpenAndWait());
    ASSERT_EQ(Contents.size(), 1U);
    EXPECT_EQ(Contents[0].Items.size(), 3U);
    EXPECT_TRUE(Book.Opened);
    EXPECT_EQ(Session.FirstPart(), "a");
    EXPECT_TRUE(Parts.empty());  // the first entry is the window's to select
    Session.ShowPart("one");
    EXPECT_TRUE(Session.Busy());
    ASSERT_TRUE(WaitFor([&] { return !Parts.empty(); }));
    EXPECT_EQ(Parts[0].first, "one");
    EXPECT_EQ(Parts[0].second.Html, "[one]");
    EXPECT_TRUE(Parts[0].second.KeptInputUsed);
    EXPECT_FALSE(Session.Busy());

    ASSERT_TRUE(OpenAndWait({Dir.Os("intro.ini"), false, "b1"}));
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 2; }));
    EXPECT_EQ(Parts[1].second.Html, "[b1]");
    ASSERT_TRUE(OpenAndWait({Dir.Os("intro.ini"), false, "gone"}));  // no such entry: the first
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 3; }));
    EXPECT_EQ(Parts[2].second.Html, "[a]");
    EXPECT_TRUE(Failures.empty());
}

// What does not open says why, and the open book stays open.
TEST_F(BookSessionTest, ADocumentThatIsNoBookIsRefusedAndABrokenBookSaysWhy) {
    ASSERT_TRUE(OpenAndWait());
    Session.Open({Dir.Os("missing.ini"), true, ""});
    ASSERT_EQ(Refusals, std::vector<std::string>{"Документ не найден."});
    EXPECT_TRUE(Book.Opened);
    EXPECT_EQ(Session.Contents().Items.size(), 3U);

    Dir.Write("service.xslt", "<xsl:stylesheet");
    Session.Open({Dir.Os("intro.ini"), true, ""});
    ASSERT_TRUE(WaitFor([&] { return !Failures.empty(); }));
    EXPECT_EQ(Failures[0].What, "Оглавление не построено: ошибка преобразования.");
    EXPECT_EQ(Opened.size(), 1U);
    EXPECT_FALSE(Book.Opened);
}

// A later request supersedes the endless one (stopped, its answer dropped); Stop ends the
// reader's run with a page that says so.
TEST_F(BookSessionTest, ALaterRequestSupersedesAndStopEndsTheRun) {
    ASSERT_TRUE(OpenAndWait());
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

// Back and forward go through the parts shown with the scroll positions the reader left them
// at; a part shown after going back drops the entries ahead. Next and previous follow reading
// order across nested entries and stop at the ends.
TEST_F(BookSessionTest, HistoryAndNeighboursFollowTheReader) {
    ASSERT_TRUE(OpenAndWait());
    EXPECT_FALSE(Session.CanGoBack());
    const auto show = [&](auto request) {
        const std::size_t before = Parts.size();
        request();
        return WaitFor([&] { return Parts.size() > before; }) ? Parts.back().first + "@" + std::to_string(Scrolls.back())
                                                              : std::string("none");
    };
    EXPECT_EQ(show([&] { Session.ShowPart("a"); }), "a@0");
    Session.KeepScroll(120);
    EXPECT_EQ(show([&] { Session.ShowPart("b1"); }), "b1@0");
    Session.KeepScroll(40);
    EXPECT_EQ(show([&] { Session.ShowPart("b1"); }), "b1@0");  // the same part: no new entry
    EXPECT_EQ(show([&] { Session.ShowPart("c"); }), "c@0");
    EXPECT_EQ(show([&] { Session.GoBack(); }), "b1@40");
    EXPECT_EQ(show([&] { Session.GoBack(); }), "a@120");
    EXPECT_FALSE(Session.CanGoBack());
    EXPECT_FALSE(Session.GoBack());
    EXPECT_EQ(show([&] { Session.GoForward(); }), "b1@40");
    EXPECT_EQ(show([&] { Session.ShowPart("b"); }), "b@0");
    EXPECT_FALSE(Session.CanGoForward());  // "c" was dropped
    EXPECT_EQ(show([&] { Session.GoBack(); }), "b1@40");

    struct Case {
        const char* part;
        const char* previous;
        const char* next;
    };
    for (const Case& c : {Case{"a", "", "b"}, Case{"b", "a", "b1"}, Case{"b1", "b", "c"}, Case{"c", "b1", ""}}) {
        SCOPED_TRACE(c.part);
        show([&] { Session.ShowPart(c.part); });
        EXPECT_EQ(Session.PreviousPart(), c.previous);
        EXPECT_EQ(Session.NextPart(), c.next);
    }
    Session.Close();
    EXPECT_FALSE(Session.CanGoBack());
}

// A book closed (by another open, Close, or the window's end) reopens at the part and scroll
// position it was left at; a part the book no longer has gives the first entry; with the
// switch off the first entry is the window's again.
TEST_F(BookSessionTest, ABookReopensWhereItWasLeft) {
    Settings.UseSettings = 1;
    ASSERT_TRUE(OpenAndWait());
    Session.ShowPart("b1");
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 1; }));
    Session.KeepScroll(300);
    Session.Close();
    ASSERT_TRUE(OpenAndWait());
    EXPECT_EQ(Opened.back().Part, "b1");
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 2; }));
    EXPECT_EQ(Parts[1].first, "b1");
    EXPECT_EQ(Scrolls[1], 300);

    {  // another session, as after a restart, after its window went during a run
        TBookInfo book;
        TBookSession next(book, Settings);
        std::vector<TOpenRequest> opened;
        std::vector<std::string> shown;
        QObject::connect(&next, &TBookSession::Opened, [&](const TOpenRequest& r) { opened.push_back(r); });
        QObject::connect(&next, &TBookSession::PartMade, [&](const std::string& divId) { shown.push_back(divId); });
        next.Open({Dir.Os("intro.ini"), true, ""});
        ASSERT_TRUE(WaitFor([&] { return !opened.empty(); }));
        EXPECT_EQ(opened[0].Part, "b1");
        ASSERT_TRUE(WaitFor([&] { return shown.size() == 1; }));
        next.ShowPart("slow");
        next.Abandon();
        next.Open({Dir.Os("intro.ini"), true, ""});
        ASSERT_TRUE(WaitFor([&] { return opened.size() == 2; }));
        EXPECT_EQ(opened[1].Part, "slow");
        ASSERT_TRUE(WaitFor([&] { return shown.size() == 2; }));
        EXPECT_EQ(shown[1], "a");  // no such entry: the first is shown
    }

    Session.SetRestoresPlaces(false);
    ASSERT_TRUE(OpenAndWait());
    EXPECT_EQ(Opened.back().Part, "");
    EXPECT_FALSE(Session.RestoresPlaces());
    Settings.UseSettings = 0;  // the program keeps no state: nor places
    EXPECT_FALSE(Session.RestoresPlaces());
}

// A save of the template (in place, in a burst, or renamed over it), of book.xml or of the
// service stylesheet makes the page again where the reader is; a broken save shows its failure
// and the next good one brings the page back.
TEST_F(BookSessionTest, SavedFilesBringTheirChangeToThePage) {
    Session.SetWatchesFiles(true);
    Session.FileWatch().QuietMs = 100;
    int reports = 0;
    QObject::connect(&Session.FileWatch(), &TBookWatch::Changed, [&] { ++reports; });
    ASSERT_TRUE(OpenAndWait());
    Session.ShowPart("b1");
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 1; }));
    Session.KeepScroll(300);
    const auto templateSaying = [](const std::string& word) {
        return SheetHead + "<xsl:template match=\"/\">" + word + " <%DivID%></xsl:template></xsl:stylesheet>";
    };

    for (int i = 0; i < 3; ++i)  // a burst of saves
        Dir.Write("shemes/book.xsltt", templateSaying("v" + std::to_string(i)));
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 2; }));
    EXPECT_EQ(Parts[1].second.Html, "v2 b1");
    EXPECT_EQ(Scrolls[1], 300);
    EXPECT_EQ(reports, 1);

    // Renamed over the old file, as many editors save.
    Dir.Write("shemes/book.xsltt.new", templateSaying("renamed"));
    std::filesystem::rename(Dir.Os("shemes/book.xsltt.new"), Dir.Os("shemes/book.xsltt"));
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 3; }));
    EXPECT_EQ(Parts[2].second.Html, "renamed b1");

    Dir.Write("shemes/book.xsltt", "<xsl:stylesheet");
    ASSERT_TRUE(WaitFor([&] { return !Failures.empty(); }));
    Dir.Write("shemes/book.xsltt", templateSaying("good"));
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 4; }));
    EXPECT_EQ(Parts[3].second.Html, "good b1");

    // book.xml and the service stylesheet make the contents again, then the page.
    Dir.Write("data/book.xml", "<book><p>new</p></book>");
    ASSERT_TRUE(WaitFor([&] { return Contents.size() == 2 && Parts.size() == 5; }));
    Dir.Write("service.xslt", "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                              "<xsl:template match=\"/\"><menu><listitem id=\"b1\">Only</listitem></menu>"
                              "</xsl:template></xsl:stylesheet>");
    ASSERT_TRUE(WaitFor([&] { return Contents.size() == 3 && Parts.size() == 6; }));
    EXPECT_EQ(Contents[2].Items.size(), 1U);
    EXPECT_EQ(Parts[5].first, "b1");

    Session.SetWatchesFiles(false);
    EXPECT_FALSE(Session.FileWatch().Watches(Dir.Os("service.xslt")));
}

// Escape while the reader waits for a page still being made ahead ends the wait at once.
TEST_F(BookSessionTest, StopEndsTheWaitForAPageBeingMadeAhead) {
    Dir.Write("service.xslt", "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                              "<xsl:template match=\"/\"><menu><listitem id=\"a\">A</listitem>"
                              "<listitem id=\"slow\">S</listitem></menu></xsl:template></xsl:stylesheet>");
    Session.AheadDelayMs = 0;
    Session.PagesAhead().AheadRunLimitMs = 600000;
    ASSERT_TRUE(OpenAndWait());
    Session.ShowPart("a");
    ASSERT_TRUE(WaitFor([&] { return Session.PagesAhead().Making("slow"); }));
    Session.ShowPart("slow");
    Session.Stop();
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 2; }));
    EXPECT_EQ(Parts[1].first, "slow");
    EXPECT_TRUE(Parts[1].second.Stopped);
    EXPECT_FALSE(Session.Busy());
}

// Closing during a run, or abandoning all work (the window closing, SIGTERM), stops it and
// nothing of the closed book is answered; the next book opens at once. A session going away
// during an endless run ends at once.
TEST_F(BookSessionTest, CloseDuringARunAnswersNothingOfTheClosedBook) {
    for (const bool abandon : {false, true}) {
        SCOPED_TRACE(abandon);
        Parts.clear();
        ASSERT_TRUE(OpenAndWait());
        Session.ShowPart("slow");
        abandon ? Session.Abandon() : Session.Close();
        EXPECT_FALSE(Session.Busy());
        ASSERT_TRUE(OpenAndWait());
        Session.ShowPart("after");
        ASSERT_TRUE(WaitFor([&] { return !Parts.empty(); }));
        ASSERT_EQ(Parts.size(), 1U);
        EXPECT_EQ(Parts[0].second.Html, "[after]");
    }

    TBookInfo other;
    auto going = std::make_unique<TBookSession>(other, Settings);
    going->Open({Dir.Os("intro.ini"), true, ""});
    going->ShowPart("slow");
    QElapsedTimer timer;
    timer.start();
    going.reset();
    EXPECT_LT(timer.elapsed(), 5000);
}

// The neighbours of the part on view in reading order (b1 lies between b and c) are made
// ahead and handed over without a run; a page made ahead whose book changed is made again.
TEST_F(BookSessionTest, NeighboursAreMadeAheadAndHandedOverWhileCurrent) {
    Session.AheadDelayMs = 0;
    ASSERT_TRUE(OpenAndWait());
    Session.ShowPart("b1");
    ASSERT_TRUE(WaitFor([&] { return Session.PagesAhead().Holds("b") && Session.PagesAhead().Holds("c"); }));
    Session.ShowPart("c");
    EXPECT_FALSE(Session.PagesAhead().Holds("c"));  // handed over, not made again
    EXPECT_TRUE(Session.Busy());
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 2; }));
    EXPECT_EQ(Parts[1].second.Html, "[c]");
    EXPECT_FALSE(Session.Busy());

    ASSERT_TRUE(WaitFor([&] { return Session.PagesAhead().Holds("b1"); }));
    Dir.Write("shemes/book.xsltt", SheetHead + "<xsl:template match=\"/\">new <%DivID%></xsl:template></xsl:stylesheet>");
    Session.ReloadTemplate();
    Session.ShowPart("b1");
    ASSERT_TRUE(WaitFor([&] { return Parts.size() == 3; }));
    EXPECT_EQ(Parts[2].second.Html, "new b1");
}

// The parts of book.xml the search finds; "c" is missing.
const std::string SearchXml = "<book><part id=\"a\"><para>Книги на полке.</para></part>"
                              "<part id=\"b\"><para>Совсем другое.</para><part id=\"b1\"><para>Вложенное.</para>"
                              "</part></part></book>";

class BookSearchTest : public BookSessionTest {
protected:
    void SetUp() override {
        BookSessionTest::SetUp();
        Dir.Write("data/book.xml", SearchXml);
        Session.Search().CacheFolder = Dir.Os("cache");
        QObject::connect(&Session.Search(), &TBookSearch::BuildEnded,
                         [this](const std::string& failure) { Ended.push_back(failure); });
    }
    bool WaitForIndex() {
        return WaitFor([&] { return Session.Search().Ready() && !Session.Search().Building(); });
    }
    std::vector<std::string> Hits(const std::string& query) const {
        std::vector<std::string> ids;
        for (const TSearchHit& hit : Session.Search().Search(query).Hits)
            ids.push_back(hit.Id);
        return ids;
    }
    std::vector<std::string> Ended;
};

using Ids = std::vector<std::string>;

// The index is built from the session's own contents once the book opens, in the cache folder;
// contents made anew by a reload are indexed again with their new captions; a close drops it.
TEST_F(BookSearchTest, IndexIsBuiltOnOpenFollowsReloadedContentsAndGoesOnClose) {
    ASSERT_TRUE(OpenAndWait());
    ASSERT_TRUE(WaitForIndex());
    ASSERT_EQ(Ended, Ids{""});
    EXPECT_EQ(Hits("книга"), Ids{"a"});
    EXPECT_EQ(Hits("B1"), Ids{"b1"});  // by its caption, nested entries too
    EXPECT_EQ(Session.Search().MatchedWords("книга", "a"), Ids{"Книги"});
    EXPECT_EQ(Session.Search().Warnings().size(), 1U);  // part c is not in book.xml
    EXPECT_TRUE(std::filesystem::is_directory(Dir.Os("cache") + "/search"));

    Dir.Write("service.xslt", "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                              "<xsl:template match=\"/\"><menu><listitem id=\"b\">Полочка</listitem></menu>"
                              "</xsl:template></xsl:stylesheet>");
    EXPECT_TRUE(Hits("полочка").empty());
    Session.ReloadContents();
    ASSERT_TRUE(WaitFor([&] { return Ended.size() == 2; }));
    EXPECT_EQ(Ended[1], "");
    EXPECT_EQ(Hits("полочка"), Ids{"b"});
    EXPECT_TRUE(Hits("книга").empty());  // entry a is gone from the contents

    Session.Close();
    EXPECT_FALSE(Session.Search().Ready());
    EXPECT_FALSE(Session.Search().Building());
    const TSearchResult closed = Session.Search().Search("полочка");
    EXPECT_TRUE(closed.Hits.empty());
    EXPECT_EQ(closed.Error, "Книга не открыта.");
    EXPECT_TRUE(Session.Search().MatchedWords("полочка", "b").empty());
}

// A query while the index is built says so; a close during the build drops it, and its late
// report does not touch the index of the book opened next.
TEST_F(BookSearchTest, AQueryDuringTheBuildSaysItIsStillBuilding) {
    std::vector<TSearchResult> during;
    QObject::connect(&Session.Search(), &TBookSearch::BuildStarted,
                     [&] { during.push_back(Session.Search().Search("книга")); });
    ASSERT_TRUE(OpenAndWait());
    ASSERT_EQ(during.size(), 1U);
    EXPECT_TRUE(during[0].Hits.empty());
    EXPECT_EQ(during[0].Error, "Индекс ещё строится; поиск начнётся, когда он будет готов.");

    Session.Close();
    EXPECT_FALSE(Session.Search().Building());
    ASSERT_TRUE(OpenAndWait());
    ASSERT_TRUE(WaitForIndex());
    EXPECT_EQ(Ended, Ids{""});  // only the second build's end
    EXPECT_EQ(Hits("книга"), Ids{"a"});
}

}  // namespace
