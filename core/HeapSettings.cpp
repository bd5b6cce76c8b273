#include "HeapSettings.h"

#include <cstdlib>
#include <fstream>

std::optional<std::string> TunablesForLargeBooks(const char* current) {
    const std::string tunables = "glibc.malloc.hugetlb=1:glibc.malloc.arena_max=1";
    const std::string value = current != nullptr ? current : "";
    if (value.find("glibc.malloc.hugetlb=") != std::string::npos) return std::nullopt;
    return value.empty() ? tunables : value + ":" + tunables;
}

bool HugePagesOnRequest() {
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    // "always" gives them without asking; "never" not at all.
    return std::getline(mode, line) && line.find("[madvise]") != std::string::npos;
}

void SetTunablesForLargeBooks() {
    const std::optional<std::string> tunables = TunablesForLargeBooks(std::getenv("GLIBC_TUNABLES"));
    if (tunables && HugePagesOnRequest()) ::setenv("GLIBC_TUNABLES", tunables->c_str(), 1);
}
