// Exact pixels of figures, lines, raster operations, hatches and flood fill on memory contexts.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "gdi_support.h"

using namespace gdi_test;

namespace {

struct Tools {
    HDC dc;
    HGDIOBJ oldPen, oldBrush;
    HPEN pen;
    HBRUSH brush;
    Tools(HDC d, HPEN p, HBRUSH b) : dc(d), pen(p), brush(b) {
        oldPen = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
        oldBrush = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
    }
    ~Tools() {
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        if (pen) DeleteObject(pen);
        if (brush) DeleteObject(brush);
    }
};

std::set<std::pair<int, int>> inked(const Surface& s, COLORREF background = kWhite) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x)
            if (s.at(x, y) != background) out.insert({x, y});
    return out;
}

}  // namespace

TEST(Figures, RectangleOnYUpContextKeepsBothCornerRowsAndColumns) {
    Surface s(20, 10, true);
    Tools t(s.dc, CreatePen(PS_SOLID, 1, kRed), CreateSolidBrush(kBlue));
    ASSERT_TRUE(Rectangle(s.dc, 2, 2, 13, 9));
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 2 && x <= 12 && y >= 3 && y <= 9;
            const bool border = inside && (x == 2 || x == 12 || y == 3 || y == 9);
            const COLORREF want = !inside ? kWhite : border ? kRed : kBlue;
            EXPECT_EQ(GetPixel(s.dc, x, y), want) << "logical " << x << "," << y;
        }
    }
    // Logical y 9 is the top device row.
    EXPECT_EQ(s.at(2, 0), kRed);
    EXPECT_EQ(s.at(2, 7), kWhite);
}

TEST(Figures, RectangleCoversLeftTopToRightBottomExclusive) {
    struct Case {
        const char* name;
        bool yUp;
        int l, t, r, b;
        QRect device;  // covered device pixels; empty: nothing
        bool pen;
    };
    const Case cases[] = {
        {"plain", false, 1, 2, 5, 4, QRect(1, 2, 4, 2), true},
        {"corners swapped", false, 5, 4, 1, 2, QRect(1, 2, 4, 2), true},
        {"y-up", true, 2, 2, 13, 9, QRect(2, 0, 11, 7), true},
        {"no pen fills the whole box", false, 1, 1, 5, 5, QRect(1, 1, 4, 4), false},
        {"no width", false, 3, 3, 3, 8, QRect(), true},
    };
    for (const Case& c : cases) {
        Surface s(20, 10, c.yUp);
        Tools t(s.dc, c.pen ? CreatePen(PS_SOLID, 1, kRed) : nullptr, CreateSolidBrush(kRed));
        Rectangle(s.dc, c.l, c.t, c.r, c.b);
        std::set<std::pair<int, int>> want;
        for (int y = c.device.top(); y <= c.device.bottom(); ++y)
            for (int x = c.device.left(); x <= c.device.right(); ++x) want.insert({x, y});
        EXPECT_EQ(inked(s), want) << c.name;
    }
}

TEST(Figures, SixteenRasterOperationsOnPensAndBrushes) {
    const COLORREF P = RGB(0x3C, 0xA5, 0xF0);
    const COLORREF D = RGB(0x5A, 0x0F, 0xCC);
    struct Case {
        int rop;
        COLORREF want;
    };
    const Case cases[] = {
        {R2_BLACK, 0},           {R2_NOTMERGEPEN, ~(P | D)}, {R2_MASKNOTPEN, ~P & D}, {R2_NOTCOPYPEN, ~P},
        {R2_MASKPENNOT, P & ~D}, {R2_NOT, ~D},               {R2_XORPEN, P ^ D},     {R2_NOTMASKPEN, ~(P & D)},
        {R2_MASKPEN, P & D},     {R2_NOTXORPEN, ~(P ^ D)},   {R2_NOP, D},            {R2_MERGENOTPEN, ~P | D},
        {R2_COPYPEN, P},         {R2_MERGEPENNOT, P | ~D},   {R2_MERGEPEN, P | D},   {R2_WHITE, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        Surface s(6, 3, false, D);
        const COLORREF want = c.want & 0xFFFFFF;
        ASSERT_EQ(SetROP2(s.dc, c.rop), R2_COPYPEN);
        {
            Tools t(s.dc, CreatePen(PS_SOLID, 1, P), nullptr);
            MoveToEx(s.dc, 0, 1, nullptr);
            LineTo(s.dc, 5, 1);
        }
        {
            Tools t(s.dc, nullptr, CreateSolidBrush(P));
            Rectangle(s.dc, 0, 2, 6, 3);
        }
        for (int x = 0; x < 5; ++x) EXPECT_EQ(s.at(x, 1), want) << "pen, rop " << c.rop;
        EXPECT_EQ(s.at(5, 1), D) << "end pixel, rop " << c.rop;
        for (int x = 0; x < 6; ++x) EXPECT_EQ(s.at(x, 2), want) << "brush, rop " << c.rop;
        EXPECT_EQ(s.at(0, 0), D);
    }
}

TEST(Figures, LinesLeaveOutTheirEndPixel) {
    struct Case {
        const char* name;
        bool yUp;
        POINT from, to;
        std::set<std::pair<int, int>> device;
    };
    const Case cases[] = {
        {"horizontal", false, {1, 1}, {5, 1}, {{1, 1}, {2, 1}, {3, 1}, {4, 1}}},
        {"vertical upwards", false, {2, 6}, {2, 2}, {{2, 6}, {2, 5}, {2, 4}, {2, 3}}},
        {"diagonal", false, {0, 0}, {4, 4}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {"leftwards", false, {6, 3}, {3, 3}, {{6, 3}, {5, 3}, {4, 3}}},
        {"zero length", false, {3, 3}, {3, 3}, {}},
        {"y-up bottom row", true, {0, 0}, {4, 0}, {{0, 7}, {1, 7}, {2, 7}, {3, 7}}},
    };
    for (const Case& c : cases) {
        Surface s(8, 8, c.yUp);
        Tools t(s.dc, CreatePen(PS_SOLID, 0, kBlack), nullptr);
        MoveToEx(s.dc, c.from.x, c.from.y, nullptr);
        LineTo(s.dc, c.to.x, c.to.y);
        EXPECT_EQ(inked(s), c.device) << c.name;
        POINT cp;
        GetCurrentPositionEx(s.dc, &cp);
        EXPECT_EQ(cp.x, c.to.x);
        EXPECT_EQ(cp.y, c.to.y);
    }
    // A closed polyline draws every corner exactly once.
    Surface s(8, 8);
    Tools t(s.dc, CreatePen(PS_SOLID, 1, kBlack), nullptr);
    SetROP2(s.dc, R2_NOT);
    const POINT square[] = {{1, 1}, {5, 1}, {5, 5}, {1, 5}, {1, 1}};
    Polyline(s.dc, square, 5);
    EXPECT_EQ(inked(s).size(), 16u);
    EXPECT_EQ(s.at(1, 1), kBlack);
}

TEST(Figures, DashPatternsAndGapsFollowTheBackgroundMode) {
    struct Case {
        int style;
        int bkMode;
        const char* row;  // '#' ink, 'b' background colour, '.' untouched
    };
    const Case cases[] = {
        {PS_DOT, TRANSPARENT, "###...###...##.."},
        {PS_DOT, OPAQUE, "###bbb###bbb##.."},
        {PS_DASHDOT, OPAQUE, "#########bbbbbb."},
        {PS_SOLID, OPAQUE, "##############.."},
    };
    for (const Case& c : cases) {
        Surface s(16, 1);
        SetBkMode(s.dc, c.bkMode);
        SetBkColor(s.dc, kBlue);
        Tools t(s.dc, CreatePen(c.style, 1, kBlack), nullptr);
        MoveToEx(s.dc, 0, 0, nullptr);
        // The pattern runs on across joined lines.
        LineTo(s.dc, 2, 0);
        LineTo(s.dc, c.style == PS_DASHDOT ? 15 : 14, 0);
        std::string got;
        for (int x = 0; x < 16; ++x) got += s.at(x, 0) == kBlack ? '#' : s.at(x, 0) == kBlue ? 'b' : '.';
        EXPECT_EQ(got, c.row) << "style " << c.style;
    }
}

TEST(Figures, HatchesAreEightByEightAndAlignedToTheDevice) {
    struct Case {
        int hatch;
        int perCell;
        int dx, dy;  // ink at (x, y) implies ink at (x + dx, y + dy)
    };
    const Case cases[] = {
        {HS_HORIZONTAL, 8, 1, 0}, {HS_VERTICAL, 8, 0, 1},   {HS_FDIAGONAL, 8, 1, 1},
        {HS_BDIAGONAL, 8, 1, -1}, {HS_CROSS, 15, 0, 0},     {HS_DIAGCROSS, 16, 0, 0},
    };
    for (const Case& c : cases) {
        for (bool yUp : {false, true}) {
            Surface whole(24, 24), part(24, 24, yUp);
            HBRUSH b = CreateHatchBrush(c.hatch, kRed);
            const RECT all{0, 0, 24, 24};
            FillRect(whole.dc, &all, b);
            SetBkMode(part.dc, TRANSPARENT);
            const RECT some{3, 5, 21, 19};
            FillRect(part.dc, &some, b);
            DeleteObject(b);
            int cell = 0;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) cell += whole.at(x, y) == kRed;
            EXPECT_EQ(cell, c.perCell) << "hatch " << c.hatch;
            for (int y = 0; y < 24; ++y) {
                for (int x = 0; x < 24; ++x) {
                    const COLORREF w = whole.at(x, y);
                    EXPECT_TRUE(w == kRed || w == kWhite);
                    EXPECT_EQ(w, whole.at((x + 8) % 24, (y + 8) % 24));
                    if (w == kRed && (c.dx || c.dy)) {
                        EXPECT_EQ(whole.at((x + c.dx + 24) % 24, (y + c.dy + 24) % 24), kRed) << "hatch " << c.hatch;
                    }
                    // Inside the partial fill the same device pixels are inked; the gaps stay.
                    if (part.at(x, y) == kRed) {
                        EXPECT_EQ(w, kRed) << "hatch " << c.hatch << " at " << x << "," << y;
                    }
                }
            }
            EXPECT_FALSE(inked(part).empty());
        }
    }
    // Opaque gaps take the background colour.
    Surface s(8, 8);
    SetBkColor(s.dc, kBlue);
    HBRUSH b = CreateHatchBrush(HS_CROSS, kRed);
    const RECT r{0, 0, 8, 8};
    FillRect(s.dc, &r, b);
    DeleteObject(b);
    EXPECT_EQ(inked(s, kBlue).size(), 15u);
    EXPECT_TRUE(inked(s, kRed).size() == 49u);
}

TEST(Figures, EllipsePartsFollowTheArcDirection) {
    // Equal radials give the whole ellipse.
    Surface whole(20, 20), ring(20, 20);
    {
        Tools t(whole.dc, CreatePen(PS_SOLID, 1, kBlack), nullptr);
        Arc(whole.dc, 0, 0, 20, 20, 20, 10, 20, 10);
    }
    {
        Tools t(ring.dc, CreatePen(PS_SOLID, 1, kBlack), nullptr);
        Ellipse(ring.dc, 0, 0, 20, 20);
    }
    EXPECT_EQ(inked(whole), inked(ring));
    EXPECT_GT(inked(ring).size(), 40u);
    EXPECT_EQ(ring.at(10, 10), kWhite);
    EXPECT_EQ(ring.at(0, 0), kWhite);

    // The canvas's sector from bearing 0 (up) to 90 (right): the end radial first, then the
    // start radial, counterclockwise on a y-up context: the upper right quarter.
    Surface s(21, 21, true);
    Tools t(s.dc, nullptr, CreateSolidBrush(kBlue));
    Pie(s.dc, 0, 0, 20, 20, 1010, 10, 10, 1010);
    EXPECT_EQ(GetPixel(s.dc, 15, 15), kBlue);
    EXPECT_EQ(GetPixel(s.dc, 5, 15), kWhite);
    EXPECT_EQ(GetPixel(s.dc, 5, 5), kWhite);
    EXPECT_EQ(GetPixel(s.dc, 15, 5), kWhite);

    Surface m(21, 21);
    Tools tm(m.dc, nullptr, CreateSolidBrush(kBlue));
    Pie(m.dc, 0, 0, 20, 20, 20, 10, 10, 0);  // right to top, device y downwards
    EXPECT_EQ(m.at(15, 5), kBlue);
    EXPECT_EQ(m.at(5, 5), kWhite);
    EXPECT_EQ(m.at(15, 15), kWhite);
}

TEST(Figures, PolygonAndBezierPathFill) {
    Surface s(12, 12);
    {
        Tools t(s.dc, nullptr, CreateSolidBrush(kRed));
        const POINT tri[] = {{0, 0}, {10, 0}, {0, 10}};
        ASSERT_TRUE(Polygon(s.dc, tri, 3));
    }
    EXPECT_EQ(s.at(0, 0), kRed);
    EXPECT_EQ(s.at(9, 0), kRed);
    EXPECT_EQ(s.at(10, 0), kWhite);  // right edge left out
    EXPECT_EQ(s.at(8, 8), kWhite);

    Surface b(40, 40);
    Tools t(b.dc, CreatePen(PS_SOLID, 1, kBlack), CreateSolidBrush(kBlue));
    const POINT curve[] = {{5, 30}, {5, 0}, {35, 0}, {35, 30}};
    BeginPath(b.dc);
    PolyBezier(b.dc, curve, 4);
    EndPath(b.dc);
    ASSERT_TRUE(StrokeAndFillPath(b.dc));
    EXPECT_EQ(b.at(20, 20), kBlue);
    EXPECT_EQ(b.at(5, 30), kBlack);
    EXPECT_EQ(b.at(20, 35), kWhite);
    EXPECT_FALSE(StrokeAndFillPath(b.dc));  // the path is used up
}

TEST(Figures, FloodFillStaysInsideItsArea) {
    struct Case {
        const char* name;
        UINT type;
        COLORREF colour;
        bool clipLeft;
        POINT seed;
        bool ok;
        int filled;
    };
    const Case cases[] = {
        {"surface", FLOODFILLSURFACE, kWhite, false, {4, 4}, true, 36},
        {"border", FLOODFILLBORDER, kBlack, false, {4, 4}, true, 36},
        {"seed of another colour", FLOODFILLSURFACE, kRed, false, {4, 4}, false, 0},
        {"seed on the border", FLOODFILLBORDER, kBlack, false, {1, 1}, false, 0},
        {"clipped", FLOODFILLSURFACE, kWhite, true, {4, 4}, true, 18},
    };
    for (const Case& c : cases) {
        Surface s(12, 12);
        {
            Tools t(s.dc, CreatePen(PS_SOLID, 1, kBlack), nullptr);
            Rectangle(s.dc, 1, 1, 9, 9);
        }
        if (c.clipLeft) IntersectClipRect(s.dc, 0, 0, 5, 12);
        Tools t(s.dc, nullptr, CreateSolidBrush(kRed));
        EXPECT_EQ(ExtFloodFill(s.dc, c.seed.x, c.seed.y, c.colour, c.type), c.ok ? TRUE : FALSE) << c.name;
        EXPECT_EQ(int(inked(s, kWhite).size()) - 28, c.filled) << c.name;
        EXPECT_EQ(s.at(0, 0), kWhite) << c.name;
        EXPECT_EQ(s.at(1, 1), kBlack) << c.name;
    }
    // Four-connected: a diagonal line is a wall.
    Surface s(10, 10);
    {
        Tools t(s.dc, CreatePen(PS_SOLID, 1, kBlack), nullptr);
        MoveToEx(s.dc, 0, 9, nullptr);
        LineTo(s.dc, 10, -1);
    }
    Tools t(s.dc, nullptr, CreateSolidBrush(kRed));
    ASSERT_TRUE(ExtFloodFill(s.dc, 0, 0, kWhite, FLOODFILLSURFACE));
    EXPECT_EQ(s.at(9, 9), kWhite);
    EXPECT_EQ(s.at(4, 4), kRed);
}

TEST(Figures, WidePensCentreOnTheOutlineUnlessInsideTheFrame) {
    struct Case {
        const char* name;
        int style, width;
        QRect inked;  // bounding box of the ink
    };
    const Case cases[] = {
        {"one pixel", PS_SOLID, 1, QRect(QPoint(5, 5), QPoint(14, 14))},
        {"three pixels", PS_SOLID, 3, QRect(QPoint(4, 4), QPoint(15, 15))},
        {"three pixels inside the frame", PS_INSIDEFRAME, 3, QRect(QPoint(5, 5), QPoint(14, 14))},
    };
    for (const Case& c : cases) {
        Surface s(20, 20);
        Tools t(s.dc, CreatePen(c.style, c.width, kBlack), nullptr);
        Rectangle(s.dc, 5, 5, 15, 15);
        QRect box;
        for (auto [x, y] : inked(s)) box |= QRect(x, y, 1, 1);
        EXPECT_EQ(box, c.inked) << c.name;
        EXPECT_EQ(s.at(10, 10), kWhite) << c.name;
        EXPECT_EQ(s.at(5 + c.width / 2, 10), kBlack) << c.name;
    }
}

TEST(Figures, WidePensDrawInASmallAreaWhatTheyDrawThereOnTheWholeSurface) {
    // A wide pen's stroke is made only of the pieces that can reach the area drawn in: in an area
    // smaller than the pen is wide it covers the pixels that the whole stroke covers there.
    LOGBRUSH ink{BS_SOLID, kBlack, 0};
    struct Case {
        const char* name;
        DWORD style;
        int width;
    };
    const Case pens[] = {
        {"round", PS_SOLID, 70},
        {"flat ends, miter corners", PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, 70},
        {"square ends, bevelled corners", PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_BEVEL, 70},
        {"dashed, round", PS_GEOMETRIC | PS_DASH, 30},
        {"dashed, flat ends", PS_GEOMETRIC | PS_DASHDOT | PS_ENDCAP_FLAT | PS_JOIN_MITER, 30},
    };
    const POINT zigzag[] = {{40, 60}, {150, 60}, {150, 160}, {60, 110}, {170, 230}, {250, 90}};
    auto draw = [&](HDC dc) {
        Polyline(dc, zigzag, 6);
        Ellipse(dc, 190, 170, 290, 250);
        Arc(dc, 30, 180, 130, 280, 130, 230, 30, 230);
    };
    // Areas of 24 x 18 pixels (a diagonal of 30) across ends, corners, edges and dash ends.
    const QPoint areas[] = {{28, 48}, {140, 50}, {145, 95}, {140, 150}, {55, 100}, {95, 150}, {160, 220},
                            {240, 80}, {250, 70}, {185, 200}, {280, 200}, {20, 215}, {70, 170}, {100, 58}};
    for (const Case& c : pens) {
        auto pen = [&] {
            return (c.style & PS_GEOMETRIC) ? ExtCreatePen(c.style, c.width, &ink, 0, nullptr)
                                            : CreatePen(int(c.style), c.width, kBlack);
        };
        Surface whole(320, 300);
        {
            Tools t(whole.dc, pen(), nullptr);
            draw(whole.dc);
        }
        for (const QPoint& at : areas) {
            Surface part(320, 300);
            Tools t(part.dc, pen(), nullptr);
            IntersectClipRect(part.dc, at.x(), at.y(), at.x() + 24, at.y() + 18);
            draw(part.dc);
            int differ = 0, black = 0;
            for (int y = at.y(); y < at.y() + 18; ++y)
                for (int x = at.x(); x < at.x() + 24; ++x) {
                    differ += part.at(x, y) != whole.at(x, y);
                    black += whole.at(x, y) == kBlack;
                }
            EXPECT_EQ(differ, 0) << c.name << " at " << at.x() << "," << at.y() << " (" << black << " inked)";
        }
    }
}
