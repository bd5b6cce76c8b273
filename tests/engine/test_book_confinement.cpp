// A book's stylesheets and its XML read files of the book and of the shared XML folders only,
// whatever way they name another file; ids and roots that would widen that are refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "BookDescriptor.h"
#include "BookFolders.h"
#include "GlobalVars.h"
#include "ProgramFolders.h"
#include "ServiceActions.h"
#include "TLogCapture.h"
#include "TTempDir.h"
#include "Transformation.h"

namespace {

const std::string SheetHead = "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">";

std::string Sheet(const std::string& top, const std::string& body) {
    return SheetHead + "<xsl:output method=\"text\" encoding=\"UTF-8\"/>" + top + "<xsl:template match=\"/\">" + body +
           "</xsl:template></xsl:stylesheet>";
}

class BookConfinementTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The book lives in book/, a file of the user's beside it in outside/.
        Dir.Write("outside/secret.xml", "<s>SECRET-XML</s>");
        Dir.Write("outside/secret.txt", "SECRET-TEXT");
        Dir.Write("outside/evil.xsl",
                  SheetHead + "<xsl:template name=\"t\">SECRET-SHEET</xsl:template></xsl:stylesheet>");
        Dir.Write("book/data/book.xml", "<book><t>one</t></book>");
        Dir.Write("book/data/note.xml", "<n>own note</n>");
        std::filesystem::create_symlink(Dir.Os("outside/secret.xml"), Dir.Os("book/data/link.xml"));
        Book.RootPath = Dir.Win("book") + "\\";
        Book.BookXMLFName = Dir.Uri("book/data/book.xml");
        Book.ParsedInput = std::make_shared<TParsedInputCache>();
    }

    struct TResult {
        TBookPage Page;
        std::string Log;
    };

    TResult Run(const std::string& sheet, const std::string& inputUri = "") {
        TLogCapture capture;
        TArgs args;
        args.StyleText = sheet;
        TResult result{RunTransformation(inputUri.empty() ? Book.BookXMLFName : inputUri, "arg://input", args, Book),
                       {}};
        for (const TLogEntry& entry : capture.TakeEntries())
            result.Log += entry.Text + "\n";
        return result;
    }

    TTempDir Dir;
    TBookInfo Book;
};

TEST_F(BookConfinementTest, NoWayOfNamingAnOutsideFileReadsIt) {
    Dir.Write("book/data/entity.xml",
              "<!DOCTYPE b [<!ENTITY x SYSTEM \"" + Dir.Uri("outside/secret.txt") + "\">]><b>&x;</b>");
    Dir.Write("book/data/param-entity.xml",
              "<!DOCTYPE b [<!ENTITY % p SYSTEM \"" + Dir.Uri("outside/secret.txt") + "\"> %p;]><b/>");
    const auto documentOf = [](const std::string& uri) { return "<xsl:value-of select=\"document('" + uri + "')\"/>"; };
    struct TCase {
        const char* Name;
        std::string Sheet;
        std::string Input;
        std::string Refused;  // the file the log names
    };
    const std::vector<TCase> cases = {
        {"document() of an absolute URI", Sheet("", documentOf(Dir.Uri("outside/secret.xml"))), "",
         Dir.Os("outside/secret.xml")},
        {"document() of a plain path", Sheet("", documentOf(Dir.Os("outside/secret.xml"))), "",
         Dir.Os("outside/secret.xml")},
        {"document() climbing with ..", Sheet("", documentOf("data/../../outside/secret.xml")), "", "secret.xml"},
        {"document() through a link in the book", Sheet("", documentOf("data/link.xml")), "", "link.xml"},
        {"xsl:include",
         Sheet("<xsl:include href=\"" + Dir.Uri("outside/evil.xsl") + "\"/>", "<xsl:call-template name=\"t\"/>"), "",
         Dir.Os("outside/evil.xsl")},
        {"xsl:import",
         SheetHead + "<xsl:import href=\"../outside/evil.xsl\"/><xsl:template match=\"/\"><xsl:call-template "
                     "name=\"t\"/></xsl:template></xsl:stylesheet>",
         "", "evil.xsl"},
        {"an external entity of book.xml", Sheet("", "<xsl:value-of select=\"/b\"/>"), Dir.Uri("book/data/entity.xml"),
         Dir.Os("outside/secret.txt")},
        {"a parameter entity of book.xml", Sheet("", "<xsl:value-of select=\"/b\"/>"),
         Dir.Uri("book/data/param-entity.xml"), Dir.Os("outside/secret.txt")},
        {"an external entity of the stylesheet",
         "<!DOCTYPE xsl:stylesheet [<!ENTITY x SYSTEM \"" + Dir.Uri("outside/secret.txt") + "\">]>" + Sheet("", "&x;"),
         "", Dir.Os("outside/secret.txt")},
        {"the input itself", Sheet("", "<xsl:value-of select=\"/\"/>"), Dir.Uri("outside/secret.xml"),
         Dir.Os("outside/secret.xml")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TResult result = Run(c.Sheet, c.Input);
        EXPECT_EQ(result.Page.Html.find("SECRET"), std::string::npos) << result.Page.Html;
        EXPECT_NE(result.Log.find("refused"), std::string::npos) << result.Log;
        EXPECT_NE(result.Log.find(c.Refused), std::string::npos) << result.Log;
    }
}

TEST_F(BookConfinementTest, TheBooksOwnFilesAndTheSharedDtdsAreRead) {
    const TResult own = Run(Sheet("", "<xsl:value-of select=\"document('data/note.xml')\"/>"));
    EXPECT_TRUE(own.Page.Ok) << own.Page.Html;
    EXPECT_EQ(own.Page.Html, "own note");

    // A DocBook book: its DTD comes from the system's shared XML folder through the catalog.
    Dir.Write("book/data/docbook.xml",
              "<!DOCTYPE article PUBLIC \"-//OASIS//DTD DocBook XML V4.5//EN\" "
              "\"http://www.oasis-open.org/docbook/xml/4.5/docbookx.dtd\"><article><title>T&mdash;</title></article>");
    const TResult docbook =
        Run(Sheet("", "<xsl:value-of select=\"/article/title\"/>"), Dir.Uri("book/data/docbook.xml"));
    EXPECT_TRUE(docbook.Page.Ok) << docbook.Page.Html;
    EXPECT_EQ(docbook.Page.Html, "T\xE2\x80\x94");
}

TEST(BookFolders, RootsThatOpenTheDiskAreRefused) {
    TTempDir dir;
    dir.Write("book/intro.tmr", "[BasicParams]\n");
    const std::string home = HomeFolder();
    struct TCase {
        std::string Root;
        bool Refused;
    };
    const std::vector<TCase> cases = {
        {"\\", true},
        {home, true},
        {home + "/..", true},
        {dir.Win("book") + "\\..\\..\\..\\..\\..\\..", true},  // enough ".." reach the root
        {dir.Win("book") + "\\", false},
        {dir.Win(), false},               // a parent of the descriptor's folder is still a book's
        {dir.Win("book\\shemes"), true},  // does not hold the descriptor
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Root);
        TBookInfo book;
        book.RootPath = c.Root;
        book.DescriptorFile = dir.Win("book\\intro.tmr");
        EXPECT_EQ(!RootPathProblem(book).empty(), c.Refused);
    }
    EXPECT_TRUE(IsTooBroadFolder("/"));
    EXPECT_TRUE(IsTooBroadFolder(home));
    EXPECT_FALSE(IsTooBroadFolder(dir.Os("book")));
}

// Ids from links, bookmarks and the command line never put markup into the template.
TEST(DivIds, OnlyIdsOfNameCharactersReachTheTemplate) {
    TBookInfo book;
    book.BookXSLTT =
        SheetHead + "<xsl:template match=\"/\"><xsl:text>[<%DivID%>]</xsl:text></xsl:template></xsl:stylesheet>";
    for (const std::string id : {"", "ch2", "p-1.2", "1", "раздел_3", "ns:id"}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(IsValidDivId(id));
        EXPECT_NE(BookPartStylesheet(id, book).find("[" + id + "]"), std::string::npos);
    }
    for (const std::string id :
         {"a]]>b", "x\"/><xsl:value-of select=\"document('/etc/passwd')\"/>", "a b", "a%20b", "a'b", "a<b", "a&b"}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(IsValidDivId(id));
        EXPECT_EQ(BookPartStylesheet(id, book), "");
        const TBookPage page = BuildBookPart(id, book);
        EXPECT_FALSE(page.Ok);
        EXPECT_NE(page.Html.find("недопустимым идентификатором"), std::string::npos);
        EXPECT_EQ(page.Html.find("<xsl"), std::string::npos);
        EXPECT_EQ(book.TemplateParams.size(), 0u);
    }
}

}  // namespace
