// Main of every test binary: Qt needs its application object, and tests never need a screen
// unless they are run inside the headless session (which sets DISPLAY).
#include <gtest/gtest.h>

#include <cstdlib>

#ifdef QUENDLE_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QUENDLE_SOURCE_DIR", QUENDLE_SOURCE_DIR, 0);
    setenv("QUENDLE_BUILD_DIR", QUENDLE_BUILD_DIR, 0);
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
