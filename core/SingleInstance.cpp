#include "SingleInstance.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string TemporaryFolder() {
    std::error_code ec;
    const auto temp = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : temp.string();
}

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace

std::string CheckPrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) ::chmod(path.c_str(), 0700);  // the umask may have taken more
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "папка недоступна (" + std::string(std::strerror(errno)) + ")";
    if (S_ISLNK(st.st_mode)) return "это символическая ссылка, а не папка";
    if (!S_ISDIR(st.st_mode)) return "это не папка";
    if (st.st_uid != ::getuid())
        return "папка принадлежит другому пользователю (uid " + std::to_string(st.st_uid) + ")";
    if ((st.st_mode & 07777) != 0700) return "права доступа " + OctalMode(st.st_mode) + " вместо 0700";
    return {};
}

TLockFolder SingleInstanceLockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return {runtime, {}};
    const std::string folder =
        (std::filesystem::path(TemporaryFolder()) / ("tomeria-" + std::to_string(::getuid()))).string();
    const std::string problem = CheckPrivateFolder(folder);
    if (problem.empty()) return {folder, {}};
    return {{},
            "Папка " + folder + " не годится для блокировки единственной копии и для передачи книг: " + problem +
                ". Её мог создать другой пользователь. Программа работает без защиты от второй копии и без передачи "
                "книг; удалите эту папку или задайте XDG_RUNTIME_DIR."};
}

TSingleInstance::TSingleInstance(const std::string& name) {
    TLockFolder folder = SingleInstanceLockFolder();
    Error = std::move(folder.Error);
    if (Error.empty()) Path = (std::filesystem::path(folder.Path) / name).string();
}

TSingleInstance::~TSingleInstance() {
    if (Fd >= 0) ::close(Fd);
}

bool TSingleInstance::TryAcquire() {
    if (IsHeld || Path.empty()) return true;
    if (Fd < 0) Fd = ::open(Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
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
