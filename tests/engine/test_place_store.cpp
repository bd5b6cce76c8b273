#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "OsFiles.h"
#include "TLogCapture.h"
#include "TPlaceStore.h"
#include "TTempDir.h"

namespace {

const std::string Atlas = "\\home\\anna\\книги\\atlas\\intro.tmr";
const std::string Guide = "/home/anna/books/guide.tmr";

std::string BookName(std::size_t i) { return "/books/b" + std::to_string(i) + ".tmr"; }

// The lines the store logs while the call runs.
template <typename Call>
TLogEntries LoggedBy(Call call) {
    TLogCapture capture;
    call();
    return capture.TakeEntries();
}

TEST(PlaceStore, pathIsInTheStateFolder) {
    TSettings settings;
    settings.ProgramDir = "\\opt\\tomeria\\";
    settings.StateDir = "\\home\\anna\\.local\\state\\tomeria\\";
    EXPECT_EQ(TPlaceStore::PathIn(settings), "/home/anna/.local/state/tomeria/places.json");
}

TEST(PlaceStore, placesAndSwitchKeptOverARestart) {
    TTempDir dir;
    const std::string file = dir.Os("state/tomeria/places.json");  // the folders are made by Save
    {
        TPlaceStore store(file);
        store.Load();
        EXPECT_TRUE(store.Books().empty());
        EXPECT_TRUE(store.Restore());
        store.Record(Guide, {"ch1", 120, 0.25});
        store.Record(Atlas, {"a&b<c>\"'\\ ёлка", 0, 0});
        store.Record(Guide, {"ch2", -5, 1.5});      // held at the top and within 0..1
        store.Record("", {"ch1", 1, 0});            // no book
        store.Record(Atlas + "x", {"", 1, 0});      // no part
        store.Record("/bad\xff.tmr", {"p", 1, 0});  // bytes JSON text cannot hold
        store.SetRestore(false);
        EXPECT_TRUE(store.Save());
    }
    TPlaceStore again(file);
    again.Load();
    EXPECT_EQ(again.Books(), (std::vector<std::string>{Guide, Atlas}));
    EXPECT_EQ(again.Find(Guide), (TPlace{"ch2", 0, 1.0}));
    EXPECT_EQ(again.Find(Atlas), (TPlace{"a&b<c>\"'\\ ёлка", 0, 0}));
    EXPECT_EQ(again.Find(SlashesToBackslashes(Guide)), std::nullopt);  // keys compare as given
    EXPECT_FALSE(again.Restore());
}

TEST(PlaceStore, leastRecentlyRecordedBooksGoFirstAlsoAfterARestart) {
    TTempDir dir;
    TPlaceStore store(dir.Os("places.json"));
    for (std::size_t i = 0; i <= TPlaceStore::MaxBooks; ++i)
        store.Record(BookName(i), {"p", static_cast<std::int32_t>(i), 0.5});
    store.Record(BookName(1), {"q", 1, 0.5});  // read again: the newest now
    EXPECT_EQ(store.Books().size(), TPlaceStore::MaxBooks);
    EXPECT_EQ(store.Find(BookName(0)), std::nullopt);
    ASSERT_TRUE(store.Save());

    TPlaceStore again(dir.Os("places.json"));
    again.Load();
    EXPECT_EQ(again.Books(), store.Books());
    again.Record("/books/new.tmr", {"p", 0, 0});
    EXPECT_EQ(again.Find(BookName(2)), std::nullopt);
    EXPECT_EQ(again.Find(BookName(1)), (TPlace{"q", 1, 0.5}));
    EXPECT_EQ(again.Find(BookName(3)), (TPlace{"p", 3, 0.5}));
    EXPECT_EQ(again.Books().front(), "/books/new.tmr");
    EXPECT_EQ(again.Books().size(), TPlaceStore::MaxBooks);
}

TEST(PlaceStore, unusableFileIsLoggedIgnoredAndReplacedByTheNextSave) {
    TTempDir dir;
    const std::string good =
        R"({"version":1,"restore":false,"places":[{"book":"/a.tmr","part":"p","scroll":5,"fraction":0.1}]})";
    std::string oversized = good;
    oversized.insert(1, std::string(TPlaceStore::MaxFileBytes, ' '));
    struct TCase {
        const char* Name;
        std::string Bytes;
        const char* Why;
    };
    const std::vector<TCase> cases = {
        {"not JSON", "places of the reader", "JSON"},
        {"empty", "", "JSON"},
        {"cut short", good.substr(0, good.size() / 2), "JSON"},
        {"an array", "[1,2]", "повреждён"},
        {"places not a list", R"({"version":1,"places":{}})", "повреждён"},
        {"switch not a boolean", R"({"version":1,"restore":"no","places":[]})", "повреждён"},
        {"no version", R"({"places":[]})", "повреждён"},
        {"version a string", R"({"version":"1","places":[]})", "повреждён"},
        {"version zero", R"({"version":0,"places":[]})", "повреждён"},
        {"newer format", R"({"version":2,"restore":false,"places":[]})", "новее"},
        {"newer format of another shape", R"({"version":3,"places":{"x":1}})", "новее"},
        {"too large", oversized, "велик"},
    };
    for (const TCase& c : cases) {
        const std::string file = dir.Write("places.json", c.Bytes);
        TPlaceStore store(file);
        const TLogEntries log = LoggedBy([&] { store.Load(); });
        ASSERT_EQ(log.size(), 1u) << c.Name;
        EXPECT_NE(log[0].Text.find(file), std::string::npos) << c.Name << ": " << log[0].Text;
        EXPECT_NE(log[0].Text.find(c.Why), std::string::npos) << c.Name << ": " << log[0].Text;
        EXPECT_TRUE(store.Books().empty()) << c.Name;
        EXPECT_TRUE(store.Restore()) << c.Name;

        store.Record("/b.tmr", {"q", 7, 0.5});
        ASSERT_TRUE(store.Save()) << c.Name;
        TPlaceStore again(file);
        EXPECT_TRUE(LoggedBy([&] { again.Load(); }).empty()) << c.Name;
        EXPECT_EQ(again.Books(), std::vector<std::string>{"/b.tmr"}) << c.Name;
    }
}

TEST(PlaceStore, badRecordsAreSkippedAndTheOthersKept) {
    TTempDir dir;
    const std::string file = dir.Write("places.json", R"({"version":1,"restore":false,"places":[
        {"book":"/good1.tmr","part":"p1","scroll":10,"fraction":0.5},
        {"book":"/no-part.tmr","scroll":10,"fraction":0.5},
        {"book":"/empty-part.tmr","part":"","scroll":10,"fraction":0.5},
        {"book":"/negative.tmr","part":"p","scroll":-1,"fraction":0.5},
        {"book":"/text-scroll.tmr","part":"p","scroll":"10","fraction":0.5},
        {"book":"/half-pixel.tmr","part":"p","scroll":1.5,"fraction":0.5},
        {"book":"/huge-scroll.tmr","part":"p","scroll":1e12,"fraction":0.5},
        {"book":"/no-fraction.tmr","part":"p","scroll":10},
        {"book":"/fraction-over.tmr","part":"p","scroll":10,"fraction":2},
        {"book":"","part":"p","scroll":10,"fraction":0.5},
        {"part":"p","scroll":10,"fraction":0.5},
        {"book":5,"part":"p","scroll":10,"fraction":0.5},
        {"book":"/good1.tmr","part":"older","scroll":1,"fraction":0},
        "not a record",
        {"book":"/good2.tmr","part":"p2","scroll":0,"fraction":0}]})");
    TPlaceStore store(file);
    const TLogEntries log = LoggedBy([&] { store.Load(); });
    EXPECT_EQ(store.Books(), (std::vector<std::string>{"/good1.tmr", "/good2.tmr"}));
    EXPECT_EQ(store.Find("/good1.tmr"), (TPlace{"p1", 10, 0.5}));
    EXPECT_FALSE(store.Restore());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].Text.find(": 13."), std::string::npos) << log[0].Text;
}

TEST(PlaceStore, failedSaveIsLoggedAndLeavesTheFileAsItWas) {
    TTempDir dir;
    dir.Write("blocked", "a file where the folder should be");
    const std::string readOnly = dir.Os("read-only");
    const std::string before =
        R"({"version":1,"restore":true,"places":[{"book":"/a.tmr","part":"p","scroll":5,"fraction":0.1}]})";
    dir.Write("read-only/places.json", before);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);

    std::vector<std::string> files = {dir.Os("blocked/places.json")};
    // The superuser writes into any folder.
    if (::geteuid() != 0) files.push_back(readOnly + "/places.json");
    for (const std::string& file : files) {
        TPlaceStore store(file);
        store.Load();
        store.Record("/b.tmr", {"q", 7, 0.5});
        bool saved = true;
        const TLogEntries log = LoggedBy([&] { saved = store.Save(); });
        EXPECT_FALSE(saved) << file;
        ASSERT_EQ(log.size(), 1u) << file;
        EXPECT_EQ(log[0].Level, TLogLevel::Error);
        EXPECT_NE(log[0].Text.find(file), std::string::npos) << log[0].Text;
    }
    EXPECT_EQ(ReadWholeFile(readOnly + "/places.json"), before);
    EXPECT_EQ(std::filesystem::directory_iterator(readOnly)->path().filename(), "places.json");  // no leftover
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_all);
}

}  // namespace
