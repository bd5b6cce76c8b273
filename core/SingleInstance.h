#pragma once
// One running copy per user: an exclusive flock on a lock file in the user's runtime folder
// ($XDG_RUNTIME_DIR, else the temporary folder). The kernel drops the lock when the holder
// ends, also when it dies, so a later copy starts normally.
#include <string>

class TSingleInstance {
public:
    explicit TSingleInstance(const std::string& name);
    ~TSingleInstance();  // closes the handle, which drops a lock still held
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // Tests the lock without waiting. False only when another process holds it; when the
    // lock file cannot be opened or locked for any other reason the copy is let through.
    bool TryAcquire();
    void Release();
    bool Held() const { return IsHeld; }
    const std::string& LockPath() const { return Path; }

private:
    std::string Path;
    int Fd = -1;  // owned; opened close-on-exec so helper processes never inherit the lock
    bool IsHeld = false;
};

// The folder of the lock file: $XDG_RUNTIME_DIR when set, else the temporary folder.
std::string SingleInstanceLockFolder();
