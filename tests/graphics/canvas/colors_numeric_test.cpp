#include <gtest/gtest.h>

#include <cmath>

#include "graphics/canvas/colors.h"
#include "graphics/canvas/numeric.h"

using namespace gfx;

namespace {

struct TableGuard {
    TableGuard() { SETCOLORARRAY(); }
    ~TableGuard() { SETCOLORARRAY(); }
};

uint32_t rgb(int r, int g, int b) { return color2rgb(r, g, b); }

}  // namespace

TEST(WholeRule, RoundsHalfAwayFromZeroAndSaturates) {
    struct Case { double in; int32_t out; } cases[] = {
        {7.5, 8}, {-2.5, -3}, {2.4, 2}, {-2.4, -2}, {0.5, 1}, {-0.5, -1}, {0.0, 0},
        {1e12, 2147483647}, {-1e12, -2147483647 - 1}, {NAN, 0}, {INFINITY, 2147483647}};
    for (const auto& c : cases) EXPECT_EQ(whole(c.in), c.out) << c.in;
}

TEST(NumericFunctions, IntegerPartArcTangentArcSine) {
    EXPECT_EQ(GINTEG(2.7), 2.0);
    EXPECT_EQ(GINTEG(-2.7), -2.0);
    EXPECT_EQ(GINTEG(-0.5), 0.0);
    EXPECT_EQ(GINTEG(5), 5.0);
    struct Case { double y, x, out; } cases[] = {
        {1, 1, kPi / 4}, {1, -1, 3 * kPi / 4}, {-1, -1, -3 * kPi / 4},
        {0, -1, -kPi}, {0, 0, 0}, {-2, 0, -kPi / 2}, {3, 0, kPi / 2}};
    for (const auto& c : cases) EXPECT_NEAR(GATAN2(c.y, c.x), c.out, 1e-12) << c.y << "," << c.x;
    EXPECT_EQ(GASIN(1.0), kPi / 2);
    EXPECT_EQ(GASIN(-1.0), -kPi / 2);
    EXPECT_NEAR(GASIN(0.5), kPi / 6, 1e-12);
    EXPECT_EQ(GASIN(0.0), 0.0);
}

TEST(NumericFunctions, RuntimeLevelFromVersionText) {
    EXPECT_EQ(GETVOVERSION("Version 2.7b"), 27);
    EXPECT_EQ(GETVOVERSION("2.5 built on 2.0"), 20);  // markers are tried in order
    EXPECT_EQ(GETVOVERSION(""), 27);
    INITFUNCTION();
    EXPECT_EQ(RuntimeLevel, 27);
}

TEST(ColorTable, BuiltinRowsAndNumberConversions) {
    TableGuard guard;
    ASSERT_EQ(ColorTable.size(), 411u);
    EXPECT_EQ(num2rgb(11), 255u * 256 + 255u * 65536);
    EXPECT_EQ(num2bgr(11), 255u + 255u * 256);
    EXPECT_EQ(num2rgb(1), 160u * 65536);
    EXPECT_EQ(num2bgr(1), 160u);
    EXPECT_EQ(num2rgb(15), 0xFFFFFFu);
    for (double outside : {0.0, -3.0, 412.0}) EXPECT_EQ(num2rgb(outside), 0u) << outside;
    // the grey ramp and the last row
    const int ramp[8] = {32, 64, 96, 128, 160, 192, 210, 240};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(num2rgb(143 + i), rgb(ramp[i], ramp[i], ramp[i])) << 143 + i;
    EXPECT_EQ(num2rgb(411), rgb(139, 139, 0));
}

TEST(ColorTable, RegisteredColoursAppend) {
    TableGuard guard;
    EXPECT_EQ(appendColor(1, 2, 3), 412);
    EXPECT_EQ(appendColor(4, 5, 6), 413);
    EXPECT_EQ(num2rgb(412), rgb(1, 2, 3));
    EXPECT_EQ(num2bgr(413), color2bgr(4, 5, 6));
}

TEST(ColorTable, NearestNumberGreyInvertAndObjects) {
    TableGuard guard;
    struct Near { int r, g, b, num; } nears[] = {
        {128, 128, 128, 8}, {192, 192, 192, 7}, {0, 0, 0, 16}, {255, 255, 255, 15},
        {1, 2, 3, 16}, {100, 100, 100, 145}, {33, 33, 33, 143}};
    for (const auto& n : nears) EXPECT_EQ(rgb2num(rgb(n.r, n.g, n.b)), n.num) << n.r << "," << n.g << "," << n.b;

    struct Grey { int r, g, b, level; } greys[] = {
        {255, 0, 0, 141}, {0, 255, 0, 170}, {0, 0, 255, 148}, {0, 255, 255, 191}, {0, 0, 1, 127},
        {255, 255, 255, 255}, {0, 0, 0, 0}, {128, 128, 128, 128}};
    for (const auto& g : greys)
        EXPECT_EQ(rgb2gray(rgb(g.r, g.g, g.b)), rgb(g.level, g.level, g.level)) << g.r << "," << g.g << "," << g.b;

    EXPECT_EQ(rgb2invert(0), 16777215u);
    EXPECT_EQ(rgb2invert(16777215u), 0u);
    QColor c = rgb2color(255u * 256 + 255u * 65536 + (1u << 24));
    EXPECT_EQ(c, QColor(0, 255, 255));
    EXPECT_EQ(arg2rgb(ColorArg(QColor(255, 0, 0))), 255u);
    EXPECT_EQ(arg2bgr(ColorArg(12)), 16711680u);
}
