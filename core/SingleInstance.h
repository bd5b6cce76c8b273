#pragma once
// One running copy per user: an exclusive flock on a lock file in the user's runtime folder
// ($XDG_RUNTIME_DIR, else a folder of the user's own in the temporary folder). The kernel
// drops the lock when the holder ends, also when it dies, so a later copy starts normally.
#include <string>

// The folder of the lock file and of the hand-over socket beside it.
struct TLockFolder {
    std::string Path;   // empty when refused
    std::string Error;  // why the folder was refused, for the reader; empty when it is usable
};

// $XDG_RUNTIME_DIR when set. Otherwise "tomeria-<uid>" in the temporary folder, made with mode
// 0700 when missing: a folder there that another user made first, or one others may write
// into, would let them take the lock and the socket and receive the reader's book paths, so it
// is used only as a real directory of this user with mode 0700.
TLockFolder SingleInstanceLockFolder();
// "" when path is a directory (not a symbolic link) owned by this user with mode 0700; made so
// when missing. Otherwise what is wrong with it.
std::string CheckPrivateFolder(const std::string& path);

class TSingleInstance {
public:
    explicit TSingleInstance(const std::string& name);
    ~TSingleInstance();  // closes the handle, which drops a lock still held
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // Tests the lock without waiting. False only when another process holds it; when the
    // lock file cannot be opened or locked for any other reason, or its folder was refused,
    // the copy is let through.
    bool TryAcquire();
    void Release();
    bool Held() const { return IsHeld; }
    // Empty when the folder was refused.
    const std::string& LockPath() const { return Path; }
    // Why there is no lock folder; empty when there is one.
    const std::string& FolderError() const { return Error; }

private:
    std::string Path;
    std::string Error;
    int Fd = -1;  // owned; opened close-on-exec so helper processes never inherit the lock
    bool IsHeld = false;
};
