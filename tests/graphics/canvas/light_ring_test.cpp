#include <gtest/gtest.h>

#include <cmath>

#include "canvas_devices.h"
#include "graphics/canvas/shapes_light.h"
#include "shapes_helpers.h"

using namespace gfx;
using canvas_test::MemoryDevice;
using shapes_test::countColour;
using shapes_test::inkBox;
using shapes_test::kBlack;
using shapes_test::kWhite;

namespace {

struct Canvas {
    MemoryDevice device;
    GRAPHICS g;
    explicit Canvas(int w = 80, int h = 60) : device(w, h), g(&device) {
        g.SETBACKGROUNDCOLOR(ColorArg::rgb(255, 255, 255)).SETGRADIENTCOLOR(ColorArg::rgb(0, 0, 255));
    }
    const QImage& image() const { return device.image(); }
    uint32_t at(int x, int y) const { return device.at(x, y); }
};

int blue(uint32_t pixel) { return 255 - static_cast<int>((pixel >> 16) & 0xFF); }  // distance from white

}  // namespace

TEST(SpotLight, ModesCornersAndErase) {
    // Modes 0 to 3 are the plain gradients.
    for (int mode = 0; mode <= 3; ++mode) {
        Canvas spot, gradient;
        spot.g.PAINTSPOTCANVAS(6.0, mode);
        gradient.g.PAINTGRADIENTCANVAS(6.0, mode);
        EXPECT_EQ(spot.image(), gradient.image()) << mode;
    }
    // Omitted arguments and unknown modes light from the top-left corner.
    Canvas byDefault, seven, twelve;
    byDefault.g.PAINTSPOTCANVAS();
    seven.g.PAINTSPOTCANVAS(6.0, 7);
    twelve.g.PAINTSPOTCANVAS(6.0, 12);
    EXPECT_EQ(byDefault.image(), seven.image());
    EXPECT_EQ(twelve.image(), seven.image());

    // Each corner mode is brightest in its corner and darkest in the opposite one.
    struct Corner {
        int mode;
        int lightX, lightY, darkX, darkY;
    };
    for (const Corner c : {Corner{7, 0, 59, 79, 0}, Corner{6, 0, 0, 79, 59}, Corner{4, 79, 59, 0, 0},
                           Corner{5, 79, 0, 0, 59}}) {
        Canvas k;
        k.g.PAINTSPOTCANVAS(6.0, c.mode);
        EXPECT_LT(blue(k.at(c.lightX, c.lightY)), 10) << c.mode;
        EXPECT_GT(blue(k.at(c.darkX, c.darkY)), blue(k.at(c.lightX, c.lightY)) + 40) << c.mode;
        // colour grows steadily along the edges away from the light
        EXPECT_LE(blue(k.at(c.lightX, c.lightY)), blue(k.at(40, c.lightY))) << c.mode;
        EXPECT_LE(blue(k.at(40, c.lightY)), blue(k.at(c.darkX, c.lightY))) << c.mode;
    }
    // Mode 4 mirrors mode 7 left to right.
    Canvas four;
    four.g.PAINTSPOTCANVAS(6.0, 4);
    EXPECT_EQ(four.image(), seven.image().mirrored(true, false));

    // Below 0.1 the canvas is erased, whatever the mode.
    Canvas erased;
    erased.g.PAINTRECTANGLE(5, 5, 10, 10);
    erased.g.PAINTSPOTCANVAS(0.05, 6);
    EXPECT_EQ(countColour(erased.image(), kWhite), 80 * 60);
}

TEST(SpotLight, AreaClipsAndRestoresTheClipRectangle) {
    Canvas k;
    k.g.SETCLIPREGION(1, 2, 70, 50, 0.0);
    k.g.PAINTSPOTAREA(10, 10, 20, 20, 20.0, 0.0, 7);
    EXPECT_EQ(k.g._NCLIPX, 1u);
    EXPECT_EQ(k.g._NCLIPY, 2u);
    EXPECT_EQ(k.g._NCLIPWIDTH, 70u);
    EXPECT_EQ(k.g._NCLIPHEIGHT, 50u);
    const auto box = inkBox(k.image());
    EXPECT_GE(box.left, 10);
    EXPECT_LE(box.right, 30);
    EXPECT_GE(box.bottom, 10);
    EXPECT_LE(box.top, 30);
    EXPECT_FALSE(box.empty());

    // With world factors the rectangle is given in world units.
    Canvas w;
    w.g.SETWORLDSYSTEM(2, 2).PAINTSPOTAREA(5, 5, 10, 10, 20.0, 0.0, 7);
    const auto wbox = inkBox(w.image());
    EXPECT_GE(wbox.left, 10);
    EXPECT_LE(wbox.right, 30);
    EXPECT_GT(wbox.right, 20);
}

TEST(SpotLight, WindowAndRefreshBitmapGetTheSameLight) {
    canvas_test::WindowDevice window(50, 40);
    GRAPHICS g(&window);
    g.SETGRADIENTCOLOR(ColorArg::rgb(0, 0, 255)).PAINTSPOTCANVAS(6.0, 5);
    const QImage refresh = canvas_test::refreshImage(g).copy(0, 0, 50, 40).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(refresh, window.screen.image);
    EXPECT_GT(blue(window.at(0, 39)), blue(window.at(49, 0)));  // light in the bottom-right corner
}

TEST(SpotLight, EmptyCanvasDrawsNothing) {
    MemoryDevice device(10, 10);
    GRAPHICS g(&device, 0, 0);
    g.SETGRADIENTCOLOR(ColorArg::rgb(0, 0, 255)).PAINTSPOTCANVAS(6.0, 7);
    EXPECT_EQ(countColour(device.image(), kWhite), 100);
}

// ---- text on a circle ---------------------------------------------------------------------------

namespace {

std::vector<OBJECTSTRINGRING::Placement> ring(GRAPHICS& g, Device& device, double radius, double angle, Opt align,
                                              Opt direction, const std::string& text, Opt anchor = {}) {
    OBJECTSTRINGRING o(&g, 100, 100, radius, angle, align, direction, text, anchor);
    device.DRAW(o);
    return o.placements();
}

}  // namespace

TEST(StringRing, AlignmentDirectionAndEscapement) {
    Canvas k(200, 200);
    // Align 0: the first character's reference point lies at the angle's position; angle 90
    // is straight right of the centre.
    auto begin = ring(k.g, k.device, 50, 90, 0.0, 3.0, "ABC");
    ASSERT_EQ(begin.size(), 3u);
    EXPECT_NEAR(begin[0].x, 150, 1);
    EXPECT_NEAR(begin[0].y, 100, 1);
    // Direction 3: the characters follow with larger angles (upward, counterclockwise).
    EXPECT_GT(begin[1].y, begin[0].y);
    EXPECT_GT(begin[2].y, begin[1].y);

    // Align 1 ends the text near the angle, and every other code does the same.
    auto end = ring(k.g, k.device, 50, 90, 1.0, 3.0, "ABC");
    auto five = ring(k.g, k.device, 50, 90, 5.0, 3.0, "ABC");
    auto centred = ring(k.g, k.device, 50, 90, {}, {}, "ABC");
    ASSERT_EQ(end.size(), 3u);
    EXPECT_LT(end[2].y, begin[0].y);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(end[i].x, five[i].x);
        EXPECT_EQ(end[i].y, five[i].y);
    }
    // Centred: between the two, the middle character near the angle.
    EXPECT_GT(centred[1].y, end[1].y);
    EXPECT_LT(centred[1].y, begin[1].y);

    // Escapement of a character standing at 90 degrees (right of the centre, text running
    // up): 900, or 2700 the other way round on a circle smaller by half the height of "A".
    auto forward = ring(k.g, k.device, 100000, 90, 0.0, 3.0, "I");
    auto backward = ring(k.g, k.device, 100000, 90, 0.0, 4.0, "I");
    EXPECT_EQ(forward[0].escapement, 900);
    EXPECT_EQ(backward[0].escapement, 2700);
    EXPECT_LT(backward[0].x, forward[0].x);

    // The radius is measured on the x axis only.
    Canvas s(200, 200);
    s.g.SETWORLDSYSTEM(2, 1);
    auto stretched = ring(s.g, s.device, 25, 90, 0.0, 3.0, "A");
    EXPECT_NEAR(stretched[0].x - s.g.devX(100), 50, 1);
}

TEST(StringRing, LimitsAndDegenerateInput) {
    Canvas k(200, 200);
    EXPECT_EQ(ring(k.g, k.device, 1000, 0, 0.0, 3.0, std::string(250, 'x')).size(), 200u);
    EXPECT_TRUE(ring(k.g, k.device, 50, 0, 0.0, 3.0, "").empty());
    EXPECT_TRUE(ring(k.g, k.device, 0, 0, 0.0, 3.0, "abc").empty());
    // One character wider than the radius: nothing of the text is drawn.
    k.g.PAINTSTRINGRING(100, 100, 3, 0, {}, {}, "iiiWiii");
    EXPECT_TRUE(inkBox(k.image()).empty());
    // A fitting text leaves ink around the circle.
    k.g.PAINTSTRINGRING(100, 100, 60, 0, {}, {}, "Round text");
    EXPECT_FALSE(inkBox(k.image()).empty());
    EXPECT_LT(inkBox(k.image()).bottom, 60);  // angle 0 is below the centre
}

namespace {

// Direction (degrees, 0..180) of the long axis of the ink, and the ink's centroid (y up).
struct InkAxis {
    double axis = 0.0, cx = 0.0, cy = 0.0;
};
InkAxis inkAxis(const QImage& image) {
    double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (int r = 0; r < image.height(); ++r)
        for (int c = 0; c < image.width(); ++c) {
            if ((image.pixel(c, r) & 0xFFFFFF) == kWhite) continue;
            const double x = c, y = image.height() - 1 - r;
            n += 1, sx += x, sy += y, sxx += x * x, syy += y * y, sxy += x * y;
        }
    InkAxis a;
    if (n == 0) return a;
    a.cx = sx / n, a.cy = sy / n;
    const double vxx = sxx / n - a.cx * a.cx, vyy = syy / n - a.cy * a.cy, vxy = sxy / n - a.cx * a.cy;
    a.axis = 0.5 * std::atan2(2 * vxy, vxx - vyy) * 180.0 / 3.141592653589793;
    if (a.axis < 0) a.axis += 180.0;
    return a;
}

double axisGap(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 180.0);
    return std::min(d, 180.0 - d);
}

}  // namespace

// A character on a ring stands along the arc: the stroke of an "I" points at the centre,
// on both sides of the bottom (and of the top for text running clockwise).
TEST(StringRing, CharactersStandAlongTheArcOnThePixels) {
    for (double direction : {3.0, 4.0}) {
        for (double angle : {-35.0, 35.0, 145.0, 215.0}) {
            Canvas k(300, 300);
            k.g.SETSTRINGFONT(FontFace(32.0), 0.0, 40.0, 0.0, 2.0);
            k.g.PAINTSTRINGRING(150, 150, 100, angle, 2.0, direction, "I");
            const InkAxis ink = inkAxis(k.image());
            const double radial = std::atan2(ink.cy - 150, ink.cx - 150) * 180.0 / 3.141592653589793;
            const std::string what = "direction " + std::to_string(direction) + " angle " + std::to_string(angle);
            ASSERT_GT(countColour(k.image(), kBlack), 40) << what;
            // The ink lies where the angle points (angle 0 below the centre, 90 right of it).
            EXPECT_LT(axisGap(radial, angle - 90.0), 12.0) << what;
            EXPECT_LT(axisGap(ink.axis, radial), 6.0) << what;
        }
    }
}
