#include <gtest/gtest.h>

#include <filesystem>

#include "TTempDir.h"
#include "OsFiles.h"
#include "TBookmarkStore.h"

namespace {

const std::vector<TBookmark> Sample = {
    {"/home/anna/books/atlas/intro.tmr", "ch1", "Глава 1"},
    {"/home/anna/books/atlas/intro.tmr", "a&b<c>\"'", "  Кавычки \"и\" <угловые> & амперсанд  "},
    {"/home/anna/книги/guide.tmr", "ёлка", "Ёлка — ёж"},
};

TEST(BookmarkStore, addRenameRemoveAndKeptOverARestart) {
    TTempDir dir;
    const std::string file = dir.Os("config/tomeria/bookmarks.xbel");
    {
        TBookmarkStore store(file);
        EXPECT_EQ(store.Load(), "");
        for (const TBookmark& b : Sample)
            EXPECT_TRUE(store.Add(b));
        EXPECT_FALSE(store.Add({Sample[0].Book, Sample[0].PartId, "другая подпись"}));  // same part
        store.Rename(0, "Первая глава");
        store.Remove(1);
    }
    TBookmarkStore again(file);
    EXPECT_EQ(again.Load(), "");
    const std::vector<TBookmark> expected = {{Sample[0].Book, "ch1", "Первая глава"}, Sample[2]};
    EXPECT_EQ(again.All(), expected);
    EXPECT_EQ(again.OfBook(Sample[0].Book), std::vector<std::size_t>{0});
    EXPECT_TRUE(again.OfBook("/nowhere.tmr").empty());
}

TEST(BookmarkStore, exportedAndImportedBackUnchangedWithoutDuplicates) {
    TTempDir dir;
    TBookmarkStore source(dir.Os("a.xbel"));
    for (const TBookmark& b : Sample)
        source.Add(b);
    source.Export(dir.Os("export.xbel"));

    TBookmarkStore target(dir.Os("b.xbel"));
    target.Add(Sample[2]);
    const TBookmarkImport first = target.Import(dir.Os("export.xbel"));
    EXPECT_EQ(first.Added, 2u);
    EXPECT_EQ(first.Duplicates, 1u);
    const TBookmarkImport second = target.Import(dir.Os("export.xbel"));
    EXPECT_EQ(second.Added, 0u);
    EXPECT_EQ(second.Duplicates, 3u);
    const std::vector<TBookmark> expected = {Sample[2], Sample[0], Sample[1]};
    EXPECT_EQ(target.All(), expected);

    TBookmarkStore fresh(dir.Os("c.xbel"));
    fresh.Import(dir.Os("export.xbel"));
    EXPECT_EQ(fresh.All(), Sample);
}

// An import compares each bookmark once, not with every other: a file of 100,000 bookmarks
// the store already holds is read and found to add nothing in about a second here, where
// comparing every pair (some 10^10 comparisons) takes minutes. The bound is ten times that.
// A hundred thousand duplicates: an import that compared each with each would not end within
// the test's time limit.
TEST(BookmarkStore, importOfManyBookmarksFindsEveryDuplicate) {
    constexpr std::size_t Count = 100000;
    TTempDir dir;
    std::string xbel = "<xbel version=\"1.0\">";
    for (std::size_t i = 0; i < Count; ++i)
        xbel += "<bookmark href=\"tomeri://showdoc/?DivID=p" + std::to_string(i) +
                "\"><info><metadata owner=\"tomeria\"><book>/b.tmr</book></metadata></info></bookmark>";
    const std::string file = dir.Write("many.xbel", xbel + "</xbel>");
    TBookmarkStore store(file);
    ASSERT_EQ(store.Load(), "");
    ASSERT_EQ(store.All().size(), Count);

    const TBookmarkImport report = store.Import(file);
    EXPECT_EQ(report.Added, 0u);
    EXPECT_EQ(report.Duplicates, Count);
}

// An import is made ready on a thread of its own: a set cancel flag ends it, and a plan made
// before the store changed is not taken.
TEST(BookmarkStore, importPlanIsCancelledByItsFlagAndRefusedOnceTheStoreChanged) {
    TTempDir dir;
    TBookmarkStore source(dir.Os("a.xbel"));
    for (const TBookmark& b : Sample)
        source.Add(b);
    const std::atomic<bool> cancel{true};
    EXPECT_THROW(PlanBookmarkImport(dir.Os("a.xbel"), {}, 0, cancel), std::runtime_error);

    TBookmarkStore target(dir.Os("b.xbel"));
    target.Add(Sample[1]);
    const std::atomic<bool> go{false};
    TBookmarkImportPlan plan = PlanBookmarkImport(dir.Os("a.xbel"), target.All(), target.Revision(), go);
    EXPECT_EQ(plan.Report.Added, 2u);
    target.Rename(0, "renamed meanwhile");
    EXPECT_FALSE(target.AdoptImport(std::move(plan)));
    EXPECT_EQ(target.All().size(), 1u);
    plan = PlanBookmarkImport(dir.Os("a.xbel"), target.All(), target.Revision(), go);
    EXPECT_TRUE(target.AdoptImport(std::move(plan)));
    TBookmarkStore reloaded(dir.Os("b.xbel"));
    EXPECT_EQ(reloaded.Load(), "");
    EXPECT_EQ(reloaded.All(),
              (std::vector<TBookmark>{{Sample[1].Book, Sample[1].PartId, "renamed meanwhile"}, Sample[0], Sample[2]}));
}

TEST(BookmarkStore, xbelFromElsewhereKeepsOnlyBookParts) {
    const std::string xbel = R"(<?xml version="1.0"?>
<xbel version="1.0"><folder><title>Папка</title>
  <bookmark href="https://example.org/"><title>Сайт</title></bookmark>
  <folder><bookmark href="tomeri://showdoc/?DivID=p2&amp;x=1"><title>Часть</title>
    <info><metadata owner="tomeria"><book>/b/intro.tmr</book></metadata></info></bookmark></folder>
</folder><bookmark href="tomeri://showdoc/?DivID=p3"><title>Без книги</title></bookmark></xbel>)";
    std::size_t skipped = 0;
    const auto bookmarks = FromXbel(xbel, &skipped);
    EXPECT_EQ(bookmarks, (std::vector<TBookmark>{{"/b/intro.tmr", "p2", "Часть"}}));
    EXPECT_EQ(skipped, 2u);
}

TEST(BookmarkStore, importOfWhatIsNotXbelChangesNothing) {
    TTempDir dir;
    TBookmarkStore store(dir.Os("store.xbel"));
    store.Add(Sample[0]);
    const std::string before = ReadWholeFile(dir.Os("store.xbel")).value_or("");
    const std::vector<std::pair<const char*, const char*>> files = {
        {"text.xbel", "just some text"},
        {"html.xbel", "<html><body>bookmarks</body></html>"},
        {"empty.xbel", ""},
        {"cut.xbel", "<xbel version=\"1.0\"><bookmark href=\"x\"><title>"},
        {"entities.xbel",
         "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
         "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><x>&c;</x>"},
    };
    for (const auto& [name, bytes] : files) {
        dir.Write(name, bytes);
        EXPECT_THROW(store.Import(dir.Os(name)), std::runtime_error) << name;
    }
    EXPECT_THROW(store.Import(dir.Os("missing.xbel")), std::runtime_error);
    EXPECT_THROW(store.Import(dir.Os("")), std::runtime_error);  // a folder
    EXPECT_EQ(store.All(), std::vector<TBookmark>{Sample[0]});
    EXPECT_EQ(ReadWholeFile(dir.Os("store.xbel")), before);
}

TEST(BookmarkStore, failedSaveKeepsEveryBookmark) {
    TTempDir dir;
    dir.Write("blocked", "a file where the folder should be");
    TBookmarkStore store(dir.Os("blocked/bookmarks.xbel"));
    EXPECT_THROW(store.Add(Sample[0]), std::runtime_error);
    EXPECT_TRUE(store.All().empty());

    TBookmarkStore good(dir.Os("good.xbel"));
    good.Add(Sample[0]);
    EXPECT_THROW(good.Export(dir.Os("blocked/export.xbel")), std::runtime_error);
    EXPECT_EQ(good.All(), std::vector<TBookmark>{Sample[0]});
}

TEST(BookmarkStore, unreadableStoreIsMovedAsideNotOverwritten) {
    TTempDir dir;
    dir.Write("bookmarks.xbel", "<not-xbel/>");
    TBookmarkStore store(dir.Os("bookmarks.xbel"));
    const std::string message = store.Load();
    EXPECT_NE(message.find(".broken-"), std::string::npos) << message;
    EXPECT_TRUE(store.All().empty());
    bool keptAside = false;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Os("")))
        keptAside = keptAside || ReadWholeFile(entry.path().string()) == "<not-xbel/>";
    EXPECT_TRUE(keptAside);
    EXPECT_TRUE(store.Add(Sample[0]));
}

}  // namespace
