// book.xml parsed once and used again while the file is unchanged: pages stay what a fresh
// parse gives, whatever the stylesheets before them did to their input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BookDescriptor.h"
#include "TTempDir.h"
#include "GlobalVars.h"
#include "Transformation.h"

namespace {

const std::string SheetHead = "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">";

std::string Sheet(const std::string& top, const std::string& body) {
    return SheetHead + "<xsl:output method=\"text\" encoding=\"UTF-8\"/>" + top + "<xsl:template match=\"/\">" + body +
           "</xsl:template></xsl:stylesheet>";
}

// Counts the whitespace-only text nodes: a stylesheet that strips them must not take them
// from the next one.
const std::string CountBlanks = Sheet("", "blanks=<xsl:value-of select=\"count(//text()[normalize-space()=''])\"/>");
const std::string StripAll = Sheet("<xsl:strip-space elements=\"*\"/>",
                                   "stripped=<xsl:value-of select=\"count(//text()[normalize-space()=''])\"/>");
const std::string ByKey =
    Sheet("<xsl:key name=\"k\" match=\"s\" use=\"@id\"/>",
          "<xsl:value-of select=\"key('k','b')\"/>|<xsl:value-of select=\"count(key('k','a'))\"/>");

// Sorts a union into document order, which libxslt reads from numbers it gives the elements.
const std::string InOrder = Sheet("<xsl:strip-space elements=\"book\"/>",
                                  "<xsl:for-each select=\"//s[@id='b'] | /book | //s[@id='a']\">"
                                  "<xsl:value-of select=\"name()\"/><xsl:value-of select=\"@id\"/>,</xsl:for-each>");

class ParsedInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir.Write("data/book.xml", "<book>\n  <s id=\"a\">Первая</s>\n  <s id=\"b\">Вторая</s>\n</book>");
        Book.RootPath = Dir.Win() + "\\";
        Book.BookXMLFName = "file://" + Dir.Os("data/book.xml");
        Book.ParsedInput = std::make_shared<TParsedInputCache>();
    }

    // The page of a sheet, and whether book.xml was taken from memory for it.
    std::pair<TBookPage, bool> Run(const std::string& sheet, bool cached = true) {
        TBookInfo book = Book;
        if (!cached) book.ParsedInput.reset();
        TArgs args;
        args.StyleText = sheet;
        const TBookPage page = RunTransformation(Book.BookXMLFName, "arg://input", args, book);
        return {page, cached && page.KeptInputUsed};
    }

    void Rewrite(const std::string& bytes) {
        // A new file in the old one's place, as editors save: a new inode, whatever the size.
        const std::string temp = Dir.Write("data/book.xml.new", bytes);
        std::filesystem::rename(temp, Dir.Os("data/book.xml"));
    }

    TTempDir Dir;
    TBookInfo Book;
};

TEST_F(ParsedInputTest, PagesAreThoseOfAFreshParseWhateverRanBefore) {
    const std::string sheets[] = {CountBlanks, StripAll, InOrder, CountBlanks, ByKey,
                                  StripAll,    InOrder,  ByKey,   CountBlanks};
    bool first = true;
    for (const std::string& sheet : sheets) {
        SCOPED_TRACE(sheet);
        const auto [page, fromMemory] = Run(sheet);
        const auto [fresh, unused] = Run(sheet, false);
        ASSERT_TRUE(page.Ok) << page.Html;
        EXPECT_EQ(page.Html, fresh.Html);
        EXPECT_EQ(fromMemory, !first);  // parsed by the first run, then kept
        first = false;
    }
    EXPECT_EQ(Run(CountBlanks).first.Html, "blanks=3");
    EXPECT_EQ(Run(StripAll).first.Html, "stripped=0");
    EXPECT_EQ(Run(ByKey).first.Html, "Вторая|1");
    EXPECT_EQ(Run(InOrder).first.Html, "book,sa,sb,");
}

TEST_F(ParsedInputTest, AChangedBookIsReadAgainAndABrokenOneFailsUntilMended) {
    ASSERT_EQ(Run(ByKey).first.Html, "Вторая|1");
    ASSERT_TRUE(Run(ByKey).second);

    Rewrite("<book><s id=\"b\">Новая</s></book>");
    auto [changed, fromMemory] = Run(ByKey);
    EXPECT_EQ(changed.Html, "Новая|0");
    EXPECT_FALSE(fromMemory);

    Rewrite("<book><s id=\"b\">оборвана");
    const TBookPage broken = Run(ByKey).first;
    EXPECT_FALSE(broken.Ok);
    EXPECT_EQ(broken.Html, Run(ByKey, false).first.Html);  // the same error as without the cache

    Rewrite("<book><s id=\"b\">Исправлена</s></book>");
    EXPECT_EQ(Run(ByKey).first.Html, "Исправлена|0");
    EXPECT_TRUE(Run(ByKey).second);

    // Same size, same inode, a later modification time: read again.
    { std::ofstream(Dir.Os("data/book.xml"), std::ios::binary | std::ios::in) << "<book><s id=\"b\">Исправлено</s>"; }
    std::filesystem::last_write_time(
        Dir.Os("data/book.xml"), std::filesystem::last_write_time(Dir.Os("data/book.xml")) + std::chrono::seconds(2));
    EXPECT_EQ(Run(ByKey).first.Html, "Исправлено|0");
}

TEST_F(ParsedInputTest, ReloadingAStylesheetOrClosingDropsTheKeptBook) {
    Dir.Write("shemes/book.xsltt", ByKey);
    Book.BookXSLTTFName = "file://" + Dir.Os("shemes/book.xsltt");
    Run(ByKey);
    ASSERT_TRUE(Run(ByKey).second);
    LoadBookTemplate(Book);
    EXPECT_FALSE(Run(ByKey).second);
    EXPECT_TRUE(Run(ByKey).second);
    Book.ParsedInput->Clear();
    EXPECT_FALSE(Run(ByKey).second);
}

// Key tables built over the kept book serve later runs of the same key definitions only.
TEST_F(ParsedInputTest, KeyTablesServeOnlyRunsOfTheDefinitionsTheyWereBuiltFor) {
    const auto keyed = [](const std::string& top, const std::string& key) {
        return Sheet(top + "<xsl:key name=\"k\" " + key + "/>",
                     "<xsl:value-of select=\"count(key('k','b'))\"/>:<xsl:value-of select=\"key('k','b')\"/>");
    };
    const std::string byId = keyed("", "match=\"s\" use=\"@id\"");
    const std::string byText = keyed("", "match=\"s\" use=\".\"");
    const std::string byInitial = keyed("", "match=\"*\" use=\"substring(@id, 1, 1)\"");
    const std::string stripped = keyed("<xsl:strip-space elements=\"*\"/>", "match=\"s\" use=\"@id\"");
    // A key that reads another file: the same text gives other tables once that file changed.
    const std::string extra = "file://" + Dir.Os("data/extra.xml");
    const std::string byOtherFile = keyed("", "match=\"s\" use=\"concat(@id, document('" + extra + "')/x)\"");
    // A template pattern that uses the key, so that matching nodes needs the tables.
    const std::string inPattern = SheetHead +
                                  "<xsl:output method=\"text\"/><xsl:key name=\"k\" match=\"s\" use=\"@id\"/>" +
                                  "<xsl:template match=\"key('k','b')\">[<xsl:value-of select=\".\"/>]</xsl:template>" +
                                  "<xsl:template match=\"text()\"/></xsl:stylesheet>";
    const struct {
        std::string Sheet;
        std::string Page;
    } runs[] = {
        {byId, "1:Вторая"},        {byText, "0:"},          {byId, "1:Вторая"},
        {byInitial, "1:Вторая"},   {inPattern, "[Вторая]"}, {byId, "1:Вторая"},
        {stripped, "1:Вторая"},    {byId, "1:Вторая"},      {stripped, "1:Вторая"},
        {byOtherFile, "1:Вторая"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.Sheet);
        Dir.Write("data/extra.xml", "<x/>");
        const TBookPage page = Run(run.Sheet).first;
        ASSERT_TRUE(page.Ok) << page.Html;
        EXPECT_EQ(page.Html, run.Page);
        EXPECT_EQ(page.Html, Run(run.Sheet, false).first.Html);
    }
    EXPECT_GE(Book.ParsedInput->KeptKeyTables(), 1U);  // the runs above did use kept tables

    Dir.Write("data/extra.xml", "<x>-</x>");
    EXPECT_EQ(Run(byOtherFile).first.Html, "0:");
}

// Tables built ahead of any run (as an open does for the first page, while the contents is
// made) parse the book, and the first run of their stylesheet starts with them, its key
// patterns included.
TEST_F(ParsedInputTest, KeysPreparedAheadServeTheFirstRunOfTheirStylesheet) {
    const std::string head = SheetHead + "<xsl:output method=\"text\"/><xsl:key name=\"k\" match=\"s\" use=\"@id\"/>";
    const std::string sheets[][2] = {
        {head + "<xsl:template match=\"/\"><xsl:value-of select=\"key('k','b')\"/></xsl:template></xsl:stylesheet>",
         "Вторая"},
        {head + "<xsl:template match=\"key('k','b')\">[<xsl:value-of select=\".\"/>]</xsl:template>" +
             "<xsl:template match=\"text()\"/></xsl:stylesheet>",
         "[Вторая]"},
    };
    for (const auto& [sheet, expected] : sheets) {
        SCOPED_TRACE(sheet);
        Book.ParsedInput = std::make_shared<TParsedInputCache>();
        TArgs args;
        args.StyleText = sheet;
        ASSERT_TRUE(PrepareTransformationKeys(Book.BookXMLFName, "arg://input", args, Book, {}));
        EXPECT_EQ(Book.ParsedInput->KeptKeyTables(), 1U);
        const auto [page, kept] = Run(sheet);
        EXPECT_TRUE(kept);
        EXPECT_EQ(page.Html, expected);
        EXPECT_EQ(Book.ParsedInput->KeptKeyTables(), 1U);  // taken, and kept again after the run
    }
}

TEST_F(ParsedInputTest, AnImportedModuleIsReadOnceWhileItsFileIsUnchanged) {
    const std::string lib =
        Dir.Write("shemes/lib.xsl", SheetHead + "<xsl:template name=\"t\">lib-1</xsl:template></xsl:stylesheet>");
    const std::string sheet =
        SheetHead + "<xsl:import href=\"shemes/lib.xsl\"/><xsl:output method=\"text\"/>" +
        "<xsl:template match=\"/\"><xsl:call-template name=\"t\"/></xsl:template></xsl:stylesheet>";
    ASSERT_EQ(Run(sheet).first.Html, "lib-1");

    // New bytes under the same identity (inode, size, time): the kept module answers.
    const auto written = std::filesystem::last_write_time(lib);
    {
        std::ofstream file(lib, std::ios::binary | std::ios::in);
        file.seekp(static_cast<std::streamoff>(SheetHead.size() + std::string("<xsl:template name=\"t\">").size()));
        file << "lib-2";
    }
    std::filesystem::last_write_time(lib, written);
    EXPECT_EQ(Run(sheet).first.Html, "lib-1");
    EXPECT_EQ(Run(sheet).first.Html, "lib-1");  // compiling the handed-over copy left the kept one whole

    std::filesystem::last_write_time(lib, written + std::chrono::seconds(2));
    EXPECT_EQ(Run(sheet).first.Html, "lib-2");
}

TEST_F(ParsedInputTest, KeptModulesCompileAsFreshOnes) {
    // A module with whitespace to strip, literal results, attribute templates, a key and an
    // include of its own.
    Dir.Write("shemes/inc.xsl", SheetHead + "<xsl:template name=\"inc\"> <xsl:text>[inc]</xsl:text> </xsl:template>" +
                                    "</xsl:stylesheet>");
    Dir.Write("shemes/lib.xsl",
              SheetHead + "<xsl:include href=\"inc.xsl\"/><xsl:key name=\"m\" match=\"s\" use=\"@id\"/>" +
                  "<xsl:template name=\"t\">\n  <xsl:call-template name=\"inc\"/>\n  " +
                  "<xsl:for-each select=\"key('m','a')\"><i n=\"{@id}\"><xsl:value-of select=\".\"/></i>" +
                  "</xsl:for-each>\n</xsl:template></xsl:stylesheet>");
    const std::string sheet =
        SheetHead + "<xsl:import href=\"shemes/lib.xsl\"/><xsl:output method=\"xml\"/>" +
        "<xsl:template match=\"/\"><r><xsl:call-template name=\"t\"/></r></xsl:template></xsl:stylesheet>";
    const TBookPage fresh = Run(sheet, false).first;
    ASSERT_TRUE(fresh.Ok) << fresh.Html;
    EXPECT_NE(fresh.Html.find("[inc]<i n=\"a\">Первая</i>"), std::string::npos) << fresh.Html;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Run(sheet).first.Html, fresh.Html);
}

}  // namespace
