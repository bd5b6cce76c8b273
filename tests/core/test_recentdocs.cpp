// The recent-documents list: order, limit, one entry per file, and its section of the
// settings file.
#include <gtest/gtest.h>

#include "IniFile.h"
#include "RecentDocs.h"
#include "SettingsFile.h"

namespace {

using Docs = std::vector<std::string>;

TEST(RecentDocs, newestFirstAtMostFourAndAFileOnlyOnceHoweverItIsWritten) {
    Docs docs;
    for (const char* path : {"/b/a.ini", "/b/b.ini", "/b/c.ini", "/b/d.ini", "/b/e.ini"})
        AddRecentDoc(docs, path);
    EXPECT_EQ(docs, (Docs{"/b/e.ini", "/b/d.ini", "/b/c.ini", "/b/b.ini"}));

    // The same file again, written with "." and "..", doubled and backward separators.
    AddRecentDoc(docs, "/b/x/../c.ini");
    EXPECT_EQ(docs, (Docs{"/b/c.ini", "/b/e.ini", "/b/d.ini", "/b/b.ini"}));
    AddRecentDoc(docs, "\\b\\.\\b.ini");
    AddRecentDoc(docs, "/b//d.ini");
    EXPECT_EQ(docs, (Docs{"/b/d.ini", "/b/b.ini", "/b/c.ini", "/b/e.ini"}));

    EXPECT_TRUE(RemoveRecentDoc(docs, "/b/./c.ini"));
    EXPECT_FALSE(RemoveRecentDoc(docs, "/b/c.ini"));
    EXPECT_EQ(docs, (Docs{"/b/d.ini", "/b/b.ini", "/b/e.ini"}));
}

TEST(RecentDocs, savedInASectionOfItsOwnAfterControlStateAndReadBack) {
    TSettings saved;
    InitDefaultSettings(saved, "/prog/");
    saved.KeepShellDesign = false;
    *saved.LastDocs = {"/books/two/intro.ini", "/books/one/intro.tmr"};
    TIniFile ini = TIniFile::FromText("");
    WriteSettingsTo(ini, saved);
    const std::string text = ini.ToText();
    EXPECT_LT(text.find("[ControlState]"),
              text.find("[LastDocs]\nDoc1=/books/two/intro.ini\nDoc2=/books/one/intro.tmr\n"));
    EXPECT_EQ(text.find("Doc3"), std::string::npos);

    TSettings read;
    InitDefaultSettings(read, "/prog/");
    ReadSettingsFrom(TIniFile::FromText(text), read);
    EXPECT_EQ(*read.LastDocs, *saved.LastDocs);

    // An empty list writes no section at all.
    saved.LastDocs->clear();
    TIniFile empty = TIniFile::FromText("");
    WriteSettingsTo(empty, saved);
    EXPECT_EQ(empty.ToText().find("LastDocs"), std::string::npos);
}

TEST(RecentDocs, aDamagedSectionGivesAUsableListAndLeavesTheOtherSettingsAlone) {
    TSettings settings;
    InitDefaultSettings(settings, "/prog/");
    *settings.LastDocs = {"/left/over.ini"};  // replaced by what the file holds
    const std::string file =
        "[LastDocs]\n"
        "Doc1=\n"
        "Doc2=relative\\book.ini\n"
        "garbage without equals\n"
        "Doc3=/a/b/intro.ini\n"
        "Doc4=/a/./b/intro.ini\n"
        "Doc5=/too/many.ini\n"
        "\x01\x02\xff=\xfe\n"
        "[ControlState]\n"
        "DebugLevel=1\n";
    ReadSettingsFrom(TIniFile::FromText(file), settings);
    EXPECT_EQ(*settings.LastDocs, (Docs{"/a/b/intro.ini"}));
    EXPECT_EQ(settings.DebugLevel, 1);
    EXPECT_EQ(settings.OnStartDoc, "data\\intro.ini");
}

}  // namespace
