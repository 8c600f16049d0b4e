#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "canvas_devices.h"
#include "graphics/canvas/objects.h"

using namespace gfx;
using canvas_test::MemoryDevice;
using canvas_test::rgbOf;
using canvas_test::WindowDevice;

namespace {

constexpr uint32_t kRed = 0xFF0000, kBlack = 0x000000, kWhite = 0xFFFFFF;

int countColour(const QImage& image, uint32_t rgb) {
    int n = 0;
    for (int r = 0; r < image.height(); ++r)
        for (int c = 0; c < image.width(); ++c)
            if ((image.pixel(c, r) & 0xFFFFFF) == rgb) ++n;
    return n;
}

}  // namespace

// ---- construction and binding ------------------------------------------------------------------

TEST(Canvas, NewCanvasDefaultsAndDeviceBinding) {
    MemoryDevice device(200, 100);
    GRAPHICS g(&device);
    EXPECT_EQ(g.GETDEVICETYPE(), 2);
    EXPECT_EQ(g.GETDEVICEWIDTH(), 200);
    EXPECT_EQ(g.GETDEVICEHEIGHT(), 100);
    EXPECT_EQ(g._NBACKGRCOLOR, 0xFFFFFFu);
    EXPECT_EQ(g._NFILLCOLOR, 0xFFFFFFu);
    EXPECT_EQ(g._NLINECOLOR, 0u);
    EXPECT_EQ(g._NTEXTCOLOR, 0u);
    EXPECT_EQ(g._NGRADIENTCOLOR, 0u);
    EXPECT_EQ(g.shadowColor(), gdi::RGB(128, 128, 128));
    EXPECT_EQ(g._NLINECAP, 0x11200);
    EXPECT_EQ(g._NPIXPROINCHX, 96u);
    EXPECT_EQ(g._AFILLPATTERN[63], 0xFFFFFFu);
    EXPECT_NE(g._PFONT, nullptr);
    // memory devices never get a refresh bitmap
    EXPECT_EQ(g._PREFRESHMEMDC, nullptr);
    EXPECT_EQ(g.GETPOINTCOLOR(1, 1), kNoColor);
    g.DESTROY();
    g.DESTROY();  // a second destroy releases nothing
    EXPECT_EQ(g._PFONT, nullptr);

    // Registered colours survive the making of further canvases.
    const int number = g.SETCOLORCODE(1, 2, 3);
    GRAPHICS second(&device);
    EXPECT_EQ(second.CHANGENUM2RGB(number), gdi::RGB(1, 2, 3));
    SETCOLORARRAY();
}

TEST(Canvas, FixedSizeFormsAndRefreshBitmapLife) {
    WindowDevice device(400, 300);
    GRAPHICS fixed(&device, 5, 7, 200, 100);
    EXPECT_FALSE(fixed.sizeFromDevice());
    EXPECT_EQ(fixed._OORIGIN, POINT(5, 7));
    EXPECT_EQ(fixed._ODIM, DIMENSION(200, 100));
    EXPECT_EQ(fixed.devX(0), 5);

    GRAPHICS follow(&device);
    follow.SETWORLDORIGIN(10, 20);
    gdi::HBITMAP first = follow._PREFRESHBMP;
    ASSERT_NE(first, nullptr);
    follow.INTERNSETDEVPAR();
    EXPECT_EQ(follow._PREFRESHBMP, first);  // unchanged size keeps the store
    device.resize(401, 300);
    follow.INTERNSETDEVPAR();
    EXPECT_EQ(follow.GETDEVICEWIDTH(), 401);
    EXPECT_EQ(follow._NOFFSETX, 10);
    EXPECT_EQ(follow._NOFFSETY, 20);
    QImage store = canvas_test::refreshImage(follow);
    EXPECT_EQ(store.width(), 401);
    EXPECT_EQ(countColour(store, kWhite), 401 * 300);
}

// ---- world coordinates ---------------------------------------------------------------------

TEST(WorldCoordinates, PointLandsOnTheRulesPixel) {
    struct Case {
        double fx, fy;
        int ox, oy;       // world origin in pixels
        int posx, posy;   // canvas position on the device
        double wx, wy;    // world point
        int px, py;       // expected device pixel
    } cases[] = {
        {1.0, 1.0, 0, 0, 0, 0, 10, 20, 10, 20},
        {2.0, 0.5, 100, 50, 0, 0, 10, 40, 120, 70},
        {2.0, 0.5, 100, 50, 5, 7, 10, 40, 125, 77},
        {1.5, 1.5, 0, 0, 0, 0, 2.5, -5, 4, -8},     // 3.75 -> 4, -7.5 -> -8
        {0.5, 0.5, 30, 30, 0, 0, 15, -5, 38, 27},   // 7.5 -> 8, -2.5 -> -3
        // A point far beyond the device (a lying shape file) stays at the end of the device
        // range on its own side instead of wrapping round to the other side.
        {1.0, 1.0, 100, 50, 5, 7, 1e300, -1e300, gfx::kDeviceLimit, -gfx::kDeviceLimit},
        {1.0, 1.0, -100, -50, 0, 0, -3e9, 3e9, -gfx::kDeviceLimit, gfx::kDeviceLimit},
        // Far from the world origin (a projected map) a point whose product alone lies off any
        // device lands on it once the offset is added.
        {1.0, 1.0, -5000000, -4990000, 0, 0, 5000010, 4990020, 10, 20},
        {4.0, 4.0, -20000000, -19960000, 5, 7, 5000002.5, 4990005, 15, 27},
    };
    for (const auto& c : cases) {
        MemoryDevice device(300, 200);
        GRAPHICS g(&device, c.posx, c.posy, 250, 150);
        g.SETWORLDSYSTEM(c.fx, c.fy);
        g.SETWORLDORIGIN(c.ox, c.oy);
        EXPECT_EQ(g.devX(c.wx), c.px);
        EXPECT_EQ(g.devY(c.wy), c.py);
        if (c.px < 0 || c.py < 0) continue;
        // A one-pixel fill at the point shows where it lands on the device: fills cover
        // [left, right) and, y-up, the rows above their lower edge.
        g.SETBACKGROUNDCOLOR(12);
        g.PAINTERASEAREA(c.wx, c.wy - 1.0 / c.fy, 1.0 / c.fx, 1.0 / c.fy);
        EXPECT_EQ(device.at(c.px, c.py), kRed) << c.wx << "," << c.wy;
        EXPECT_EQ(countColour(device.image(), kRed), 1);
    }
}

// World values of corrupted data map to clamped device positions instead of overflowing.
TEST(WorldCoordinates, PositionsFarOffOrNotFiniteAreClamped) {
    MemoryDevice device(100, 100);
    GRAPHICS g(&device);
    g.SETWORLDORIGIN(50, 50);
    struct Case { double world; int32_t device; } cases[] = {
        {10, 60}, {-10, 40}, {1e300, kDeviceLimit}, {-1e300, -kDeviceLimit},
        {std::numeric_limits<double>::infinity(), kDeviceLimit}, {std::nan(""), 50}, {3e9, kDeviceLimit},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(g.devX(c.world), c.device) << c.world;
        EXPECT_EQ(g.devY(c.world), c.device) << c.world;
    }
    EXPECT_EQ(GRAPHICS::deviceCoord(2147483647.0, 2147483647), kDeviceLimit);
    EXPECT_EQ(GRAPHICS::deviceCoord(-5.0, -2147483647), -kDeviceLimit);
}

TEST(WorldCoordinates, NormalisedSystemConversionsAndAnchors) {
    MemoryDevice device(800, 600);
    GRAPHICS g(&device);
    g.SETWORLDSYSNORM(true);
    EXPECT_DOUBLE_EQ(g._FFACTORX, 0.8);
    EXPECT_DOUBLE_EQ(g._FFACTORY, 0.6);
    EXPECT_EQ(g._NORIGINX, 400);
    EXPECT_EQ(g._NORIGINY, 300);
    EXPECT_DOUBLE_EQ(g.GETWORLDCOORDX(g.GETPHYSCOORDX(123.0)), 123.0);
    g.SETWORLDSYSNORM();
    EXPECT_EQ(g._NORIGINX, 1);
    g.SETWORLDSYSTEM(1.0, 1.0);
    EXPECT_DOUBLE_EQ(g.GETWORLDPOINTX(72), 96.0);

    struct Anchor { double code; int x, y; } anchors[] = {
        {0, 100, 100}, {1, 100, 90}, {2, 100, 80}, {3, 80, 80}, {4, 60, 80}, {5, 60, 90},
        {6, 60, 100}, {7, 80, 100}, {10, 80, 90}, {8, 100, 100}, {9, 100, 100}, {100, 100, 100},
        {-1, 100, 100}, {2.0, 100, 80}};
    for (const auto& a : anchors) {
        int32_t x = 100, y = 100;
        g.GETORIGINPOINT(x, y, 40, 20, a.code);
        EXPECT_EQ(x, a.x) << a.code;
        EXPECT_EQ(y, a.y) << a.code;
    }
    // Text turned a quarter counterclockwise has its top edge on the left, so the
    // bottom-left corner of a box anchored at its top-left lies h to the right.
    int32_t x = 100, y = 100;
    g._FFONTANGLE = 90;
    g.GETORIGINPOINTANGLE(x, y, 40, 20, 2);
    EXPECT_EQ(x, 120);
    EXPECT_EQ(y, 100);
}

// ---- colour and line attributes ------------------------------------------------------------

TEST(Attributes, SettersAndBlackAndWhiteMode) {
    MemoryDevice device(50, 50);
    GRAPHICS g(&device);
    g.SETBACKGROUNDCOLOR(11);
    EXPECT_EQ(g._NBACKGRCOLOR, gdi::RGB(0, 255, 255));
    WindowDevice window(20, 20);
    GRAPHICS w(&window);
    w.SETBACKGROUNDCOLOR(12);
    EXPECT_EQ(window.background, gdi::RGB(255, 0, 0));  // the device's background brush
    EXPECT_EQ(gdi::GetBkColor(w._PREFRESHMEMDC), gdi::RGB(255, 0, 0));
    g.SETFILLCOLOR(QColor(255, 0, 0));
    EXPECT_EQ(g._NFILLCOLOR, 255u);
    g.SETFILLCOLOR(gui::COLOR(0, 0, 255));
    EXPECT_EQ(g._NFILLCOLOR, gdi::RGB(0, 0, 255));

    g.SETBLACKANDWHITE();
    EXPECT_TRUE(g._LBLACKWHITE);
    EXPECT_EQ(g._NFILLCOLOR, gdi::RGB(192, 192, 192));
    g.SETLINECOLOR(12);
    EXPECT_EQ(g._NLINECOLOR, 0u);
    g.SETFILLCOLOR(12);
    EXPECT_EQ(g._NFILLCOLOR, gdi::RGB(141, 141, 141));
    g.SETBACKGROUNDCOLOR(11);
    EXPECT_EQ(g._NBACKGRCOLOR, gdi::RGB(191, 191, 191));
    g.SETGRADIENTCOLOR(9);
    EXPECT_EQ(g._NGRADIENTCOLOR, gdi::RGB(148, 148, 148));
    g.SETRASTERMODE(7);
    EXPECT_EQ(g._NRASTERMODE, 13);
    g.SETSTRINGSHADOW(6, 4, 2);
    EXPECT_EQ(g.shadowColor(), gdi::RGB(192, 192, 192));
    EXPECT_EQ(g.shadowDirection(), 2u);
    g.SETBLACKANDWHITE(false);
    EXPECT_EQ(g._NFILLCOLOR, gdi::RGB(141, 141, 141));
    g.SETLINECOLOR(12);
    EXPECT_EQ(g._NLINECOLOR, 255u);

    g.SETFILLPATTERN({{1, 1, 1, 1, 1, 1, 1, 1}, {12, 12, 12}});
    EXPECT_EQ(g._AFILLPATTERN[56], 160u);       // cell 57: top row
    EXPECT_EQ(g._AFILLPATTERN[48], 16711680u);  // cell 49: second row
    EXPECT_EQ(g._AFILLPATTERN[51], 0xFFFFFFu);  // cell 52 untouched
    struct Cap { Opt code; int32_t stored; } caps[] = {{1.0, 65536}, {2.0, 69888}, {3.0, 70144}, {{}, 70144}};
    for (const auto& c : caps) {
        g.SETLINECAP(c.code);
        EXPECT_EQ(g._NLINECAP, c.stored);
    }
    g.SETLINEWIDTH(-2.5);
    EXPECT_EQ(g._NLINEWIDTH, -3);
}

// ---- gradients -----------------------------------------------------------------------------

TEST(Gradient, TitlePageRowsFollowTheBandRule) {
    const int W = 768, H = 620;
    MemoryDevice device(W, H);
    GRAPHICS g(&device);
    g.SETBACKGROUNDCOLOR(11);
    g.PAINTGRADIENTCANVAS(10, 0);
    for (int row = 0; row < H; ++row) {  // image rows, top first: band i = row + 1
        // F = 1, so S = H; q = 1 - (S - i) / S, the difference is signed
        const int i = row + 1;
        const double S = H;
        const double q = 1.0 - (S - i) / S;
        const int level = std::clamp(255 + whole(-255 * q), 0, 255);
        const uint32_t expected = rgbOf(0, level, level);
        const QImage& image = device.image();
        ASSERT_EQ(image.pixel(0, row) & 0xFFFFFF, expected) << "row " << row;
        ASSERT_EQ(image.pixel(W - 1, row) & 0xFFFFFF, expected) << "row " << row;
    }
    EXPECT_EQ(device.at(0, 0), kBlack);  // the bottom band reaches the gradient colour
}

TEST(Gradient, IntensityDirectionsAndErase) {
    const int W = 40, H = 20;
    struct Case { double intensity; double direction; int edgeX, edgeY; uint32_t edge; } cases[] = {
        {0.0, 0, 0, 0, 0xFF0000}, {-3.0, 0, 5, 5, 0xFF0000}, {0.05, 1, 5, 5, 0xFF0000},  // erase
        {10, 1, 0, H - 1, 0x000000}, {10, 3, W - 1, 0, 0x000000}, {10, 2, 0, 0, 0x000000},
        {25, 0, 0, 0, 0x000000},
    };
    for (const auto& c : cases) {
        MemoryDevice device(W, H);
        GRAPHICS g(&device);
        g.SETBACKGROUNDCOLOR(12);
        g.PAINTGRADIENTCANVAS(c.intensity, c.direction);
        EXPECT_EQ(device.at(c.edgeX, c.edgeY), c.edge) << c.intensity << "/" << c.direction;
    }
    // intensity 25 is 20: the gradient colour is reached after about a tenth of the bands
    MemoryDevice device(W, 100);
    GRAPHICS g(&device);
    g.SETBACKGROUNDCOLOR(15);
    g.PAINTGRADIENTCANVAS(25, 0);
    EXPECT_EQ(device.at(0, 100 - 11), kBlack);
    EXPECT_NE(device.at(0, 100 - 9), kBlack);
    // the default intensity (6) stops short of the gradient colour: q = 1/2.6 at the bottom
    g.PAINTGRADIENTCANVAS();
    const int bottom = 255 + whole(-255.0 * (1.0 - (260.0 - 100) / 260.0));
    EXPECT_EQ(device.at(0, 0), rgbOf(bottom, bottom, bottom));
    // black-and-white: intensity 5 from white, and the background colour comes back after
    g.SETBLACKANDWHITE();
    g.SETBACKGROUNDCOLOR(16);
    g.PAINTGRADIENTCANVAS(10, 0);
    EXPECT_EQ(g._NBACKGRCOLOR, 0u);
    const int grey = 255 + whole(-255.0 * (1.0 - (300.0 - 100) / 300.0));
    EXPECT_EQ(device.at(0, 0), rgbOf(grey, grey, grey));
}

namespace {

// The band colour rule written out band by band: a channel moves i / S of the way from the
// background toward the gradient colour (the signed step made whole first), held to 0..255,
// and stops once it has reached the gradient colour. Band i's colour (0xRRGGBB, as the image
// holds it) is entry i - 1.
std::vector<uint32_t> bandModel(uint32_t back, uint32_t grad, int bands, double intensity) {
    const double f = std::clamp(intensity, 0.0, 20.0);
    const double F = f <= 10.0 ? 5.0 - 0.4 * f : 1.0 - 0.09 * (f - 10.0);
    const double S = bands * F;
    const int b[3] = {int(rgbRed(back)), int(rgbGreen(back)), int(rgbBlue(back))};
    const int t[3] = {int(rgbRed(grad)), int(rgbGreen(grad)), int(rgbBlue(grad))};
    int cur[3] = {b[0], b[1], b[2]};
    std::vector<uint32_t> out;
    for (int i = 1; i <= bands; ++i) {
        for (int k = 0; k < 3; ++k) {
            if (b[k] == t[k] || (b[k] < t[k] && cur[k] >= t[k]) || (b[k] > t[k] && cur[k] <= t[k])) continue;
            const double q = 1.0 - (S - i) / S;
            cur[k] = int(std::clamp<long long>(b[k] + std::llround((t[k] - b[k]) * q), 0, 255));
        }
        out.push_back(rgbOf(cur[0], cur[1], cur[2]));
    }
    return out;
}

}  // namespace

// Every direction, intensity and canvas size against the band rule, with channels that rise
// from a non-zero background (colour 1 to colour 7), fall, stay, and run both ways at once.
TEST(Gradient, EveryBandFollowsTheBandRule) {
    const std::pair<ColorArg, ColorArg> colours[] = {
        {ColorArg(1), ColorArg(7)},
        {ColorArg(7), ColorArg(1)},
        {ColorArg(11), ColorArg(16)},
        {ColorArg::rgb(10, 200, 100), ColorArg::rgb(250, 5, 100)},
        {ColorArg::rgb(1, 1, 1), ColorArg::rgb(254, 254, 254)},
    };
    const double intensities[] = {0.1, 1, 6, 9.9, 10, 10.5, 12, 15, 19.9, 20, 25};
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {100, 100}, {37, 64}, {300, 7}};
    for (size_t c = 0; c < std::size(colours); ++c) {
        for (auto [W, H] : sizes) {
            MemoryDevice device(W, H);
            GRAPHICS g(&device);
            g.SETBACKGROUNDCOLOR(colours[c].first).SETGRADIENTCOLOR(colours[c].second);
            for (double intensity : intensities) {
                for (int direction = 0; direction <= 3; ++direction) {
                    g.PAINTGRADIENTCANVAS(intensity, direction);
                    const bool vertical = direction >= 2;
                    const int N = vertical ? W : H;
                    const std::vector<uint32_t> want = bandModel(g._NBACKGRCOLOR, g._NGRADIENTCOLOR, N, intensity);
                    const QImage& image = device.image();
                    for (int i = 1; i <= N; ++i) {
                        // Image rows run top-down: direction 0 starts at the top, 1 at the bottom,
                        // 3 at the left, 2 at the right.
                        const int at = direction == 0 || direction == 3 ? i - 1 : N - i;
                        const uint32_t got = (vertical ? image.pixel(at, H / 2) : image.pixel(W / 2, at)) & 0xFFFFFF;
                        ASSERT_EQ(got, want[i - 1]) << "colours " << c << ", " << W << "x" << H << ", intensity "
                                                    << intensity << ", direction " << direction << ", band " << i;
                    }
                }
                // The spot light's strip follows the same rule over twice the width; with the
                // light in the top-left corner, canvas row j (counted up from the origin; the
                // copy of row j at the origin's y minus 1 plus j covers the row above that spot)
                // shows the strip from pixel W - W cos(asin((H - j) / H)).
                g.PAINTSPOTCANVAS(intensity, 7);
                const std::vector<uint32_t> strip = bandModel(g._NBACKGRCOLOR, g._NGRADIENTCOLOR, 2 * W, intensity);
                for (int row = 0; row < H; ++row) {
                    const int j = (H - 1 - row) - g._OORIGIN.Y();
                    const double t = double(H - j) / H;
                    const int from = W - int(std::llround(W * std::sqrt(1 - t * t)));
                    for (int x = 0; x < W; ++x)
                        ASSERT_EQ(device.image().pixel(x, row) & 0xFFFFFF, strip[size_t(from + x)])
                            << "spot, colours " << c << ", " << W << "x" << H << ", intensity " << intensity << ", row "
                            << row << ", x " << x;
                }
            }
        }
    }
}

TEST(Gradient, AreaShowsThePartOfTheCanvasGradientUnderIt) {
    const int W = 60, H = 100;
    MemoryDevice whole_(W, H), area(W, H);
    GRAPHICS a(&whole_), b(&area);
    a.SETBACKGROUNDCOLOR(11);
    b.SETBACKGROUNDCOLOR(11);
    a.PAINTGRADIENTCANVAS(10, 0);
    b.PAINTGRADIENTAREA(10, 10, 30, 40, 10, 0, 0);
    // The area counts its horizontal bands one row higher than the canvas gradient.
    for (int y = 12; y < 50; ++y) EXPECT_EQ(area.at(20, y), whole_.at(20, y - 1)) << y;
    EXPECT_EQ(area.at(5, 30), kWhite);  // outside the area nothing is drawn
}

TEST(Gradient, ZeroSizeCanvasDrawsNothing) {
    for (auto size : {std::pair{0, 0}, std::pair{30, 0}, std::pair{0, 30}}) {
        WindowDevice device(size.first, size.second);
        GRAPHICS g(&device);
        g.SETBACKGROUNDCOLOR(12);
        for (double dir : {0.0, 1.0, 2.0, 3.0}) {
            g.PAINTGRADIENTCANVAS(10, dir);
            g.PAINTGRADIENTAREA(0, 0, 10, 10, 10, 0, dir);
        }
        g.PAINTERASECANVAS();
        EXPECT_EQ(countColour(device.screen.image, kRed), 0) << size.first << "x" << size.second;
        // Text, clip and fonts on an empty canvas must not fail either.
        g.SETSTRINGFONT(FontFace(16.0), 30.0, 60.0, 2.0, 0.0, 45.0);
        g.PAINTSTRINGSHADOW(0, 0, "X", 10);
        g.GETSTRINGWIDTH("X");
        g.SETCLIPREGION();
    }
}

// ---- refresh bitmap ------------------------------------------------------------------------

TEST(RefreshBitmap, EveryDrawingReachesBothSurfacesAndRestoresExposedAreas) {
    WindowDevice device(120, 80);
    GRAPHICS g(&device);
    g.SETBACKGROUNDCOLOR(11);
    g.PAINTGRADIENTCANVAS(10, 3);
    g.SETSTRINGCOLOR(12);
    g.PAINTSTRING(10, 10, "Abc");
    QImage store = canvas_test::refreshImage(g);
    ASSERT_EQ(store.size(), device.screen.image.size());
    EXPECT_EQ(store, device.screen.image.convertToFormat(store.format()));
    const QImage before = device.screen.image.copy();
    const uint32_t p = device.at(60, 5);
    EXPECT_EQ(g.GETPOINTCOLOR(60, 5), gdi::RGB((p >> 16) & 255, (p >> 8) & 255, p & 255));

    // Spoil the screen, then restore part of it.
    device.screen.image.fill(Qt::magenta);
    g.INTERNREFRESH(BOUNDINGBOX(POINT(0, 0), DIMENSION(0, 50)));  // empty: nothing
    EXPECT_EQ(countColour(device.screen.image, 0xFF00FF), 120 * 80);
    g.INTERNREFRESH(BOUNDINGBOX(POINT(20, 10), DIMENSION(50, 30)));
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 120; ++x) {
            const bool inside = x >= 20 && x < 70 && y >= 10 && y < 40;
            const uint32_t want = inside ? before.pixel(x, 79 - y) & 0xFFFFFF : 0xFF00FF;
            ASSERT_EQ(device.at(x, y), want) << x << "," << y;
        }
    }
    // scroll offsets shift the source
    g._NSCROLLOFFSX = 50;
    g._NSCROLLOFFSY = 20;
    g.INTERNREFRESH(BOUNDINGBOX(POINT(0, 0), DIMENSION(10, 10)));
    EXPECT_EQ(device.at(3, 4), before.pixel(53, 79 - 24) & 0xFFFFFF);
}

TEST(RefreshBitmap, ControlSharesArea) {
    const BOUNDINGBOX area(POINT(0, 0), DIMENSION(100, 100));
    struct Case { int x, y, w, h; bool shares; } cases[] = {
        {100, 10, 20, 20, false}, {99, 10, 20, 20, true}, {10, 10, 0, 20, false}, {10, 10, 20, 0, false},
        {-20, -20, 21, 21, true}, {10, 100, 5, 5, false}};
    for (const auto& c : cases)
        EXPECT_EQ(CONTROLSHARESAREA(BOUNDINGBOX(POINT(c.x, c.y), DIMENSION(c.w, c.h)), area), c.shares)
            << c.x << "," << c.y << "," << c.w << "," << c.h;
}

// ---- clip ----------------------------------------------------------------------------------

TEST(Clip, StoredRectangleAndEffect) {
    struct Case { double x, y, w, h; Opt unit, anchor; uint32_t cx, cy, cw, ch; } cases[] = {
        {10, 10, 100, 50, 1.0, {}, 25, 25, 200, 100},
        {10, 10, 100, 50, 0.0, {}, 10, 10, 100, 50},
        {200, 100, 100, 50, 0.0, 10.0, 150, 75, 100, 50},
    };
    for (const auto& c : cases) {
        MemoryDevice device(400, 300);
        GRAPHICS g(&device);
        g.SETWORLDSYSTEM(2.0, 2.0);
        g.SETWORLDORIGIN(5, 5);
        g.SETCLIPREGION(c.x, c.y, c.w, c.h, c.unit, c.anchor);
        EXPECT_EQ(g._NCLIPX, c.cx);
        EXPECT_EQ(g._NCLIPY, c.cy);
        EXPECT_EQ(g._NCLIPWIDTH, c.cw);
        EXPECT_EQ(g._NCLIPHEIGHT, c.ch);
    }
    MemoryDevice device(60, 40);
    GRAPHICS g(&device);
    g.SETCLIPREGION(10, 5, 20, 10, 0.0);
    g.SETBACKGROUNDCOLOR(12);
    g.PAINTERASECANVAS();
    // both edge columns and rows are inside the region
    EXPECT_EQ(countColour(device.image(), kRed), 21 * 11);
    EXPECT_EQ(device.at(10, 5), kRed);
    EXPECT_EQ(device.at(30, 15), kRed);
    EXPECT_EQ(device.at(31, 15), kWhite);
    EXPECT_EQ(device.at(10, 4), kWhite);
}

namespace {

// A window whose own tool bar takes the top rows of its client area.
class ToolBarWindowDevice : public WindowDevice {
public:
    ToolBarWindowDevice(int w, int h, int toolBar) : WindowDevice(w, h), toolBar_(toolBar) {}
    int ownToolBarHeight() const override { return toolBar_; }

private:
    int toolBar_;
};

// Highest y-up row with red in it, -1 when none.
int topRedRow(const QImage& image) {
    for (int r = 0; r < image.height(); ++r)
        for (int c = 0; c < image.width(); ++c)
            if ((image.pixel(c, r) & 0xFFFFFF) == kRed) return image.height() - 1 - r;
    return -1;
}

}  // namespace

// The clip of a window with its own tool bar is the rectangle, on the window and on the
// refresh bitmap alike.
TEST(Clip, WindowWithToolBarIsClippedToTheRectangle) {
    ToolBarWindowDevice window(200, 160, 30);
    GRAPHICS g(&window);
    ASSERT_EQ(g.GETDEVICEHEIGHT(), 130);
    g.SETCLIPREGION(0, 0, 100, 100, 0.0);
    g.SETBACKGROUNDCOLOR(12).PAINTERASECANVAS();
    EXPECT_EQ(topRedRow(window.screen.image), 100);
    EXPECT_EQ(window.at(100, 100), kRed);
    EXPECT_EQ(window.at(100, 101), kWhite);
    const QImage refresh = canvas_test::refreshImage(g).copy(0, 0, 200, 160);
    EXPECT_EQ(topRedRow(refresh), 100);
}

// Drawings that clip for themselves put back the clip they found; a canvas that had never
// been clipped stays unclipped for what follows, and a negative clip origin comes back.
TEST(Clip, SpotAreaRestoresTheClipItFound) {
    MemoryDevice device(100, 100);
    GRAPHICS g(&device);
    g.SETGRADIENTCOLOR(ColorArg::rgb(0, 0, 255)).PAINTSPOTAREA(5, 5, 20, 20, 6.0, 0.0, 7);
    EXPECT_EQ(g._NCLIPX, 0u);
    EXPECT_EQ(g._NCLIPWIDTH, 0u);
    g.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).SETLINECOLOR(ColorArg::rgb(255, 0, 0)).PAINTRECTANGLE(50, 50, 31, 31, 1.0);
    MemoryDevice fresh(100, 100);
    GRAPHICS f(&fresh);
    f.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).SETLINECOLOR(ColorArg::rgb(255, 0, 0)).PAINTRECTANGLE(50, 50, 31, 31, 1.0);
    const int square = countColour(fresh.image(), kRed);
    EXPECT_GE(square, 31 * 31);
    EXPECT_EQ(countColour(device.image(), kRed), square);

    MemoryDevice shifted(100, 100);
    GRAPHICS h(&shifted);
    h.SETCLIPREGION(-10, -10, 60, 60, 0.0);
    h.PAINTSPOTAREA(5, 5, 20, 20, 6.0, 0.0, 7);
    EXPECT_EQ(static_cast<int32_t>(h._NCLIPX), -10);
    EXPECT_EQ(static_cast<int32_t>(h._NCLIPY), -10);
    h.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).SETLINECOLOR(ColorArg::rgb(255, 0, 0)).PAINTRECTANGLE(0, 0, 80, 80, 1.0);
    // The restored clip reaches from -10 to 50 on both axes, both edges included.
    EXPECT_EQ(countColour(shifted.image(), kRed), 51 * 51);
}

// ---- erase, frame, saved areas -------------------------------------------------------------

TEST(Areas, EraseFrameAndSavedArea) {
    WindowDevice device(200, 100);
    GRAPHICS g(&device);
    g.SETBACKGROUNDCOLOR(12);
    g.PAINTERASEAREA(10, 10, 20, 20, 10.0);  // anchor 10: (0, 0) to (20, 20)
    EXPECT_EQ(countColour(device.screen.image, kRed), 400);
    EXPECT_EQ(device.at(0, 1), kRed);
    EXPECT_EQ(device.at(19, 20), kRed);

    g.PAINTSAVEDAREA(100, 0, 50, 50);  // nothing saved yet
    g.SETSAVEAREA(0, 0, 50, 50);
    EXPECT_TRUE(g.hasSavedArea());
    g.SETBACKGROUNDCOLOR(15);
    g.PAINTERASEAREA(0, 0, 50, 50);
    g.PAINTSAVEDAREA(100, 0, 50, 50);
    EXPECT_EQ(device.at(100, 1), kRed);
    EXPECT_EQ(device.at(119, 20), kRed);
    EXPECT_EQ(device.at(120, 20), kWhite);
    EXPECT_EQ(device.at(0, 1), kWhite);
    QImage store = canvas_test::refreshImage(g);
    EXPECT_EQ(store.pixel(100, 99 - 1) & 0xFFFFFF, kRed);

    g.SETLINEWIDTH(3);
    g.SETLINECOLOR(9);
    g.PAINTFRAMECANVAS();
    EXPECT_EQ(device.at(0, 50), 0x0000FFu);
    EXPECT_EQ(device.at(100, 50), kWhite);  // the inside stays untouched

    // empty and negative areas save and restore nothing, and fail nowhere
    const QImage framed = device.screen.image.copy();
    for (auto [w, h] : {std::pair{0.0, 0.0}, std::pair{-5.0, 10.0}}) {
        g.SETSAVEAREA(0, 0, w, h);
        g.PAINTSAVEDAREA(10, 10, w, h);
        g.PAINTERASEAREA(10, 10, w, h);
    }
    EXPECT_EQ(device.screen.image, framed);

    MemoryDevice memory(50, 50);
    GRAPHICS m(&memory);
    m.SETSAVEAREA(0, 0, 10, 10);
    EXPECT_FALSE(m.hasSavedArea());
}

// ---- drawing-object protocol ---------------------------------------------------------------

TEST(Protocol, DrawContextsByDeviceKindAndPatternBrush) {
    WindowDevice window(20, 20);
    MemoryDevice memory(20, 20);
    GRAPHICS gw(&window), gm(&memory);
    OBJECTERASECANVAS ow(&gw), om(&gm);
    ow.setHandle(window.screen.dc);
    EXPECT_EQ(ow.SELECTDRAWDC(1), window.screen.dc);
    EXPECT_EQ(ow.SELECTDRAWDC(2), gw._PREFRESHMEMDC);
    EXPECT_EQ(om.SELECTDRAWDC(1), memory._PBITMAPDC);
    for (int n : {0, 2, 3}) EXPECT_EQ(om.SELECTDRAWDC(n), nullptr);
    EXPECT_EQ(ow.SELECTDRAWDC(3), nullptr);

    std::array<uint32_t, 64> cells;
    cells.fill(0xFFFFFF);
    for (int k = 0; k < 8; ++k) cells[k] = 0xFF0000;  // BGR red, bottom row
    gdi::HBRUSH brush = OBJECTSHAPE::CREATEBMPBRUSH(cells);
    canvas_test::MappedImage target(8, 8);
    gdi::RECT all{0, -1, 8, 7};
    gdi::FillRect(target.dc, &all, brush);
    gdi::DeleteObject(brush);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(target.at(x, 0), kRed) << x;
        EXPECT_EQ(target.at(x, 1), kWhite) << x;
    }
}

TEST(Protocol, TraceRecordsCallsInWorldTerms) {
    MemoryDevice device(100, 100);
    GRAPHICS g(&device);
    std::vector<DrawCall> calls;
    g.setTraceSink([&](const DrawCall& c) { calls.push_back(c); });
    g.PAINTGRADIENTCANVAS(10, 0);
    g.PAINTSTRING(1.5, 2, "Hi", 6.0);
    g.PAINTERASEAREA(1, 2, 3, 4);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].method, "PAINTGRADIENTCANVAS");
    EXPECT_EQ(calls[0].args, (std::vector<double>{10, 0}));
    EXPECT_EQ(calls[1].method, "PAINTSTRING");
    EXPECT_EQ(calls[1].args, (std::vector<double>{1.5, 2, 6}));
    EXPECT_EQ(calls[1].text, "Hi");
    EXPECT_EQ(calls[2].args, (std::vector<double>{1, 2, 3, 4}));
}
