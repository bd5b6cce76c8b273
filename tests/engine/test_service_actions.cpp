#include <gtest/gtest.h>

#include "ServiceActions.h"

namespace {

TEST(ActionIdOf, namesTheKnownCodesAndDoNothingForTheRest) {
    const std::vector<std::pair<int, std::string>> cases = {
        {0, "MakeTOC"},       {1, "Search"},    {2, "MD5SumRead"},  {3, "DoNothing"},
        {4, "MD5SumPrepare"}, {5, "DoNothing"}, {255, "DoNothing"},
    };
    for (const auto& [code, id] : cases)
        EXPECT_EQ(ActionIdOf(static_cast<TServiceAction>(code)), id) << code;
}

TEST(ParseQuery, keepsNameValueItemsUpToTheFirstEmptyOne) {
    struct Case {
        std::string query;
        TXSLTParameters expected;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"DivID=ch2", {{"DivID", "ch2"}}},
        {"DivID=a&DivID=b", {{"DivID", "a"}, {"DivID", "b"}}},
        {"x=1&&DivID=b", {{"x", "1"}}},  // an empty item ends the parsing
        {"a=1&", {{"a", "1"}}},
        {"&a=1", {}},
        {"flag&a=1", {{"a", "1"}}},             // an item without "=" is skipped
        {"a==b&=v", {{"a", "=b"}, {"", "v"}}},  // split at the first "="
        {"DivID=a%20b", {{"DivID", "a%20b"}}},  // no percent-decoding
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseQuery(c.query), c.expected) << c.query;
}

TEST(CutDivId, keepsAtMost255Characters) {
    EXPECT_EQ(CutDivId(std::string(300, 'a')), std::string(255, 'a'));
    EXPECT_EQ(CutDivId(std::string(255, 'a')), std::string(255, 'a'));
    EXPECT_EQ(CutDivId("ch1"), "ch1");

    // Two-byte characters: 300 of them become 255 whole characters (510 bytes).
    std::string cyrillic;
    for (int i = 0; i < 300; ++i)
        cyrillic += "\xD0\xB6";
    EXPECT_EQ(CutDivId(cyrillic), cyrillic.substr(0, 510));
}

}  // namespace
