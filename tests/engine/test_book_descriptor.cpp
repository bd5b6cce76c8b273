#include <gtest/gtest.h>

#include <sys/stat.h>

#include "BookDescriptor.h"
#include "TTempDir.h"
#include "IniFile.h"
#include "PathRules.h"
#include "TemplateExpansion.h"

namespace {

// A program folder "prog/" with its data folder, and a book folder "book/" beside it.
class BookDescriptorTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitDefaultSettings(Settings, Dir.Os("prog"));
        Dir.Write("prog/data/service.xslt", "program service");
        Dir.Write("book/shemes/book.xsltt", "book template");
    }

    TBookInfo Open(const std::string& descriptorBytes, const std::string& descriptorPath = "book/data/intro.ini") {
        Dir.Write(descriptorPath, descriptorBytes);
        TBookInfo book;
        SetBookDefaults(book, Settings);
        book.DescriptorFile = Dir.Win(descriptorPath);
        ReadBookDescriptor(book, Settings);
        return book;
    }

    std::string Uri(const std::string& relative) const { return "file://" + Dir.Os(relative); }

    TTempDir Dir;
    TSettings Settings;
};

TEST_F(BookDescriptorTest, rootPathResolvesDataAndTemplateUris) {
    const TBookInfo book = Open("[BasicParams]\r\nRootPath=" + Dir.Win("book") + "\\\r\n");
    EXPECT_EQ(book.RootPath, Dir.Win("book") + "\\");
    EXPECT_EQ(book.BookXMLFName, Uri("book/data/book.xml"));
    EXPECT_EQ(book.BookXSLTTFName, Uri("book/shemes/book.xsltt"));
    EXPECT_EQ(book.TemplateParams, (TXSLTParameters{{"RootPath", book.RootPath}}));
    EXPECT_EQ(book.BookXSLTT, "book template");
    EXPECT_TRUE(book.TOCisExpanded);
}

TEST_F(BookDescriptorTest, relativeRootInEitherSeparatorIsResolvedAgainstTheDescriptorFolder) {
    for (const std::string root : {"..\\", "../"}) {
        const TBookInfo book = Open("[BasicParams]\nRootPath=" + root + "\n");
        EXPECT_EQ(book.BookXSLTT, "book template") << root;
        EXPECT_EQ(book.BookXSLTTFName, "file://" + Dir.Os("book/data/../shemes/book.xsltt")) << root;
    }
}

// A file without [BasicParams] is no descriptor: reading it would open the program's data
// folder as the book.
TEST_F(BookDescriptorTest, aFileWithoutBasicParamsIsNoDescriptor) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 131 + 7) % 256);
    const std::string cases[] = {"", garbage, "[TemplateVariables]\nv=1\n"};
    for (const std::string& bytes : cases) {
        const std::string path = Dir.Write("book/data/intro.ini", bytes);
        EXPECT_NE(DescriptorFault(path).find("[BasicParams]"), std::string::npos);
        EXPECT_THROW(Open(bytes), std::runtime_error);
    }
    Dir.Write("book/data/intro.ini", "[basicparams]\n");
    EXPECT_EQ(DescriptorFault(Dir.Os("book/data/intro.ini")), "");
}

TEST_F(BookDescriptorTest, bookFileNamesAbsoluteOrRelative) {
    const TBookInfo absolute =
        Open("[BasicParams]\nRootPath=..\\\nBookXMLFName=\\x\\b.xml\nBookXSLTTFName=/y/t.xsltt\n");
    EXPECT_EQ(absolute.BookXMLFName, "file:///x/b.xml");
    EXPECT_EQ(absolute.BookXSLTTFName, "file:///y/t.xsltt");

    // Without the trailing backslash "data" is taken for a file name: the XML lies in the root.
    const TBookInfo noSlash = Open("[BasicParams]\nRootPath=..\\\nDataPath=data\n");
    EXPECT_EQ(noSlash.BookXMLFName, "file://" + Dir.Os("book/data/../book.xml"));
}

TEST_F(BookDescriptorTest, serviceStylesheetLookup) {
    Dir.Write("book/own.xslt", "book service");
    struct Case {
        const char* name;
        std::string line;
        std::string uri;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"default name finds the program's", "", Uri("prog/data/service.xslt"), "program service"},
        {"empty value names the program's", "ServiceXSLTFile=\n", Uri("prog/data/service.xslt"), "program service"},
        {"relative, present in the root", "ServiceXSLTFile=own.xslt\n", Uri("book/own.xslt"), "book service"},
        {"relative, absent from the root", "ServiceXSLTFile=service.xslt\n", Uri("prog/data/service.xslt"),
         "program service"},
        {"absolute stays", "ServiceXSLTFile=" + Dir.Win("book/own.xslt") + "\n", Uri("book/own.xslt"), "book service"},
        {"missing absolute gives no text", "ServiceXSLTFile=/nowhere/s.xslt\n", "file:///nowhere/s.xslt", ""},
    };
    for (const Case& c : cases) {
        const TBookInfo book = Open("[BasicParams]\nRootPath=" + Dir.Win("book") + "\\\n" + c.line);
        EXPECT_EQ(book.ServiceXSLTFile, c.uri) << c.name;
        EXPECT_EQ(book.ServiceXSLT, c.text) << c.name;
    }
}

TEST_F(BookDescriptorTest, tocIsExpandedReadsIntegersOnly) {
    EXPECT_FALSE(Open("[BasicParams]\nTOCisExpanded=0\n").TOCisExpanded);
    EXPECT_TRUE(Open("[BasicParams]\nTOCisExpanded=false\n").TOCisExpanded);
    EXPECT_TRUE(Open("[BasicParams]\nTOCisExpanded=2\n").TOCisExpanded);
}

TEST_F(BookDescriptorTest, templateVariablesPathsAndRootPathOrder) {
    const TBookInfo book = Open("[BasicParams]\nRootPath=" + Dir.Win("book") +
                                "\\\n"
                                "[TemplateVariables]\nv=plain\nRootPath=mine\nkeep=C:\\as\\is\n"
                                "[TemplatePaths]\nv=img\nempty=\nup=../shared/\n");
    const std::string root = Dir.Win("book") + "\\";
    const TXSLTParameters expected = {
        {"v", "plain"},  {"RootPath", "mine"},          {"keep", "C:\\as\\is"}, {"v", root + "img\\"},
        {"empty", root}, {"up", root + "..\\shared\\"}, {"RootPath", root},
    };
    EXPECT_EQ(book.TemplateParams, expected);
    EXPECT_EQ(ExpandTemplate("<%v%>|<%RootPath%>", book.TemplateParams), root + "img\\|" + root);
}

TEST_F(BookDescriptorTest, aVeryLongValueIsCutAndTheRestOfTheDescriptorRead) {
    const std::string longLine = "[BasicParams]\nRootPath=" + std::string(10 * 1024 * 1024, 'r') + "\nDataPath=d\\\n";
    const TBookInfo book = Open(longLine);
    EXPECT_EQ(book.BookXSLTTFName.substr(0, 7), "file://");
    EXPECT_EQ(book.TemplateParams.back().Name, "RootPath");
    EXPECT_EQ(book.DataPath, "d\\");
}

// Reading a descriptor that is gone since it was chosen says so rather than open the
// program's data folder as the book.
TEST_F(BookDescriptorTest, aMissingDescriptorIsRefused) {
    TBookInfo book;
    SetBookDefaults(book, Settings);
    book.DescriptorFile = Dir.Win("nowhere/intro.ini");
    EXPECT_THROW(ReadBookDescriptor(book, Settings), std::runtime_error);
}

TEST_F(BookDescriptorTest, setBookDefaultsResetsAnEarlierBook) {
    TBookInfo book = Open("[BasicParams]\nTOCisExpanded=0\nDataPath=x\\\n[TemplateVariables]\na=1\n");
    book.Opened = true;
    SetBookDefaults(book, Settings);
    EXPECT_TRUE(book.TemplateParams.empty());
    EXPECT_EQ(book.DataPath, "data\\");
    EXPECT_TRUE(book.TOCisExpanded);
    EXPECT_FALSE(book.Opened);
}

TEST(LoadTextFromUri, readsBytesWithoutLineBreaks) {
    TTempDir dir;
    dir.Write("s.xslt", "a\r\nb\rc\n\xEF\xBB\xBF\xCA\n");
    EXPECT_EQ(LoadTextFromUri("file://" + dir.Os("s.xslt")), "abc\xEF\xBB\xBF\xCA");
    EXPECT_EQ(LoadTextFromUri("FILE://" + dir.Os("s.xslt")), "abc\xEF\xBB\xBF\xCA");
    EXPECT_EQ(LoadTextFromUri("http://" + dir.Os("s.xslt")), "");
    EXPECT_EQ(LoadTextFromUri(dir.Os("s.xslt")), "");  // no scheme at all
    EXPECT_EQ(LoadTextFromUri("file://" + dir.Os("missing.xslt")), "");
    EXPECT_EQ(LoadTextFromUri("file://" + dir.Os("")), "");  // a folder is no file
    ASSERT_EQ(mkfifo(dir.Os("pipe").c_str(), 0600), 0);
    EXPECT_EQ(LoadTextFromUri("file://" + dir.Os("pipe")), "");  // nor a pipe: reading it would block

    dir.Write("empty.xslt", "");
    EXPECT_EQ(LoadTextFromUri("file://" + dir.Os("empty.xslt")), "");

    const std::string line(10 * 1024 * 1024, 'x');
    dir.Write("long.xslt", line + "\n");
    EXPECT_EQ(LoadTextFromUri("file://" + dir.Os("long.xslt")), line);
}

TEST_F(BookDescriptorTest, findDescriptorTakesRelativePathsFromTheDataFolderAndOnlyRegularFiles) {
    Dir.Write("prog/data/data/intro.ini", "[BasicParams]\n");
    Dir.Write("book/data/intro.ini", "[BasicParams]\n");
    struct Case {
        std::string Given;
        std::string Found;  // OS path, "" for none
    } const cases[] = {
        {"data\\intro.ini", Dir.Os("prog/data/data/intro.ini")},
        {"data/intro.ini", Dir.Os("prog/data/data/intro.ini")},
        {"..\\book\\data\\intro.ini", ""},  // data/../book is not the book beside prog/
        {Dir.Os("book/data/intro.ini"), Dir.Os("book/data/intro.ini")},
        {Dir.Win("book/data/intro.ini"), Dir.Os("book/data/intro.ini")},
        {"data\\missing.ini", ""},
        {"data", ""},  // a folder is no descriptor
        {Dir.Os("book/data"), ""},
    };
    for (const Case& c : cases) {
        const std::string found = FindDescriptor(c.Given, Settings);
        EXPECT_EQ(found.empty() ? "" : ToOsPath(found), c.Found) << c.Given;
    }
}

TEST_F(BookDescriptorTest, anAbsoluteWorkFolderHoldsTheDataFolder) {
    Dir.Write("work/data/atlas/intro.ini", "[BasicParams]\n");
    for (const std::string& work : {Dir.Win("work") + "\\", Dir.Os("work") + "/"}) {
        Settings.WorkPath = work;
        EXPECT_EQ(ToOsPath(DataFolder(Settings)), Dir.Os("work/data") + "/") << work;
        EXPECT_EQ(ToOsPath(FindDescriptor("atlas\\intro.ini", Settings)), Dir.Os("work/data/atlas/intro.ini")) << work;
    }
}

}  // namespace
