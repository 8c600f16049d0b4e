#include <gtest/gtest.h>

#include <cmath>

#include "canvas_devices.h"
#include "graphics/canvas/shapes_points.h"
#include "graphics/canvas/shapes_spline.h"
#include "shapes_helpers.h"

using namespace gfx;
using canvas_test::MemoryDevice;
using shapes_test::Box;
using shapes_test::countColour;
using shapes_test::inkBox;
using shapes_test::kBlack;
using shapes_test::kWhite;

namespace {

// Image colour (0xRRGGBB) of a colour number.
uint32_t imageColour(int number) {
    const uint32_t v = num2rgb(number);
    return (uint32_t(rgbRed(v)) << 16) | (uint32_t(rgbGreen(v)) << 8) | uint32_t(rgbBlue(v));
}

struct Canvas {
    MemoryDevice device;
    GRAPHICS g;
    explicit Canvas(int w = 60, int h = 60) : device(w, h), g(&device) {}
    const QImage& image() const { return device.image(); }
    uint32_t at(int x, int y) const { return device.at(x, y); }
};

}  // namespace

TEST(Points, ColourInForceShiftsAndEmptyList) {
    Canvas k;
    k.g.SETLINECOLOR(ColorArg::rgb(0, 0, 255));
    k.g.PAINTPOINTGROUP({{1, 1, 4}, {2, 2}, {3, 3, 2}, {4, 4}, {5, 5, ColorArg::rgb(1, 2, 3)}});
    EXPECT_EQ(k.at(1, 1), imageColour(4));
    EXPECT_EQ(k.at(2, 2), imageColour(4));
    EXPECT_EQ(k.at(3, 3), imageColour(2));
    EXPECT_EQ(k.at(4, 4), imageColour(2));
    EXPECT_EQ(k.at(5, 5), 0x010203u);

    // Rows without colours take the line colour; shifts move every row in world units.
    Canvas s;
    s.g.SETLINECOLOR(ColorArg::rgb(0, 0, 255)).SETWORLDSYSTEM(2, 2);
    s.g.PAINTPOINTGROUP({{0, 0}, {1, 1}}, 10, 5);
    s.g.PAINTPOINT(20, 20);
    EXPECT_EQ(s.at(20, 10), 0x0000FFu);
    EXPECT_EQ(s.at(22, 12), 0x0000FFu);
    EXPECT_EQ(s.at(40, 40), 0x0000FFu);
    EXPECT_EQ(countColour(s.image(), 0x0000FF), 3);

    Canvas empty;
    empty.g.PAINTPOINTGROUP({});
    EXPECT_TRUE(inkBox(empty.image()).empty());
}

TEST(Markers, EveryKindAtDefaultSize) {
    // Size 5.67 points at 96 dpi: radius 4, diagonal 3, arrow shaft 8, arrow barbs 5 pixels.
    struct Case {
        int kind;
        Box box;  // ink relative to the centre (30, 30)
        uint32_t centre;
    };
    const uint32_t fill = 0xFFFF00;
    const Case cases[] = {
        {1, {0, 0, 0, 0}, kBlack},
        {2, {-4, -4, 3, 3}, kBlack},
        {3, {-3, -2, 3, 3}, kBlack},  // lines leave out their end pixels
        {4, {-4, -4, 3, 3}, kBlack},
        {5, {-4, -3, 3, 4}, kWhite},
        {6, {-4, -3, 3, 4}, fill},
        {7, {-3, -3, 3, 3}, kWhite},
        {8, {-3, -3, 3, 3}, fill},
        {9, {-4, 0, 3, 0}, kBlack},
        {10, {0, -4, 0, 3}, kBlack},
        {11, {-7, -4, 0, 4}, kBlack},  // strokes leave the tip, their far ends left out
        {12, {0, -4, 7, 4}, kBlack},
        {13, {-4, -7, 4, 0}, kBlack},
        {14, {-4, 0, 4, 7}, kBlack},
        {0, {}, kWhite},
        {15, {}, kWhite},
    };
    for (const Case& c : cases) {
        Canvas k;
        k.g.SETFILLCOLOR(ColorArg::rgb(255, 255, 0)).SETMARKERSURFACE(c.kind).PAINTMARKER(30, 30);
        Box expected = c.box;
        if (!expected.empty()) {
            expected.left += 30, expected.right += 30, expected.bottom += 30, expected.top += 30;
        }
        EXPECT_EQ(inkBox(k.image()), expected) << "kind " << c.kind;
        EXPECT_EQ(k.at(30, 30), c.centre) << "kind " << c.kind;
    }
}

TEST(Markers, SizeResolutionAndLineWidth) {
    // Arrow of 10 points at 72 dpi: shaft 10 pixels, barbs 7 across and 7 along (the strokes'
    // far end pixels left out).
    Canvas k;
    k.g._NPIXPROINCHX = 72;
    k.g._NPIXPROINCHY = 72;
    k.g.SETMARKERSURFACE(11).SETMARKERSIZE(10).PAINTMARKER(30, 30);
    EXPECT_EQ(inkBox(k.image()), (Box{21, 24, 30, 36}));

    // Tiny markers keep one pixel of extent.
    Canvas tiny;
    tiny.g.SETMARKERSURFACE(2).SETMARKERSIZE(0.1).PAINTMARKER(30, 30);
    EXPECT_EQ(inkBox(tiny.image()), (Box{29, 29, 30, 30}));

    // The marker pen ignores the canvas line width and uses its own.
    Canvas wide;
    wide.g.SETLINEWIDTH(9).SETMARKERSURFACE(9).PAINTMARKER(30, 30);
    EXPECT_EQ(inkBox(wide.image()).top, 30);
    Canvas wider;
    wider.g.SETMARKERLINEWIDTH(5).SETMARKERSURFACE(9).PAINTMARKER(30, 30);
    EXPECT_GT(inkBox(wider.image()).top, 30);
}

TEST(Markers, GroupColoursPerRow) {
    for (int kind : {1, 2, 7}) {
        Canvas k;
        k.g.SETLINECOLOR(ColorArg::rgb(0, 0, 255)).SETMARKERSURFACE(kind);
        k.g.PAINTMARKERGROUP({{10, 10}, {20, 20, 4}, {30, 30}, {40, 40, 2}}, 0, 5);
        // a probe pixel of each marker: its centre for pixels and pluses, its left edge for squares
        const int dx = kind == 7 ? -3 : 0;
        EXPECT_EQ(k.at(10 + dx, 15), 0x0000FFu) << kind;
        EXPECT_EQ(k.at(20 + dx, 25), imageColour(4)) << kind;
        EXPECT_EQ(k.at(30 + dx, 35), imageColour(4)) << kind;
        EXPECT_EQ(k.at(40 + dx, 45), imageColour(2)) << kind;
    }
    // Arrows in a group are drawn like single arrows.
    Canvas arrows, single;
    arrows.g.SETMARKERSURFACE(13).PAINTMARKERGROUP({{30, 30}});
    single.g.SETMARKERSURFACE(13).PAINTMARKER(30, 30);
    EXPECT_EQ(arrows.image(), single.image());

    Canvas empty;
    empty.g.PAINTMARKERGROUP({});
    empty.g.SETMARKERSURFACE(15).PAINTMARKERGROUP({{30, 30}});
    EXPECT_TRUE(inkBox(empty.image()).empty());
}

// ---- spline -------------------------------------------------------------------------------------

namespace {

// Draws the spline with the object itself so its curve can be read back.
struct Spline {
    Canvas canvas{200, 200};
    NumberRows rows;
    OBJECTSPLINE spline;
    Spline(NumberRows points, Opt smoothing = {})
        : rows(std::move(points)), spline(&canvas.g, rows, smoothing) {
        canvas.device.DRAW(spline);
    }
};

double chiSquare(const OBJECTSPLINE& s, const NumberRows& rows) {
    double sum = 0.0;
    for (int i = 1; i <= s.count(); ++i) {
        const double dy = rows[i - 1].size() >= 3 && rows[i - 1][2] > 0 ? rows[i - 1][2] : 30.0;
        const double r = (s.Y(i) - s.VALUEAT(s.X(i))) / dy;
        sum += r * r;
    }
    return sum;
}

const NumberRows kWavy{{10, 100}, {40, 160}, {70, 60}, {100, 140}, {130, 40}, {160, 120}, {190, 90}};

}  // namespace

TEST(Spline, InterpolatesPolylinesAndSmooths) {
    // Interpolation passes through every point.
    Spline interpolating(kWavy);
    ASSERT_EQ(interpolating.spline.count(), 7);
    for (int i = 1; i <= 7; ++i)
        EXPECT_NEAR(interpolating.spline.VALUEAT(interpolating.spline.X(i)), interpolating.spline.Y(i), 1e-6) << i;
    // the last point is the end pixel of the last line, which lines leave out
    for (size_t i = 0; i + 1 < kWavy.size(); ++i)
        EXPECT_EQ(interpolating.canvas.at(int(kWavy[i][0]), int(kWavy[i][1])), kBlack) << i;

    // A negative smoothing draws straight segments.
    Spline polyline(kWavy, -5.0);
    EXPECT_NEAR(polyline.spline.VALUEAT(25), 130.0, 1e-9);
    EXPECT_EQ(polyline.canvas.at(25, 130), kBlack);

    // Smoothing brings the weighted squared distance to the requested value (within 1 %).
    for (double S : {0.5, 2.0, 4.0}) {
        Spline smooth(kWavy, S);
        EXPECT_NEAR(chiSquare(smooth.spline, smooth.rows), S, 0.011 * S) << S;
    }
    // Larger tolerances let the curve pass further from their points.
    NumberRows loose = kWavy;
    for (auto& row : loose) row.push_back(60.0);
    Spline tight(kWavy, 1.0), wide(loose, 1.0);
    EXPECT_GT(std::fabs(wide.spline.VALUEAT(40) - 160), std::fabs(tight.spline.VALUEAT(40) - 160));
    // Tolerances of 0 or below count as 30 pixels.
    NumberRows zero = kWavy;
    for (auto& row : zero) row.push_back(-1.0);
    Spline defaulted(zero, 1.0);
    EXPECT_EQ(defaulted.canvas.image(), tight.canvas.image());

    // -1 stands for 10000.
    Spline minusOne(kWavy, -1.0), tenThousand(kWavy, 10000.0);
    EXPECT_EQ(minusOne.canvas.image(), tenThousand.canvas.image());
    EXPECT_LT(minusOne.spline.smoothing(), 10000.0);  // lowered below F0 for these points
}

TEST(Spline, UsableRunOfPointsAndDegenerateInput) {
    Spline two({{10, 10}, {100, 100}}, 3.0);
    EXPECT_EQ(two.canvas.at(50, 50), kBlack);
    EXPECT_NEAR(two.spline.VALUEAT(55), 55.0, 1e-9);

    Spline cut({{10, 10}, {50, 90}, {90, 10}, {70, 50}, {150, 150}});
    EXPECT_EQ(cut.spline.count(), 3);
    EXPECT_EQ(inkBox(cut.canvas.image()).right, 90);

    for (NumberRows nothing : {NumberRows{}, NumberRows{{50, 50}}, NumberRows{{90, 10}, {50, 50}},
                               NumberRows{{0, 10}, {50, 50}}, NumberRows{{-5, 10}, {50, 50}}}) {
        Spline s(nothing);
        EXPECT_TRUE(inkBox(s.canvas.image()).empty());
    }

    // Points on one straight line leave nothing to smooth: the line itself, without a fault.
    Spline straight({{10, 10}, {50, 50}, {90, 90}, {130, 130}}, 5.0);
    for (int x = 10; x <= 130; x += 20) EXPECT_NEAR(straight.spline.VALUEAT(x), x, 1e-6);
    EXPECT_EQ(straight.canvas.at(70, 70), kBlack);
}
