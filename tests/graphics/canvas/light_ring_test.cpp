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

    // Escapement of a character standing at 90 degrees: 2700, or 900 the other way round on a
    // circle smaller by half the height of "A".
    auto forward = ring(k.g, k.device, 100000, 90, 0.0, 3.0, "I");
    auto backward = ring(k.g, k.device, 100000, 90, 0.0, 4.0, "I");
    EXPECT_EQ(forward[0].escapement, 2700);
    EXPECT_EQ(backward[0].escapement, 900);
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
