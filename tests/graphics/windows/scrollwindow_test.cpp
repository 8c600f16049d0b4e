#include <gtest/gtest.h>

#include <QApplication>

#include "graphics/windows/scrollwindow.h"

using namespace gfx;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// A picture with a red corner at the bottom-left and a blue one at the top-right.
class Picture : public GSCROLLWINDOW {
public:
    using GSCROLLWINDOW::GSCROLLWINDOW;
    void PAINT() override {
        ++paints;
        GRAPHICS& g = *_OGRAPHICS;
        g.SETBACKGROUNDCOLOR(15);
        g.PAINTERASECANVAS();
        g.SETLINECOLOR(gui::COLOR(255, 0, 0)).SETFILLCOLOR(gui::COLOR(255, 0, 0));
        g.PAINTRECTANGLE(0, 0, 10, 10, 1.0);
        g.SETLINECOLOR(gui::COLOR(0, 0, 255)).SETFILLCOLOR(gui::COLOR(0, 0, 255));
        g.PAINTRECTANGLE(canvasWidth() - 11, canvasHeight() - 11, 10, 10, 1.0);
    }
    bool painted() const { return lPainted; }
    int paints = 0;
};

// Screen pixel at y-up (x, y) of the client area.
uint32_t at(const Picture& w, int x, int y) {
    const QImage* img = w.screen();
    return img->pixel(x, img->height() - 1 - y) & 0xFFFFFF;
}

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;

}  // namespace

TEST(ScrollWindow, OffsetsFollowTheBarsAndReachTheCanvas) {
    GTOPAPPWINDOW top;
    top.SIZE(gui::DIMENSION(500, 400));
    top.SHOW();
    Picture win(&top, 400, 300);
    win.SIZE(gui::DIMENSION(200, 150));
    win.SHOW();
    pump();
    ASSERT_NE(win.horizontalBar(), nullptr);
    ASSERT_NE(win.verticalBar(), nullptr);
    EXPECT_EQ(win.horizontalBar()->THUMBPOSITION(), 0);
    EXPECT_EQ(win.verticalBar()->THUMBPOSITION(), 100);
    EXPECT_EQ(win.paints, 1);
    const DIMENSION client = win.canvasAreaSize();
    const int w = client.WIDTH(), h = client.HEIGHT();
    GRAPHICS& g = *win._OGRAPHICS;
    EXPECT_EQ(at(win, 2, 2), kRed);  // the view starts at the bottom-left corner

    struct Step {
        const char* what;
        bool horizontal;
        ScrollEvent event;
        int offX, offY;
    };
    const Step steps[] = {
        {"right end", true, {true, SB_THUMBTRACK, 100}, 400 - w, 0},
        {"top", false, {true, SB_THUMBTRACK, 0}, 400 - w, 300 - h},
        {"type 0 passed over", true, {true, SB_LINEUP, 50}, 400 - w, 300 - h},
        {"control's own bar", true, {false, SB_THUMBTRACK, 50}, 400 - w, 300 - h},
        {"half way", true, {true, SB_THUMBTRACK, 50}, whole((400 - w) * 0.5), 300 - h},
        {"half way down", false, {true, SB_THUMBTRACK, 50}, whole((400 - w) * 0.5), whole((300 - h) * 0.5)},
    };
    for (const Step& s : steps) {
        if (s.horizontal) {
            win.HORIZONTALSCROLL(s.event);
        } else {
            win.VERTICALSCROLL(s.event);
        }
        EXPECT_EQ(g._NSCROLLOFFSX, s.offX) << s.what;
        EXPECT_EQ(g._NSCROLLOFFSY, s.offY) << s.what;
        if (s.offX == 400 - w && s.offY == 300 - h) {
            EXPECT_EQ(at(win, w - 3, h - 3), kBlue) << s.what;
        }
    }
    EXPECT_EQ(win.paints, 1);  // scrolling never paints again

    // The bar the user moves scrolls the view.
    win.horizontalBar()->bar()->setValue(0);
    win.verticalBar()->bar()->setValue(100);
    EXPECT_EQ(g._NSCROLLOFFSX, 0);
    EXPECT_EQ(g._NSCROLLOFFSY, 0);
    EXPECT_EQ(at(win, 2, 2), kRed);

    // A new canvas size puts the view back to the bottom-left; no bar where it fits.
    win.HORIZONTALSCROLL({true, SB_THUMBTRACK, 100});
    win.PAINTNEW(100, 500);
    EXPECT_EQ(win.horizontalBar(), nullptr);
    ASSERT_NE(win.verticalBar(), nullptr);
    EXPECT_EQ(g._NSCROLLOFFSX, 0);
    EXPECT_EQ(g._NSCROLLOFFSY, 0);
    EXPECT_EQ(g._ODIM, DIMENSION(100, 500));
    EXPECT_EQ(at(win, 2, 2), kRed);
    EXPECT_EQ(at(win, 150, 2), 0xFFFFFFu);  // beyond the canvas: the window's background
    win.DESTROY();
    EXPECT_EQ(win._OGRAPHICS, nullptr);
}

TEST(ScrollWindow, SmallCanvasHasNoBars) {
    GTOPAPPWINDOW top;
    top.SIZE(gui::DIMENSION(500, 400));
    top.SHOW();
    for (auto size : {std::pair{100, 80}, std::pair{0, -5}}) {
        Picture win(&top, size.first, size.second);
        win.SIZE(gui::DIMENSION(200, 150));
        win.SHOW();
        pump();
        EXPECT_EQ(win.horizontalBar(), nullptr);
        EXPECT_EQ(win.verticalBar(), nullptr);
        EXPECT_EQ(win._OGRAPHICS->_NSCROLLOFFSX, 0);
        if (size.first > 0) {
            EXPECT_EQ(at(win, 2, 2), kRed);
        }
    }
}

TEST(ScrollWindow, FirstExposureOfATinyClientAreaPaintsOnceTheWindowHasGrown) {
    GTOPAPPWINDOW top;
    top.SIZE(gui::DIMENSION(500, 400));
    top.SHOW();
    Picture win(&top, 400, 300);
    win.SIZE(gui::DIMENSION(8, 8));
    win.SHOW();
    pump();
    EXPECT_EQ(win.paints, 0);
    EXPECT_FALSE(win.painted());

    win.SIZE(gui::DIMENSION(200, 150));
    pump();
    win.REPAINT();
    EXPECT_EQ(win.paints, 1);
    EXPECT_TRUE(win.painted());
    EXPECT_EQ(at(win, 2, 2), kRed);
    // What the user sees: the widget grabbed as it is shown.
    const QImage shown = win.surface()->grab().toImage();
    EXPECT_EQ(shown.pixel(2, win.canvasAreaSize().HEIGHT() - 3) & 0xFFFFFF, kRed);
}

// Picture with a green band from the bottom to the top edge of the canvas, 20 pixels in
// from its sides.
class BandedPicture : public Picture {
public:
    using Picture::Picture;
    void PAINT() override {
        Picture::PAINT();
        GRAPHICS& g = *_OGRAPHICS;
        g.SETLINECOLOR(gui::COLOR(0, 128, 0)).SETFILLCOLOR(gui::COLOR(0, 128, 0));
        g.PAINTRECTANGLE(20, 0, canvasWidth() - 40, canvasHeight(), 1.0);
    }
};

TEST(ScrollWindow, AWindowGrownBeyondItsCanvasShowsTheWholePictureOnItsBackground) {
    GTOPAPPWINDOW top;
    top.SIZE(gui::DIMENSION(600, 500));
    top.SHOW();
    BandedPicture win(&top, 400, 300);
    win.SIZE(gui::DIMENSION(300, 200));
    win.SHOW();
    pump();
    ASSERT_EQ(win.paints, 1);
    // Scrolled to the top-right corner, then made bigger than the canvas both ways.
    win.HORIZONTALSCROLL({true, SB_THUMBTRACK, 100});
    win.VERTICALSCROLL({true, SB_THUMBTRACK, 0});
    win.SIZE(gui::DIMENSION(500, 400));
    pump();
    ASSERT_EQ(win.horizontalBar(), nullptr);
    ASSERT_EQ(win.verticalBar(), nullptr);
    ASSERT_EQ(win.canvasAreaSize(), DIMENSION(500, 400));
    const auto check = [&](const char* when) {
        // What the user sees: the whole canvas at the bottom-left, and nothing but the
        // window's white background above and to the right of it.
        const QImage shown = win.surface()->grab().toImage();
        ASSERT_EQ(shown.size(), QSize(500, 400)) << when;
        const QImage* canvas = gdi::GetDCImage(win._OGRAPHICS->_PREFRESHMEMDC);
        ASSERT_NE(canvas, nullptr);
        ASSERT_EQ(canvas->size(), QSize(400, 300));
        const auto px = [&](int x, int yUp) { return shown.pixel(x, 399 - yUp) & 0xFFFFFF; };
        EXPECT_EQ(px(2, 2), kRed) << when;
        EXPECT_EQ(px(397, 297), kBlue) << when;
        EXPECT_EQ(px(200, 299), 0x008000u) << when;
        int wrong = 0;
        for (int y = 0; y < 400; ++y) {
            for (int x = 0; x < 500; ++x) {
                const bool inside = x < 400 && y < 300;
                wrong += px(x, y) != (inside ? canvas->pixel(x, 299 - y) & 0xFFFFFF : 0xFFFFFFu);
            }
        }
        EXPECT_EQ(wrong, 0) << when;
    };
    check("after the resize");
    win.PAINTNEW();
    check("after a full repaint");
}
