#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

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
        const gui::COLOR c((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
        _OGRAPHICS->SETLINECOLOR(c).SETFILLCOLOR(c);
        _OGRAPHICS->PAINTRECTANGLE(10, 10, 50, 40, 1.0);
    }
    intptr_t DISPATCH(gui::Event& e) override {
        if (e.MESSAGE() == gui::WM_ERASEBKGND) ++erases;
        return GSHELLWINDOW::DISPATCH(e);
    }
    uint32_t colour = 0xFF0000;
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

// A child that fills its canvas blue with a red square in its top-right corner.
class PictureChild : public Child {
public:
    using Child::Child;
    void PAINT() override {
        ++paints;
        GRAPHICS& g = *_OGRAPHICS;
        const int w = g._ODIM.WIDTH(), h = g._ODIM.HEIGHT();
        g.SETLINECOLOR(gui::COLOR(0, 0, 255)).SETFILLCOLOR(gui::COLOR(0, 0, 255));
        g.PAINTRECTANGLE(0, 0, w, h, 1.0);
        g.SETLINECOLOR(gui::COLOR(255, 0, 0)).SETFILLCOLOR(gui::COLOR(255, 0, 0));
        g.PAINTRECTANGLE(w - 20, h - 20, 19, 19, 1.0);
    }
    int paints = 0;
};

// Pumps events until done() holds or a generous bound has passed; the result is done().
template <typename Done>
bool pumpUntil(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

// The window system resizes a shown top-level window in steps, as while the user drags its
// frame, and the drag ends.
template <typename Window>
void dragFrameTo(Window& window, const QSize& size) {
    QWindow* frame = window.HANDLE()->windowHandle();
    ASSERT_NE(frame, nullptr);
    const QSize from = window.HANDLE()->size();
    for (int step = 1; step <= 3; ++step) {
        const QSize at = from + (size - from) * step / 3;
        frame->resize(at);
        ASSERT_TRUE(pumpUntil([&] { return window.HANDLE()->size() == at; })) << step;
    }
    ASSERT_TRUE(pumpUntil([&] { return !window.lSizing; }));
    pump();
}

}  // namespace

TEST(ShellWindow, AFrameDragRepaintsTheCanvasAtItsNewSize) {
    Shell shell;
    shell.SIZE(gui::DIMENSION(400, 300));
    shell.SHOW();
    pump();
    const int paints = shell.paints;
    ASSERT_GE(paints, 1);
    dragFrameTo(shell, QSize(480, 360));
    EXPECT_EQ(shell.paints, paints + 1);
    const QSize client = shell.MDICLIENT()->size();
    EXPECT_EQ(client, QSize(480, 360));
    EXPECT_EQ(shell._OGRAPHICS->_ODIM, gui::DIMENSION(480, 360));
    // The screen the client shows holds the picture at the new size: grey up to the grown
    // band's far corner, the red figure at the bottom-left.
    const QImage* screen = shell.screen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->size(), client);
    EXPECT_EQ(screen->pixel(470, 5) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(screen->pixel(20, 359 - 20) & 0xFFFFFF, 0xFF0000u);
    // And a repaint the program asks for reaches the client: a new picture shows at once.
    shell.colour = 0x00FF00;
    shell.REPAINT();
    EXPECT_EQ(shell.paints, paints + 1);  // same size: from the canvas, no new PAINT
    shell.PAINTNEW();
    const QImage shown = shell.MDICLIENT()->grab().toImage();
    EXPECT_EQ(shown.pixel(20, 359 - 20) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(shown.pixel(470, 5) & 0xFFFFFF, 0xC0C0C0u);
}

TEST(ShellWindow, AMaximisedChildWaitsForTheEndOfTheFrameDragAndThenFillsTheGrownClient) {
    Shell shell;
    shell.SIZE(gui::DIMENSION(400, 300));
    shell.SHOW();
    PictureChild child(&shell);
    child.SIZE(gui::DIMENSION(120, 90));
    child.SHOW(gui::SHOWZOOMED);
    pump();
    ASSERT_TRUE(child.ISZOOMED());
    const gui::DIMENSION before = child.CANVASAREA().SIZE();
    EXPECT_GT(before.WIDTH(), 300);  // it fills the shell's client, less its own frame
    const int paints = child.paints;
    ASSERT_GE(paints, 1);

    dragFrameTo(shell, QSize(480, 360));
    // Every step of the drag reached the child, which held its repaint back until the end.
    EXPECT_EQ(child.sizing, std::vector<uintptr_t>(3, WMSZ_BOTTOMRIGHT));
    EXPECT_EQ(child.ends, 1);
    EXPECT_FALSE(child.lSizing);
    EXPECT_EQ(child.paints, paints + 1);
    const gui::DIMENSION after = child.CANVASAREA().SIZE();
    EXPECT_EQ(after.WIDTH(), before.WIDTH() + 80);
    EXPECT_EQ(after.HEIGHT(), before.HEIGHT() + 60);
    EXPECT_EQ(child._OGRAPHICS->_ODIM, after);
    // What the user sees in the shell: the child's picture at its new size.
    gui::MdiClient* client = shell.MDICLIENT();
    const QImage shown = client->grab().toImage();
    const QPoint topRight = child.surface()->mapTo(client, QPoint(after.WIDTH() - 5, 5));
    const QPoint bottomLeft = child.surface()->mapTo(client, QPoint(5, after.HEIGHT() - 5));
    EXPECT_EQ(shown.pixel(topRight) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(shown.pixel(bottomLeft) & 0xFFFFFF, 0x0000FFu);
}

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
