#include <gtest/gtest.h>

#include "PathRules.h"

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

}  // namespace
