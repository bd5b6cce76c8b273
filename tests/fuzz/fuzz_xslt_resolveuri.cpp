// Resolves one part of the input against the other and decodes the result as a file URI.
// A successful resolution must itself be a valid URI.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "TUriStrAnalyzer.h"
#include "sabutils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string base = input.substr(0, split);
    const std::string reference = split == std::string::npos ? std::string() : input.substr(split + 1);

    std::string resolved;
    if (ResolveUri(base, reference, resolved)) {
        TUriStrAnalyzer check;
        if (!check.Parse(resolved)) std::abort();
    } else if (!resolved.empty()) {
        std::abort();
    }
    std::string path, authority, query, fragment;
    DecodeFileUri(resolved.empty() ? input : resolved, path, authority, query, fragment);
    std::string key, value;
    SplitKeyValue(input, key, value);
    SchemeOfUri(input);
    return 0;
}
