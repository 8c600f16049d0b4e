// Drawing parameters far outside what a drawing needs (depths, sizes, areas and positions
// beyond the device range, not finite, at the ends of the 32-bit range): each call ends,
// takes no more memory than the canvas needs, and draws what reaches the canvas.
#include <gtest/gtest.h>

#include <QImage>
#include <climits>
#include <functional>
#include <limits>

#include "canvas_devices.h"
#include "graphics/canvas/objects.h"
#include "shapes_helpers.h"

using namespace gfx;
using canvas_test::MemoryDevice;
using canvas_test::WindowDevice;
using shapes_test::countColour;
using shapes_test::kWhite;

namespace {

constexpr uint32_t kRed = 0xFF0000;
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

void textSetup(GRAPHICS& g) {
    g.SETSTRINGFONT(FontFace(32.0), 0.0, 20.0, 0.0, 2.0);
    g.SETSTRINGCOLOR(9);
}

}  // namespace

// Raised text steps from its shadow to its face a half pixel at a time; with a depth beyond
// the canvas only the steps whose text reaches the canvas are drawn, and they are the ones the
// rule draws there. A depth that is no number leaves the shadow under the text.
TEST(HostileParameters, ShadowDepthsBeyondTheCanvasAndNotANumber) {
    // The trail of a depth far beyond the canvas: at one pixel per unit and a whole position,
    // one pass per diagonal pixel, shadow below right of the position (direction 7).
    MemoryDevice trail(200, 160);
    {
        GRAPHICS g(&trail);
        textSetup(g);
        g.SETSTRINGCOLOR(12);
        for (int k = -400; k <= 400; ++k) g.PAINTSTRING(100 + k, 80 - k, "Wq");
    }
    const auto flat = [](bool raised) {
        MemoryDevice d(200, 160);
        GRAPHICS g(&d);
        textSetup(g);
        g.SETSTRINGSHADOW(0.0, 12, 7);
        if (raised) g.PAINTSTRING3D(100, 80, "Wq");
        else g.PAINTSTRINGSHADOW(100, 80, "Wq");
        return d.image().copy();
    };
    const QImage flatRaised = flat(true), flatShadow = flat(false);
    ASSERT_GT(countColour(trail.image(), kRed), 1000);

    struct Case {
        const char* name;
        double depth;
        bool raised;
        const QImage& expected;
    };
    const Case cases[] = {
        {"two billion pixels", 2e9, true, trail.image()},
        {"infinite", kInf, true, trail.image()},
        {"per cent of the font height", -1e12, true, trail.image()},
        {"not a number, raised", kNaN, true, flatRaised},
        {"not a number, shadowed", kNaN, false, flatShadow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDevice d(200, 160);
        GRAPHICS g(&d);
        textSetup(g);
        g.SETSTRINGSHADOW(c.depth, 12, 7);
        if (c.raised) g.PAINTSTRING3D(100, 80, "Wq");
        else g.PAINTSTRINGSHADOW(100, 80, "Wq");
        EXPECT_TRUE(d.image() == c.expected);
    }
}

// Font sizes beyond the device range are held to it, also where the height is negated.
TEST(HostileParameters, FontSizesBeyondTheDeviceRange) {
    struct Case {
        const char* name;
        double mode, height, factor;
    };
    const Case cases[] = {
        {"pixels", 2.0, -1e15, 1.0},
        {"points", 5.0, -3e9, 1.0},
        {"relative to the canvas", 0.0, -kInf, 1.0},
        {"world units", 1.0, 30.0, -1e9},
        {"huge positive", 2.0, 1e300, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDevice d(60, 40);
        GRAPHICS g(&d);
        g.SETWORLDSYSTEM(c.factor, c.factor);
        g.SETSTRINGFONT(FontFace(32.0), 10.0, c.height, 0.0, c.mode);
        EXPECT_EQ(std::abs(g.fontPixelHeight()), kDeviceLimit);
        gdi::LOGFONT lf;
        gdi::GetObject(g._PFONT, sizeof lf, &lf);
        EXPECT_EQ(std::abs(lf.lfHeight), kDeviceLimit);
        g.PAINTSTRING(0, 0, "A");
        g.GETSTRINGWIDTH("A");
    }
}

// A saved area keeps the part of it that lies on the canvas, in its place within the area:
// restored elsewhere, that part lands where it would have landed, and the bitmap is no larger
// than the canvas.
TEST(HostileParameters, SavedAreaKeepsOnlyWhatLiesOnTheCanvas) {
    struct Case {
        const char* name;
        double save[4], paint[4];
        int dx, dy;  // where the red square lands, relative to where it was drawn
    };
    const Case cases[] = {
        {"a billion pixels wide", {0, 0, 1e9, 50}, {100, 0, 1e9, 50}, 100, 0},
        {"hanging off the lower left", {-50, -20, 100, 60}, {50, 20, 100, 60}, 100, 40},
        {"reaching a billion pixels down", {10, -1e9, 40, 1e9 + 60}, {110, -1e9 + 40, 40, 1e9 + 60}, 100, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowDevice device(200, 100);
        GRAPHICS g(&device);
        g.SETFILLCOLOR(gui::COLOR(255, 0, 0)).SETLINECOLOR(gui::COLOR(255, 0, 0));
        g.PAINTRECTANGLE(20, 20, 9, 9, 1.0);  // pixels 20 .. 29 both ways
        g.SETSAVEAREA(c.save[0], c.save[1], c.save[2], c.save[3]);
        gdi::BITMAP bm;
        ASSERT_NE(gdi::GetObject(g.savedBitmap(), sizeof bm, &bm), 0);
        EXPECT_LE(bm.bmWidth, 200);
        EXPECT_LE(bm.bmHeight, 100);
        g.PAINTERASECANVAS();
        g.PAINTSAVEDAREA(c.paint[0], c.paint[1], c.paint[2], c.paint[3]);
        EXPECT_EQ(countColour(device.screen.image, kRed), 100);
        for (auto [x, y] : {std::pair{20, 20}, {29, 29}, {20, 29}})
            EXPECT_EQ(device.at(x + c.dx, y + c.dy), kRed) << x << "," << y;
    }
}

// Copying back from the backing store: areas and scroll offsets at the ends of the 32-bit
// range copy what lies on both surfaces and nothing else.
TEST(HostileParameters, RefreshOfAreasAtTheIntegerEnds) {
    struct Case {
        const char* name;
        int x, y, w, h, scrollX;
        bool restored;
    };
    const Case cases[] = {
        {"below everything", 0, INT_MIN, 200, INT_MAX, 0, false},
        {"left of everything", INT_MIN, 0, INT_MAX, 100, 0, false},
        {"around everything", -1000000000, -10, 2000000000, 200, 0, true},
        {"scrolled beyond the range", 10, 0, 190, 100, INT_MAX, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowDevice device(200, 100);
        GRAPHICS g(&device);
        g.SETFILLCOLOR(gui::COLOR(255, 0, 0)).SETLINECOLOR(gui::COLOR(255, 0, 0));
        g.PAINTRECTANGLE(50, 20, 9, 9, 1.0);
        device.screen.image.fill(Qt::white);
        g._NSCROLLOFFSX = c.scrollX;
        g.INTERNREFRESH(BOUNDINGBOX(POINT(c.x, c.y), DIMENSION(c.w, c.h)));
        EXPECT_EQ(countColour(device.screen.image, kRed), c.restored ? 100 : 0);
    }
}

// Rows registered with values at the ends of the integer range are as far from every colour
// as they are: the nearest colour of (1, 2, 3) is still black.
TEST(HostileParameters, NearestColourBesideRowsAtTheIntegerEnds) {
    MemoryDevice d(10, 10);
    GRAPHICS g(&d);
    const size_t rows = ColorTable.size();
    g.SETCOLORCODE(INT_MIN + 1, 2, 3);
    g.SETCOLORCODE(INT_MAX, INT_MAX, INT_MAX);
    EXPECT_EQ(g.CHANGERGB2NUM(color2rgb(1, 2, 3)), 16);
    ColorTable.resize(rows);
}

// Canvases the device places or sizes at the ends of the 32-bit range are held to the device
// range: their edges fit 32 bits, and they cover the device pixels they reach.
TEST(HostileParameters, CanvasGeometryAtTheIntegerEnds) {
    struct Case {
        const char* name;
        uint32_t x, y;
        int w, h;
        int redPixels;
    };
    const Case cases[] = {
        {"beyond the top right", uint32_t(INT_MAX), uint32_t(INT_MAX), 100, 100, 0},
        {"one pixel left of and below the device", 4294967295u, 4294967295u, 50, 50, 49 * 49},
        {"as large as can be", 0, 0, INT_MAX, INT_MAX, 100 * 80},
        {"at the far lower left", uint32_t(INT_MIN), uint32_t(INT_MIN), 100, 100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDevice device(100, 80);
        GRAPHICS g(&device, int(c.x), int(c.y), c.w, c.h);
        EXPECT_LE(g._ODIM.WIDTH(), kDeviceLimit);
        const gui::COLOR red(255, 0, 0);
        g.SETBACKGROUNDCOLOR(red).SETLINECOLOR(red).SETFILLCOLOR(red);
        g.PAINTERASECANVAS();
        g.PAINTFRAMECANVAS();
        g.PAINTFLOODFILL(1, 1);
        EXPECT_EQ(countColour(device.image(), kRed), c.redPixels);
    }
    // The world origin of a canvas placed off the device origin: the offset is held at the
    // end of the range rather than wrapping to the other side.
    MemoryDevice device(100, 80);
    GRAPHICS g(&device, 10, 10, 80, 60);
    g.SETWORLDORIGIN(3e9, 3e9);
    EXPECT_EQ(g._NOFFSETX, INT32_MAX);
    EXPECT_EQ(g._NOFFSETY, INT32_MAX);
}

// A painter that shows only some bands of a long run takes each band's colour on its own; it
// is the colour the run reaches there band by band, for rising, falling, flat and
// overshooting channels alike.
TEST(HostileParameters, BandColourOnItsOwnIsTheOneTheRunReaches) {
    struct Case {
        uint32_t back, grad;
        int bands;
        double intensity;
    };
    const Case cases[] = {
        {0x00FFFF00, 0x00000000, 300, 10.0},  // falling to black, reached at the far edge
        {0x00102030, 0x00F0E0D0, 257, 6.0},   // rising, stopping short
        {0x00FF00FF, 0x0000FF80, 500, 20.0},  // mixed, reached early and passed
        {0x00808080, 0x00808080, 40, 13.0},   // one flat colour
        {0x000A0B0C, 0x00FAFBFC, 0, 8.0},     // no bands at all
        {0x00FFFFFF, 0x00000001, 1000, 17.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bands);
        double F = 0.0;
        ASSERT_TRUE(GradientBands::spreadFactor(c.intensity, F));
        GradientBands run(c.back, c.grad, c.bands, F);
        const GradientBands alone(c.back, c.grad, c.bands, F);
        for (int i = 1; i <= c.bands + 20; ++i) ASSERT_EQ(alone.at(i), run.next(i)) << i;
    }
}

// A canvas millions of pixels larger than its device (as a device may declare it): the
// gradients and the spot light fill only what reaches the device, and show there what the band
// rule gives the whole canvas.
TEST(HostileParameters, BandsOfACanvasFarLargerThanItsDevice) {
    const int size = 1000000;
    const auto rgb = [](uint32_t v) { return canvas_test::rgbOf(rgbRed(v), rgbGreen(v), rgbBlue(v)); };
    for (double direction : {0.0, 3.0}) {
        SCOPED_TRACE(direction);
        MemoryDevice device(60, 40);
        GRAPHICS g(&device, size, size);
        g.SETBACKGROUNDCOLOR(11).SETGRADIENTCOLOR(4);
        g.PAINTGRADIENTCANVAS(8.0, direction);
        // Band i of direction 0 is the row size - i, of direction 3 the column i - 1.
        double F = 0.0;
        ASSERT_TRUE(GradientBands::spreadFactor(8.0, F));
        GradientBands bands(g._NBACKGRCOLOR, g._NGRADIENTCOLOR, size, F);
        for (int i = 1; i <= size; ++i) {
            const uint32_t colour = bands.next(i);
            if (direction == 0.0 && i >= size - 39) {
                EXPECT_EQ(device.at(30, size - i), rgb(colour)) << i;
            }
            if (direction == 3.0 && i <= 60) {
                EXPECT_EQ(device.at(i - 1, 20), rgb(colour)) << i;
            }
        }
    }
    // The spot light from the top left: the device sees the canvas's bottom left, where the
    // fronts of equal colour stand almost upright, about halfway through the strip.
    MemoryDevice device(60, 40);
    GRAPHICS g(&device, size, size);
    g.SETBACKGROUNDCOLOR(15).SETGRADIENTCOLOR(16);
    g.PAINTSPOTCANVAS(10.0, 7.0);
    double F = 0.0;
    ASSERT_TRUE(GradientBands::spreadFactor(10.0, F));
    GradientBands bands(g._NBACKGRCOLOR, g._NGRADIENTCOLOR, 2 * size, F);
    uint32_t middle = 0;
    for (int i = 1; i <= size + 1; ++i) middle = bands.next(i);
    EXPECT_EQ(device.at(0, 0), rgb(middle));
    EXPECT_EQ(countColour(device.image(), kWhite), 0);
}

namespace {

// A metafile device whose frame is that of a small bitmap, mapped y-up like the others.
class MetafileDevice : public Device {
public:
    MetafileDevice(int w, int h) : w_(w), h_(h) {
        _NDEVICETYP = kMetafileDevice;
        // The frame of a memory context is its bitmap's.
        reference_ = gdi::CreateCompatibleDC(nullptr);
        bitmap_ = gdi::CreateBitmap(w, h, 1, 32, nullptr);
        old_ = gdi::SelectObject(reference_, bitmap_);
        _PMETAFILEDC = gdi::CreateEnhMetaFile(reference_, nullptr, nullptr, nullptr);
        gdi::SetMapMode(_PMETAFILEDC, gdi::MM_ANISOTROPIC);
        gdi::SetWindowExtEx(_PMETAFILEDC, w, -h, nullptr);
        gdi::SetViewportOrgEx(_PMETAFILEDC, 0, h - 1, nullptr);
        gdi::SetViewportExtEx(_PMETAFILEDC, w, h, nullptr);
    }
    DIMENSION canvasAreaSize() const override { return DIMENSION(w_, h_); }
    void DRAW(OBJECTSHAPE& object) override { object.DRAW(); }
    // Closes the metafile; the number of its bytes.
    unsigned close() {
        gdi::HENHMETAFILE file = gdi::CloseEnhMetaFile(_PMETAFILEDC);
        _PMETAFILEDC = nullptr;
        const unsigned bytes = gdi::GetEnhMetaFileBits(file, 0, nullptr);
        gdi::DeleteEnhMetaFile(file);
        return bytes;
    }
    ~MetafileDevice() override {
        gdi::SelectObject(reference_, old_);
        gdi::DeleteObject(bitmap_);
        gdi::DeleteDC(reference_);
    }

private:
    int w_, h_;
    gdi::HDC reference_;
    gdi::HBITMAP bitmap_;
    gdi::HGDIOBJ old_;
};

}  // namespace

// A metafile records what reaches its frame: a gradient or a spot light over a canvas far
// larger than the frame records no more than over a canvas of the frame's size.
TEST(HostileParameters, MetafileOfACanvasFarLargerThanItsFrame) {
    const auto bytes = [](int size, const std::function<void(GRAPHICS&)>& draw) {
        MetafileDevice device(60, 40);
        unsigned n = 0;
        {
            GRAPHICS g(&device, size, size);
            draw(g);
        }
        n = device.close();
        return n;
    };
    const std::function<void(GRAPHICS&)> drawings[] = {
        [](GRAPHICS& g) { g.PAINTGRADIENTCANVAS(8.0, 0.0); },
        [](GRAPHICS& g) { g.PAINTGRADIENTCANVAS(8.0, 2.0); },
        [](GRAPHICS& g) { g.PAINTGRADIENTAREA(0, 0, 1e9, 1e9, 8.0, 0.0, 1.0); },
        [](GRAPHICS& g) { g.PAINTSPOTCANVAS(8.0, 4.0); },
    };
    for (size_t i = 0; i < std::size(drawings); ++i) {
        SCOPED_TRACE(i);
        const unsigned small = bytes(60, drawings[i]), large = bytes(200000, drawings[i]);
        EXPECT_GT(small, 1000u);
        EXPECT_LT(large, 2 * small);
    }
}
