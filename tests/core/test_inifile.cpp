#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "IniFile.h"
#include "file_test_util.h"

namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        dir = temp.path().toStdString();
    }
    QTemporaryDir temp;
    fs::path dir;
};

// A descriptor with CR LF line ends and keys in mixed letter case, as book authors' editors write them.
const std::string Sample =
    "[BasicParams]\r\n"
    "RootPath=.\\\r\n"
    "Empty=\r\n"
    "  Spaced  =  some text  \r\n"
    "Hex1=0x1F\r\n"
    "Hex2=$1F\r\n"
    "HexUpper=0X1f\r\n"
    "Negative=-12\r\n"
    "Word=true\r\n"
    "Partly=12abc\r\n"
    "Big=258\r\n"
    "Twice=first\r\n"
    "TWICE=second\r\n"
    "\r\n"
    "[templatevariables]\r\n"
    "Zeta=1\r\n"
    "alpha=2\r\n"
    "Mid=3\r\n"
    "[LoneCR]\rA=1\rB=2\r";

TEST_F(IniFileTest, ReadsValuesByTheProfileRules) {
    WriteFile(dir / "intro.ini", Sample);
    const TIniFile ini((dir / "intro.ini").string());

    EXPECT_EQ(ini.ReadString("BasicParams", "RootPath", "x"), ".\\");
    EXPECT_EQ(ini.ReadString("basicparams", "ROOTPATH", "x"), ".\\");
    EXPECT_EQ(ini.ReadString("BasicParams", "Empty", "default"), "");
    EXPECT_EQ(ini.ReadString("BasicParams", "Missing", "default"), "default");
    EXPECT_EQ(ini.ReadString("NoSection", "RootPath", "default"), "default");
    EXPECT_EQ(ini.ReadString("BasicParams", "Spaced", ""), "some text");
    EXPECT_EQ(ini.ReadString("BasicParams", "twice", ""), "first");

    struct IntCase {
        const char* key;
        int32_t expected;
    } const ints[] = {
        {"Hex1", 31}, {"Hex2", 31},   {"HexUpper", 31}, {"Negative", -12}, {"Big", 258},
        {"Word", 77}, {"Partly", 77}, {"Empty", 77},    {"Missing", 77},   {"RootPath", 77},
    };
    for (const auto& c : ints)
        EXPECT_EQ(ini.ReadInteger("BasicParams", c.key, 77), c.expected) << c.key;
    EXPECT_EQ(static_cast<uint8_t>(ini.ReadInteger("BasicParams", "Big", 0)), 2);

    EXPECT_TRUE(ini.ReadBool("BasicParams", "Hex1", false));
    EXPECT_TRUE(ini.ReadBool("BasicParams", "Word", true));  // not a number: the default
    EXPECT_FALSE(ini.ReadBool("BasicParams", "Word", false));
    EXPECT_EQ(ini.ReadInteger("LoneCR", "B", 0), 2);
}

TEST_F(IniFileTest, SectionsListKeysInFileOrder) {
    const TIniFile ini = TIniFile::FromText(Sample);
    EXPECT_TRUE(ini.SectionExists("TemplateVariables"));
    EXPECT_FALSE(ini.SectionExists("TemplatePaths"));
    EXPECT_EQ(ini.ReadSection("TemplateVariables"), (std::vector<std::string>{"Zeta", "alpha", "Mid"}));
    const auto basic = ini.ReadSection("BasicParams");
    ASSERT_EQ(basic.size(), 11u);  // the key given twice is listed once
    EXPECT_EQ(basic.front(), "RootPath");
    EXPECT_EQ(basic.back(), "Twice");
    EXPECT_TRUE(ini.ReadSection("Missing").empty());
}

TEST_F(IniFileTest, LongValuesAreCutTo2047Bytes) {
    const TIniFile ini = TIniFile::FromText("[S]\nLong=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(ini.ReadString("S", "Long", "").size(), 2047u);
}

TEST_F(IniFileTest, MissingOrUnreadableFileReadsAsEmpty) {
    fs::create_directory(dir / "folder.ini");
    for (const fs::path& path : {dir / "absent.ini", dir / "folder.ini", fs::path("/dev/zero")}) {
        const TIniFile ini(path.string());
        EXPECT_FALSE(ini.SectionExists("S")) << path;
        EXPECT_EQ(ini.ReadInteger("S", "K", 5), 5) << path;
    }
}

TEST(IniInteger, ParsesDecimalAndHexWithinThirtyTwoBits) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    } const cases[] = {
        {"0", true, 0},
        {"+7", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"99999999999999999999", false, 0},
        {"$FFFFFFFF", true, -1},
        {"0x100000000", false, 0},
        {"-$10", true, -16},
        {"$", false, 0},
        {"0x", false, 0},
        {"1 2", false, 0},
        {"", false, 0},
        {"-", false, 0},
    };
    for (const auto& c : cases) {
        int32_t value = 0;
        EXPECT_EQ(ParseIniInteger(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST_F(IniFileTest, WrittenFileReadsBackInOrderWithUnixLineEnds) {
    const fs::path path = dir / "out.ini";
    TIniFile ini = TIniFile::NewFile(path.string());
    ini.WriteString("Second", "B", "text with = sign");
    ini.WriteInteger("First", "Number", -5);
    ini.WriteBool("Second", "Flag", true);
    ini.WriteString("Second", "B", "replaced");
    ini.WriteString("Second", "Injected", "line\nEvil=1");
    ini.UpdateFile();

    EXPECT_EQ(ReadFile(path), "[Second]\nB=replaced\nFlag=1\nInjected=line\n\n[First]\nNumber=-5\n");
    const TIniFile back(path.string());
    EXPECT_EQ(back.ReadInteger("first", "number", 0), -5);
    EXPECT_FALSE(fs::exists(path.string() + ".tmp"));
}

TEST_F(IniFileTest, FailedWriteKeepsTheOldFileAndNamesIt) {
    const fs::path path = dir / "tomeria.ini";
    WriteFile(path, "[ControlState]\nDebugLevel=1\n");
    // A folder where the new file would be written makes the write fail for any user.
    fs::create_directory(path.string() + ".tmp");

    TIniFile ini = TIniFile::NewFile(path.string());
    ini.WriteInteger("ControlState", "DebugLevel", 3);
    try {
        ini.UpdateFile();
        FAIL() << "the write should have failed";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path.string());
    }
    EXPECT_EQ(ReadFile(path), "[ControlState]\nDebugLevel=1\n");
}

}  // namespace
