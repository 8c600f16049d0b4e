// Figures that reach far beyond the device: lines keep their direction, sizes beyond 32 bits
// cover the pixels they reach, a curve to a far point is drawn only where it can be seen.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "canvas_devices.h"
#include "graphics/canvas/shapes_figures.h"
#include "shapes_helpers.h"

using namespace gfx;
using canvas_test::MemoryDevice;
using shapes_test::countColour;
using shapes_test::inkBox;
using shapes_test::kWhite;

namespace {

constexpr uint32_t kRed = 0xFF0000;

struct Canvas {
    MemoryDevice device;
    GRAPHICS g;
    explicit Canvas(int w = 100, int h = 100) : device(w, h), g(&device) {
        g.SETLINECOLOR(gui::COLOR(255, 0, 0)).SETFILLCOLOR(gui::COLOR(255, 0, 0));
    }
    uint32_t at(int x, int y) const { return device.at(x, y); }
};

// Inked pixels of column x (y-up), lowest and highest; -1 when the column holds none.
std::pair<int, int> columnInk(const Canvas& k, int x) {
    int low = -1, high = -1;
    for (int y = 0; y < k.device.image().height(); ++y)
        if (k.at(x, y) != kWhite) {
            if (low < 0) low = y;
            high = y;
        }
    return {low, high};
}

}  // namespace

// A line toward a vertex millions of pixels away runs where the true line runs: holding the
// far end to the device range on its own would turn it toward that range's corner.
TEST(DeviceRange, LinesAndPolygonEdgesToFarVerticesKeepTheirDirection) {
    // From (10, 10) with slope 1/5: at column 60 the line is at row 20.
    const double far = 5e7;
    struct Case {
        const char* name;
        std::function<void(GRAPHICS&)> draw;
    };
    const Case lines[] = {
        {"line", [&](GRAPHICS& g) { g.PAINTLINE(10, 10, 10 + far, 10 + far / 5); }},
        {"line from the far end", [&](GRAPHICS& g) { g.PAINTLINE(10 + far, 10 + far / 5, 10, 10); }},
        {"segment row", [&](GRAPHICS& g) { g.PAINTLINEGROUP({{10, 10, 10 + far, 10 + far / 5}}); }},
        // The chain goes on from the far vertex to one farther still, off the device.
        {"chained rows",
         [&](GRAPHICS& g) { g.PAINTLINEGROUP({{10, 10}, {10 + far, 10 + far / 5}, {10 + 2 * far, 10}}); }},
        // A line that only passes through: both ends far off on either side.
        {"passing through", [&](GRAPHICS& g) { g.PAINTLINE(10 - far, 10 - far / 5, 10 + far, 10 + far / 5); }},
        {"world offset far from origin",
         [&](GRAPHICS& g) {
             // A projected map: world values in the millions, the offset brings them back.
             g.SETWORLDORIGIN(-5000000, -4000000).PAINTLINE(5000010, 4000010, 5000010 + far, 4000010 + far / 5);
         }},
    };
    for (const Case& c : lines) {
        Canvas k;
        c.draw(k.g);
        for (int x : {20, 60, 95}) {
            const int y = int(std::lround(10 + (x - 10) / 5.0));
            const auto [low, high] = columnInk(k, x);
            EXPECT_LE(low, y) << c.name << " column " << x;
            EXPECT_GE(high, y) << c.name << " column " << x;
            EXPECT_LE(high - low, 1) << c.name << " column " << x;
        }
    }
    // A triangle whose lower edge is that line: filled above it, empty below it.
    Canvas k;
    k.g.PAINTPOLYGON({{10, 10}, {10 + far, 10 + far / 5}, {10, far}}, 1);
    for (int x : {20, 60, 95}) {
        const int y = int(std::lround(10 + (x - 10) / 5.0));
        EXPECT_EQ(k.at(x, y - 3), kWhite) << "below the edge at column " << x;
        EXPECT_EQ(k.at(x, y + 3), kRed) << "above the edge at column " << x;
        EXPECT_EQ(k.at(x, 99), kRed) << "top of column " << x;
    }
}

// Sizes beyond 32 bits cover the device pixels they reach, on the side where they lie.
TEST(DeviceRange, HugeSizesCoverWhatTheyReach) {
    struct Case {
        const char* name;
        std::function<void(GRAPHICS&)> draw;
        std::vector<std::pair<int, int>> inked, clear;
    };
    const double huge = 3e9;  // pixels: beyond the 32-bit range
    const Case cases[] = {
        {"rectangle", [&](GRAPHICS& g) { g.PAINTRECTANGLE(10, 20, huge, huge, 1.0); }, {{50, 50}, {99, 99}, {10, 20}},
         {{5, 50}, {50, 15}}},
        {"rectangle to the lower left", [&](GRAPHICS& g) { g.PAINTRECTANGLE(80, 70, -huge, -huge, 1.0); },
         {{0, 0}, {50, 50}}, {{85, 50}, {50, 75}}},
        {"rectangle by its top-right corner", [&](GRAPHICS& g) { g.PAINTRECTANGLE(80, 70, huge, huge, 1.0, 4.0); },
         {{0, 0}, {50, 50}}, {{85, 50}, {50, 75}}},
        {"rounded rectangle", [&](GRAPHICS& g) { g.PAINTRECTANGLEROUNDED(10, 20, huge, huge, 5, 5, 1.0); },
         {{50, 50}, {99, 99}}, {{5, 50}, {50, 15}}},
        {"ellipse around the canvas", [&](GRAPHICS& g) { g.PAINTELLIPSE(50, 50, huge, huge, 1.0); },
         {{0, 0}, {99, 99}, {0, 99}, {50, 50}}, {}},
        {"upper right sector", [&](GRAPHICS& g) { g.PAINTELLIPSESECTOR(50, 50, huge, huge, 0, 90, 1.0); },
         {{60, 60}, {99, 99}}, {{40, 40}, {40, 60}, {60, 40}}},
        {"filled square marker", [&](GRAPHICS& g) { g.SETMARKERSURFACE(8).SETMARKERSIZE(1e12).PAINTMARKER(50, 50); },
         {{0, 0}, {99, 99}, {50, 50}}, {}},
        {"filled circle marker", [&](GRAPHICS& g) { g.SETMARKERSURFACE(6).SETMARKERSIZE(1e12).PAINTMARKER(50, 50); },
         {{0, 0}, {99, 99}, {50, 50}}, {}},
        {"cross marker", [&](GRAPHICS& g) { g.SETMARKERSURFACE(2).SETMARKERSIZE(1e12).PAINTMARKER(50, 50); },
         {{0, 50}, {99, 50}, {50, 0}, {50, 99}}, {{20, 20}}},
        {"erased area",
         [&](GRAPHICS& g) { g.SETBACKGROUNDCOLOR(gui::COLOR(255, 0, 0)).PAINTERASEAREA(10, 20, huge, huge); },
         {{50, 50}, {99, 99}, {10, 21}}, {{5, 50}, {50, 15}}},
        {"clip region",
         [&](GRAPHICS& g) {
             g.SETCLIPREGION(10, 20, huge, huge, 0.0);
             g.PAINTRECTANGLE(0, 0, 100, 100, 1.0);
         },
         {{50, 50}, {99, 99}}, {{5, 50}, {50, 15}}},
    };
    for (const Case& c : cases) {
        Canvas k;
        c.draw(k.g);
        for (auto [x, y] : c.inked) EXPECT_EQ(k.at(x, y), kRed) << c.name << " at " << x << "," << y;
        for (auto [x, y] : c.clear) EXPECT_EQ(k.at(x, y), kWhite) << c.name << " at " << x << "," << y;
    }
}

// An ellipse whose box reaches beyond the device range keeps its centre and its rim where the
// rim crosses the canvas: a pie just over the range has its apex where it was put, a circle
// millions of pixels off the canvas whose rim crosses the canvas fills only the side of the rim
// it lies on, and an arc of it draws the rim there.
TEST(DeviceRange, AHeldEllipseKeepsItsCentreAndItsRim) {
    const double over = 4194305;  // one pixel beyond the device range
    // The centre (-5e6, -5e6) lies 5,000,100 pixels from (100, 100) in each direction.
    const double far = -5e6, radius = std::sqrt(2.0) * 5000100;
    struct Case {
        const char* name;
        std::function<void(GRAPHICS&)> draw;
        std::vector<std::pair<int, int>> inked, clear;
    };
    const Case cases[] = {
        {"pie just beyond the range", [&](GRAPHICS& g) { g.PAINTELLIPSESECTOR(100, 100, over, over, 0, 90, 1.0); },
         {{102, 102}, {199, 199}, {102, 199}}, {{98, 102}, {102, 98}, {98, 98}, {0, 0}}},
        {"pie with its radii given negative", [&](GRAPHICS& g) { g.PAINTELLIPSESECTOR(100, 100, -over, -over, 0, 90, 1.0); },
         {{102, 102}, {199, 199}, {102, 199}}, {{98, 102}, {102, 98}, {98, 98}, {0, 0}}},
        {"pie of the lower left quadrant", [&](GRAPHICS& g) { g.PAINTELLIPSESECTOR(100, 100, over, over, 180, 270, 1.0); },
         {{98, 98}, {0, 0}}, {{102, 102}, {98, 102}, {102, 98}}},
        {"circle whose rim crosses the canvas", [&](GRAPHICS& g) { g.PAINTELLIPSE(far, far, radius, radius, 1.0); },
         {{0, 0}, {50, 50}, {97, 97}, {0, 190}}, {{103, 103}, {150, 150}, {199, 199}}},
        // Its rim is 100 pixels wide at row 50 and 141 at row 0.
        {"ellipse whose rim crosses the canvas", [&](GRAPHICS& g) { g.PAINTELLIPSE(100, far, 11180, 5000100, 1.0); },
         {{100, 0}, {100, 97}, {60, 50}, {140, 50}, {35, 0}}, {{100, 103}, {40, 50}, {160, 50}, {25, 0}, {85, 97}}},
    };
    for (const Case& c : cases) {
        Canvas k(200, 200);
        c.draw(k.g);
        for (auto [x, y] : c.inked) EXPECT_EQ(k.at(x, y), kRed) << c.name << " at " << x << "," << y;
        for (auto [x, y] : c.clear) EXPECT_EQ(k.at(x, y), kWhite) << c.name << " at " << x << "," << y;
    }
    // The rim of the far circle: on each column it lies where the circle meets it.
    Canvas k(200, 200);
    k.g.PAINTELLIPSECURVE(far, far, radius, radius, 0, 90);
    for (int x : {40, 100, 160}) {
        const double y = far + std::sqrt(radius * radius - (x - far) * (x - far));
        const auto [low, high] = columnInk(k, x);
        EXPECT_NEAR(low, y, 1.5) << "column " << x;
        EXPECT_NEAR(high, y, 1.5) << "column " << x;
    }
}

// A wide dashed line millions of pixels long keeps its dashes where it crosses the canvas, as
// the same pen does on a line that starts on it: runs of ink of the same lengths, with gaps.
TEST(DeviceRange, AWideDashedLineKeepsItsDashesHoweverLong) {
    // The lengths of the ink runs along row 20 that lie wholly inside the canvas.
    const auto runs = [](const Canvas& k) {
        std::vector<int> out;
        int start = -1;
        for (int x = 0; x <= 300; ++x) {
            const bool ink = x < 300 && k.at(x, 20) != kWhite;
            if (ink && start < 0) start = x;
            if (!ink && start >= 0) {
                if (start > 0 && x < 300) out.push_back(x - start);
                start = -1;
            }
        }
        return out;
    };
    Canvas shortLine(300, 40);
    shortLine.g.SETLINEPATTERN(1).SETLINEWIDTH(3);
    shortLine.g.PAINTLINE(-100, 20, 400, 20);
    const std::vector<int> want = runs(shortLine);
    ASSERT_GE(want.size(), 3u);
    for (double reach : {4e6, 4.19e6}) {
        Canvas line(300, 40), path(300, 40);
        line.g.SETLINEPATTERN(1).SETLINEWIDTH(3);
        line.g.PAINTLINE(-reach, 20, reach, 20);
        // A polyline that runs far off the canvas before it crosses it.
        path.g.SETLINEPATTERN(1).SETLINEWIDTH(3);
        path.g.PAINTLINEGROUP({{reach, -reach}, {-reach, -reach}, {-reach, 20}, {reach, 20}});
        for (const Canvas* k : {&line, &path}) {
            const std::vector<int> got = runs(*k);
            ASSERT_GE(got.size(), want.size() - 1) << reach;
            for (int n : got) EXPECT_NEAR(n, want[0], 1) << reach;
        }
    }
}

// The top of a ring of text ten billion pixels wide lies on the canvas, and so do its letters.
TEST(DeviceRange, RingTextOfAHugeCircleLandsWhereTheCircleMeetsTheCanvas) {
    Canvas k(200, 100);
    k.g.SETSTRINGFONT({}, 20.0, 20.0).SETSTRINGCOLOR(gui::COLOR(255, 0, 0));
    const double radius = 1e10;
    // Angle 180 is the top of the circle; direction code 4 hangs the letters inside it.
    k.g.PAINTSTRINGRING(100, 60 - radius, radius, 180, 2.0, 4.0, "WWW");
    const shapes_test::Box ink = inkBox(k.device.image());
    ASSERT_FALSE(ink.empty());
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 100, 8);
    EXPECT_GE(ink.top, 40);
    EXPECT_LE(ink.top, 62);
    EXPECT_GT(countColour(k.device.image(), kRed), 20);
}

// A point millions of columns to the right costs no more than the canvas's own columns (the
// test just has to finish), and a point that is no finite number ends the usable points.
TEST(DeviceRange, SplineToFarOrNonFinitePoints) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    struct Case {
        const char* name;
        NumberRows rows;
        int lastInked;  // the rightmost inked column of row 50, or -1 for none
    };
    const Case cases[] = {
        {"far to the right", {{10, 50}, {60, 50}, {1e12, 50}}, 99},
        {"far beyond 32 bits", {{10, 50}, {1e18, 50}}, 99},
        {"infinite x", {{10, 50}, {60, 50}, {inf, 50}}, 59},
        {"not a number y", {{10, 50}, {60, 50}, {80, nan}}, 59},
        {"infinite y", {{10, 50}, {60, 50}, {80, -inf}}, 59},
        {"infinite first point", {{inf, 50}, {60, 50}}, -1},
    };
    for (const Case& c : cases) {
        for (double smoothing : {0.0, -5.0}) {
            Canvas k;
            k.g.PAINTSPLINE(c.rows, smoothing);
            int last = -1;
            for (int x = 0; x < 100; ++x)
                if (k.at(x, 50) == kRed) last = x;
            EXPECT_EQ(last, c.lastInked) << c.name << " smoothing " << smoothing;
            if (c.lastInked >= 0) {
                EXPECT_EQ(k.at(10, 50), kRed) << c.name;
            }
            // Nothing off the curve's row: a straight curve stays straight however far it goes.
            EXPECT_EQ(countColour(k.device.image(), kRed), last < 0 ? 0 : last - 10 + 1) << c.name;
        }
    }
}
