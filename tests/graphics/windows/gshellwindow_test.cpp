#include <gtest/gtest.h>

#include <QApplication>

#include "graphics/windows/gshellwindow.h"

using namespace gfx;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

class Shell : public GSHELLWINDOW {
public:
    using GSHELLWINDOW::GSHELLWINDOW;
    void PAINT() override { ++paints; }
    int paints = 0;
};

class Child : public GCHILDAPPWINDOW {
public:
    using GCHILDAPPWINDOW::GCHILDAPPWINDOW;
    intptr_t DISPATCH(gui::Event& e) override {
        if (e.MESSAGE() == gui::WM_SIZING) sizing.push_back(e.WPARAM());
        if (e.MESSAGE() == gui::WM_EXITSIZEMOVE) ++ends;
        return GCHILDAPPWINDOW::DISPATCH(e);
    }
    std::vector<uintptr_t> sizing;
    int ends = 0;
};

}  // namespace

TEST(ShellWindow, GreyCanvasAndResizePassedToChildren) {
    Shell shell;
    shell.SIZE(gui::DIMENSION(400, 300));
    shell.SHOW();
    Child child(&shell);
    child.SIZE(gui::DIMENSION(100, 80));
    child.SHOW();
    pump();
    ASSERT_NE(shell.screen(), nullptr);
    EXPECT_EQ(shell.paints, 1);
    EXPECT_EQ(shell.screen()->pixel(300, 250) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(shell._OGRAPHICS->_NBACKGRCOLOR & 0xFFFFFF, 0xC0C0C0u);

    // A frame drag: the flag holds exposes back; only maximised children hear of it.
    shell.SENDMESSAGE(gui::WM_SIZING, 2, 0);
    EXPECT_TRUE(shell._LRESIZEAKTIV);
    EXPECT_TRUE(child.sizing.empty());
    shell.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    EXPECT_FALSE(shell._LRESIZEAKTIV);
    EXPECT_EQ(child.ends, 0);

    // Restore and maximise reach every graphics child, sizing first, then its end.
    shell.SENDMESSAGE(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_EQ(child.sizing, std::vector<uintptr_t>{WMSZ_BOTTOMRIGHT});
    EXPECT_EQ(child.ends, 1);
    EXPECT_FALSE(child.lSizing);

    // Same size: the refresh copies from the canvas instead of painting again.
    const int before = shell.paints;
    shell.INTERNREFRESH();
    EXPECT_EQ(shell.paints, before);
    shell.DESTROY();
    EXPECT_EQ(shell._OGRAPHICS, nullptr);
}
