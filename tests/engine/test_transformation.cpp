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
        {"empty stylesheet", "", "", "Document is empty in URI:arg:/input"},
        {"bad XPath", Sheet("<xsl:value-of select=\"//t[\"/>"), "", "Invalid expression: //t["},
        {"message with markup", Sheet("<xsl:message terminate=\"yes\">&lt;b&gt;stop&lt;/b&gt;</xsl:message>"), "",
         "xsl:message : &lt;b&gt;stop&lt;/b&gt;"},
        {"book.xml is not XML", Sheet("x"), "file://" + Dir.Os("data/broken.xml"),
         "Start tag expected, '&lt;' not found in URI:file://" + Dir.Os("data/broken.xml")},
        {"book.xml is empty", Sheet("x"), "file://" + Dir.Os("data/empty.xml"),
         "Document is empty in URI:file://" + Dir.Os("data/empty.xml")},
        {"book.xml is missing", Sheet("x"), "file://" + Dir.Os("data/missing.xml"),
         "Cannot read the resource in URI:file://" + Dir.Os("data/missing.xml")},
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

// The processor's own messages reach the log: what the run recovers from as a warning, what
// fails it as an error, both with the file and the line; xsl:message as progress.
TEST_F(TransformationTest, processorMessagesAreLoggedByLevelWithTheirPlace) {
    const TSettings saved = Settings;
    Settings.WriteLogToWindow = true;
    Settings.DebugLevel = 3;
    Settings.UseTimeStamp = false;
    ConfigureLog(Settings);
    std::vector<std::string> log;
    SetLogWindowSink([&](const std::string& line) { log.push_back(line); });
    const auto logged = [&](const std::string& start, const std::string& part) {
        return std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.rfind(start, 0) == 0 && line.find(part) != std::string::npos;
        });
    };

    Dir.Write("data/notes.txt", "not XML");
    const TRun recovered =
        Run(Sheet("<xsl:message>step one</xsl:message><xsl:frobnicate/>"
                  "<xsl:value-of select=\"count(document('data/notes.txt'))\"/>"));
    EXPECT_TRUE(recovered.Ok) << recovered.Text;
    EXPECT_TRUE(logged("{type: INFO, code: 0} xsl:message : step one", "in URI:arg:/input at line 1"));
    EXPECT_TRUE(
        logged("{type: WARN, code: 0} XSLT : ", "unknown xsl:frobnicate - frobnicate in URI:arg:/input at line 1"));
    EXPECT_TRUE(
        logged("{type: WARN, code: 0} XML parser : ", "in URI:file://" + Dir.Os("data/notes.txt") + " at line 1"));
    EXPECT_FALSE(logged("{type: ERRR", ""));

    log.clear();
    const TRun failed = Run(Sheet("<xsl:value-of select=\"$gone\"/>"));
    EXPECT_FALSE(failed.Ok);
    EXPECT_TRUE(logged("{type: ERRR, code: 0} XSLT : Variable 'gone' has not been declared.", "at line 1"));
    EXPECT_FALSE(logged("{type: WARN", ""));
    // The run's own progress lines keep their places around them.
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front(), "{type: INFO, code: 0} Начало трансформации.");
    EXPECT_EQ(log.back().rfind("{type: INFO, code: 0} Трансформация заняла: ", 0), 0u);

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
