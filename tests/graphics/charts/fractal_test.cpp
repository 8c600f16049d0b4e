#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <cmath>
#include <filesystem>

#include "../canvas/canvas_devices.h"
#include "graphics/charts/fractal.h"
#include "graphics/windows/gwindows.h"
#include "platform/gui/application.h"
#include "test_env.h"

using namespace gfx;
using canvas_test::MemoryDevice;
using canvas_test::WindowDevice;

namespace {

rt::Value params(std::initializer_list<std::pair<size_t, rt::Value>> entries) {
    rt::Array a(22);
    for (const auto& [k, v] : entries) a[k - 1] = v;
    return rt::Value::array(std::move(a));
}

}  // namespace

TEST(FractalParameters, DefaultsAndJuliaConstant) {
    rt::Value p;
    const FractalSettings s = NORMALIZEFRACTALPARAMETERS(p);
    ASSERT_EQ(p.len(), 22u);
    EXPECT_EQ(p.at(1).num(), double(1.1f));
    EXPECT_EQ(p.at(2).num(), double(-1.1f));
    const std::vector<std::pair<size_t, double>> defaults = {{3, 0.5},  {4, -1.5}, {5, 64}, {6, 65}, {7, 4},
                                                             {8, 2},    {11, 3},   {12, 0}, {13, 1}, {14, 5},
                                                             {16, 1},   {20, 5},   {22, 0}};
    for (const auto& [k, v] : defaults) EXPECT_EQ(p.at(k).num(), v) << "entry " << k;
    EXPECT_TRUE(p.at(9).isNil());
    EXPECT_TRUE(p.at(10).isNil());
    EXPECT_FALSE(s.julia);

    struct Case {
        const char* name;
        rt::Value p;
        bool julia;
        float cx;
        bool nil9, nil10;
    };
    const std::vector<Case> cases = {
        {"real part only", params({{9, 0.3}}), true, 0.3f, false, true},
        {"real part out of range", params({{9, 5.0}}), false, 0.0f, false, true},
        {"string and out of range", params({{9, "x"}, {10, 7.0}}), false, 0.0f, true, true},
    };
    for (auto tc : cases) {
        SCOPED_TRACE(tc.name);
        const FractalSettings j = NORMALIZEFRACTALPARAMETERS(tc.p);
        EXPECT_EQ(j.julia, tc.julia);
        EXPECT_EQ(j.cx, tc.cx);
        EXPECT_EQ(tc.p.at(9).isNil(), tc.nil9);
        EXPECT_EQ(tc.p.at(10).isNil(), tc.nil10);
    }
    // An out-of-range real part is written back as 0.0: the next drawing is a Julia one.
    rt::Value again = params({{9, 5.0}});
    NORMALIZEFRACTALPARAMETERS(again);
    EXPECT_TRUE(NORMALIZEFRACTALPARAMETERS(again).julia);

    rt::Value q = params({{5, 300.0}, {6, 0.0}, {1, -1.0}, {2, 1.0}});
    const FractalSettings w = NORMALIZEFRACTALPARAMETERS(q);
    EXPECT_EQ(q.at(5).num(), 64.0);
    EXPECT_EQ(q.at(6).num(), 65.0);
    EXPECT_EQ(w.top, 1.0f);
    EXPECT_EQ(w.bottom, -1.0f);
    EXPECT_EQ(q.at(1).num(), -1.0);  // the array keeps what the client wrote
}

TEST(FractalIteration, KnownPoints) {
    FractalSettings s;  // Mandelbrot, M = 64, B = 4
    struct Case {
        float x, y;
        int n;
    } cases[] = {
        {0.0f, 0.0f, 65},   // inside
        {-1.0f, 0.0f, 65},  // period two, inside
        {2.0f, 2.0f, 1},    // first test already beyond the bail-out
        {1.0f, 0.0f, 3},    // 1, 2 (test exactly 4 goes on), 5
    };
    for (const auto& c : cases) EXPECT_EQ(fractalIterate(s, c.x, c.y).n, c.n) << c.x << "," << c.y;
    // Test 13 at x = 0: x2 is raised to 0.000001 and the log's magnitude is 6.
    FractalSettings t;
    t.test = 13;
    t.M = 1;
    t.B = 100.0f;
    EXPECT_NEAR(fractalIterate(t, 0.0f, 0.0f).T, 6.0f, 1e-4);
    // Bail-out 0: only an exactly zero test value keeps iterating.
    FractalSettings z;
    z.B = 0.0f;
    EXPECT_EQ(fractalIterate(z, 0.0f, 0.0f).n, 65);
    EXPECT_EQ(fractalIterate(z, 0.1f, 0.0f).n, 1);
}

TEST(FractalColouring, SaturationRampsSkipAndTable) {
    const struct {
        int r, g, b, er, eg, eb;
    } sat[] = {{200, 100, 50, 255, 0, 0}, {100, 200, 50, 0, 255, 0}, {100, 100, 50, 255, 0, 0},
               {0, 0, 0, 255, 0, 0},      {255, 255, 255, 255, 255, 255}};
    for (const auto& c : sat) EXPECT_EQ(fractalBaseColour(color2rgb(c.r, c.g, c.b), 3, 0), color2rgb(c.er, c.eg, c.eb));
    EXPECT_EQ(fractalBaseColour(color2rgb(0, 0, 0), 4, 0), color2rgb(0, 255, 255));
    EXPECT_EQ(fractalBaseColour(color2rgb(10, 20, 30), 3, 4), color2rgb(10, 20, 30));

    MemoryDevice device(10, 10);
    GRAPHICS g(&device);
    FractalSettings s;
    s.outCurve = 3;
    const FractalColours bases{color2rgb(255, 0, 0), color2rgb(255, 255, 255)};
    EXPECT_EQ(fractalColour(s, bases, g, {64, 9.0f}, ColorTable.size()), color2rgb(255, 255, 255));
    EXPECT_EQ(fractalColour(s, bases, g, {32, 9.0f}, ColorTable.size()), color2rgb(255, 128, 128));
    s.outFlags = 2;  // reversed: the slowest points get the base colour
    EXPECT_EQ(fractalColour(s, bases, g, {64, 9.0f}, ColorTable.size()), color2rgb(255, 0, 0));
    s.outFlags = 1;  // darken
    EXPECT_EQ(fractalColour(s, bases, g, {64, 9.0f}, ColorTable.size()), color2rgb(0, 0, 0));
    s.skipDivisor = 2;  // entry 6 = 1: counts below 32 are not drawn
    EXPECT_FALSE(fractalColour(s, bases, g, {31, 9.0f}, ColorTable.size()));
    EXPECT_TRUE(fractalColour(s, bases, g, {32, 9.0f}, ColorTable.size()));
    s.outScheme = 6;
    const ColorRow last = ColorTable.back(), first = ColorTable.front();
    EXPECT_EQ(fractalColour(s, bases, g, {64, 9.0f}, ColorTable.size()), color2rgb(last[0], last[1], last[2]));
    s.M = 256;
    s.skipDivisor = 257;
    EXPECT_EQ(fractalColour(s, bases, g, {1, 9.0f}, ColorTable.size()), color2rgb(first[0], first[1], first[2]));
    // A captured point with bail-out 0 still gets a colour.
    s.B = 0.0f;
    EXPECT_TRUE(fractalColour(s, bases, g, {257, 0.0f}, ColorTable.size()));
}

TEST(FractalRendering, InterleavedRowsAndPixelMapping) {
    const std::vector<std::pair<int, std::vector<int>>> orders = {
        {6, {0, 4, 2, 3, 1, 5}}, {5, {0, 4, 2, 3, 1}}, {7, {0, 6, 2, 4, 3, 5, 1}}};
    for (const auto& [H, rows] : orders)
        for (int i = 0; i < H; ++i) EXPECT_EQ(fractalInterleavedRow(i, H), rows[size_t(i)]) << H << " " << i;

    // Every pixel order fills the whole area with the same picture.
    QImage reference;
    for (int order = 0; order <= 4; ++order) {
        SCOPED_TRACE(order);
        MemoryDevice device(40, 30);
        GRAPHICS g(&device);
        g.SETBACKGROUNDCOLOR(ColorArg::rgb(255, 255, 255));
        rt::Value p = params({{17, double(order)}, {14, 1.0}});
        PAINTFRACTAL(g, 0, 0, 40, 30, 0, p);
        // Column 20 shows -0.47 + 0.04i (inside, black); the top-right corner (0.5, 1.1) escapes.
        EXPECT_EQ(device.at(20, 15), 0u);
        EXPECT_NE(device.at(39, 29), 0u);
        if (order == 0) {
            reference = device.image();
            device.image().save(QString::fromStdString((mirvano_test::temp_dir("fractal") / "fractal.png").string()));
        } else {
            EXPECT_TRUE(device.image() == reference);
        }
    }

    // Anchor 10 centres the area on the point; nothing is drawn outside it.
    MemoryDevice device(40, 40);
    GRAPHICS g(&device);
    rt::Value p = params({{11, 1.0}, {14, 1.0}});
    PAINTFRACTAL(g, 20, 20, 10, 10, 10, p);
    EXPECT_EQ(device.at(15, 15), 0u);
    EXPECT_EQ(device.at(24, 24), 0u);
    EXPECT_EQ(device.at(14, 15), 0xFFFFFFu);
    EXPECT_EQ(device.at(25, 24), 0xFFFFFFu);
    // Degenerate areas draw without failing and stay inside themselves: an area without width
    // draws nothing, a single-pixel area at most its own pixel.
    MemoryDevice tiny(10, 10);
    GRAPHICS t(&tiny);
    const QImage blank = tiny.image().copy();
    PAINTFRACTAL(t, 0, 0, 0, 5, 0, p);
    EXPECT_EQ(tiny.image(), blank);
    PAINTFRACTAL(t, 0, 0, 1, 1, 0, p);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            if (x != 0 || y != 0) {
                EXPECT_EQ(tiny.at(x, y), 0xFFFFFFu) << x << "," << y;
            }
}

// An area reaching beyond the canvas is worked out only where it lands on the canvas, and
// shows there what the whole area shows, in every pixel order.
TEST(FractalRendering, PartOnTheCanvasShowsWhatTheWholeAreaShows) {
    for (int order = 0; order <= 4; ++order) {
        SCOPED_TRACE(order);
        MemoryDevice whole(90, 60), part(40, 30);
        GRAPHICS a(&whole), b(&part);
        rt::Value p = params({{17, double(order)}, {18, 3.0}});
        PAINTFRACTAL(a, 0, 0, 90, 60, 0, p);
        // Only a middle piece of the same area falls on the small canvas.
        PAINTFRACTAL(b, -35, -20, 90, 60, 0, p);
        int differing = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) differing += part.at(x, y) != whole.at(x + 35, y + 20);
        EXPECT_EQ(differing, 0);
    }
}

// An area billions of pixels wide costs no more than the canvas it lands on: every pixel
// order ends, and the canvas shows the middle of the window, inside the set.
TEST(FractalRendering, HugeAreaEndsAndFillsTheCanvas) {
    for (int order = 0; order <= 4; ++order) {
        SCOPED_TRACE(order);
        MemoryDevice device(40, 30);
        GRAPHICS g(&device);
        rt::Value p = params({{17, double(order)}, {14, 1.0}, {18, 1.0}});
        PAINTFRACTAL(g, 20, 15, 3e9, 2e9, 10, p);
        int black = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) black += device.at(x, y) == 0u;
        EXPECT_EQ(black, 40 * 30);
    }
}

TEST(FractalStopControl, NewerDrawingStopsOlderAndLostWindowEnds) {
    WindowDevice window(10, 10);
    GRAPHICS g(&window);
    int pixels = 0;
    bool started = false;
    rt::Value inner = params({{14, 1.0}, {11, 1.0}});
    setFractalPixelHook([&] {
        ++pixels;
        if (pixels == 5 && !started) {
            started = true;
            PAINTFRACTAL(g, 0, 0, 10, 10, 0, inner, true);
        }
    });
    rt::Value p = params({});
    PAINTFRACTAL(g, 0, 0, 10, 10, 0, p, true);
    // 5 pixels of the first, 100 of the second, then the first ends.
    EXPECT_EQ(pixels, 105);

    // A drawing after the others ended is not stopped by them: the table rows were freed.
    pixels = 0;
    PAINTFRACTAL(g, 0, 0, 10, 10, 0, p, true);
    EXPECT_EQ(pixels, 100);

    // The window goes away during the drawing: it ends at once.
    pixels = 0;
    Device* device = g._ODEVICE;
    setFractalPixelHook([&] {
        if (++pixels == 3) g._ODEVICE = nullptr;
    });
    PAINTFRACTAL(g, 0, 0, 10, 10, 0, p, true);
    EXPECT_EQ(pixels, 3);
    g._ODEVICE = device;

    // No stop control on a memory device.
    pixels = 0;
    MemoryDevice memory(10, 10);
    GRAPHICS m(&memory);
    PAINTFRACTAL(m, 0, 0, 10, 10, 0, p, true);
    EXPECT_EQ(pixels, 0);
    setFractalPixelHook({});
}

// A real window closed while a fractal with stop control draws on it: by its close box (a
// close event), by the program (ENDWINDOW), or deleted outright. The drawing ends at the pump
// that saw it, draws nothing more, and the canvas stays valid for whoever still holds it.
TEST(FractalStopControl, RealWindowClosedDuringTheDrawingEndsIt) {
    enum class How { CloseBox, EndWindow, Delete };
    for (How how : {How::CloseBox, How::EndWindow, How::Delete}) {
        SCOPED_TRACE(int(how));
        auto* win = new GTOPAPPWINDOW();
        win->SIZE(gui::DIMENSION(60, 40));
        win->SHOW();
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        GRAPHICS* g = win->graphics();
        ASSERT_NE(g, nullptr);
        const GRAPHICS::Hold keep(g);  // the caller's own hold on the canvas it drew with
        const QImage before = win->screen()->copy();
        int pixels = 0, drawnAtClose = -1;
        const auto drawn = [&] {
            const QImage now = win->screen()->convertToFormat(before.format());
            int n = 0;
            for (int r = 0; r < now.height(); ++r)
                for (int c = 0; c < now.width(); ++c) n += now.pixel(c, r) != before.pixel(c, r);
            return n;
        };
        setFractalPixelHook([&] {
            if (++pixels != 20) return;
            drawnAtClose = drawn();
            if (how == How::CloseBox) {
                win->HANDLE()->close();
            } else if (how == How::EndWindow) {
                win->ENDWINDOW();
            } else {
                delete win;
                win = nullptr;
            }
        });
        rt::Value p = params({});
        PAINTFRACTAL(*g, 0, 0, 40, 30, 0, p, true);
        setFractalPixelHook({});
        EXPECT_EQ(pixels, 20);
        EXPECT_EQ(g->_ODEVICE, nullptr);
        EXPECT_GT(drawnAtClose, 0);
        if (win) {
            EXPECT_EQ(win->graphics(), nullptr);
            EXPECT_EQ(drawn(), drawnAtClose);  // not one pixel after the close
        }
        // Still a canvas, without a device: drawing on it does nothing.
        g->PAINTRECTANGLE(0, 0, 10, 10, 1.0);
        delete win;
    }
}

// The usual program: a window's PAINT draws a fractal with stop control and then a line over
// it. The window is closed while the fractal draws; the fractal ends, and the line that the
// PAINT draws next, through the window's field and through the reference it took, goes
// nowhere on a canvas that is still there.
TEST(FractalStopControl, ThePaintAfterAStoppedFractalDrawsNowhere) {
    enum class How { CloseBox, EndWindow, Destroy };
    for (How how : {How::CloseBox, How::EndWindow, How::Destroy}) {
        SCOPED_TRACE(int(how));
        class FractalWindow : public GTOPAPPWINDOW {
        public:
            void PAINT() override {
                if (!armed) return;
                GRAPHICS& g = *_OGRAPHICS;
                rt::Value p = params({});
                PAINTFRACTAL(g, 0, 0, 40, 30, 0, p, true);
                stoppedWithoutDevice = g._ODEVICE == nullptr;
                _OGRAPHICS->SETLINECOLOR(gui::COLOR(0, 0, 255));
                _OGRAPHICS->PAINTLINE(0, 35, 59, 35);
                g.PAINTLINE(0, 36, 59, 36);
                finished = true;
            }
            bool armed = false, stoppedWithoutDevice = false, finished = false;
        };
        FractalWindow win;
        win.SIZE(gui::DIMENSION(60, 40));
        win.SHOW();
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        int pixels = 0;
        setFractalPixelHook([&] {
            if (++pixels != 20) return;
            if (how == How::CloseBox) win.HANDLE()->close();
            else if (how == How::EndWindow) win.ENDWINDOW();
            else win.DESTROY();
        });
        win.armed = true;
        win.PAINTNEW();
        setFractalPixelHook({});
        EXPECT_EQ(pixels, 20);
        EXPECT_TRUE(win.stoppedWithoutDevice);
        EXPECT_TRUE(win.finished);
        EXPECT_EQ(win.graphics(), nullptr);
        const QImage* screen = win.screen();
        ASSERT_NE(screen, nullptr);
        for (int x = 0; x < 60; ++x) {
            ASSERT_NE(screen->pixel(x, 40 - 1 - 35) & 0xFFFFFF, 0x0000FFu) << x;
            ASSERT_NE(screen->pixel(x, 40 - 1 - 36) & 0xFFFFFF, 0x0000FFu) << x;
        }
    }
}

// Asked to quit while it draws, a drawing with stop control ends at its next pump and
// records no zoom window; the application's loop then ends the program.
TEST(FractalStopControl, QuitRequestEndsTheDrawing) {
    WindowDevice window(10, 10);
    GRAPHICS g(&window);
    gui::APPLICATION application;
    int pixels = 0;
    setFractalPixelHook([&] {
        if (++pixels == 5) application.QUIT();
    });
    rt::Value p = params({{18, 1.0}});
    PAINTFRACTAL(g, 0, 0, 10, 10, 0, p, true);
    setFractalPixelHook({});
    EXPECT_EQ(pixels, 6);  // the sixth pump saw the request; its pixel was not filled
    int filled = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) filled += window.at(x, y) != 0xFFFFFFu;
    EXPECT_LE(filled, 5);
    EXPECT_EQ(g._R4TOP, 0.0f);
    application.EXEC();  // returns at once: the program would end here
    EXPECT_TRUE(application.quitRequested());
}

// A window resized while the drawing pumps gets a new refresh bitmap; the rest of the
// drawing goes into that one, not into the freed one.
TEST(FractalStopControl, DrawingFollowsARefreshBitmapMadeWhileItPumps) {
    WindowDevice window(10, 10);
    GRAPHICS g(&window);
    int pixels = 0;
    setFractalPixelHook([&] {
        if (++pixels == 50) {
            window.resize(12, 12);
            g.INTERNSETDEVPAR();
        }
    });
    rt::Value p = params({});
    PAINTFRACTAL(g, 0, 0, 10, 10, 0, p, true);
    setFractalPixelHook({});
    EXPECT_EQ(pixels, 100);
    const QImage refresh = canvas_test::refreshImage(g).convertToFormat(QImage::Format_RGB32);
    int drawn = 0;
    for (int r = 0; r < refresh.height(); ++r)
        for (int c = 0; c < refresh.width(); ++c) drawn += (refresh.pixel(c, r) & 0xFFFFFF) != 0xFFFFFFu;
    EXPECT_GT(drawn, 25);  // of the 50 pixels drawn after the resize
}

TEST(FractalZoom, RecordUseRepeatAndClear) {
    MemoryDevice device(21, 21);
    GRAPHICS g(&device);
    // All captured: no strip is marked, the zoom halves the window around its centre.
    rt::Value p = params({{1, 0.1}, {2, -0.1}, {3, -0.1}, {4, -0.3}, {18, 1.0}});
    PAINTFRACTAL(g, 0, 0, 21, 21, 0, p);
    EXPECT_EQ(g._R4TOPV, 0.1f);
    EXPECT_EQ(g._R4LEFTV, -0.3f);
    const float cx = -0.3f + (0.2f * 10.5f) / 20.0f, cy = -0.1f + (0.2f * 10.5f) / 20.0f;
    const float hw = (0.2f * (10.0f / 21.0f)) / 2.0f;
    EXPECT_FLOAT_EQ(g._R4LEFT, cx - hw);
    EXPECT_FLOAT_EQ(g._R4RIGHT, cx + hw);
    EXPECT_FLOAT_EQ(g._R4TOP, cy + hw);

    // Mode 2 uses the recorded window, mode 4 repeats the last one.
    const float zoomTop = g._R4TOP;
    rt::Value use = params({{18, 2.0}});
    PAINTFRACTAL(g, 0, 0, 21, 21, 0, use);
    EXPECT_EQ(g._R4TOPV, zoomTop);
    rt::Value repeat = params({{18, 4.0}, {1, 1.0}});
    PAINTFRACTAL(g, 0, 0, 21, 21, 0, repeat);
    EXPECT_EQ(g._R4TOPV, zoomTop);

    // Mode 3 zooms deeper each time until the window is too small, then starts again.
    rt::Value deeper = params({{18, 3.0}, {20, 20.0}, {21, 1.0}});
    int draws = 0;
    while (g._R4TOP != 0.0f && draws < 50) {
        PAINTFRACTAL(g, 0, 0, 21, 21, 0, deeper);
        ++draws;
    }
    EXPECT_LT(draws, 50);
    EXPECT_EQ(g._R4TOP, 0.0f);
    PAINTFRACTAL(g, 0, 0, 21, 21, 0, deeper);
    EXPECT_EQ(g._R4TOPV, 1.1f);  // back to the parameters' window
}
