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

TEST(PathRules, RelativePathClimbsOutOfBaseThenDescendsIntoTarget) {
    struct Case {
        const char* base;
        const char* target;
        const char* expected;
    } const cases[] = {
        {"C:\\prog\\data\\", "C:\\prog\\data\\book1\\", "book1\\"},
        {"C:\\prog\\data\\", "C:\\books\\atlas\\", "..\\..\\books\\atlas\\"},
        {"C:\\prog\\", "C:\\prog\\", ""},
        {"C:\\prog\\", "C:\\prog\\logs", "logs"},  // a folder chosen without its trailing separator
        // Another drive, or a UNC share, keeps the target whole; drive letters ignore case.
        {"C:\\prog\\", "D:\\x\\y.ini", "D:\\x\\y.ini"},
        {"c:\\Prog\\", "C:\\prog\\logs\\", "logs\\"},
        {"\\\\srv\\share\\a\\", "\\\\srv\\share\\b\\c.ini", "..\\b\\c.ini"},
        {"\\\\srv\\share\\a\\", "\\\\srv\\other\\b\\", "\\\\srv\\other\\b\\"},
        // Rooted paths of this system, either separator; their folder names keep their case.
        {"\\opt\\tomeria\\data\\", "/opt/tomeria/data/book1/", "book1\\"},
        {"/home/anna/", "/home/Anna/x/", "..\\Anna\\x\\"},
        {"\\home\\анна\\", "/home/анна/мои книги/", "мои книги\\"},
        // A "." folder of the base (an unnormalised work folder ".\\") is no folder to climb out of.
        {"\\opt\\tomeria\\.\\", "/opt/tomeria/logs", "logs"},
        // A target that is already relative stays as typed.
        {"\\opt\\tomeria\\", "logs\\", "logs\\"},
        {"\\opt\\tomeria\\", "", ""},
        {"C:\\prog\\", "..\\x\\", "..\\x\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RelativePath(c.base, c.target), c.expected) << "base: " << c.base << " target: " << c.target;
}

TEST(PathRules, MakeRelativeFileNameDropsQuotesAndKeepsTheFileName) {
    struct Case {
        const char* base;
        const char* name;
        const char* expected;
    } const cases[] = {
        {"C:\\prog\\data\\", "C:\\prog\\data\\book1\\intro.ini", "book1\\intro.ini"},
        {"\\opt\\tomeria\\data\\", "/opt/tomeria/data/book1/intro.ini", "book1\\intro.ini"},
        {"\\opt\\tomeria\\data\\", "\"/opt/tomeria/data/a b/intro.ini\"", "a b\\intro.ini"},
        {"\\opt\\tomeria\\data\\", "/home/anna/atlas/intro.tmr", "..\\..\\..\\home\\anna\\atlas\\intro.tmr"},
        {"\\opt\\tomeria\\data\\", "data\\intro.ini", "data\\intro.ini"},
        {"\\opt\\tomeria\\data\\", "intro.ini", "intro.ini"},
        {"C:\\prog\\data\\", "D:\\books\\intro.ini", "D:\\books\\intro.ini"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeRelativeFileName(c.base, c.name), c.expected) << "base: " << c.base << " name: " << c.name;
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

TEST(DefaultSettings, RecordsCompareEveryFieldAndRecentDocumentsByContent) {
    TSettings a;
    TSettings b;
    InitDefaultSettings(a, "/opt/tomeria");
    InitDefaultSettings(b, "/opt/tomeria");
    EXPECT_TRUE(a == b);  // two lists, both empty
    b.LastDocs->push_back("x.tmr");
    EXPECT_FALSE(a == b);
    a.LastDocs->push_back("x.tmr");
    EXPECT_TRUE(a == b);
    a.LastDocs->clear();
    b.LastDocs = TRecentDocs();  // no list is an empty list
    EXPECT_TRUE(a == b);
    b.UseInTOCOneClickAsDblClick = !a.UseInTOCOneClickAsDblClick;
    EXPECT_FALSE(a == b);
}

}  // namespace
