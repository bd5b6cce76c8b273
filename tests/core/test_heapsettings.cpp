#include <gtest/gtest.h>

#include "HeapSettings.h"

TEST(HeapSettings, addsTheLargeBookTunablesToWhatWasGivenUnlessHugePagesAreSetAlready) {
    const struct {
        const char* Given;
        std::optional<std::string> Started;
    } cases[] = {
        {nullptr, "glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1"},
        {"", "glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1"},
        {"glibc.malloc.check=3", "glibc.malloc.check=3:glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1"},
        {"glibc.malloc.hugetlb=0", std::nullopt},
        {"glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Given != nullptr ? c.Given : "(unset)");
        EXPECT_EQ(TunablesForLargeBooks(c.Given), c.Started);
    }
}
