// Reads arbitrary bytes as the contents XML a service stylesheet gives. A text that does not
// parse sets nothing else; every entry read has a part identifier, unless the error says why.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "TContents.h"

namespace {

void CheckItems(const std::vector<TContentsItem>& items, std::size_t depth) {
    if (depth > 100000) std::abort();
    for (const TContentsItem& item : items)
        CheckItems(item.Children, depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string xml(reinterpret_cast<const char*>(data), size);
    const TContents contents = ReadContents(xml);
    if (!contents.Parsed && (!contents.Items.empty() || !contents.Error.empty())) std::abort();
    CheckItems(contents.Items, 0);
    return 0;
}
