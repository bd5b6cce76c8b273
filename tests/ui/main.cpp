// Test entry of the windows: the browser schemes are registered before the application
// object exists, as in the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "BrowserLoad.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Indexes and bookmarks the windows keep go to folders of this run, not the user's.
    QTemporaryDir userFolders;
    qputenv("XDG_CACHE_HOME", (userFolders.path() + "/cache").toUtf8());
    qputenv("XDG_CONFIG_HOME", (userFolders.path() + "/config").toUtf8());
    RegisterBrowserSchemes();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
