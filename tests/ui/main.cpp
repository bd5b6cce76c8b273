// Test entry of the windows: the browser schemes are registered before the application
// object exists, as in the program.
#include <gtest/gtest.h>

#include <QApplication>

#include "BrowserLoad.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    RegisterBrowserSchemes();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
