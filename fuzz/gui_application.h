#pragma once
// For the targets whose readers need Qt's GUI side (fonts, image plugins, the canvas): one
// offscreen application, started before the first input. Include it in the target's one
// source file.
#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}
