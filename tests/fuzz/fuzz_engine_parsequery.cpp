// Reads arbitrary bytes as the query of an internal link, directly and as part of a whole
// URL. Every pair is a piece of the query, and parsing the pairs written back gives them again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ServiceActions.h"
#include "SplitURI.h"

namespace {

void Check(const std::string& query) {
    const TXSLTParameters pairs = ParseQuery(query);
    std::string written;
    for (const TXSLTParameter& pair : pairs) {
        if (pair.Name.find_first_of("&=") != std::string::npos) std::abort();
        if (pair.Value.find('&') != std::string::npos) std::abort();
        if (query.find(pair.Name + "=" + pair.Value) == std::string::npos) std::abort();
        written += (written.empty() ? "" : "&") + pair.Name + "=" + pair.Value;
    }
    if (!(ParseQuery(written) == pairs)) std::abort();
    for (const TXSLTParameter& pair : pairs)
        if (CutDivId(pair.Value).size() > pair.Value.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Check(text);
    Check(SplitURI("tomeri://showdoc/?" + text).Query);
    return 0;
}
