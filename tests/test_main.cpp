// Shared entry point of every test executable: Qt runs offscreen on a fixed 1280x1024,
// 96 dpi screen with the project's pinned fonts, so tests see the same geometry everywhere.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "test_env.h"

int main(int argc, char** argv) {
    mirvano_test::prepare_qt_environment();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
