#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "BookDescriptor.h"
#include "TTempDir.h"
#include "GlobalVars.h"
#include "Log.h"
#include "ServiceActions.h"
#include "Transformation.h"

namespace {

const std::string SheetHead = "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">";
const std::string TextOutput = "<xsl:output method=\"text\" encoding=\"UTF-8\"/>";

std::string Sheet(const std::string& body) {
    return SheetHead + TextOutput + "<xsl:template match=\"/\">" + body + "</xsl:template></xsl:stylesheet>";
}

struct TRun {
    std::string Text;
    std::string Encoding;
    bool Ok = false;
};

class TransformationTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir.Write("data/book.xml", "<book><t>one</t><t>two</t></book>");
        Book.RootPath = Dir.Win() + "\\";
        Book.BookXMLFName = "file://" + Dir.Os("data/book.xml");
    }

    TRun Run(const std::string& styleText, const std::string& inputUri = "",
             const std::string& styleUri = "arg://input") {
        TRun run;
        TArgs args;
        args.StyleText = styleText;
        const TBookPage page = RunTransformation(inputUri.empty() ? Book.BookXMLFName : inputUri, styleUri, args, Book);
        run.Text = page.Html;
        run.Encoding = page.Encoding;
        run.Ok = page.Ok;
        return run;
    }

    TTempDir Dir;
    TBookInfo Book;
};

TEST_F(TransformationTest, outputOfASuccessfulRun) {
    const TRun run = Run(Sheet("<xsl:value-of select=\"count(//t)\"/>:<xsl:value-of select=\"//t[2]\"/>"));
    EXPECT_TRUE(run.Ok);
    EXPECT_EQ(run.Text, "2:two");
    EXPECT_EQ(run.Encoding, "UTF-8");
}

TEST_F(TransformationTest, failuresGiveAnEscapedErrorText) {
    Dir.Write("data/broken.xml", "this is <not xml");
    Dir.Write("data/empty.xml", "");
    // Each text names its own cause and, where there is one, its file.
    struct Case {
        const char* name;
        std::string style;
        std::string input;
        std::string cause;
    };
    const std::vector<Case> cases = {
        {"stylesheet does not parse", "<xsl:stylesheet", "", "Namespace prefix xsl on stylesheet is not defined"},
        {"empty stylesheet", "", "", "arg:/input:1:1: XML parser : Document is empty"},
        {"bad XPath", Sheet("<xsl:value-of select=\"//t[\"/>"), "", "Invalid expression: //t["},
        {"message with markup", Sheet("<xsl:message terminate=\"yes\">&lt;b&gt;stop&lt;/b&gt;</xsl:message>"), "",
         "xsl:message : &lt;b&gt;stop&lt;/b&gt;"},
        {"book.xml is not XML", Sheet("x"), "file://" + Dir.Os("data/broken.xml"),
         Dir.Os("data/broken.xml") + ":1:1: XML parser : Start tag expected, '&lt;' not found"},
        {"book.xml is empty", Sheet("x"), "file://" + Dir.Os("data/empty.xml"),
         Dir.Os("data/empty.xml") + ":1:1: XML parser : Document is empty"},
        {"book.xml is missing", Sheet("x"), "file://" + Dir.Os("data/missing.xml"),
         Dir.Os("data/missing.xml") + ": Processor : Cannot read the resource"},
    };
    for (const Case& c : cases) {
        const TRun run = Run(c.style, c.input);
        EXPECT_FALSE(run.Ok) << c.name;
        EXPECT_FALSE(run.Text.empty()) << c.name;
        EXPECT_EQ(run.Text.find_first_of("<>"), std::string::npos) << c.name << ": " << run.Text;
        EXPECT_EQ(run.Encoding, "UTF-8") << c.name;
        EXPECT_NE(run.Text.find(c.cause), std::string::npos) << c.name << ": " << run.Text;
    }
    EXPECT_NE(Run(cases[3].style).Text.find("&lt;b&gt;stop&lt;/b&gt;"), std::string::npos);
}

TEST_F(TransformationTest, fileStylesheetUriIsUsedAsIs) {
    Dir.Write("s.xsl", Sheet("<xsl:value-of select=\"//t[1]\"/>"));
    const TRun run = Run("not used", "", "file://" + Dir.Os("s.xsl"));
    EXPECT_TRUE(run.Ok);
    EXPECT_EQ(run.Text, "one");
}

TEST_F(TransformationTest, relativeReferencesResolveAgainstTheBookRoot) {
    Dir.Write("data/other.xml", "<other>beside</other>");
    const TRun run = Run(Sheet("<xsl:value-of select=\"document('data/other.xml')\"/>"));
    EXPECT_TRUE(run.Ok) << run.Text;
    EXPECT_EQ(run.Text, "beside");
}

TEST_F(TransformationTest, declaredOutputEncodingIsReported) {
    const TRun run = Run(SheetHead +
                         "<xsl:output method=\"text\" encoding=\"windows-1251\"/>"
                         "<xsl:template match=\"/\">\xD0\x96</xsl:template></xsl:stylesheet>");
    EXPECT_TRUE(run.Ok);
    EXPECT_EQ(run.Text, "\xC6");  // "Ж" in windows-1251
    EXPECT_EQ(run.Encoding, "windows-1251");
}

// The processor's own messages reach the log as "file:line:column: ", the stylesheet handed over
// in memory named by its file: what the run recovers from as a warning, what fails it as an error
// (its place kept in the page), xsl:message as progress.
TEST_F(TransformationTest, processorMessagesAreLoggedByLevelWithTheirPlace) {
    const TSettings saved = Settings;
    Settings.WriteLogToWindow = true;
    Settings.DebugLevel = 3;
    Settings.UseTimeStamp = false;
    ConfigureLog(Settings);
    std::vector<std::string> log;
    SetLogWindowSink([&](const std::string& line) { log.push_back(line); });

    Dir.Write("data/bad.xml", "<book>\n  <p></book>");
    Dir.Write("data/notes.txt", "not XML");
    const std::string sheet = Dir.Os("shemes/book.xsltt");
    struct Case {
        const char* name;
        std::string style;
        std::string input;
        std::string logged;    // the whole line, or its start when it ends in "..."
        std::string failedAt;  // the page's place of failure; "" for a run that went well
    };
    const std::vector<Case> cases = {
        {"malformed book.xml", Sheet("x"), "file://" + Dir.Os("data/bad.xml"),
         "{type: ERRR, code: 0} " + Dir.Os("data/bad.xml") +
             ":2:13: XML parser : Opening and ending tag mismatch: p line 2 and book",
         "file://" + Dir.Os("data/bad.xml") + ":2:13"},
        {"stylesheet that does not compile",
         SheetHead + "\n\n<xsl:template match=\"[\">x</xsl:template></xsl:stylesheet>", "",
         "{type: ERRR, code: 0} " + sheet + ":3: XSLT : xsltCompileLocationPathPattern : Name expected...",
         "file://" + sheet + ":3:0"},
        {"runtime error", Sheet("\n<xsl:value-of select=\"no-such-function()\"/>"), "",
         "{type: ERRR, code: 0} " + sheet + ":2: XPath : ...", "file://" + sheet + ":2:0"},
        {"warning", Sheet("\n\n<xsl:frobnicate/>"), "",
         "{type: WARN, code: 0} " + sheet +
             ":3: XSLT : xsltStylePreCompute: unknown xsl:frobnicate (element frobnicate)",
         ""},
        {"document() of a file that is no XML", Sheet("<xsl:value-of select=\"count(document('data/notes.txt'))\"/>"),
         "", "{type: WARN, code: 0} " + Dir.Os("data/notes.txt") + ":1:1: XML parser : Start tag expected...", ""},
        {"xsl:message", Sheet("\n<xsl:message>step one</xsl:message>"), "",
         "{type: INFO, code: 0} " + sheet + ":2: xsl:message : step one", ""},
    };
    for (const Case& c : cases) {
        log.clear();
        TArgs args;
        args.StyleText = c.style;
        args.StyleFile = "file://" + sheet;
        const TBookPage page =
            RunTransformation(c.input.empty() ? Book.BookXMLFName : c.input, "arg://input", args, Book);
        EXPECT_EQ(page.Ok, c.failedAt.empty()) << c.name << ": " << page.Html;
        if (!page.Ok) {
            EXPECT_EQ(page.FailedUri + ":" + std::to_string(page.FailedLine) + ":" + std::to_string(page.FailedColumn),
                      c.failedAt)
                << c.name;
        }
        const bool prefix = c.logged.size() > 3 && c.logged.compare(c.logged.size() - 3, 3, "...") == 0;
        const std::string expected = prefix ? c.logged.substr(0, c.logged.size() - 3) : c.logged;
        EXPECT_TRUE(std::any_of(
            log.begin(), log.end(),
            [&](const std::string& line) { return prefix ? line.rfind(expected, 0) == 0 : line == expected; }))
            << c.name << ": " << ::testing::PrintToString(log);
        // The run's own progress lines keep their places around the processor's.
        ASSERT_GE(log.size(), 3u) << c.name;
        EXPECT_EQ(log.front(), "{type: INFO, code: 0} Начало трансформации.") << c.name;
        EXPECT_EQ(log.back().rfind("{type: INFO, code: 0} Трансформация заняла: ", 0), 0u) << c.name;
    }

    SetLogWindowSink(nullptr);
    Settings = saved;
    ConfigureLog(Settings);
}

TEST(Stopwatch, formatsHoursMinutesSecondsAndMilliseconds) {
    using std::chrono::milliseconds;
    const std::vector<std::pair<milliseconds, std::string>> cases = {
        {milliseconds(1500), "0:0:1.500"},
        {milliseconds(65), "0:0:0.065"},
        {milliseconds(0), "0:0:0.000"},
        {milliseconds(3723004), "1:2:3.004"},
        {milliseconds(86400000 + 61000), "0:1:1.000"},  // whole days are dropped
    };
    for (const auto& [elapsed, text] : cases)
        EXPECT_EQ(FormatElapsed(elapsed), text) << elapsed.count();

    Stopwatch(true);
    EXPECT_TRUE(StopwatchState.Running);
    EXPECT_EQ(Stopwatch(false).substr(0, 4), "0:0:");
    EXPECT_FALSE(StopwatchState.Running);
}

// A whole book through the descriptor: service actions and parts.
class BookRunTest : public ::testing::Test {
protected:
    void SetUp() override { InitDefaultSettings(Settings, Dir.Os("prog")); }

    void Open() {
        SetBookDefaults(Book, Settings);
        Book.DescriptorFile = Dir.Win("book/data/intro.ini");
        ReadBookDescriptor(Book, Settings);
    }

    TTempDir Dir;
    TSettings Settings;
    TBookInfo Book;
};

TEST_F(BookRunTest, serviceActionSeesOnlyItsActionId) {
    Dir.Write("book/data/intro.ini",
              "[BasicParams]\nRootPath=..\\\nServiceXSLTFile=service.xslt\n"
              "[TemplateVariables]\nActionID=from descriptor\n");
    Dir.Write("book/data/book.xml", "<book/>");
    Dir.Write("book/service.xslt", Sheet("<%ActionID%>"));
    Open();
    for (const auto& [code, id] : std::vector<std::pair<uint8_t, std::string>>{{0, "MakeTOC"}, {3, "DoNothing"}}) {
        const TBookPage page = RunServiceAction(code, Book);
        EXPECT_EQ(page.Html, id);
        EXPECT_TRUE(page.Ok);
    }
}

TEST_F(BookRunTest, partPageGetsDivIdLastAndLeavesTheVariablesAlone) {
    Dir.Write("book/data/intro.ini", "[BasicParams]\nRootPath=..\\\n[TemplateVariables]\nDivID=from descriptor\nv=V\n");
    Dir.Write("book/data/book.xml", "<book/>");
    Dir.Write("book/shemes/book.xsltt", Sheet("<xsl:value-of select=\"string-length('<%DivID%>')\"/>|<%v%>"));
    Open();
    const TXSLTParameters before = Book.TemplateParams;

    const TBookPage page = BuildBookPart("ch2", Book);
    EXPECT_TRUE(page.Ok);
    EXPECT_EQ(page.Html, "3|V");
    EXPECT_EQ(page.Encoding, "UTF-8");
    EXPECT_EQ(BuildBookPart(std::string(300, 'a'), Book).Html, "255|V");
    EXPECT_EQ(Book.TemplateParams, before);
}

TEST_F(BookRunTest, windows1251BookComesOutInItsEncoding) {
    // "Глава" in the book, "Часть: " in the stylesheet, both written in windows-1251.
    const std::string glava = "\xC3\xEB\xE0\xE2\xE0";
    const std::string chast = "\xD7\xE0\xF1\xF2\xFC: ";
    Dir.Write("book/data/intro.ini", "[BasicParams]\r\nRootPath=..\\\r\n");
    Dir.Write("book/data/book.xml",
              "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<book><chapter id=\"c1\"><title>" + glava +
                  "</title></chapter></book>");
    Dir.Write(
        "book/shemes/book.xsltt",
        "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n" + SheetHead +
            "\r\n<xsl:output method=\"text\" encoding=\"windows-1251\"/>\r\n<xsl:template match=\"/\">" + chast +
            "<xsl:value-of select=\"//chapter[@id='<%DivID%>']/title\"/></xsl:template>\r\n</xsl:stylesheet>\r\n");
    Open();
    const TBookPage page = BuildBookPart("c1", Book);
    EXPECT_TRUE(page.Ok) << page.Html;
    EXPECT_EQ(page.Html, chast + glava);
    EXPECT_EQ(page.Encoding, "windows-1251");
}

TEST_F(BookRunTest, bookWithoutStylesheetsFailsWithAnErrorText) {
    Dir.Write("book/data/intro.ini", "[BasicParams]\nRootPath=..\\\n");
    Open();
    EXPECT_TRUE(Book.ServiceXSLT.empty());
    const TBookPage contents = RunServiceAction(TServiceAction::MakeTOC, Book);
    EXPECT_FALSE(contents.Html.empty());
    EXPECT_FALSE(contents.Ok);
    EXPECT_FALSE(BuildBookPart("x", Book).Ok);
}

// Four nested loops over every node: a run that never ends.
std::string EndlessSheet() {
    const std::string loop = "<xsl:for-each select=\"//node()\">";
    return Sheet(loop + loop + loop + loop + "<xsl:if test=\"count(//node()) &lt; 0\">x</xsl:if>" +
                 "</xsl:for-each></xsl:for-each></xsl:for-each></xsl:for-each>");
}

// What one run on its own thread gave; shared with the thread, which may outlive a failed test.
struct TThreadRun {
    TBookPage Page;
    std::atomic<bool> Done{false};
};

std::shared_ptr<TThreadRun> StartRun(const TBookInfo& book, const std::string& sheet, const TStopToken& stop) {
    auto run = std::make_shared<TThreadRun>();
    std::thread([run, book, sheet, stop] {
        TArgs args;
        args.StyleText = sheet;
        run->Page = RunTransformation(book.BookXMLFName, "arg://input", args, book, {stop, true});
        run->Done = true;
    }).detach();  // holds only copies and the shared record
    return run;
}

bool WaitDone(const TThreadRun& run) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!run.Done && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return run.Done;
}

std::string LogText(const TBookPage& page) {
    std::string text;
    for (const TLogEntry& entry : page.Log)
        text += entry.Text + "\n";
    return text;
}

// Runs side by side over one kept book, each with its own stop: each gets its own page and its
// own log lines, a stop ends only its own run (before it starts or in the middle), and the book
// is parsed once for all of them.
TEST_F(TransformationTest, runsSideBySideOverOneKeptBookEachGetTheirOwnResult) {
    std::string book = "<book>";
    for (int i = 0; i < 300; ++i)
        book += "<t n=\"" + std::to_string(i) + "\">" + std::to_string(i) + "</t>";
    Dir.Write("data/book.xml", book + "</book>");
    Book.ParsedInput = std::make_shared<TParsedInputCache>();
    const std::string keyed = SheetHead + TextOutput + "<xsl:key name=\"byN\" match=\"t\" use=\"@n\"/>" +
                              "<xsl:template match=\"/\"><xsl:value-of select=\"key('byN', '%')\"/></xsl:template>" +
                              "</xsl:stylesheet>";
    const auto keyedFor = [&](int n) {
        std::string sheet = keyed;
        return sheet.replace(sheet.find('%'), 1, std::to_string(n));
    };
    const TStopToken stoppedBefore, stoppedInside;
    stoppedBefore.Trip();
    std::vector<std::pair<std::shared_ptr<TThreadRun>, std::string>> runs;  // the run and its page
    for (int round = 0; round < 3; ++round) {
        runs.push_back({StartRun(Book, keyedFor(round * 7), {}), std::to_string(round * 7)});
        runs.push_back({StartRun(Book, Sheet("<xsl:value-of select=\"count(//t)\"/>"), {}), "300"});
        runs.push_back({StartRun(Book, Sheet("<xsl:value-of select=\"$missing\"/>"), {}), ""});
    }
    const auto before = StartRun(Book, Sheet("x"), stoppedBefore);
    const auto inside = StartRun(Book, EndlessSheet(), stoppedInside);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well inside the loops, most likely
    stoppedInside.Trip();

    for (const auto& [run, expected] : runs) {
        ASSERT_TRUE(WaitDone(*run));
        if (expected.empty()) {
            EXPECT_FALSE(run->Page.Ok);
            EXPECT_FALSE(run->Page.Stopped);
            EXPECT_NE(LogText(run->Page).find("missing"), std::string::npos) << LogText(run->Page);
        } else {
            EXPECT_TRUE(run->Page.Ok) << run->Page.Html;
            EXPECT_EQ(run->Page.Html, expected);
            EXPECT_EQ(LogText(run->Page).find("missing"), std::string::npos) << "another run's lines";
        }
        EXPECT_NE(LogText(run->Page).find("Начало трансформации."), std::string::npos);
    }
    for (const auto& stopped : {before, inside}) {
        ASSERT_TRUE(WaitDone(*stopped)) << "the run did not stop";
        EXPECT_TRUE(stopped->Page.Stopped);
        EXPECT_EQ(stopped->Page.Html, "Преобразование остановлено.");
    }
    const int keptRuns = static_cast<int>(std::count_if(
        runs.begin(), runs.end(), [](const auto& run) { return run.first->Page.KeptInputUsed; }));
    EXPECT_GE(keptRuns, static_cast<int>(runs.size()) - 1);  // one parse served the others
    TArgs args;
    args.StyleText = Sheet("ok");
    EXPECT_EQ(RunTransformation(Book.BookXMLFName, "arg://input", args, Book).Html, "ok");
}

}  // namespace
