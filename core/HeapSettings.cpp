#include "HeapSettings.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

const char* const LargeBookTunables = "glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1";
// Set for the program started again, so that it never starts itself a second time, even where
// glibc drops GLIBC_TUNABLES (a program that runs with raised privileges).
const char* const RestartedMark = "TOMERIA_HEAP_RESTARTED";

}  // namespace

std::optional<std::string> TunablesForLargeBooks(const char* current) {
    const std::string value = current != nullptr ? current : "";
    if (value.find("glibc.malloc.hugetlb=") != std::string::npos) return std::nullopt;
    return value.empty() ? LargeBookTunables : value + ":" + LargeBookTunables;
}

bool HugePagesOnRequest() {
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    // "always" gives them without asking; "never" not at all.
    return std::getline(mode, line) && line.find("[madvise]") != std::string::npos;
}

void RestartWithLargeBookHeap(char** argv) {
    if (std::getenv(RestartedMark) != nullptr) {
        ::unsetenv(RestartedMark);
        return;
    }
    const char* started = std::getenv("GLIBC_TUNABLES");
    const std::optional<std::string> tunables = TunablesForLargeBooks(started);
    if (!tunables || !HugePagesOnRequest()) return;
    const std::optional<std::string> original = started != nullptr ? std::optional<std::string>(started) : std::nullopt;
    ::setenv("GLIBC_TUNABLES", tunables->c_str(), 1);
    ::setenv(RestartedMark, "1", 1);
    ::execv("/proc/self/exe", argv);
    // Not started again: go on with the heap as it is and the environment as it was.
    ::unsetenv(RestartedMark);
    if (original)
        ::setenv("GLIBC_TUNABLES", original->c_str(), 1);
    else
        ::unsetenv("GLIBC_TUNABLES");
}
