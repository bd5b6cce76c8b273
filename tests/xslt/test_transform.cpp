// Real transformations through TSablotEngine: inputs from buffers and files, includes,
// document(), errors and their texts, security refusals, encodings, reuse.
#include <gtest/gtest.h>

#include <algorithm>

#include <libxml/parser.h>
#include <libxslt/xsltutils.h>

#include "XmlOwners.h"
#include "XsltTestUtil.h"

namespace {

const std::string Xsl = "http://www.w3.org/1999/XSL/Transform";

std::string Sheet(const std::string& body, const std::string& extra = "") {
    return "<?xml version=\"1.0\"?>\n<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"" + Xsl + "\"" + extra + ">\n" +
           "<xsl:output method=\"text\"/>\n" + body + "\n</xsl:stylesheet>\n";
}

class Transform : public ::testing::Test {
protected:
    TTempDir Dir;
    std::string BookXml() { return Dir.Uri("book.xml"); }
    void SetUp() override {
        Dir.Write("book.xml", "<book><part id=\"p1\">One</part><part id=\"p2\">Two</part></book>");
    }
};

TEST_F(Transform, bufferStylesheetOverFileInput_givesTheResultAndItsEncoding) {
    const auto run = RunBookStyle(Sheet("<xsl:template match=\"/\">[<xsl:value-of select=\"count(//part)\"/>:"
                                        "<xsl:value-of select=\"//part[@id='p2']\"/>]</xsl:template>"),
                                  BookXml(), BookBase(Dir));
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "[2:Two]");
    EXPECT_EQ(run.Encoding, "UTF-8");
}

TEST_F(Transform, includeAndDocumentResolveAgainstTheBase) {
    Dir.Write("shemes/inc.xsl", "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"" + Xsl +
                                    "\"><xsl:include href=\"deeper.xsl\"/>"
                                    "<xsl:template name=\"t\">inc:<xsl:call-template name=\"d\"/></xsl:template>"
                                    "</xsl:stylesheet>");
    // An include inside an included file resolves against that file, not against the base.
    Dir.Write("shemes/deeper.xsl", "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"" + Xsl +
                                       "\"><xsl:template name=\"d\">deep</xsl:template></xsl:stylesheet>");
    Dir.Write("data/extra.xml", "<extra>more</extra>");
    const auto run = RunBookStyle(Sheet("<xsl:include href=\"shemes/inc.xsl\"/>"
                                        "<xsl:template match=\"/\"><xsl:call-template name=\"t\"/>|"
                                        "<xsl:value-of select=\"document('data/extra.xml')/extra\"/></xsl:template>"),
                                  BookXml(), BookBase(Dir));
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "inc:deep|more");
}

TEST_F(Transform, documentOfTheEmptyStringReadsTheBufferedStylesheet) {
    // Also when the base names a file: document('') is the stylesheet, document() of that file the file.
    for (const std::string& base : {BookBase(Dir), BookXml()}) {
        const auto run = RunBookStyle(Sheet("<my:t>table</my:t><xsl:template match=\"/\">"
                                            "<xsl:value-of select=\"document('')//my:t\"/>|"
                                            "<xsl:value-of select=\"document('book.xml')//part\"/></xsl:template>",
                                            " xmlns:my=\"urn:my\""),
                                      BookXml(), base);
        ASSERT_TRUE(run.Ok) << base << ": " << run.Error;
        EXPECT_EQ(run.Output, "table|One") << base;
    }
}

TEST_F(Transform, folderWithBlanksAndCyrillicLetters_isReadAndResolved) {
    TTempDir root;
    const std::string folder = "Мои книги/атлас";
    root.Write(folder + "/book.xml", "<book>тома</book>");
    root.Write(folder + "/inc.xsl", "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"" + Xsl +
                                        "\"><xsl:template match=\"book\">[<xsl:value-of select=\".\"/>]"
                                        "</xsl:template></xsl:stylesheet>");
    const std::string base = "file://" + root.Win(folder + "/");
    const auto run =
        RunBookStyle(Sheet("<xsl:include href=\"inc.xsl\"/>"), "file://" + root.Os(folder + "/book.xml"), base);
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "[тома]");
}

TEST_F(Transform, stylesheetThatDoesNotParse_failsWithTheFirstErrorAndItsLine) {
    const auto run = RunBookStyle(Sheet("<xsl:template match=\"/\">\n<b>\n</xsl:template>"), BookXml(), BookBase(Dir));
    EXPECT_FALSE(run.Ok);
    EXPECT_NE(run.Error.find("Opening and ending tag mismatch"), std::string::npos) << run.Error;
    EXPECT_EQ(run.Error.rfind("arg:/input:6:", 0), 0u) << run.Error;
}

TEST_F(Transform, compileAndRuntimeErrors_nameTheCauseTheElementAndTheLine) {
    const struct {
        const char* name;
        std::string body;
        std::string cause;
        std::string where;
    } cases[] = {
        {"undeclared variable", "<xsl:template match=\"/\">\n<xsl:value-of select=\"$missing\"/>\n</xsl:template>",
         "arg:/input:5: XSLT : Variable 'missing' has not been declared", " (element value-of)"},
        {"pattern that does not compile", "<xsl:template match=\"[\">x</xsl:template>",
         "arg:/input:4: XSLT : xsltCompileLocationPathPattern : Name expected", " (element template)"},
        {"invalid terminate of xsl:message",
         "<xsl:template match=\"/\">\n<xsl:message terminate=\" yes\">text</xsl:message>\n</xsl:template>",
         "arg:/input:5: XSLT : xsl:message : terminate expecting 'yes' or 'no'", " (element message)"},
    };
    for (const auto& c : cases) {
        const auto run = RunBookStyle(Sheet(c.body), BookXml(), BookBase(Dir));
        EXPECT_FALSE(run.Ok) << c.name;
        EXPECT_EQ(run.Error.rfind(c.cause, 0), 0u) << c.name << ": " << run.Error;
        EXPECT_NE(run.Error.find(c.where), std::string::npos) << c.name << ": " << run.Error;
    }
}

TEST_F(Transform, missingInputOrInclude_failsWithAMessageNamingTheUri) {
    struct Case {
        const char* name;
        std::string sheet;
        std::string input;
        std::string missing;
    } cases[] = {
        {"input", Sheet("<xsl:template match=\"/\">x</xsl:template>"), Dir.Uri("absent.xml"), Dir.Os("absent.xml")},
        {"include", Sheet("<xsl:include href=\"gone.xsl\"/>"), BookXml(), Dir.Os("gone.xsl")},
        {"document()",
         Sheet("<xsl:template match=\"/\"><xsl:value-of select=\"document('gone.xml')\"/></xsl:template>"), BookXml(),
         Dir.Os("gone.xml")},
    };
    for (const auto& c : cases) {
        const auto run = RunBookStyle(c.sheet, c.input, BookBase(Dir));
        EXPECT_FALSE(run.Ok) << c.name;
        EXPECT_EQ(run.Error.rfind(c.missing + ": ", 0), 0u) << c.name << ": " << run.Error;
    }
}

TEST_F(Transform, xslMessage_terminatingFailsTheRun_otherwiseItIsInformation) {
    TSablotEngine engine;
    TEventRecorder events(engine);
    auto run = RunBookStyle(engine,
                            Sheet("<xsl:template match=\"/\">\n<xsl:message>note <xsl:value-of select=\"//part\"/>"
                                  "</xsl:message>ok</xsl:template>"),
                            BookXml(), BookBase(Dir));
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "ok");
    ASSERT_EQ(events.AtLevel(1).size(), 1u);
    EXPECT_EQ(events.AtLevel(1)[0].Text, "arg:/input:5: xsl:message : note One");
    EXPECT_TRUE(events.AtLevel(3).empty());

    TSablotEngine second;
    TEventRecorder stopped(second);
    run = RunBookStyle(second,
                       Sheet("<xsl:template match=\"/\">\n<xsl:message terminate=\"yes\">stop here</xsl:message>"
                             "</xsl:template>"),
                       BookXml(), BookBase(Dir));
    EXPECT_FALSE(run.Ok);
    EXPECT_EQ(run.Error, "arg:/input:5: xsl:message : stop here");
    EXPECT_EQ(stopped.AtLevel(3).size(), 1u);
}

TEST_F(Transform, writingFilesAndReadingTheNetwork_areRefused) {
    const std::string target = Dir.Os("written.txt");
    struct Case {
        const char* name;
        std::string sheet;
        const char* expected;
    } cases[] = {
        {"exsl:document",
         Sheet("<xsl:template match=\"/\"><exsl:document href=\"" + target +
                   "\" method=\"text\">data</exsl:document></xsl:template>",
               " xmlns:exsl=\"http://exslt.org/common\" extension-element-prefixes=\"exsl\""),
         "refused"},
        {"xsl:document",
         Sheet("<xsl:template match=\"/\"><xsl:document href=\"" + target + "\">data</xsl:document></xsl:template>"),
         "refused"},
        {"network document()",
         Sheet("<xsl:template match=\"/\"><xsl:value-of select=\"document('http://127.0.0.1:9/x.xml')\"/>"
               "</xsl:template>"),
         "http://127.0.0.1:9/x.xml"},
    };
    for (const auto& c : cases) {
        const auto run = RunBookStyle(c.sheet, BookXml(), BookBase(Dir));
        EXPECT_FALSE(run.Ok) << c.name;
        EXPECT_NE(run.Error.find(c.expected), std::string::npos) << c.name << ": " << run.Error;
        EXPECT_FALSE(std::filesystem::exists(target)) << c.name;
    }
}

TEST_F(Transform, cyrillicInUtf8AndInWindows1251_comesOutInTheDeclaredEncoding) {
    const std::string utf8Word = "Глава";
    const std::string cp1251Word = "\xC3\xEB\xE0\xE2\xE0";  // "Глава" in windows-1251
    Dir.Write("ru.xml", "<?xml version=\"1.0\" encoding=\"windows-1251\"?><t>" + cp1251Word + "</t>");
    Dir.Write("ru8.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><t>" + utf8Word + "</t>");
    struct Case {
        const char* name;
        std::string sheetEncoding, sheetWord, outputEncoding, input, expectedWord, expectedEncoding;
    } cases[] = {
        {"utf-8 throughout", "UTF-8", utf8Word, "UTF-8", "ru8.xml", utf8Word, "UTF-8"},
        {"windows-1251 throughout", "windows-1251", cp1251Word, "windows-1251", "ru.xml", cp1251Word, "windows-1251"},
        {"windows-1251 sheet, utf-8 output", "windows-1251", cp1251Word, "UTF-8", "ru.xml", utf8Word, "UTF-8"},
        {"an output encoding nobody knows is written as utf-8", "UTF-8", utf8Word, "x-no-such", "ru8.xml", utf8Word,
         "UTF-8"},
    };
    for (const auto& c : cases) {
        const std::string sheet =
            "<?xml version=\"1.0\" encoding=\"" + c.sheetEncoding + "\"?><xsl:stylesheet version=\"1.0\" xmlns:xsl=\"" +
            Xsl + "\"><xsl:output method=\"text\" encoding=\"" + c.outputEncoding + "\"/><xsl:template match=\"/\">" +
            c.sheetWord + ":<xsl:value-of select=\"t\"/></xsl:template></xsl:stylesheet>";
        const auto run = RunBookStyle(sheet, Dir.Uri(c.input), BookBase(Dir));
        ASSERT_TRUE(run.Ok) << c.name << ": " << run.Error;
        EXPECT_EQ(run.Output, c.expectedWord + ":" + c.expectedWord) << c.name;
        EXPECT_EQ(run.Encoding, c.expectedEncoding) << c.name;
    }
}

TEST_F(Transform, textTheOutputEncodingCannotWrite_failsTheRunWithTheEncodersError) {
    // Bytes that are no UTF-8 reach the result through a parameter; the encoder stops at them.
    TSablotEngine engine;
    engine.AddParam("p",
                    "ab\xFF\xFE"
                    "cd");
    const auto run = RunBookStyle(engine,
                                  "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"" + Xsl +
                                      "\"><xsl:param name=\"p\"/><xsl:output encoding=\"ISO-8859-1\"/>"
                                      "<xsl:template match=\"/\"><out><xsl:value-of select=\"$p\"/> end</out>"
                                      "</xsl:template></xsl:stylesheet>",
                                  BookXml(), BookBase(Dir));
    EXPECT_FALSE(run.Ok) << run.Output;
    EXPECT_EQ(run.Output, "");
    EXPECT_EQ(run.Error, "I/O : encoder error");
}

TEST_F(Transform, buffersAndResultsAreFoundByTheNamesTheyWereGiven) {
    for (const std::string name : {"plain", "my book", "книга", "100%", "a%20b"}) {
        TSablotEngine engine;
        engine.AddArgBuffer(name, Sheet("<xsl:template match=\"/\"><xsl:value-of select=\"d\"/></xsl:template>"));
        engine.AddArgBuffer(name + ".xml", "<d>" + name + "</d>");
        ASSERT_TRUE(engine.RunProcessorGen("arg:/" + name, "arg:/" + name + ".xml", "arg:/" + name + " out"))
            << name << ": " << engine.LastErrorText;
        std::string text;
        EXPECT_TRUE(engine.GetResultArg("arg:/" + name + " out", text)) << name;
        EXPECT_EQ(text, name);
    }
}

TEST_F(Transform, documentOfDotIsTheBaseFolder_notTheBufferedStylesheet) {
    TSablotEngine engine;
    TEventRecorder events(engine);
    const auto run = RunBookStyle(engine,
                                  Sheet("<xsl:template match=\"/\">[<xsl:value-of select=\"count(document('.')//*)\"/>]"
                                        "</xsl:template>"),
                                  BookXml(), BookBase(Dir));
    // A folder is no document: the run fails naming it, as for any resource that cannot be read.
    EXPECT_FALSE(run.Ok) << run.Output;
    EXPECT_EQ(run.Error, Dir.Os() + ": Processor : Cannot read the resource");
}

// libxslt and libxml2 report what they recover from at their error level; a run that goes on
// delivers those as warnings, each with its file and line.
TEST_F(Transform, problemsTheRunRecoversFrom_areWarningsWithTheirPlace) {
    Dir.Write("notes.txt", "plain text,\nnot XML");
    TSablotEngine engine;
    TEventRecorder events(engine);
    const auto run = RunBookStyle(engine,
                                  Sheet("<xsl:template match=\"/\">\n<xsl:frobnicate/>"
                                        "[<xsl:value-of select=\"count(document('notes.txt')//*)\"/>]</xsl:template>"),
                                  BookXml(), BookBase(Dir));
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "[0]");
    EXPECT_TRUE(events.AtLevel(3).empty()) << events.AtLevel(3)[0].Text;
    std::vector<std::string> warnings;
    for (const auto& e : events.AtLevel(2))
        warnings.push_back(e.Text);
    const auto has = [&](const std::string& part) {
        return std::any_of(warnings.begin(), warnings.end(),
                           [&](const std::string& w) { return w.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(has("arg:/input:5: XSLT : xsltStylePreCompute: unknown xsl:frobnicate (element frobnicate)"))
        << ::testing::PrintToString(warnings);
    EXPECT_TRUE(has(Dir.Os("notes.txt") + ":1:1: XML parser : ")) << ::testing::PrintToString(warnings);

    // The same kind of report in a run that fails stays an error.
    TSablotEngine failing;
    TEventRecorder errors(failing);
    EXPECT_FALSE(RunBookStyle(failing,
                              Sheet("<xsl:template match=\"/\"><xsl:value-of select=\"$gone\"/></xsl:template>"),
                              BookXml(), BookBase(Dir))
                     .Ok);
    EXPECT_TRUE(errors.AtLevel(2).empty());
    EXPECT_FALSE(errors.AtLevel(3).empty());
}

TEST_F(Transform, parametersReachTheStylesheetLiterally_andLastOneRunOnly) {
    TSablotEngine engine;
    engine.AddParam("DivID", "it's \"quoted\" & <raw>");
    const std::string sheet = Sheet(
        "<xsl:param name=\"DivID\" select=\"'none'\"/>"
        "<xsl:template match=\"/\"><xsl:value-of select=\"$DivID\"/></xsl:template>");
    auto run = RunBookStyle(engine, sheet, BookXml(), BookBase(Dir));
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "it's \"quoted\" & <raw>");
    // The engine hands its list over again for each run; removing the entry removes the value,
    // also after a run that did not start.
    EXPECT_FALSE(engine.RunProcessorGen("arg:/input", "", "arg://output"));
    engine.RemoveParam("DivID");
    run = RunBookStyle(engine, sheet, BookXml(), BookBase(Dir));
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "none");
}

TEST_F(Transform, resultToAFileUri_isWrittenThroughTheFileProxy) {
    TSablotEngine engine;
    Dir.Write("out.txt", "old content that is longer than the new one");
    engine.AddArgBuffer("s", Sheet("<xsl:template match=\"/\">new</xsl:template>"));
    ASSERT_TRUE(engine.RunProcessorGen("arg:/s", BookXml(), Dir.Uri("out.txt"))) << engine.LastErrorText;
    EXPECT_EQ(ReadWholeFile(Dir.Os("out.txt")), "new");
    EXPECT_EQ(engine.FileProxy().OpenStreamCount(), 0u);
}

TEST_F(Transform, enginesRunInsideEachOther_andOutsideARunTheLibraryReadsAsBefore) {
    TSablotEngine outer;
    std::string innerOutput;
    bool innerOk = false;
    outer.OnMsgInfo = [&](TSablotEngine&, int32_t, TSErrorFields) {
        // A message handler that runs a second transformation while the first one is in progress.
        TSablotEngine inner;
        const auto run =
            RunBookStyle(inner, Sheet("<xsl:template match=\"/\">inner</xsl:template>"), BookXml(), BookBase(Dir));
        innerOk = run.Ok;
        innerOutput = run.Output;
    };
    const auto run = RunBookStyle(outer,
                                  Sheet("<xsl:template match=\"/\"><xsl:message>go</xsl:message>"
                                        "<xsl:value-of select=\"document('book.xml')//part[1]\"/></xsl:template>"),
                                  BookXml(), BookBase(Dir));
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "One");
    EXPECT_TRUE(innerOk);
    EXPECT_EQ(innerOutput, "inner");

    // The hooks stay installed; with no run on this thread they read as libxml2 itself does.
    Dir.Write("entity.txt", "from the file");
    const std::string doc = "<!DOCTYPE a [<!ENTITY e SYSTEM \"entity.txt\">]><a>&e;</a>";
    const XmlDoc parsed(xmlReadMemory(doc.data(), static_cast<int>(doc.size()), Dir.Uri("doc.xml").c_str(), nullptr,
                                      XML_PARSE_NOENT | XML_PARSE_NONET));
    ASSERT_TRUE(parsed);
    const XmlChars text(xmlNodeGetContent(xmlDocGetRootElement(parsed.get())));
    EXPECT_STREQ(reinterpret_cast<const char*>(text.get()), "from the file");
}

TEST_F(Transform, oneEngineRunsManyTimes_andAFailureLeavesNoResult) {
    TSablotEngine engine;
    const std::string good = Sheet("<xsl:template match=\"/\">fine</xsl:template>");
    auto run = RunBookStyle(engine, good, BookXml(), BookBase(Dir));
    ASSERT_TRUE(run.Ok);
    run = RunBookStyle(engine, Sheet("<xsl:template match=\"/\"><xsl:value-of select=\"$x\"/></xsl:template>"),
                       BookXml(), BookBase(Dir));
    EXPECT_FALSE(run.Ok);
    std::string text = "stale";
    engine.GetResultArg("arg://output", text);
    EXPECT_EQ(text, "");  // the failed run freed the results
    run = RunBookStyle(engine, good, BookXml(), BookBase(Dir));
    ASSERT_TRUE(run.Ok) << run.Error;
    EXPECT_EQ(run.Output, "fine");
}

}  // namespace
