// The books the program finds: descriptors one level below the data folder, the shipped
// guide and the recent documents, with their titles; broken and missing ones listed as such.
#include <gtest/gtest.h>

#include <algorithm>

#include "BookCatalog.h"
#include "TTempDir.h"
#include "RecentDocs.h"

namespace {

const std::string ShippedData = std::string(TOMERIA_BINARY_DIR) + "/data";

class BookCatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(Dir.Os("prog"));
        std::filesystem::copy(ShippedData, Dir.Os("prog/data"), std::filesystem::copy_options::recursive);
        InitDefaultSettings(Settings, Dir.Os("prog"));
    }
    const TBookEntry* Find(const std::vector<TBookEntry>& books, const std::string& path) const {
        const std::string key = RecentDocKey(path);
        const auto it = std::find_if(books.begin(), books.end(), [&](const TBookEntry& b) { return b.Path == key; });
        return it == books.end() ? nullptr : &*it;
    }

    TTempDir Dir;
    TSettings Settings;
};

TEST_F(BookCatalogTest, findsTheGuideABookInASubfolderAndTheRecentOnesEachOnce) {
    // A second book of the shipped kind in its own folder, with a descriptor of the "tmr" kind.
    Dir.Write("prog/data/atlas/book.xml", "<book><chapter id=\"c1\"><title>Атлас мира</title></chapter></book>");
    Dir.Write("prog/data/atlas/atlas.tmr", "[BasicParams]\nRootPath=.\\\nDataPath=.\\\nShemesPath=..\\shemes\\\n");
    Dir.Write("prog/data/atlas/notes.ini", "[Other]\nx=1\n");         // an INI file that is no descriptor
    Dir.Write("prog/data/atlas/deeper/more.tmr", "[BasicParams]\n");  // two levels down: not searched
    const std::string gone = Dir.Os("gone/intro.ini");
    *Settings.LastDocs = {Dir.Os("prog/data/atlas/./atlas.tmr"), gone};

    const std::vector<TBookEntry> books = ListBooks(Settings);
    ASSERT_EQ(books.size(), 3u);
    const TBookEntry* guide = Find(books, Dir.Os("prog/data/data/intro.ini"));
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(guide->State, TBookState::Ok) << guide->Problem;
    EXPECT_EQ(guide->Title, "Руководство tomeria");
    const TBookEntry* atlas = Find(books, Dir.Os("prog/data/atlas/atlas.tmr"));
    ASSERT_NE(atlas, nullptr);
    EXPECT_EQ(atlas->State, TBookState::Ok) << atlas->Problem;
    EXPECT_EQ(atlas->Title, "1. Атлас мира");
    const TBookEntry* missing = Find(books, gone);
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->State, TBookState::Missing);
    EXPECT_EQ(missing->Title, "gone");
}

TEST_F(BookCatalogTest, brokenDescriptorsAreListedWithTheirProblem) {
    // A service stylesheet that is no XSLT, and a book whose contents are not XML.
    Dir.Write("prog/data/bad-xslt/intro.tmr",
              "[BasicParams]\nRootPath=.\\\nDataPath=.\\\nServiceXSLTFile=service.xslt\n");
    Dir.Write("prog/data/bad-xslt/service.xslt", "this is not a stylesheet");
    Dir.Write("prog/data/bad-xslt/book.xml", "<book/>");
    Dir.Write("prog/data/no-book/intro.tmr", "[BasicParams]\nRootPath=.\\\nDataPath=.\\\n");

    const std::vector<TBookEntry> books = ListBooks(Settings);
    for (const char* path : {"prog/data/bad-xslt/intro.tmr", "prog/data/no-book/intro.tmr"}) {
        const TBookEntry* book = Find(books, Dir.Os(path));
        ASSERT_NE(book, nullptr) << path;
        EXPECT_EQ(book->State, TBookState::Broken) << path;
        EXPECT_FALSE(book->Problem.empty()) << path;
    }
}

TEST(BookCatalog, firstContentsCaptionIsTheFirstEntrysOwnText) {
    const struct {
        const char* Xml;
        const char* Caption;
    } cases[] = {
        {"<menu><listitem id=\"a\">One<listitem id=\"b\">Two</listitem></listitem></menu>", "One"},
        {"<menu><group><listitem id=\"a\"><b>Bold</b> </listitem></group></menu>", "Bold"},
        {"<menu><listitem id=\"a\"><listitem id=\"b\">Nested only</listitem></listitem></menu>", ""},
        {"<menu/>", ""},
        {"not xml", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirstContentsCaption(c.Xml), c.Caption) << c.Xml;
}

}  // namespace
