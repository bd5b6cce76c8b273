#pragma once
// Whole-file writes for tests, byte for byte (reads: ReadWholeFile of OsFiles.h), and running a step as an ordinary
// user.
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// The names in a folder, sorted.
inline std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline constexpr uid_t UnprivilegedId = 65534;  // "nobody"

// Runs body in a child process without root's privileges (as "nobody" when the tests run as
// root), so that access rights apply; returns the child's exit code, which is body's result.
inline int RunUnprivileged(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(UnprivilegedId) != 0 || ::setuid(UnprivilegedId) != 0)) ::_exit(125);
        int code = 126;
        try {
            code = body();
        } catch (...) {
            code = 127;
        }
        ::_exit(code);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Hands a file or folder to the user RunUnprivileged runs as, with the given access rights.
inline void GiveToUnprivileged(const std::filesystem::path& path, std::filesystem::perms perms) {
    if (::geteuid() == 0 && ::chown(path.c_str(), UnprivilegedId, UnprivilegedId) != 0)
        throw std::runtime_error("chown failed");
    std::filesystem::permissions(path, perms);
}
