#include "SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

std::string SingleInstanceLockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return runtime;
    std::error_code ec;
    auto temp = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : temp.string();
}

TSingleInstance::TSingleInstance(const std::string& name)
    : Path((std::filesystem::path(SingleInstanceLockFolder()) / name).string()) {}

TSingleInstance::~TSingleInstance() {
    if (Fd >= 0) ::close(Fd);
}

bool TSingleInstance::TryAcquire() {
    if (IsHeld) return true;
    if (Fd < 0) Fd = ::open(Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (Fd < 0) return true;  // cannot test: counts as no other copy
    int rc;
    do
        rc = ::flock(Fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        IsHeld = true;
        return true;
    }
    return errno != EWOULDBLOCK;
}

void TSingleInstance::Release() {
    if (IsHeld && Fd >= 0) ::flock(Fd, LOCK_UN);
    IsHeld = false;
}
