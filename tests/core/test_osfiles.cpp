// Whole-file reads of OS paths.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "OsFiles.h"
#include "TTempDir.h"

namespace {

TEST(OsFiles, readWholeFileGivesTheBytesOfARegularFileWithinTheLimit) {
    const TTempDir dir;
    const std::string bytes("line\r\n\0\xff end", 12);
    dir.Write("file.bin", bytes);
    dir.Write("empty", "");
    dir.Write("folder/inside", "");

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
        EXPECT_EQ(ReadWholeFile(dir.Os(c.Name), c.Limit), c.Expected) << c.Name << " " << c.Limit;
    EXPECT_EQ(ReadWholeFile("/dev/null"), std::nullopt);  // a device is no file to read
}

}  // namespace
