#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "IniFile.h"
#include "OsFiles.h"
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

    EXPECT_EQ(ReadWholeFile(path), "[Second]\nB=replaced\nFlag=1\nInjected=line\n\n[First]\nNumber=-5\n");
    const TIniFile back(path.string());
    EXPECT_EQ(back.ReadInteger("first", "number", 0), -5);
    EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"out.ini"});
}

// The writer runs as an ordinary user in a folder of its own, so that access rights apply
// also when the tests run as root.
class IniFileSaveTest : public IniFileTest {
protected:
    void SetUp() override {
        IniFileTest::SetUp();
        fs::permissions(dir, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        folder = dir / "settings";
        fs::create_directory(folder);
        path = folder / "tomeria.ini";
        WriteFile(path, "[ControlState]\nDebugLevel=1\n");
    }
    // Saves DebugLevel=3 as the unprivileged user: 0 when saved, else 1 and the message.
    int SaveAsUser(std::string& message) {
        const fs::path messageFile = dir / "message.txt";
        const int code = RunUnprivileged([&] {
            TIniFile ini = TIniFile::NewFile(path.string());
            ini.WriteInteger("ControlState", "DebugLevel", 3);
            try {
                ini.UpdateFile();
                return 0;
            } catch (const std::runtime_error& e) {
                std::ofstream(messageFile) << e.what();
                return 1;
            }
        });
        message = ReadWholeFile(messageFile).value_or("");
        return code;
    }
    fs::path folder, path;
};

TEST_F(IniFileSaveTest, folderThatTakesNoNewFile_writableFileIsRewrittenInPlace) {
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_exec;
    GiveToUnprivileged(path, fs::perms::owner_read | fs::perms::owner_write);
    GiveToUnprivileged(folder, readOnly);
    GiveToUnprivileged(dir, readOnly | fs::perms::owner_write);  // for the message only
    std::string message;
    EXPECT_EQ(SaveAsUser(message), 0) << message;
    EXPECT_EQ(ReadWholeFile(path), "[ControlState]\nDebugLevel=3\n");
    EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"tomeria.ini"});
}

TEST_F(IniFileSaveTest, nothingWritable_failsInRussianNamingTheFile_andLeavesAllAsItWas) {
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_exec;
    GiveToUnprivileged(path, fs::perms::owner_read);
    GiveToUnprivileged(folder, readOnly);
    GiveToUnprivileged(dir, readOnly | fs::perms::owner_write);
    std::string message;
    EXPECT_EQ(SaveAsUser(message), 1);
    EXPECT_EQ(message, "Не удалось записать файл " + path.string() + ": нет прав на запись.");
    EXPECT_EQ(ReadWholeFile(path), "[ControlState]\nDebugLevel=1\n");
    EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"tomeria.ini"});
}

TEST_F(IniFileTest, newFileIsMadeFresh_whatIsPlantedBesideTheFileIsNotFollowed) {
    const fs::path path = dir / "tomeria.ini";
    const fs::path victim = dir / "victim.txt";
    WriteFile(victim, "keep me");
    // The name an older version wrote its new file under, and one that resembles the fresh names.
    fs::create_symlink(victim, path.string() + ".tmp");
    fs::create_symlink(victim, path.string() + ".XXXXXX");
    TIniFile ini = TIniFile::NewFile(path.string());
    ini.WriteInteger("ControlState", "DebugLevel", 3);
    ini.UpdateFile();
    EXPECT_EQ(ReadWholeFile(path), "[ControlState]\nDebugLevel=3\n");
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(ReadWholeFile(victim), "keep me");
    EXPECT_EQ(NamesIn(dir),
              (std::vector<std::string>{"tomeria.ini", "tomeria.ini.XXXXXX", "tomeria.ini.tmp", "victim.txt"}));
}

TEST_F(IniFileTest, failedReplacement_leavesNoTemporaryFileBehind) {
    const fs::path path = dir / "tomeria.ini";
    fs::create_directory(path);  // the new file cannot be renamed over a folder
    TIniFile ini = TIniFile::NewFile(path.string());
    ini.WriteInteger("ControlState", "DebugLevel", 3);
    try {
        ini.UpdateFile();
        FAIL() << "the write should have failed";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Не удалось записать файл " + path.string() + ": на месте файла находится папка.");
    }
    EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"tomeria.ini"});
}

}  // namespace
