// Parses arbitrary bytes as a URI; a successful parse must compose back to the same text
// and a failed one must leave every part cleared.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "TUriStrAnalyzer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string uri(reinterpret_cast<const char*>(data), size);
    TUriStrAnalyzer analyzer;
    if (analyzer.Parse(uri)) {
        if (analyzer.Compose() != uri) std::abort();
        TUriStrAnalyzer again;
        if (!again.Parse(analyzer.Compose())) std::abort();
    } else if (!analyzer.Compose().empty() || analyzer.SchemePresent || analyzer.AuthorityPresent ||
               analyzer.QueryPresent || analyzer.FragmentPresent) {
        std::abort();
    }
    return 0;
}
