// The folder of the single-instance lock and the hand-over socket when $XDG_RUNTIME_DIR is not
// set: a folder of the user's own in the temporary folder, refused when someone else could
// have made it or can write into it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "SingleInstance.h"
#include "TTempDir.h"
#include "file_test_util.h"

namespace {

namespace fs = std::filesystem;

// Sets an environment variable (or unsets it) for the life of the object.
class TEnvironment {
public:
    TEnvironment(const char* name, const std::optional<std::string>& value) : Name(name) {
        if (const char* old = std::getenv(name)) Saved = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~TEnvironment() {
        if (Saved)
            ::setenv(Name, Saved->c_str(), 1);
        else
            ::unsetenv(Name);
    }
    TEnvironment(const TEnvironment&) = delete;
    TEnvironment& operator=(const TEnvironment&) = delete;

private:
    const char* Name;
    std::optional<std::string> Saved;
};

fs::perms ModeOf(const std::string& path) { return fs::symlink_status(path).permissions(); }

TEST(PrivateFolder, OnlyADirectoryOfTheUserWithMode0700IsTaken) {
    TTempDir dir;
    struct TCase {
        const char* fault;
        std::function<void(const std::string&)> make;
        const char* refusal;  // a part of the message; nullptr: the folder is taken
    };
    const TCase cases[] = {
        {"missing: made with mode 0700", [](const std::string&) {}, nullptr},
        {"own with mode 0700",
         [](const std::string& p) { fs::create_directory(p), fs::permissions(p, fs::perms::owner_all); }, nullptr},
        {"others may read it",
         [](const std::string& p) { fs::create_directory(p), fs::permissions(p, fs::perms(0755)); }, "0755"},
        {"others may write into it",
         [](const std::string& p) { fs::create_directory(p), fs::permissions(p, fs::perms(01777)); }, "1777"},
        {"a symbolic link to a private folder",
         [&](const std::string& p) {
             fs::create_directory(dir.Os("target"));
             fs::permissions(dir.Os("target"), fs::perms::owner_all);
             fs::create_directory_symlink(dir.Os("target"), p);
         },
         "символическая ссылка"},
        {"a file", [](const std::string& p) { WriteFile(p, "x"); }, "не папка"},
    };
    int n = 0;
    for (const TCase& c : cases) {
        const std::string folder = dir.Os("case" + std::to_string(++n));
        c.make(folder);
        const std::string problem = CheckPrivateFolder(folder);
        if (!c.refusal) {
            EXPECT_EQ(problem, "") << c.fault;
            EXPECT_TRUE(fs::is_directory(fs::symlink_status(folder))) << c.fault;
            EXPECT_EQ(ModeOf(folder), fs::perms::owner_all) << c.fault;
        } else {
            EXPECT_NE(problem.find(c.refusal), std::string::npos) << c.fault << ": " << problem;
        }
    }
}

TEST(PrivateFolder, AFolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
    TTempDir dir;
    const std::string folder = dir.Os("squatted");
    fs::create_directory(folder);
    GiveToUnprivileged(folder, fs::perms::owner_all);
    EXPECT_NE(CheckPrivateFolder(folder).find("другому пользователю"), std::string::npos);
}

// Without $XDG_RUNTIME_DIR the lock lives in tomeria-<uid> of the temporary folder; when that
// folder is squatted, no lock or socket path is given and the reason names the folder.
TEST(SingleInstance, WithoutRuntimeFolderTheLockIsInAPrivateFolderAndASquattedOneIsRefused) {
    TTempDir dir;
    const TEnvironment runtime("XDG_RUNTIME_DIR", std::nullopt);
    const TEnvironment temp("TMPDIR", dir.Os("tmp"));
    fs::create_directory(dir.Os("tmp"));
    const std::string folder = dir.Os("tmp/tomeria-" + std::to_string(::getuid()));
    {
        TSingleInstance first("tomeria_test_lock");
        TSingleInstance second("tomeria_test_lock");
        EXPECT_EQ(first.FolderError(), "");
        EXPECT_EQ(first.LockPath(), folder + "/tomeria_test_lock");
        EXPECT_EQ(ModeOf(folder), fs::perms::owner_all);
        EXPECT_TRUE(first.TryAcquire());
        EXPECT_FALSE(second.TryAcquire());
    }
    fs::permissions(folder, fs::perms(0777));
    TSingleInstance squatted("tomeria_test_lock");
    EXPECT_EQ(squatted.LockPath(), "");
    EXPECT_NE(squatted.FolderError().find(folder), std::string::npos) << squatted.FolderError();
    EXPECT_NE(squatted.FolderError().find("0777"), std::string::npos) << squatted.FolderError();
    EXPECT_TRUE(squatted.TryAcquire());  // let through, without a lock
}

}  // namespace
