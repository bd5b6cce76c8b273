#include "XmlAllocationLimit.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include <libxml/xmlmemory.h>

namespace {

std::atomic<std::size_t> Limit{DefaultXmlAllocationLimit};

void* LimitedMalloc(std::size_t size) { return size > Limit ? nullptr : std::malloc(size); }

void* LimitedRealloc(void* block, std::size_t size) { return size > Limit ? nullptr : std::realloc(block, size); }

char* Strdup(const char* text) { return ::strdup(text); }  // a copy of a block that was allowed

}  // namespace

// Blocks allocated before with malloc are freed by the same free, so the swap is safe at any time.
void InstallXmlAllocationLimit() { xmlMemSetup(std::free, LimitedMalloc, LimitedRealloc, Strdup); }

std::size_t SetXmlAllocationLimit(std::size_t bytes) { return Limit.exchange(bytes); }
