#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sys/wait.h>

#include "TTempDir.h"
#include "OsFiles.h"

namespace {

const std::string Render = std::string(TOMERIA_BINARY_DIR) + "/tomeria-render";
const std::string ShippedDescriptor = std::string(TOMERIA_BINARY_DIR) + "/data/data/intro.ini";

struct TResult {
    int Exit = -1;
    std::string Out;
    std::string Err;
};

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs tomeria-render in a folder with the given arguments.
TResult RunRender(const std::vector<std::string>& args, const std::string& cwd = ".",
                  const std::string& program = Render) {
    static const TTempDir errDir;
    const std::string errFile = errDir.Os("stderr");
    std::string command = "cd " + Quote(cwd) + " && " + Quote(program);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    command += " 2>" + Quote(errFile);
    TResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[65536];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.Out.append(buffer, n);
    const int status = pclose(pipe);
    result.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Err = ReadWholeFile(errFile).value_or("");
    return result;
}

std::vector<std::string> Matches(const std::string& text, const std::string& pattern) {
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1]);
    return found;
}

TEST(TomeriaRender, shippedBookContentsListEveryChapterAndEveryEntryRenders) {
    const TResult toc = RunRender({ShippedDescriptor, "--toc"});
    ASSERT_EQ(toc.Exit, 0) << toc.Err;
    const std::vector<std::string> entries = Matches(toc.Out, "<listitem id=\"([^\"]*)\"");
    const std::set<std::string> listed(entries.begin(), entries.end());

    const std::string bookXml = ReadWholeFile(std::string(TOMERIA_BINARY_DIR) + "/data/data/book.xml").value_or("");
    const std::vector<std::string> chapters = Matches(bookXml, "<chapter[^>]*\\sid=\"([^\"]*)\"");
    ASSERT_FALSE(chapters.empty());
    for (const std::string& chapter : chapters)
        EXPECT_TRUE(listed.count(chapter)) << "chapter missing from the contents: " << chapter;

    for (const std::string& id : entries) {
        const TResult page = RunRender({ShippedDescriptor, id});
        EXPECT_EQ(page.Exit, 0) << id << ": " << page.Err;
        EXPECT_NE(page.Out.find("<html"), std::string::npos) << id;
    }
}

TEST(TomeriaRender, relativeDescriptorFallsBackToTheProgramDataFolder) {
    // "data/intro.ini" does not exist below "/", so the viewer's rule finds the shipped book.
    const TResult toc = RunRender({"data/intro.ini", "--toc", "-v"}, "/");
    EXPECT_EQ(toc.Exit, 0) << toc.Err;
    EXPECT_NE(toc.Out.find("<menu>"), std::string::npos);
    EXPECT_NE(toc.Err.find("Начало трансформации."), std::string::npos);  // -v: the log on stderr
    EXPECT_EQ(toc.Out.find("Начало трансформации."), std::string::npos);
}

TEST(TomeriaRender, settingsFileBesideTheProgramNamesTheServiceStylesheet) {
    TTempDir dir;
    const std::string program = dir.Os("program/tomeria-render");
    std::filesystem::create_directories(dir.Os("program"));
    std::filesystem::copy_file(Render, program);
    dir.Write("other.xslt",
              "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
              "<xsl:output method=\"text\"/><xsl:template match=\"/\">FROM-SETTINGS</xsl:template>"
              "</xsl:stylesheet>");
    dir.Write("program/tomeria.ini", "[ControlState]\nServiceXSLTFile=" + dir.Win("other.xslt") + "\n");
    dir.Write("book/data/intro.ini", "[BasicParams]\nRootPath=..\\\n");
    dir.Write("book/data/book.xml", "<book/>");

    const TResult toc = RunRender({dir.Os("book/data/intro.ini"), "--toc"}, ".", program);
    EXPECT_EQ(toc.Exit, 0) << toc.Err;
    EXPECT_EQ(toc.Out, "FROM-SETTINGS");
}

TEST(TomeriaRender, exitCodes) {
    TTempDir dir;
    const std::string sheet =
        "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
        "<xsl:output method=\"text\"/><xsl:template match=\"/\"><%ActionID%></xsl:template>"
        "</xsl:stylesheet>";
    dir.Write("data/intro.ini", "[BasicParams]\nRootPath=..\\\nServiceXSLTFile=service.xslt\n");
    dir.Write("data/book.xml", "<book/>");
    dir.Write("service.xslt", sheet);
    dir.Write("shemes/book.xsltt", "<xsl:stylesheet");
    const std::string descriptor = dir.Os("data/intro.ini");

    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exit;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"service action", {descriptor, "--action", "3"}, 0, "DoNothing"},
        {"contents", {descriptor, "--toc"}, 0, "MakeTOC"},
        {"template does not parse", {descriptor, "part"}, 1, ""},
        {"help", {"--help"}, 0, ""},
        {"no arguments", {}, 2, ""},
        {"missing descriptor", {dir.Os("nowhere.ini"), "--toc"}, 2, ""},
        {"no mode", {descriptor}, 2, ""},
        {"two modes", {descriptor, "--toc", "part"}, 2, ""},
        {"action out of range", {descriptor, "--action", "256"}, 2, ""},
        {"action not a number", {descriptor, "--action", "x"}, 2, ""},
        {"unknown option", {descriptor, "--tock"}, 2, ""},
    };
    for (const Case& c : cases) {
        const TResult result = RunRender(c.args);
        EXPECT_EQ(result.Exit, c.exit) << c.name << ": " << result.Err;
        if (!c.out.empty()) {
            EXPECT_EQ(result.Out, c.out) << c.name;
        }
        if (c.exit != 0) {
            EXPECT_TRUE(result.Out.empty()) << c.name;
            EXPECT_FALSE(result.Err.empty()) << c.name;
        }
    }
}

// The renderer is held to the same folders as the viewer: an outside file never reaches its
// output, and a root that opens the disk is refused.
TEST(TomeriaRender, checkExitsByWhatItFound) {
    TTempDir dir;
    const std::string checkBook = std::string(TOMERIA_SOURCE_DIR) + "/tests/data/check-book/data/book.ini";
    const std::string notDescriptor = dir.Write("plain.ini", "[Other]\nKey=1\n");
    struct Case {
        const char* name;
        std::string descriptor;
        int exit;
    };
    const Case cases[] = {
        {"the guide is clean", ShippedDescriptor, 0},
        {"a book with faults", checkBook, 1},
        {"no descriptor", dir.Os("nowhere.ini"), 2},
        {"no book descriptor", notDescriptor, 2},
    };
    for (const Case& c : cases) {
        const TResult result = RunRender({"--check", c.descriptor});
        EXPECT_EQ(result.Exit, c.exit) << c.name << ": " << result.Out << result.Err;
        if (c.exit < 2) {
            EXPECT_NE(result.Out.find("частей проверено"), std::string::npos) << c.name;
        }
    }
    // One problem a line, the summary last.
    const TResult faults = RunRender({"--check", checkBook});
    EXPECT_NE(faults.Out.find("/book.xml:4: "), std::string::npos) << faults.Out;
    EXPECT_NE(faults.Out.find("Замечаний: 10,"), std::string::npos) << faults.Out;
}

TEST(TomeriaRender, hostileBookReadsNothingOutsideItsFolders) {
    TTempDir dir;
    dir.Write("secret.xml", "<s>SECRET</s>");
    dir.Write("book/data/book.xml", "<book/>");
    dir.Write("book/service.xslt",
              "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
              "<xsl:output method=\"text\"/><xsl:template match=\"/\">[<xsl:value-of select=\"document('" +
                  dir.Uri("secret.xml") + "')\"/>]</xsl:template></xsl:stylesheet>");
    dir.Write("book/intro.ini", "[BasicParams]\nServiceXSLTFile=service.xslt\nRootPath=.\\\n");
    dir.Write("disk/intro.ini", "[BasicParams]\nRootPath=\\\n");

    const TResult hostile = RunRender({dir.Os("book/intro.ini"), "--toc", "-v"});  // the log to stderr
    EXPECT_EQ(hostile.Exit, 1);
    EXPECT_EQ(hostile.Out.find("SECRET"), std::string::npos) << hostile.Out;
    EXPECT_EQ(hostile.Err.find("SECRET"), std::string::npos) << hostile.Err;
    EXPECT_NE(hostile.Err.find("refused"), std::string::npos) << hostile.Err;

    const TResult disk = RunRender({dir.Os("disk/intro.ini"), "--toc"});
    EXPECT_EQ(disk.Exit, 1);
    EXPECT_NE(disk.Err.find("RootPath"), std::string::npos) << disk.Err;
}

}  // namespace

namespace {

// Searches run with a cache folder of their own, never the user's.
class TomeriaRenderSearch : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CACHE_HOME", Cache.Os("").c_str(), 1); }
    void TearDown() override { unsetenv("XDG_CACHE_HOME"); }
    TTempDir Cache;
};

TEST_F(TomeriaRenderSearch, printsRankedPartsAndExitsByWhatItFound) {
    const TResult found = RunRender({ShippedDescriptor, "--search", "книгами"});
    ASSERT_EQ(found.Exit, 0) << found.Err;
    const std::vector<std::string> lines = Matches(found.Out, "([^\n]*)\n");
    ASSERT_GT(lines.size(), 3u);
    for (const std::string& line : lines)
        EXPECT_TRUE(std::regex_match(line, std::regex("[^\t]+\t[^\t]+"))) << line;
    // A part named after the word comes before those that only mention it.
    EXPECT_NE(lines.front().find("книг"), std::string::npos) << lines.front();

    // The second run opens the index the first one left.
    const TResult again = RunRender({ShippedDescriptor, "--search", "книгами", "-v"});
    EXPECT_EQ(again.Out, found.Out);
    EXPECT_NE(again.Err.find("индекс открыт"), std::string::npos);

    struct Case {
        std::vector<std::string> args;
        int exit;
    };
    const std::vector<Case> cases = {
        {{ShippedDescriptor, "--search", "\"таблица стилей\""}, 0},
        {{ShippedDescriptor, "--search", "несуществующееслово"}, 1},
        {{ShippedDescriptor, "--search", "?!"}, 1},
        {{ShippedDescriptor, "--search", std::string(10000, 'x')}, 1},
        {{ShippedDescriptor, "--search", "  "}, 2},
        {{ShippedDescriptor, "--search"}, 2},
        {{ShippedDescriptor, "--search", "a", "--toc"}, 2},
        {{ShippedDescriptor, "--search", "a", "ch1"}, 2},
        {{"missing.ini", "--search", "книга"}, 2},
    };
    for (const Case& c : cases) {
        const TResult result = RunRender(c.args);
        EXPECT_EQ(result.Exit, c.exit) << c.args.back().substr(0, 30) << ": " << result.Err;
        if (c.exit == 1) {
            EXPECT_EQ(result.Out, "");
        }
    }
}

}  // namespace
