#pragma once
// The heap a large book is parsed into. A 25 MB book.xml becomes some 150 MB of small nodes,
// and on a machine whose kernel gives transparent huge pages on request, most of the parse goes
// into faulting in 4 KB pages one at a time. glibc asks for huge pages when its tunables say so
// ("glibc.malloc.hugetlb=1"); with one heap for all threads ("glibc.malloc.arena_max=1") that
// covers the worker thread that parses too. glibc reads its tunables only when a program starts,
// so the "tomeria" command sets them and starts the viewer. No Qt here: the command is small.
#include <optional>
#include <string>

// The GLIBC_TUNABLES value to start the viewer with, given the current one (null when unset);
// none when the huge-page setting is there already, set by the user, and is left as it is.
std::optional<std::string> TunablesForLargeBooks(const char* current);

// Whether the kernel gives transparent huge pages to memory that asks for them.
bool HugePagesOnRequest();

// Sets GLIBC_TUNABLES for the program about to be started, where it changes anything.
void SetTunablesForLargeBooks();
