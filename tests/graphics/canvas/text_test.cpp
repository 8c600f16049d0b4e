#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "canvas_devices.h"
#include "test_env.h"

using namespace gfx;
using canvas_test::MemoryDevice;
using canvas_test::rgbOf;

namespace {

gdi::LOGFONT fontOf(const GRAPHICS& g) {
    gdi::LOGFONT lf;
    gdi::GetObject(g._PFONT, sizeof lf, &lf);
    return lf;
}

int inkCount(const QImage& image, uint32_t background) {
    int n = 0;
    for (int r = 0; r < image.height(); ++r)
        for (int c = 0; c < image.width(); ++c)
            if ((image.pixel(c, r) & 0xFFFFFF) != background) ++n;
    return n;
}

// The title page of the shell window, as its paint hook draws it.
void drawTitlePage(GRAPHICS& g) {
    const double W = static_cast<uint16_t>(g.GETDEVICEWIDTH());
    const double H = static_cast<uint16_t>(g.GETDEVICEHEIGHT());
    g.SETBACKGROUNDCOLOR(11);
    g.PAINTGRADIENTCANVAS(10, 0);
    g.SETWORLDORIGIN(std::floor(W / 2), std::floor(H / 2));
    g.SETSTRINGFONT(16, 30.0, 60.0, 2, 0, 0.0);
    g.SETSTRINGCOLOR(15);
    g.SETSTRINGSHADOW(6, 16, 7);
    g.PAINTSTRINGSHADOW(0, 0.2 * H, "MIRVANO", 10.0);
    g.SETSTRINGFONT(FontFace(16.0), 15.0, 30.0, 12.0, 0.0, 0.0);
    g.SETSTRINGSHADOW(4, 16, 7);
    g.PAINTSTRINGSHADOW(0, 0.05 * H, "Conversion of", 10.0);
    g.PAINTSTRINGSHADOW(0, -0.05 * H, "TorvelSoft Geodata", 10.0);
    g.PAINTSTRINGSHADOW(0, -0.15 * H, "dBase - CSV - SDF", 10.0);
    g.SETWORLDORIGIN(0.95 * W, 0.1 * H);
    g.SETSTRINGCOLOR(15);
    g.SETSTRINGFONT(FontFace(16.0), 10.0, 20.0, 12.0, 0.0, 0.0);
    g.PAINTSTRING(0, 0, "Torvel Software Ing.-GbR", 6.0);
}

}  // namespace

TEST(StringFont, AttributesBecomeTheLogicalFont) {
    struct Case {
        int canvasW, canvasH;
        double width, height, design, respond, angle, quality;
        int lfWidth, lfHeight, escapement, weight, italic, underline, strike, lfQuality;
    } cases[] = {
        {640, 480, 10, 10, 0, 0, 0, 0, 10, -10, 0, 400, 0, 0, 0, 2},
        {1280, 480, 10, 10, 2, 0, 0, 0, 20, -10, 0, 700, 0, 0, 0, 2},
        {1280, 480, 10, 10, 12, 0, 90, 3, 10, -20, 900, 700, 1, 0, 0, 3},
        {800, 600, 10, 10, 1000, 2, 45, 5, 10, -10, 369, 400, 0, 0, 1, 2},
        {600, 600, 10, 10, 111, 2, 45, 1, 10, -10, 450, 300, 1, 1, 0, 1},
        {600, 600, 10, 10, 2000, 2, -30, 4, 10, -10, 300, 400, 1, 1, 1, 4},
        {600, 600, 10, 12, 3, 5, 0, 0, 13, -16, 0, 400, 0, 0, 0, 2},
        {600, 600, 10, 12, 0, 7, 0, 0, 0, 0, 0, 400, 0, 0, 0, 2},
        {2000, 1000, 10, 10, 0, 3, 0, 0, 20, -10, 0, 400, 0, 0, 0, 2},
    };
    for (const auto& c : cases) {
        MemoryDevice device(c.canvasW, c.canvasH);
        GRAPHICS g(&device);
        g.SETSTRINGFONT(FontFace(16.0), c.width, c.height, c.design, c.respond, c.angle, c.quality);
        const gdi::LOGFONT lf = fontOf(g);
        SCOPED_TRACE(testing::Message() << c.canvasW << "x" << c.canvasH << " design " << c.design << " mode "
                                        << c.respond << " angle " << c.angle);
        EXPECT_EQ(lf.lfWidth, c.lfWidth);
        EXPECT_EQ(lf.lfHeight, c.lfHeight);
        EXPECT_EQ(g.fontPixelHeight(), -c.lfHeight);
        EXPECT_EQ(lf.lfEscapement, c.escapement);
        EXPECT_EQ(lf.lfOrientation, c.escapement);
        EXPECT_EQ(lf.lfWeight, c.weight);
        EXPECT_EQ(lf.lfItalic, c.italic);
        EXPECT_EQ(lf.lfUnderline, c.underline);
        EXPECT_EQ(lf.lfStrikeOut, c.strike);
        EXPECT_EQ(lf.lfQuality, c.lfQuality);
        EXPECT_EQ(lf.lfPitchAndFamily, 16);
        EXPECT_EQ(lf.lfOutPrecision, 4);
        EXPECT_EQ(lf.lfClipPrecision, 2);
    }
}

TEST(StringFont, OmittedArgumentsKeepTheirFields) {
    MemoryDevice device(640, 480);
    GRAPHICS g(&device);
    g.SETSTRINGFONT(std::string("Arial"), 8.0, 9.0, 2.0, 2.0);
    g.SETSTRINGFONT({}, {}, 20.0);
    gdi::LOGFONT lf = fontOf(g);
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_EQ(lf.lfWidth, 8);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    EXPECT_EQ(lf.lfPitchAndFamily, 0);
    g.SETSTRINGFONT(std::string(""));
    lf = fontOf(g);
    EXPECT_STREQ(lf.lfFaceName, "");
    EXPECT_EQ(lf.lfPitchAndFamily, 0);

    // Sizes relative to the canvas follow it only when the font is made again.
    canvas_test::WindowDevice window(640, 480);
    GRAPHICS w(&window);
    w.SETSTRINGFONT(FontFace(32.0), 10.0, 10.0, 0.0, 0.0);
    window.resize(1280, 960);
    w.INTERNSETDEVPAR();
    EXPECT_EQ(w.fontPixelHeight(), 10);
    w.SETSTRINGFONT();
    EXPECT_EQ(w.fontPixelHeight(), 20);
}

TEST(Text, MeasuringInWorldUnits) {
    MemoryDevice device(400, 300);
    GRAPHICS g(&device);
    g.SETSTRINGFONT(FontFace(32.0), 10.0, 20.0, 0.0, 2.0);
    gdi::SIZE extent;
    gdi::HGDIOBJ old = gdi::SelectObject(device._PBITMAPDC, g._PFONT);
    gdi::GetTextExtentPoint32A(device._PBITMAPDC, "Measure", 7, &extent);
    gdi::SelectObject(device._PBITMAPDC, old);
    ASSERT_GT(extent.cx, 0);
    g.SETWORLDSYSTEM(2.0, 4.0);
    const QImage before = device.image().copy();
    EXPECT_DOUBLE_EQ(g.GETSTRINGWIDTH("Measure"), extent.cx / 2.0);
    EXPECT_DOUBLE_EQ(g.GETSTRINGHEIGHT("Measure"), extent.cy / 4.0);
    EXPECT_EQ(device.image(), before);  // measuring draws nothing
    g._FFONTANGLE = 180.0;
    EXPECT_DOUBLE_EQ(g.GETSTRINGWIDTH("Measure"), extent.cx / 2.0);
}

// A shadowed text is the text drawn twice: the shadow ink is the text ink moved by the
// depth in the direction's signs, then the text in its own colour on top.
TEST(Text, ShadowInkIsTextInkShiftedByTheDepth) {
    struct Case { double depth; double direction; int sx, sy; double h; } cases[] = {
        {6, 7, 1, -1, 3}, {6, 0, 1, -1, 3}, {6, 9, 1, -1, 3}, {4, 2, -1, -1, 2}, {4, 4, -1, -1, 2},
        {4, 1, -1, 1, 2}, {4, 5, -1, 1, 2}, {4, 3, 1, 1, 2}, {4, 6, 1, 1, 2}, {-10, 7, 1, -1, 2}, {0, 7, 1, -1, 0},
    };
    for (const auto& c : cases) {
        MemoryDevice shadowed(200, 100), manual(200, 100);
        GRAPHICS a(&shadowed), b(&manual);
        for (GRAPHICS* g : {&a, &b}) {
            g->SETSTRINGFONT(FontFace(16.0), 0.0, 40.0, 2.0, 2.0);  // 40 pixels high
            g->SETSTRINGCOLOR(12);
        }
        a.SETSTRINGSHADOW(c.depth, 16, c.direction);
        a.PAINTSTRINGSHADOW(100, 50, "Mir", 10.0);
        b.SETSTRINGCOLOR(16);
        b.PAINTSTRING(100 + c.sx * c.h, 50 + c.sy * c.h, "Mir", 10.0);
        b.SETSTRINGCOLOR(12);
        b.PAINTSTRING(100 - c.sx * c.h, 50 - c.sy * c.h, "Mir", 10.0);
        EXPECT_EQ(a._NTEXTCOLOR, gdi::RGB(255, 0, 0));
        EXPECT_GT(inkCount(shadowed.image(), 0xFFFFFF), 50);
        EXPECT_EQ(shadowed.image(), manual.image()) << "depth " << c.depth << " direction " << c.direction;
    }

    // With world factors the offsets are pixels, divided into world units.
    MemoryDevice shadowed(200, 100), manual(200, 100);
    GRAPHICS a(&shadowed), b(&manual);
    for (GRAPHICS* g : {&a, &b}) {
        g->SETSTRINGFONT(FontFace(16.0), 0.0, 30.0, 0.0, 2.0);
        g->SETWORLDSYSTEM(0.5, 2.0);
    }
    a.SETSTRINGSHADOW(8, 16, 7);
    a.PAINTSTRINGSHADOW(100, 20, "Ab");
    b.PAINTSTRING(100 + 8, 20 - 2, "Ab");
    b.PAINTSTRING(100 - 8, 20 + 2, "Ab");
    EXPECT_EQ(shadowed.image(), manual.image());
}

TEST(Text, RaisedTextDrawsOnePassPerDiagonalPixel) {
    MemoryDevice raised(300, 300), manual(300, 300);
    GRAPHICS a(&raised), b(&manual);
    for (GRAPHICS* g : {&a, &b}) {
        g->SETSTRINGFONT(FontFace(32.0), 0.0, 30.0, 0.0, 2.0);
        g->SETSTRINGCOLOR(9);
    }
    a.SETSTRINGSHADOW(4.0, 12, 7);
    a.PAINTSTRING3D(100, 200, "Zq");
    b.SETSTRINGCOLOR(12);
    for (auto [x, y] : {std::pair{102, 198}, {101, 199}, {100, 200}, {99, 201}}) b.PAINTSTRING(x, y, "Zq");
    b.SETSTRINGCOLOR(9);
    b.PAINTSTRING(98, 202, "Zq");
    EXPECT_EQ(raised.image(), manual.image());

    MemoryDevice flat(300, 300), face(300, 300);
    GRAPHICS c(&flat), d(&face);
    c.SETSTRINGSHADOW(0.4, 12, 7);
    c.PAINTSTRING3D(100, 200, "Zq");
    d.PAINTSTRING(100 - 0.2, 200 + 0.2, "Zq");
    EXPECT_EQ(flat.image(), face.image());
}

TEST(Text, OpaqueBackgroundAndAnchors) {
    MemoryDevice device(200, 100);
    GRAPHICS g(&device);
    g.SETSTRINGFONT(FontFace(32.0), 0.0, 20.0, 0.0, 2.0);
    gdi::SetBkColor(device._PBITMAPDC, gdi::RGB(0, 255, 0));
    g.PAINTSTRING(10, 10, "ii", 0.0, 0.0);
    EXPECT_GT(inkCount(device.image(), 0xFFFFFF), 0);
    // the text cell is filled in the context's background colour
    int green = 0;
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < 200; ++c) green += (device.image().pixel(c, r) & 0xFFFFFF) == rgbOf(0, 255, 0);
    EXPECT_GT(green, 20);

    MemoryDevice centred(200, 100), placed(200, 100);
    GRAPHICS a(&centred), b(&placed);
    for (GRAPHICS* g2 : {&a, &b}) g2->SETSTRINGFONT(FontFace(32.0), 0.0, 20.0, 0.0, 2.0);
    const double w = a.GETSTRINGWIDTH("Wide"), h = a.GETSTRINGHEIGHT("Wide");
    a.PAINTSTRING(100, 50, "Wide", 10.0);
    b.PAINTSTRING(100 - w / 2, 50 - h / 2, "Wide");
    EXPECT_EQ(centred.image(), placed.image());
}

// A turned text keeps the anchored point of its turned box on the given point: the opaque
// text cell, drawn on a square canvas (no aspect correction), must cover exactly the box
// turned counterclockwise about that point.
TEST(Text, TurnedTextBoxSitsOnItsAnchorPoint) {
    const double kDegree = 3.141592653589793 / 180.0;
    for (double angle : {0.0, 45.0, 90.0, 180.0, 270.0}) {
        for (double anchor : {0.0, 2.0, 10.0}) {
            MemoryDevice device(300, 300);
            GRAPHICS g(&device);
            g.SETSTRINGFONT(FontFace(32.0), 0.0, 24.0, 0.0, 2.0, angle);
            gdi::SetBkColor(device._PBITMAPDC, gdi::RGB(0, 255, 0));
            gdi::SIZE cell;
            gdi::HGDIOBJ old = gdi::SelectObject(device._PBITMAPDC, g._PFONT);
            gdi::GetTextExtentPoint32A(device._PBITMAPDC, "Centre", 6, &cell);
            gdi::SelectObject(device._PBITMAPDC, old);
            g.PAINTSTRING(150, 150, "Centre", anchor, 0.0);

            // Where the given point lies in the unturned cell, from its bottom-left corner.
            const double px = anchor == 10.0 ? cell.cx / 2.0 : 0.0;
            const double py = anchor == 10.0 ? cell.cy / 2.0 : (anchor == 2.0 ? cell.cy : 0.0);
            const double c = std::cos(angle * kDegree), s = std::sin(angle * kDegree);
            double left = 1e9, right = -1e9, bottom = 1e9, top = -1e9;
            for (double u : {0.0, double(cell.cx)})
                for (double v : {0.0, double(cell.cy)}) {
                    const double x = 150 + (u - px) * c - (v - py) * s;
                    const double y = 150 + (u - px) * s + (v - py) * c;
                    left = std::min(left, x), right = std::max(right, x);
                    bottom = std::min(bottom, y), top = std::max(top, y);
                }
            int cl = 1 << 30, cr = -1, cb = 1 << 30, ct = -1;
            for (int row = 0; row < 300; ++row)
                for (int col = 0; col < 300; ++col) {
                    if ((device.image().pixel(col, row) & 0xFFFFFF) == 0xFFFFFF) continue;
                    const int y = 299 - row;
                    cl = std::min(cl, col), cr = std::max(cr, col), cb = std::min(cb, y), ct = std::max(ct, y);
                }
            const std::string what = "angle " + std::to_string(angle) + " anchor " + std::to_string(anchor);
            ASSERT_LE(cl, cr) << what;
            // The drawn cell covers [left, right) x [bottom, top) in whole pixels.
            EXPECT_NEAR(cl, left, 2.0) << what;
            EXPECT_NEAR(cr + 1, right, 2.0) << what;
            EXPECT_NEAR(cb, bottom, 2.0) << what;
            EXPECT_NEAR(ct + 1, top, 2.0) << what;
            if (anchor == 10.0) {
                EXPECT_NEAR((cl + cr + 1) / 2.0, 150, 2.0) << what;
                EXPECT_NEAR((cb + ct + 1) / 2.0, 150, 2.0) << what;
            }
        }
    }
}

TEST(TitlePage, DrawnOnA768x620CanvasAndWrittenAsPng) {
    MemoryDevice device(768, 620);
    GRAPHICS g(&device);
    drawTitlePage(g);
    const QImage& image = device.image();
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, rgbOf(0, 255 + whole(-255.0 / 620), 255 + whole(-255.0 / 620)));
    EXPECT_EQ(image.pixel(0, 619) & 0xFFFFFF, 0u);
    // White title ink in the upper half, centred
    int white = 0;
    for (int r = 100; r < 310; ++r)
        for (int c = 0; c < 768; ++c)
            if ((image.pixel(c, r) & 0xFFFFFF) == 0xFFFFFF) ++white;
    EXPECT_GT(white, 1000);
    // Written into a folder of the test's own, and read back by another program.
    const std::filesystem::path path = mirvano_test::temp_dir("titlepage") / "title_page.png";
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "PNG")) << path;
    if (!std::filesystem::exists("/usr/bin/identify")) return;
    const std::string command = "/usr/bin/identify -format '%m %w %h' '" + path.string() + "' 2>/dev/null";
    std::string answer;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[128];
        while (std::fgets(buffer, sizeof buffer, pipe)) answer += buffer;
        ::pclose(pipe);
    }
    EXPECT_EQ(answer, "PNG 768 620");
}
