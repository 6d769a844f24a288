// Test programs that need widgets or the X display start a QApplication.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/loader/PlatformLoader.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    // Named objects and settings of the tests never meet a real session's.
    static TTempDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    setenv("SNAPRIO_INI", runtime.File("SNAPRO.INI").c_str(), 1);
    // SNAPRIO_PLATFORM=memory runs the widget tests without a display server.
    if (!LoadPlatform()) return 1;
    setenv("QT_QPA_PLATFORM", ThePlatform().QtPlatform.c_str(), 1);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
