#pragma once
// The heap a large book is parsed into. A 25 MB book.xml becomes some 150 MB of small nodes,
// and on a machine whose kernel gives transparent huge pages on request, most of the parse is
// spent faulting in 4 KB pages one at a time. glibc asks for huge pages when its tunables say
// so ("glibc.malloc.hugetlb=1"); with one heap for all threads ("glibc.malloc.arena_max=1") that
// also covers the worker thread that parses. glibc reads its tunables only when a program
// starts, so the program starts itself once more with them.
#include <optional>
#include <string>

// The GLIBC_TUNABLES value to start with, given the one the program was started with (null
// when unset); none when the huge-page setting is there already, set by the user or by an
// earlier start, and is left as it is.
std::optional<std::string> TunablesForLargeBooks(const char* current);

// Whether the kernel gives transparent huge pages to memory that asks for them.
bool HugePagesOnRequest();

// Replaces the running program by itself started with those tunables, when they would change
// anything; returns when they would not, in the program so started, or when the start fails.
// Call first thing in main, before any thread exists.
void RestartWithLargeBookHeap(char** argv);
