// Entry point of the test executables of libraries without widgets (the engine's core): the
// same offscreen environment as tests/test_main.cpp, with a QGuiApplication, so a test binary
// that links no widget library cannot use one by accident.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "test_env.h"

int main(int argc, char** argv) {
    mirvano_test::prepare_qt_environment();
    ::testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
