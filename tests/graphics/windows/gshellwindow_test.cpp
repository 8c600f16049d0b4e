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
    void PAINT() override {
        ++paints;
        _OGRAPHICS->SETLINECOLOR(gui::COLOR(255, 0, 0)).SETFILLCOLOR(gui::COLOR(255, 0, 0));
        _OGRAPHICS->PAINTRECTANGLE(10, 10, 50, 40, 1.0);
    }
    intptr_t DISPATCH(gui::Event& e) override {
        if (e.MESSAGE() == gui::WM_ERASEBKGND) ++erases;
        return GSHELLWINDOW::DISPATCH(e);
    }
    int paints = 0;
    int erases = 0;
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

TEST(ShellWindow, MdiClientShowsTheCanvasThroughItsWindowProcedure) {
    Shell shell;
    shell.SIZE(gui::DIMENSION(400, 300));
    shell.SHOW();
    pump();
    gui::MdiClient* client = shell.MDICLIENT();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->size(), shell.surface()->size());
    // What the user sees in the client: the grey canvas with the red picture at the bottom-left.
    const QImage shown = client->grab().toImage();
    const int h = shown.height();
    EXPECT_EQ(shown.pixel(20, h - 1 - 20) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shown.pixel(300, 50) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(shown.pixel(5, 5) & 0xFFFFFF, 0xC0C0C0u);  // nothing left from before the window had its size
    const int paints = shell.paints;

    // While the frame is dragged the client neither paints nor erases; the erase goes to the shell.
    shell.SENDMESSAGE(gui::WM_SIZING, WMSZ_BOTTOMRIGHT, 0);
    EXPECT_EQ(SHELLWINPROC(client, gui::WM_ERASEBKGND, 0, 0), 0);
    EXPECT_EQ(shell.erases, 1);
    EXPECT_EQ(SHELLWINPROC(client, gui::WM_PAINT, 0, 0), 0);
    shell.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    EXPECT_EQ(SHELLWINPROC(client, gui::WM_ERASEBKGND, 0, 0), 0);
    EXPECT_EQ(shell.erases, 1);
    EXPECT_EQ(shell.paints, paints);  // same size: the end of the drag copies from the canvas
    EXPECT_EQ(SHELLWINPROC(nullptr, gui::WM_PAINT, 0, 0), 0);
    EXPECT_EQ(SHELLWINPROC(client, gui::WM_USER, 0, 0), 0);  // the class procedure's answer
}
