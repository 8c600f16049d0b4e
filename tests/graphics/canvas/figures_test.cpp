#include <gtest/gtest.h>

#include "canvas_devices.h"
#include "graphics/canvas/shapes_figures.h"
#include "shapes_helpers.h"

using namespace gfx;
using canvas_test::MemoryDevice;
using canvas_test::WindowDevice;
using shapes_test::Box;
using shapes_test::countColour;
using shapes_test::inkBox;
using shapes_test::kBlack;
using shapes_test::kWhite;

namespace {

constexpr uint32_t kRed = 0xFF0000, kYellow = 0xFFFF00, kBlue = 0x0000FF;

struct Canvas {
    MemoryDevice device;
    GRAPHICS g;
    explicit Canvas(int w = 60, int h = 60) : device(w, h), g(&device) {}
    const QImage& image() const { return device.image(); }
    uint32_t at(int x, int y) const { return device.at(x, y); }
};

}  // namespace

TEST(Rectangles, CornersAnchorsAndBothCornerOrders) {
    struct Case {
        const char* name;
        std::function<void(GRAPHICS&)> draw;
        Box box;
    };
    const Case cases[] = {
        {"width and height from the corner", [](GRAPHICS& g) { g.PAINTRECTANGLE(2, 3, 10, 6); }, {2, 3, 12, 9}},
        {"two corners", [](GRAPHICS& g) { g.PAINTRECTANGLEALIGNED(2, 3, 12, 9); }, {2, 3, 12, 9}},
        {"two corners reversed", [](GRAPHICS& g) { g.PAINTRECTANGLEALIGNED(12, 9, 2, 3); }, {2, 3, 12, 9}},
        {"centre anchor", [](GRAPHICS& g) { g.PAINTRECTANGLE(30, 30, 10, 6, 0.0, 10.0); }, {25, 27, 35, 33}},
        {"world factor", [](GRAPHICS& g) { g.SETWORLDSYSTEM(2, 2).PAINTRECTANGLE(1, 1, 5, 3); }, {2, 2, 12, 8}},
        {"rounded", [](GRAPHICS& g) { g.PAINTRECTANGLEROUNDED(2, 3, 10, 6, 2, 2, 1.0); }, {2, 3, 12, 9}},
        // No two-corner form for the rounded rectangle: 100 is an anchor code like any other
        // and places nothing differently from 0.
        {"rounded anchor 100", [](GRAPHICS& g) { g.PAINTRECTANGLEROUNDED(2, 3, 10, 6, 2, 2, 0.0, 100.0); },
         {2, 3, 12, 9}},
    };
    for (const Case& c : cases) {
        Canvas k;
        c.draw(k.g);
        EXPECT_EQ(inkBox(k.image()), c.box) << c.name;
    }
}

TEST(Rectangles, FillCodesBrushesAndBackgrounds) {
    // A 21x21 rectangle over a blue ground: what the inside shows for each fill code.
    struct Case {
        double fillSwitch;
        int code;
        bool insideBlueLeft;     // ground shows through somewhere inside
        bool insideYellow;       // fill colour somewhere inside
        bool insideRed;          // hatch colour somewhere inside
    };
    const Case cases[] = {
        {1, 32, false, true, false},   // solid fill colour
        {1, 5, false, true, true},     // hatch with opaque gaps in the fill colour
        {1, 133, true, false, true},   // the same hatch, gaps transparent
        {1, 160, true, false, false},  // outline only
        {0, 32, true, false, false},   // fill switch off
        {2, 32, true, false, false},   // any other switch: outline only
        {1, 64, false, false, true},   // 8x8 pattern (red cells)
        {1, 192, false, false, true},  // pattern, transparent background: cells still cover
    };
    for (const Case& c : cases) {
        Canvas k;
        GRAPHICS& g = k.g;
        g.SETFILLCOLOR(ColorArg::rgb(0, 0, 255)).PAINTRECTANGLE(0, 0, 60, 60, 1.0);
        g.SETFILLCOLOR(ColorArg::rgb(255, 255, 0)).SETFILLHATCHCOLOR(ColorArg::rgb(255, 0, 0));
        g.SETFILLPATTERN(std::vector<std::vector<ColorArg>>(8, std::vector<ColorArg>(8, ColorArg::rgb(255, 0, 0))));
        g.SETFILLHATCH(c.code).PAINTRECTANGLE(20, 20, 20, 20, c.fillSwitch);
        const QImage inside = k.image().copy(22, 60 - 1 - 38, 17, 17);
        EXPECT_EQ(countColour(inside, kBlue) > 0, c.insideBlueLeft) << c.code << " switch " << c.fillSwitch;
        EXPECT_EQ(countColour(inside, kYellow) > 0, c.insideYellow) << c.code << " switch " << c.fillSwitch;
        EXPECT_EQ(countColour(inside, kRed) > 0, c.insideRed) << c.code << " switch " << c.fillSwitch;
        EXPECT_EQ(k.at(20, 30), kBlack) << "outline in the line colour, code " << c.code;
    }
}

TEST(Rectangles, WindowCanvasDrawsOnWindowAndRefreshBitmapButNotWithoutContext) {
    WindowDevice window(40, 40);
    GRAPHICS g(&window);
    g.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).PAINTRECTANGLE(5, 5, 10, 10, 1.0);
    EXPECT_EQ(window.at(10, 10), kRed);
    const QImage refresh = canvas_test::refreshImage(g);
    EXPECT_EQ(refresh.pixel(10, refresh.height() - 1 - 10) & 0xFFFFFF, kRed);

    shapes_test::DeadWindowDevice dead(40, 40);
    GRAPHICS h(&dead);
    h.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).PAINTRECTANGLE(5, 5, 10, 10, 1.0);
    const QImage untouched = canvas_test::refreshImage(h);
    EXPECT_EQ(countColour(untouched, kRed), 0);
}

TEST(Ellipses, BoxAnchorAndRadiiAsHalfAxes) {
    struct Case {
        const char* name;
        std::function<void(GRAPHICS&)> draw;
        Box box;
    };
    const Case cases[] = {
        // The box goes to the call as it is, without the row the rectangles add, so an
        // ellipse covers the rows above its bottom edge up to its top edge.
        {"centre by default", [](GRAPHICS& g) { g.PAINTELLIPSE(30, 30, 5, 3); }, {25, 28, 34, 33}},
        {"anchor 0 corner", [](GRAPHICS& g) { g.PAINTELLIPSE(10, 10, 5, 3, 0.0, 0.0); }, {10, 11, 19, 16}},
        {"factor 20, radius 1", [](GRAPHICS& g) { g.SETWORLDSYSTEM(20, 20).PAINTELLIPSE(1.5, 1.5, 1, 1); },
         {10, 11, 49, 50}},
    };
    for (const Case& c : cases) {
        Canvas k;
        c.draw(k.g);
        EXPECT_EQ(inkBox(k.image()), c.box) << c.name;
    }
}

TEST(Ellipses, PartsRunClockwiseFromStartBearing) {
    // Filled red parts of a circle of radius 20 at (30, 30); probes in the four quarters.
    struct Case {
        const char* name;
        double start, end;
        int part;  // 1 chord, 2 pie
        bool upperRight, lowerRight, lowerLeft, upperLeft;
    };
    const Case cases[] = {
        {"upper right quarter", 0, 90, 2, true, false, false, false},
        {"the other three quarters", 90, 0, 2, false, true, true, true},
        {"450 is 90", 0, 450, 2, true, false, false, false},
        {"negative bearings count anticlockwise", -90, 0, 2, false, false, false, true},
        {"right half as chord", 0, 180, 1, true, true, false, false},
    };
    for (const Case& c : cases) {
        Canvas k;
        k.g.SETFILLCOLOR(ColorArg::rgb(255, 0, 0));
        if (c.part == 2)
            k.g.PAINTELLIPSESECTOR(30, 30, 20, 20, c.start, c.end, 1.0);
        else
            k.g.PAINTELLIPSESEGMENT(30, 30, 20, 20, c.start, c.end, 1.0);
        EXPECT_EQ(k.at(38, 38) == kRed, c.upperRight) << c.name;
        EXPECT_EQ(k.at(38, 22) == kRed, c.lowerRight) << c.name;
        EXPECT_EQ(k.at(22, 22) == kRed, c.lowerLeft) << c.name;
        EXPECT_EQ(k.at(22, 38) == kRed, c.upperLeft) << c.name;
    }
    // An arc is never filled; a sector without the fill switch is an outline.
    Canvas arc;
    arc.g.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).PAINTELLIPSECURVE(30, 30, 20, 20, 0, 90);
    EXPECT_EQ(countColour(arc.image(), kRed), 0);
    const Box arcBox = inkBox(arc.image());
    EXPECT_GE(arcBox.left, 29);  // only the upper right quarter, without radii
    EXPECT_GE(arcBox.bottom, 29);
    EXPECT_GE(arcBox.right, 48);
    EXPECT_GE(arcBox.top, 48);
    Canvas pie;
    pie.g.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).PAINTELLIPSESECTOR(30, 30, 20, 20, 0, 90);
    EXPECT_EQ(countColour(pie.image(), kRed), 0);
    EXPECT_EQ(pie.at(38, 38), kWhite);
}

TEST(Lines, LineGroupRowsPointsAndSegments) {
    struct Case {
        const char* name;
        NumberRows rows;
        double xShift;
        std::vector<std::pair<int, int>> ink, blank;
    };
    const Case cases[] = {
        {"polyline", {{0, 0}, {10, 0}, {10, 10}}, 0, {{5, 0}, {10, 5}}, {{5, 5}}},
        {"segment then point continues", {{0, 0, 10, 0}, {20, 20}}, 0, {{5, 0}, {15, 10}}, {{5, 5}}},
        {"point then segment starts afresh", {{0, 0}, {5, 5, 10, 0}}, 0, {{7, 3}}, {{2, 2}}},
        {"shift in world units", {{0, 20, 10, 20}}, 2.0, {{25, 40}}, {{5, 40}}},
        {"rows without a point are skipped", {{}, {1}, {0, 0}, {10, 0}}, 0, {{5, 0}}, {}},
    };
    for (const Case& c : cases) {
        Canvas k;
        if (c.xShift != 0.0) k.g.SETWORLDSYSTEM(10, 2);
        const NumberRows copy = c.rows;
        k.g.PAINTLINEGROUP(c.rows, c.xShift);
        for (auto [x, y] : c.ink) EXPECT_EQ(k.at(x, y), kBlack) << c.name << " at " << x << "," << y;
        for (auto [x, y] : c.blank) EXPECT_EQ(k.at(x, y), kWhite) << c.name << " at " << x << "," << y;
        EXPECT_EQ(c.rows, copy);
    }
    Canvas empty;
    empty.g.PAINTLINEGROUP({});
    EXPECT_TRUE(inkBox(empty.image()).empty());
}

TEST(Lines, LineCapShapesTheEnds) {
    Canvas flat, round;
    flat.g.SETLINEWIDTH(9).PAINTLINE(20, 30, 40, 30);
    round.g.SETLINEWIDTH(9).SETLINECAP(1).PAINTLINE(20, 30, 40, 30);
    EXPECT_EQ(flat.at(17, 30), kWhite);   // flat ends stop at the end points
    EXPECT_EQ(round.at(17, 30), kBlack);  // round caps reach past them
    EXPECT_EQ(round.at(17, 34), kWhite);  // but not into the corners
}

TEST(Polygons, ClosingFillCodesAndDegenerateInput) {
    // Open and explicitly closed triangles draw the same outline.
    Canvas open, closed;
    open.g.PAINTPOLYGON({{10, 10}, {40, 10}, {10, 40}});
    closed.g.PAINTPOLYGON({{10, 10}, {40, 10}, {10, 40}, {10, 10}});
    EXPECT_EQ(open.image(), closed.image());
    EXPECT_EQ(open.at(10, 25), kBlack);  // the closing side

    // 160 fills a polygon solid, while a rectangle stays hollow under the same settings.
    Canvas k;
    k.g.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).SETFILLHATCH(160);
    k.g.PAINTPOLYGON({{5, 5}, {25, 5}, {25, 25}, {5, 25}}, 1.0);
    k.g.PAINTRECTANGLE(35, 35, 20, 20, 1.0);
    EXPECT_EQ(k.at(15, 15), kRed);
    EXPECT_EQ(k.at(45, 45), kWhite);

    Canvas hollow;
    hollow.g.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).PAINTPOLYGON({{5, 5}, {25, 5}, {25, 25}, {5, 25}});
    EXPECT_EQ(hollow.at(15, 15), kWhite);

    Canvas nothing;
    nothing.g.PAINTPOLYGON({});
    nothing.g.PAINTPOLYGON({{}, {3}});
    EXPECT_TRUE(inkBox(nothing.image()).empty());
}

TEST(FloodFill, FillsTheConnectedAreaOnlyAndShowsRefreshBitmapOnWindows) {
    Canvas k;
    k.g.PAINTRECTANGLE(10, 10, 20, 20);
    k.g.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).PAINTFLOODFILL(20, 20);
    EXPECT_EQ(k.at(20, 20), kRed);
    EXPECT_EQ(k.at(11, 11), kRed);
    EXPECT_EQ(k.at(10, 20), kBlack);  // the outline keeps its colour
    EXPECT_EQ(k.at(5, 5), kWhite);    // outside is not connected
    EXPECT_EQ(countColour(k.image(), kRed), 19 * 19);

    // Hatch 2 with opaque gaps, and 160 as a solid fill.
    Canvas hatch;
    hatch.g.SETFILLCOLOR(ColorArg::rgb(255, 255, 0)).SETFILLHATCHCOLOR(ColorArg::rgb(255, 0, 0)).SETFILLHATCH(2);
    hatch.g.PAINTFLOODFILL(5, 5);
    EXPECT_GT(countColour(hatch.image(), kRed), 0);
    EXPECT_GT(countColour(hatch.image(), kYellow), 0);
    EXPECT_EQ(countColour(hatch.image(), kWhite), 0);
    Canvas solid;
    solid.g.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).SETFILLHATCH(160).PAINTFLOODFILL(5, 5);
    EXPECT_EQ(countColour(solid.image(), kRed), 60 * 60);

    // A window shows the filled refresh bitmap: what was drawn on the window alone goes.
    WindowDevice window(40, 40);
    GRAPHICS w(&window);
    gdi::SetPixelV(window.screen.dc, 35, 35, gdi::RGB(0, 0, 255));
    w.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).PAINTFLOODFILL(5, 5);
    EXPECT_EQ(window.at(35, 35), kRed);
    EXPECT_EQ(window.at(5, 5), kRed);

    // A printer page is never flood-filled.
    shapes_test::PrinterDevice printer(40, 40);
    GRAPHICS p(&printer);
    p.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).PAINTFLOODFILL(5, 5);
    EXPECT_EQ(countColour(printer.page.image, kRed), 0);
}

namespace {
struct FakeControl {
    POINT o;
    DIMENSION s;
    POINT ORIGIN() const { return o; }
    DIMENSION SIZE() const { return s; }
};
}  // namespace

TEST(ControlShapes, PixelMeasuredFiguresAroundTheControl) {
    WindowDevice window(400, 300);
    GRAPHICS g(&window);
    std::vector<DrawCall> calls;
    g.setTraceSink([&](const DrawCall& c) { calls.push_back(c); });
    g.SETWORLDSYSTEM(5, 5).SETWORLDORIGIN(3, 4);
    const int32_t offX = g._NOFFSETX, offY = g._NOFFSETY;

    g.PAINTCONTROL(FakeControl{POINT(100, 50), DIMENSION(100, 30)}, 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].method, "PAINTRECTANGLEROUNDED");
    EXPECT_EQ(calls[0].args, (std::vector<double>{150, 65, 106, 36, 15, 15, 10}));
    // drawn in pixels: the frame spans the control and a little more
    EXPECT_EQ(window.at(150 - 53, 65), kBlack);

    calls.clear();
    g.PAINTCONTROL(FakeControl{POINT(100, 50), DIMENSION(100, 40)}, 3, 1.0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].method, "PAINTPOLYGON");
    ASSERT_EQ(calls[0].rows.size(), 12u);
    EXPECT_NEAR(calls[0].rows[0][0], 150.0, 1e-9);
    EXPECT_NEAR(calls[0].rows[0][1], 70 + 86.6025, 1e-3);
    EXPECT_NEAR(calls[0].rows[1][0], 150 + 25.0, 1e-9);
    EXPECT_NEAR(calls[0].rows[1][1], 70 + 43.3013, 1e-3);
    EXPECT_EQ(calls[0].args, (std::vector<double>{1}));

    calls.clear();
    g.PAINTCONTROL(FakeControl{POINT(100, 50), DIMENSION(100, 40)}, 4);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rows.size(), 24u);

    calls.clear();
    g.PAINTCONTROL(FakeControl{POINT(10, 10), DIMENSION(20, 20)}, 2);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, (std::vector<double>{20, 20, 14, 14, 10}));

    calls.clear();
    g.PAINTCONTROL(FakeControl{POINT(10, 10), DIMENSION(20, 20)}, 7);
    EXPECT_TRUE(calls.empty());
    // the mapping is back as it was after every call
    EXPECT_EQ(g._FFACTORX, 5.0);
    EXPECT_EQ(g._FFACTORY, 5.0);
    EXPECT_EQ(g._NORIGINX, 3);
    EXPECT_EQ(g._NOFFSETX, offX);
    EXPECT_EQ(g._NOFFSETY, offY);

    // Only windows own controls.
    MemoryDevice memory(100, 100);
    GRAPHICS m(&memory);
    m.setTraceSink([&](const DrawCall& c) { calls.push_back(c); });
    m.PAINTCONTROL(FakeControl{POINT(10, 10), DIMENSION(20, 20)}, 1);
    EXPECT_TRUE(calls.empty());
}

TEST(Bezier, SegmentsSmoothJoinsFillAndShortLists) {
    // One segment from (5, 5) to (55, 5) bulging upward.
    const NumberRows one{{5, 5}, {5, 45}, {55, 45}, {55, 5}};
    Canvas k;
    k.g.PAINTBEZIER(one);
    const Box box = inkBox(k.image());
    EXPECT_EQ(box.left, 5);
    EXPECT_EQ(box.bottom, 5);
    EXPECT_NEAR(box.top, 5 + 30, 1);  // a cubic reaches 3/4 of its control height
    EXPECT_NEAR(box.right, 55, 1);

    // One or two spare rows are ignored.
    for (NumberRows spare : {NumberRows{{5, 5}, {5, 45}, {55, 45}, {55, 5}, {0, 0}},
                             NumberRows{{5, 5}, {5, 45}, {55, 45}, {55, 5}, {0, 0}, {1, 1}}}) {
        Canvas s;
        s.g.PAINTBEZIER(spare);
        EXPECT_EQ(s.image(), k.image());
    }

    // Smooth joins replace the first control point of later segments, and of the first one
    // when the chain closes.
    GRAPHICS& g = k.g;
    const NumberRows chain{{0, 0}, {1, 5}, {4, 5}, {5, 0}, {99, 99}, {9, -5}, {10, 0}};
    OBJECTBEZIER smooth(&g, chain, true);
    k.device.DRAW(smooth);
    ASSERT_EQ(smooth.devicePoints().size(), 7u);
    EXPECT_EQ(smooth.devicePoints()[4].x, 6);
    EXPECT_EQ(smooth.devicePoints()[4].y, -5);
    const NumberRows ring{{10, 10}, {99, 99}, {20, 30}, {30, 10}, {40, -10}, {0, -10}, {10, 10}};
    OBJECTBEZIER closing(&g, ring, true);
    k.device.DRAW(closing);
    EXPECT_EQ(closing.devicePoints()[4].x, 40);  // 2 * (30, 10) - (20, 30)
    EXPECT_EQ(closing.devicePoints()[4].y, -10);
    EXPECT_EQ(closing.devicePoints()[1].x, 20);  // 2 * (10, 10) - (0, -10)
    EXPECT_EQ(closing.devicePoints()[1].y, 30);
    OBJECTBEZIER plain(&g, chain);
    k.device.DRAW(plain);
    EXPECT_EQ(plain.devicePoints()[4].x, 99);

    // Filled: solid in the fill colour; 160 and fill switch 2 draw the curve only.
    struct Fill {
        double fillSwitch;
        int code;
        bool red;
    };
    for (const Fill f : {Fill{1, 32, true}, Fill{1, 160, false}, Fill{2, 32, false}}) {
        Canvas c;
        c.g.SETFILLCOLOR(ColorArg::rgb(255, 0, 0)).SETFILLHATCH(f.code).PAINTBEZIER(one, {}, f.fillSwitch);
        EXPECT_EQ(c.at(30, 20) == kRed, f.red) << f.fillSwitch << " " << f.code;
        EXPECT_EQ(c.at(30, 5) == kBlack, f.red) << "closing side only on the filled path";
    }

    Canvas few;
    few.g.PAINTBEZIER({{1, 1}, {5, 5}, {9, 1}});
    few.g.PAINTBEZIER({});
    EXPECT_TRUE(inkBox(few.image()).empty());
}

TEST(Protocol, EveryFigureLeavesTheContextAsItFoundIt) {
    using Draw = std::function<void(GRAPHICS&)>;
    const std::pair<const char*, Draw> figures[] = {
        {"rectangle", [](GRAPHICS& g) { g.PAINTRECTANGLE(5, 5, 10, 10, 1.0); }},
        {"rounded", [](GRAPHICS& g) { g.PAINTRECTANGLEROUNDED(5, 5, 10, 10, 3, 3, 1.0); }},
        {"ellipse", [](GRAPHICS& g) { g.PAINTELLIPSE(20, 20, 5, 5, 1.0); }},
        {"sector", [](GRAPHICS& g) { g.PAINTELLIPSESECTOR(20, 20, 5, 5, 0, 90, 1.0); }},
        {"line", [](GRAPHICS& g) { g.PAINTLINE(1, 1, 30, 30); }},
        {"line group", [](GRAPHICS& g) { g.PAINTLINEGROUP({{1, 1}, {30, 30}}); }},
        {"polygon", [](GRAPHICS& g) { g.PAINTPOLYGON({{1, 1}, {30, 1}, {1, 30}}, 1.0); }},
        {"flood fill", [](GRAPHICS& g) { g.PAINTFLOODFILL(50, 50); }},
        {"bezier", [](GRAPHICS& g) { g.PAINTBEZIER({{1, 1}, {1, 30}, {30, 30}, {30, 1}}, {}, 1.0); }},
        {"point", [](GRAPHICS& g) { g.PAINTPOINTGROUP({{1, 1, 4}}); }},
        {"marker", [](GRAPHICS& g) { g.SETMARKERSURFACE(6).PAINTMARKER(20, 20); }},
        {"marker group", [](GRAPHICS& g) { g.SETMARKERSURFACE(8).PAINTMARKERGROUP({{20, 20, 3}, {30, 30}}); }},
        {"spline", [](GRAPHICS& g) { g.PAINTSPLINE({{1, 1}, {20, 30}, {40, 5}}); }},
        {"spot", [](GRAPHICS& g) { g.PAINTSPOTCANVAS(); }},
        {"ring", [](GRAPHICS& g) { g.PAINTSTRINGRING(30, 30, 25, 0, {}, {}, "ring"); }},
    };
    for (const auto& [name, draw] : figures) {
        Canvas k;
        k.g.SETFILLHATCH(5).SETRASTERMODE(7);
        gdi::HDC dc = k.device.surface.dc;
        gdi::SetBkColor(dc, gdi::RGB(1, 2, 3));
        const auto pen = gdi::GetCurrentObject(dc, gdi::OBJ_PEN), brush = gdi::GetCurrentObject(dc, gdi::OBJ_BRUSH);
        const auto font = gdi::GetCurrentObject(dc, gdi::OBJ_FONT);
        const int mode = gdi::GetBkMode(dc), rop = gdi::GetROP2(dc);
        const auto align = gdi::GetTextAlign(dc), text = gdi::GetTextColor(dc);
        draw(k.g);
        EXPECT_EQ(gdi::GetCurrentObject(dc, gdi::OBJ_PEN), pen) << name;
        EXPECT_EQ(gdi::GetCurrentObject(dc, gdi::OBJ_BRUSH), brush) << name;
        EXPECT_EQ(gdi::GetCurrentObject(dc, gdi::OBJ_FONT), font) << name;
        EXPECT_EQ(gdi::GetBkColor(dc), gdi::RGB(1, 2, 3)) << name;
        EXPECT_EQ(gdi::GetBkMode(dc), mode) << name;
        EXPECT_EQ(gdi::GetROP2(dc), rop) << name;
        EXPECT_EQ(gdi::GetTextAlign(dc), align) << name;
        EXPECT_EQ(gdi::GetTextColor(dc), text) << name;
    }
}
