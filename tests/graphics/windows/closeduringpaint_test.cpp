// Graphics windows closed while their PAINT runs: a PAINT that pumps events (a long drawing
// that keeps the program answering) may see the user's close box, the program's ENDWINDOW or
// DESTROY of the window. The canvas stays valid until the PAINT is over, whether the PAINT
// reaches it through the window's field or through a reference it took first, and nothing the
// PAINT draws after the close reaches the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <utility>

#include "graphics/windows/gshellwindow.h"
#include "graphics/windows/scrollwindow.h"
#include "graphics/windows/transparentforms.h"

using namespace gfx;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

enum class How { CloseBox, EndWindow, Destroy };

// Draws a red square, lets the close request in by pumping events, then draws a blue square
// through a reference to the canvas and a blue line through the window's field.
template <class Base>
class ClosingWindow : public Base {
public:
    using Base::Base;
    void PAINT() override {
        if (!closeDuringPaint) return;
        closeDuringPaint = {};
        GRAPHICS& g = *this->_OGRAPHICS;
        g.SETLINECOLOR(gui::COLOR(255, 0, 0)).SETFILLCOLOR(gui::COLOR(255, 0, 0));
        g.PAINTRECTANGLE(5, 5, 20, 20, 1.0);
        QTimer::singleShot(0, closeDuringPaint_);
        pump();
        closedBeforePaintEnded = this->_OGRAPHICS != nullptr && g._ODEVICE == nullptr;
        g.SETLINECOLOR(gui::COLOR(0, 0, 255)).SETFILLCOLOR(gui::COLOR(0, 0, 255));
        g.PAINTRECTANGLE(40, 5, 20, 20, 1.0);
        this->_OGRAPHICS->PAINTLINE(0, 0, 60, 60);
        this->_OGRAPHICS->PAINTERASECANVAS();
        finished = true;
    }
    // Arms the next PAINT to close the window in the way given.
    void arm(std::function<void()> close) {
        closeDuringPaint_ = std::move(close);
        closeDuringPaint = true;
    }
    bool closeDuringPaint = false;
    bool closedBeforePaintEnded = false;
    bool finished = false;

private:
    std::function<void()> closeDuringPaint_;
};

using Top = ClosingWindow<GTOPAPPWINDOW>;
using Child = ClosingWindow<GCHILDAPPWINDOW>;
using Scroll = ClosingWindow<GSCROLLWINDOW>;
using Data = ClosingWindow<GDATAWINDOW>;
using Dialog = ClosingWindow<GDIALOGWINDOW>;
using Shell = ClosingWindow<GSHELLWINDOW>;

// Screen pixel at y-up (x, y), as 0xRRGGBB.
uint32_t at(const QImage& screen, int x, int y) { return screen.pixel(x, screen.height() - 1 - y) & 0xFFFFFF; }

// Shows the window, closes it during a PAINT in the way given and checks what the screen
// shows: the square drawn before the close, nothing drawn after it.
template <class W>
void closeDuringPaint(W& win, How how, const std::function<void()>& paintNew) {
    pump();
    ASSERT_NE(win._OGRAPHICS.get(), nullptr);
    win.arm([&win, how] {
        if (how == How::CloseBox) win.HANDLE()->close();
        else if (how == How::EndWindow) win.ENDWINDOW();
        else win.DESTROY();
    });
    paintNew();
    EXPECT_TRUE(win.finished);
    EXPECT_TRUE(win.closedBeforePaintEnded);
    EXPECT_EQ(win._OGRAPHICS.get(), nullptr);  // the window let go of its canvas once the PAINT ended
    const QImage* screen = win.screenImage();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(at(*screen, 10, 10), 0xFF0000u);
    EXPECT_NE(at(*screen, 45, 10), 0x0000FFu);  // not one pixel after the close
    EXPECT_NE(at(*screen, 30, 30), 0x0000FFu);
    // The window, closed, goes on answering the program without a canvas.
    win.PAINTNEW();
    pump();
}

// A window of kind W made with `args`, shown at `size` and closed during a PAINT.
template <class W, class... Args>
void closeShownDuringPaint(How how, const gui::DIMENSION& size, Args&&... args) {
    W win(std::forward<Args>(args)...);
    win.SIZE(size);
    win.SHOW();
    closeDuringPaint(win, how, [&] { win.PAINTNEW(); });
}

}  // namespace

TEST(CloseDuringPaint, TopLevelWindowsKeepTheirCanvasUntilThePaintEnds) {
    for (How how : {How::CloseBox, How::EndWindow, How::Destroy}) {
        SCOPED_TRACE(int(how));
        closeShownDuringPaint<Top>(how, gui::DIMENSION(120, 90));
        closeShownDuringPaint<Data>(how, gui::DIMENSION(120, 90));
        closeShownDuringPaint<Dialog>(how, gui::DIMENSION(120, 90), nullptr, false);
        closeShownDuringPaint<Shell>(how, gui::DIMENSION(200, 150));
    }
}

TEST(CloseDuringPaint, ChildAndScrollWindowsKeepTheirCanvasUntilThePaintEnds) {
    for (How how : {How::EndWindow, How::Destroy}) {
        SCOPED_TRACE(int(how));
        GTOPAPPWINDOW owner;
        owner.SIZE(gui::DIMENSION(300, 200));
        owner.SHOW();
        pump();
        closeShownDuringPaint<Child>(how, gui::DIMENSION(120, 90), &owner);
        closeShownDuringPaint<Scroll>(how, gui::DIMENSION(120, 90), &owner, 400, 300);
    }
}

// The close comes during a PAINT that the window's own expose started (the first showing of
// the window, or a repaint after it was uncovered at a new size).
TEST(CloseDuringPaint, ThePaintOfAnExposeKeepsTheCanvasToo) {
    Top win;
    win.SIZE(gui::DIMENSION(120, 90));
    win.arm([&win] { win.HANDLE()->close(); });
    win.SHOW();
    // A window system takes a moment to show the window and expose it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return win.finished; }, 5000));
    EXPECT_TRUE(win.closedBeforePaintEnded);
    EXPECT_EQ(win._OGRAPHICS.get(), nullptr);
}
