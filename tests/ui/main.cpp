// Test entry of the windows: the engine's switches are set and the browser schemes
// registered before the application object exists, as in the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "BrowserLoad.h"
#include "EngineSwitches.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the cases (ctest asks for them before each run) needs no application or display.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    // Indexes and bookmarks the windows keep go to folders of this run, not the user's.
    QTemporaryDir userFolders;
    qputenv("XDG_CACHE_HOME", (userFolders.path() + "/cache").toUtf8());
    qputenv("XDG_CONFIG_HOME", (userFolders.path() + "/config").toUtf8());
    ConfineBrowserEngine();
    RegisterBrowserSchemes();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
