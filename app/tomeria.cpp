// The "tomeria" command: starts the viewer beside it, with the arguments it was given and the
// heap settings for large books. A command of its own, because glibc reads those settings only
// when a program starts, and the viewer loads the browser engine's libraries before its main().
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "HeapSettings.h"

namespace {

// The viewer in the folder of this program, links resolved (/usr/bin/tomeria is a link).
std::string ViewerPath() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "tomeria-viewer";
    const std::string self(path, static_cast<size_t>(length));
    return self.substr(0, self.rfind('/') + 1) + "tomeria-viewer";
}

}  // namespace

int main(int, char** argv) {
    SetTunablesForLargeBooks();
    const std::string viewer = ViewerPath();
    ::execv(viewer.c_str(), argv);
    std::fprintf(stderr, "tomeria: не удалось запустить %s: %s\n", viewer.c_str(), std::strerror(errno));
    return 127;
}
