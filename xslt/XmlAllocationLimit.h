#pragma once
// A ceiling on any one block libxml2 and libxslt allocate. They count the lengths of strings
// and buffers in int: a stylesheet that builds a string of 2 GiB or more makes them go wrong
// without an error (concat() then yields nothing, so string-length() gives -1). Refusing larger
// blocks turns that into a memory error, which fails the run.
#include <cstddef>

inline constexpr std::size_t DefaultXmlAllocationLimit = std::size_t{1} << 30;

// Puts the limited allocator in place for the whole process; call once, before the first run.
void InstallXmlAllocationLimit();
// Changes the ceiling and returns the one before: tests lower it to show the failure without
// gigabytes.
std::size_t SetXmlAllocationLimit(std::size_t bytes);
