#include <gtest/gtest.h>

#include "PathRules.h"
#include "TSettings.h"

namespace {

struct PathCase {
    const char* input;
    const char* expected;
};

TEST(PathRules, NormalizeFolderFollowsItsReplacementSteps) {
    const PathCase cases[] = {
        {"C:/books/atlas", "C:\\books\\atlas\\"},
        {"C:\\prog\\.\\data\\", "C:\\prog\\data\\"},
        {".\\", "\\"},
        {"", "\\"},
        {"\\\\srv\\share\\.\\x", "\\\\srv\\share\\x\\"},
        {"C:\\a\\..\\b", "C:\\a\\..\\b\\"},
        {"/opt/tomeria", "\\opt\\tomeria\\"},
        {"/", "\\"},
        {"data\\\\logs", "data\\\\logs\\"},  // a doubled separator is kept as it is
        {"..\\..\\x", "..\\..\\x\\"},
        {"..\\.\\x", "..\\x\\"},
        // Only whole "." segments go; a name that ends in a dot keeps it.
        {"/books/v1./x", "\\books\\v1.\\x\\"},
        {"a.\\.\\b", "a.\\b\\"},
        // Folders whose names hold "$" keep them: only real separators are rewritten.
        {"C:\\a..$b\\$$\\", "C:\\a..$b\\$$\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeFolder(c.input), c.expected) << "input: " << c.input;
}

TEST(PathRules, ResolvePathTakesDriveRootOrFolderOfBase) {
    struct Case {
        const char* base;
        const char* path;
        const char* expected;
    } const cases[] = {
        {"C:\\books\\atlas\\intro.ini", "data\\", "C:\\books\\atlas\\data\\"},
        {"C:\\books\\atlas\\intro.ini", "D:\\x\\", "D:\\x\\"},
        {"C:\\books\\atlas\\intro.ini", "\\x\\", "C:\\x\\"},
        {"C:\\books\\atlas\\intro.ini", "", "C:\\books\\atlas\\"},
        {"C:\\books\\atlas", "y", "C:\\books\\y"},
        {"C:\\books\\", "\\\\srv\\share\\b", "\\\\srv\\share\\b"},
        {"\\\\srv\\share\\books\\", "\\x", "\\\\srv\\share\\x"},
        // Rooted paths of this system, in either separator form.
        {"\\opt\\tomeria\\", "logs\\", "\\opt\\tomeria\\logs\\"},
        {"\\opt\\tomeria\\", "/home/anna/books/", "/home/anna/books/"},
        {"/home/anna/books/atlas/intro.tmr", "data\\", "/home/anna/books/atlas/data\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolvePath(c.base, c.path), c.expected) << "base: " << c.base << " path: " << c.path;
}

TEST(PathRules, FilePathFileNameAndDriveAcceptBothSeparators) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
        const char* drive;
    } const cases[] = {
        {"C:\\a\\b.xml", "C:\\a\\", "b.xml", "C:"},
        {"b.xml", "", "b.xml", ""},
        {"C:b.xml", "C:", "b.xml", "C:"},
        {"/home/anna/intro.tmr", "/home/anna/", "intro.tmr", ""},
        {"\\\\server\\share\\dir\\f", "\\\\server\\share\\dir\\", "f", "\\\\server\\share"},
        {"//server/share", "//server/", "share", "//server/share"},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.path), c.folder) << c.path;
        EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
        EXPECT_EQ(ExtractFileDrive(c.path), c.drive) << c.path;
    }
}

TEST(PathRules, NormalizeFilePathNormalisesOnlyTheFolder) {
    EXPECT_EQ(NormalizeFilePath("C:/books/./atlas/intro.ini"), "C:\\books\\atlas\\intro.ini");
    EXPECT_EQ(NormalizeFilePath("intro.ini"), "\\intro.ini");
    EXPECT_EQ(NormalizeFilePath("\\opt\\tomeria\\.\\tomeria.ini"), "\\opt\\tomeria\\tomeria.ini");
}

TEST(PathRules, OsPathUsesForwardSlashes) {
    EXPECT_EQ(ToOsPath("\\opt\\tomeria\\data\\book.xml"), "/opt/tomeria/data/book.xml");
    EXPECT_EQ(ToOsPath(ExecutableFolder()).back(), '/');
    EXPECT_EQ(ToOsPath(ExecutableFolder()).front(), '/');
}

TEST(DefaultSettings, ProgramFolderHasExactlyOneTrailingBackslash) {
    const PathCase cases[] = {
        {"/", "\\"},
        {"/opt/tomeria", "\\opt\\tomeria\\"},
        {"/opt/tomeria/", "\\opt\\tomeria\\"},
        {"C:\\", "C:\\"},
    };
    for (const auto& c : cases) {
        TSettings s;
        InitDefaultSettings(s, c.input);
        EXPECT_EQ(s.ProgramDir, c.expected) << c.input;
    }
}

TEST(DefaultSettings, DerivedValuesAndLayoutNames) {
    TSettings s;
    InitDefaultSettings(s, "/opt/tomeria");
    EXPECT_EQ(s.SettingsPath, "\\opt\\tomeria\\tomeria.ini");
    EXPECT_EQ(s.OnStartDoc, "data\\intro.ini");
    EXPECT_EQ(s.WorkPath, ".\\");
    EXPECT_EQ(s.LogFileName, "tomeria.log");
    EXPECT_EQ(s.StdToolbar.Name, "StdToolbar");
    EXPECT_EQ(s.SearchToolbar.Name, "SearchToolbar");
    EXPECT_EQ(s.DebugToolbar.Name, "DebugToolbar");
    EXPECT_EQ(s.DebugWindow.Name, "DebugWindow");
    EXPECT_EQ(s.MainWindow.Name, "MainWindow");
    EXPECT_EQ(s.DebugLevel, 3);
    EXPECT_EQ(s.BrowserFontSize, 2);
    EXPECT_EQ(s.AlphaBlendValueUnactive, 128);
    EXPECT_EQ(s.AlphaBlendValueActive, 250);
    EXPECT_TRUE(s.KeepShellDesign);
    EXPECT_FALSE(s.KeepControlState);
    ASSERT_TRUE(s.LastDocs);
    EXPECT_TRUE(s.LastDocs->empty());
}

TEST(DefaultSettings, CopyDuplicatesFieldsButSharesRecentDocuments) {
    TSettings defaults;
    InitDefaultSettings(defaults, "/opt/tomeria");
    TSettings copy = defaults;
    copy.DataPath = "books\\";
    copy.LastDocs->push_back("a.tmr");
    EXPECT_EQ(defaults.DataPath, "data\\");
    EXPECT_EQ(defaults.LastDocs.get(), copy.LastDocs.get());
    ASSERT_EQ(defaults.LastDocs->size(), 1u);
}

}  // namespace
