// Splits arbitrary bytes as a URI. Without percent-decoding nothing is invented: every
// part but the lower-cased scheme and the joined file path is a piece of the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "SplitURI.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string uri(reinterpret_cast<const char*>(data), size);
    const TSplittedURI parts = SplitURI(uri);
    for (const std::string* part : {&parts.Host, &parts.Document, &parts.Query, &parts.Fragment}) {
        if (uri.find(*part) == std::string::npos) std::abort();
    }
    if (parts.Scheme.empty() && uri.find("://") != 0) std::abort();
    if (parts.Scheme == "file" && !parts.Host.empty()) std::abort();
    return 0;
}
