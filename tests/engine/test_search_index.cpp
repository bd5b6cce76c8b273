#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <sys/stat.h>

#include "TTempDir.h"
#include "SearchIndexCache.h"
#include "TSearchIndexTask.h"

namespace {

// A small book: a chapter with two sections of its own, Russian and English text, and a part
// whose caption names what others only mention.
const char* const BookXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<book id="home"><title>Справочник</title>
<chapter id="ch1"><title>Книги и полки</title>
<para>Здесь говорится о книгах вообще. Ёлка стоит в углу.</para>
<section id="s1"><title>Indexes</title><para>How to create an index of a book. Building indexes takes time.</para></section>
<section id="s2"><title>Поиск</title><para>Указатель помогает найти слово; create a new index here.</para></section>
</chapter>
<chapter id="ch2"><title>Прочее</title><para>Разное: index mentioned once.<emphasis>Акцент</emphasis>слитно</para></chapter>
</book>)";

const std::vector<TSearchEntry> Entries = {
    {"home", "Справочник"}, {"ch1", "1. Книги и полки"}, {"s1", "1.1. Indexes"},
    {"s2", "1.2. Поиск"},   {"ch2", "2. Прочее"},
};

std::vector<std::string> Ids(const TSearchResult& result) {
    std::vector<std::string> ids;
    for (const TSearchHit& hit : result.Hits)
        ids.push_back(hit.Id);
    return ids;
}

class SearchIndexTest : public ::testing::Test {
protected:
    TSearchIndexRequest Request(const std::string& cache = "") const {
        return {Dir.Win("intro.ini"), Dir.Os("book.xml"), Entries, cache};
    }
    TSearchIndexBuild Build(const TSearchIndexRequest& request) const {
        std::atomic<bool> cancel{false};
        return BuildSearchIndex(request, cancel);
    }
    void SetUp() override { Dir.Write("book.xml", BookXml); }
    TTempDir Dir;
};

TEST_F(SearchIndexTest, wordFormsCaseAndYoFindTheirParts) {
    const TSearchIndexBuild build = Build(Request());
    ASSERT_TRUE(build.Index) << build.Error;
    EXPECT_TRUE(build.InMemory);
    EXPECT_EQ(build.MissingParts, 0u);
    struct Case {
        const char* query;
        std::vector<std::string> ids;
    };
    const std::vector<Case> cases = {
        {"книга", {"ch1"}},                 // «книгах», «Книги» in the caption
        {"КНИГОЙ", {"ch1"}},                // case and another form
        {"елка", {"ch1"}},                  // «Ёлка» in the text
        {"ёлки", {"ch1"}},                  // ё in the query
        {"indexing", {"s1", "s2", "ch2"}},  // index, indexes
        {"указатели", {"s2"}},
        {"акцент", {"ch2"}},  // element boundaries separate words
        {"слитно", {"ch2"}},
    };
    for (const Case& c : cases) {
        const TSearchResult result = build.Index->Search(c.query, 10);
        EXPECT_EQ(result.Error, "") << c.query;
        auto ids = Ids(result);
        auto expected = c.ids;
        std::sort(ids.begin(), ids.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(ids, expected) << c.query;
    }
}

TEST_F(SearchIndexTest, captionMatchRanksAboveTextMatches) {
    const auto build = Build(Request());
    ASSERT_TRUE(build.Index);
    const auto ids = Ids(build.Index->Search("index", 10));
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.front(), "s1");
    const auto poisk = Ids(build.Index->Search("поиск", 10));
    EXPECT_EQ(poisk, std::vector<std::string>{"s2"});  // only the caption holds it
}

TEST_F(SearchIndexTest, nestedPartsAreNotTextOfTheirParent) {
    const auto build = Build(Request());
    ASSERT_TRUE(build.Index);
    EXPECT_EQ(Ids(build.Index->Search("помогает", 10)), std::vector<std::string>{"s2"});
    EXPECT_EQ(Ids(build.Index->Search("справочник", 10)), std::vector<std::string>{"home"});
}

TEST_F(SearchIndexTest, phrasesAndExclusion) {
    const auto build = Build(Request());
    ASSERT_TRUE(build.Index);
    EXPECT_EQ(Ids(build.Index->Search("\"create an index\"", 10)), std::vector<std::string>{"s1"});
    EXPECT_EQ(Ids(build.Index->Search("\"new index\"", 10)), std::vector<std::string>{"s2"});
    auto ids = Ids(build.Index->Search("index -create", 10));
    EXPECT_EQ(ids, std::vector<std::string>{"ch2"});
    ids = Ids(build.Index->Search("create index", 10));  // all words must occur
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"s1", "s2"}));
}

TEST_F(SearchIndexTest, snippetMarksTheMatchedWords) {
    const auto build = Build(Request());
    ASSERT_TRUE(build.Index);
    const auto result = build.Index->Search("указатель", 10, "[", "]");
    ASSERT_EQ(result.Hits.size(), 1u);
    EXPECT_EQ(result.Hits[0].Caption, "1.2. Поиск");
    EXPECT_NE(result.Hits[0].Snippet.find("[Указатель]"), std::string::npos) << result.Hits[0].Snippet;
}

TEST_F(SearchIndexTest, badQueriesGiveAMessageNotACrash) {
    const auto build = Build(Request());
    ASSERT_TRUE(build.Index);
    struct Case {
        std::string query;
        bool message;  // an error text rather than a (possibly empty) list
    };
    const std::vector<Case> cases = {
        {"", true},
        {"   \t", true},
        {"!!! ... ,,, ---", true},
        {std::string(10000, 'x'), true},
        {std::string(5000, 'a') + " " + std::string(4999, 'b'), true},
        {"\"unclosed phrase", false},
        {"-", false},
        {"((( AND OR NOT )))", false},
        {"index AND -", false},
        {"\xff\xfe\xd0", false},   // not UTF-8
        {"и в на the of", false},  // stop words only
    };
    for (const Case& c : cases) {
        const TSearchResult result = build.Index->Search(c.query, 10);
        if (c.message) {
            EXPECT_NE(result.Error, "") << c.query.substr(0, 40);
            EXPECT_TRUE(result.Hits.empty());
        }
    }
}

TEST_F(SearchIndexTest, matchedWordsAreTheSpellingsInThePart) {
    const auto build = Build(Request());
    ASSERT_TRUE(build.Index);
    auto words = build.Index->MatchedWords("книга", "ch1");
    std::sort(words.begin(), words.end());
    EXPECT_EQ(words, (std::vector<std::string>{"Книги", "книгах"}));
    EXPECT_TRUE(build.Index->MatchedWords("книга", "nothing-here").empty());
    EXPECT_TRUE(build.Index->MatchedWords("", "ch1").empty());
}

TEST_F(SearchIndexTest, partsMissingFromBookXmlAreFoundByCaption) {
    auto request = Request();
    request.Entries.push_back({"gone", "Удалённая глава"});
    const auto build = Build(request);
    ASSERT_TRUE(build.Index);
    EXPECT_EQ(build.MissingParts, 1u);
    ASSERT_EQ(build.Warnings.size(), 1u);
    EXPECT_EQ(Ids(build.Index->Search("удаленная", 10)), std::vector<std::string>{"gone"});
}

// The book's request reads book.xml where the transformations read it: an escaped file URI
// names the decoded path, so the parts' texts are found, not only their captions.
TEST_F(SearchIndexTest, anEscapedBookXmlUriIsReadWhereThePagesReadIt) {
    Dir.Write("мои книги/book.xml", BookXml);
    TBookInfo book;
    book.DescriptorFile = Dir.Win("intro.ini");
    book.BookXMLFName = Dir.Uri("%D0%BC%D0%BE%D0%B8%20%D0%BA%D0%BD%D0%B8%D0%B3%D0%B8/book.xml");
    const TSearchIndexRequest request = SearchIndexRequestOf(book, Entries);
    EXPECT_EQ(request.BookXmlPath, Dir.Os("мои книги/book.xml"));
    const auto build = Build(request);
    ASSERT_TRUE(build.Index);
    EXPECT_EQ(build.MissingParts, 0u);
    EXPECT_TRUE(build.Warnings.empty());
}

TEST_F(SearchIndexTest, unreadableBookXmlLeavesTheCaptions) {
    for (const char* bytes : {"<book><chapter id='ch1'>unclosed", ""}) {
        Dir.Write("book.xml", bytes);
        const auto build = Build(Request());
        ASSERT_TRUE(build.Index);
        ASSERT_FALSE(build.Warnings.empty());
        EXPECT_EQ(Ids(build.Index->Search("полки", 10)), std::vector<std::string>{"ch1"});
    }
    std::filesystem::remove(Dir.Os("book.xml"));
    const auto build = Build(Request());
    ASSERT_TRUE(build.Index);
    EXPECT_FALSE(build.Warnings.empty());
}

TEST_F(SearchIndexTest, cachedIndexIsReusedAndRebuiltWhenBookXmlChanges) {
    const auto request = Request(Dir.Os("cache"));
    const auto first = Build(request);
    ASSERT_TRUE(first.Index) << first.Error;
    EXPECT_FALSE(first.Reused);
    EXPECT_FALSE(first.InMemory);
    const std::string folder = SearchIndexFolder(request);
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    const auto second = Build(request);
    ASSERT_TRUE(second.Index);
    EXPECT_TRUE(second.Reused);
    EXPECT_EQ(Ids(second.Index->Search("помогает", 10)), std::vector<std::string>{"s2"});

    std::string changed = BookXml;
    changed.replace(changed.find("помогает"), std::string("помогает").size(), "выручает");
    Dir.Write("book.xml", changed);
    const auto third = Build(request);
    ASSERT_TRUE(third.Index);
    EXPECT_FALSE(third.Reused);
    EXPECT_TRUE(third.Index->Search("помогает", 10).Hits.empty());
    EXPECT_EQ(Ids(third.Index->Search("выручает", 10)), std::vector<std::string>{"s2"});
    EXPECT_FALSE(std::filesystem::exists(folder)) << "the outdated index is removed";
    // Only the new index is left in the book's folder.
    const auto bookFolder = std::filesystem::path(SearchIndexFolder(request)).parent_path();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bookFolder), {}), 1);
}

TEST_F(SearchIndexTest, cancelledBuildLeavesNoIndex) {
    const auto request = Request(Dir.Os("cache"));
    std::atomic<bool> cancel{true};
    const auto build = BuildSearchIndex(request, cancel);
    EXPECT_TRUE(build.Cancelled);
    EXPECT_FALSE(build.Index);
    EXPECT_FALSE(std::filesystem::exists(SearchIndexFolder(request)));
    const auto again = Build(request);
    EXPECT_FALSE(again.Reused);
}

TEST_F(SearchIndexTest, unwritableCacheBuildsInMemory) {
    Dir.Write("cache", "a file where the cache folder should be");
    const auto build = Build(Request(Dir.Os("cache")));
    ASSERT_TRUE(build.Index);
    EXPECT_TRUE(build.InMemory);
    ASSERT_FALSE(build.Warnings.empty());
    EXPECT_NE(build.Warnings.back().find("в памяти"), std::string::npos);
    EXPECT_EQ(Ids(build.Index->Search("помогает", 10)), std::vector<std::string>{"s2"});
}

TEST_F(SearchIndexTest, taskBuildsOnItsThreadAndStopsOnDestruction) {
    std::promise<bool> built;
    int lastPercent = -1;
    {
        TSearchIndexTask task(
            Request(Dir.Os("cache")), [&](int percent) { lastPercent = percent; },
            [&](TSearchIndexBuild& build) { built.set_value(build.Index != nullptr); });
        auto result = built.get_future();
        ASSERT_EQ(result.wait_for(std::chrono::seconds(30)), std::future_status::ready);
        EXPECT_TRUE(result.get());
    }
    EXPECT_EQ(lastPercent, 100);
    // A task destroyed at once stops and joins; whatever it finished is complete or absent.
    { TSearchIndexTask task(Request(Dir.Os("cache2")), {}, {}); }
    const auto request = Request(Dir.Os("cache2"));
    const auto folder = std::filesystem::path(SearchIndexFolder(request));
    if (std::filesystem::exists(folder)) {
        EXPECT_TRUE(Build(request).Reused);
    }
    std::error_code absent;  // the task may have stopped before it made the book's folder
    for (const auto& entry : std::filesystem::directory_iterator(folder.parent_path(), absent))
        EXPECT_EQ(entry.path().filename().string().rfind("tmp-", 0), std::string::npos);
}

}  // namespace
