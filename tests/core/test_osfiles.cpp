// Whole-file reads of OS paths.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "OsFiles.h"
#include "file_test_util.h"

namespace {

TEST(OsFiles, readWholeFileGivesTheBytesOfARegularFileWithinTheLimit) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const std::string dir = temp.path().toStdString();
    const std::string bytes("line\r\n\0\xff end", 12);
    WriteFile(dir + "/file.bin", bytes);
    WriteFile(dir + "/empty", "");
    std::filesystem::create_directory(dir + "/folder");

    const struct {
        const char* Name;
        std::uintmax_t Limit;
        std::optional<std::string> Expected;
    } cases[] = {
        {"file.bin", UINTMAX_MAX, bytes},       {"file.bin", 12, bytes},
        {"file.bin", 11, std::nullopt},         {"empty", 0, std::string()},
        {"missing", UINTMAX_MAX, std::nullopt}, {"folder", UINTMAX_MAX, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadWholeFile(dir + "/" + c.Name, c.Limit), c.Expected) << c.Name << " " << c.Limit;
    EXPECT_EQ(ReadWholeFile("/dev/null"), std::nullopt);  // a device is no file to read
}

}  // namespace
