#include "OsFiles.h"

#include <sys/stat.h>

bool IsRegularFile(const std::string& osPath) {
    struct stat info {};
    return ::stat(osPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
