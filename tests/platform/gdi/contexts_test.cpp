// Blits, clipping, mapping, capabilities, handles, text, bitmaps and metafiles.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include <cstring>
#include <functional>
#include <set>

#include "gdi_support.h"
#include "test_env.h"

using namespace gdi_test;

namespace {

COLORREF sample(int x, int y) { return RGB(10 + x * 50, 20 + y * 100, 7); }

void paintSamples(Surface& s) {
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) SetPixelV(s.dc, x, y, sample(x, y));
}

int countColour(const Surface& s, COLORREF c) {
    int n = 0;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) n += s.at(x, y) == c;
    return n;
}

}  // namespace

TEST(Blits, YUpToYDownToYUpGivesBackTheSource) {
    Surface a(7, 5, true), b(7, 5), c(7, 5, true);
    SetPixelV(a.dc, 0, 0, kRed);
    SetPixelV(a.dc, 6, 4, kBlue);
    SetPixelV(a.dc, 1, 3, kBlack);
    // A y-up block starting at logical y -1 spans the whole height.
    ASSERT_TRUE(BitBlt(b.dc, 0, 0, 7, 5, a.dc, 0, -1, SRCCOPY));
    EXPECT_EQ(b.image(), a.image());
    ASSERT_TRUE(BitBlt(c.dc, 0, -1, 7, 5, b.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(c.image(), a.image());
    EXPECT_EQ(GetPixel(c.dc, 0, 0), kRed);
    EXPECT_EQ(GetPixel(c.dc, 6, 4), kBlue);
}

TEST(Blits, StretchBltMirrorsOnOppositeExtents) {
    struct Case {
        const char* name;
        int x, y, w, h;      // destination
        int sx, sy, sw, sh;  // source
        bool flipX, flipY;
        int scale;
    };
    const Case cases[] = {
        {"identity", 0, 0, 3, 2, 0, 0, 3, 2, false, false, 1},
        {"destination width negative", 3, 0, -3, 2, 0, 0, 3, 2, true, false, 1},
        {"source width negative", 0, 0, 3, 2, 3, 0, -3, 2, true, false, 1},
        {"both negative", 3, 0, -3, 2, 3, 0, -3, 2, false, false, 1},
        {"height negative", 0, 2, 3, -2, 0, 0, 3, 2, false, true, 1},
        {"doubled", 0, 0, 6, 4, 0, 0, 3, 2, false, false, 2},
    };
    Surface src(3, 2);
    paintSamples(src);
    for (const Case& c : cases) {
        Surface dst(6, 4);
        ASSERT_TRUE(StretchBlt(dst.dc, c.x, c.y, c.w, c.h, src.dc, c.sx, c.sy, c.sw, c.sh, SRCCOPY)) << c.name;
        for (int y = 0; y < 2 * c.scale; ++y) {
            for (int x = 0; x < 3 * c.scale; ++x) {
                int sx = x / c.scale, sy = y / c.scale;
                if (c.flipX) sx = 2 - sx;
                if (c.flipY) sy = 1 - sy;
                EXPECT_EQ(dst.at(x, y), sample(sx, sy)) << c.name << " at " << x << "," << y;
            }
        }
        if (c.scale == 1) {
            EXPECT_EQ(dst.at(3, 0), kWhite) << c.name;
        }
    }
}

TEST(Blits, TernaryRasterOperations) {
    const COLORREF S = RGB(0xF0, 0x0F, 0x3C), D = RGB(0xAA, 0x55, 0x99), P = RGB(0x12, 0xE4, 0x81);
    struct Case {
        DWORD rop;
        COLORREF want;
    };
    const Case cases[] = {
        {SRCCOPY, S},     {SRCPAINT, S | D},      {SRCAND, S & D},         {SRCINVERT, S ^ D},
        {NOTSRCCOPY, ~S}, {SRCERASE, S & ~D},     {NOTSRCERASE, ~(S | D)}, {DSTINVERT, ~D},
        {PATCOPY, P},     {PATINVERT, P ^ D},     {MERGECOPY, P & S},      {MERGEPAINT, ~S | D},
        {BLACKNESS, 0},   {WHITENESS, 0xFFFFFF},
    };
    Surface src(2, 2, false, S);
    for (const Case& c : cases) {
        Surface dst(3, 2, false, D);
        HBRUSH b = CreateSolidBrush(P);
        HGDIOBJ old = SelectObject(dst.dc, b);
        ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, c.rop));
        SelectObject(dst.dc, old);
        DeleteObject(b);
        EXPECT_EQ(dst.at(1, 1), c.want & 0xFFFFFF) << std::hex << c.rop;
        EXPECT_EQ(dst.at(2, 0), D);
    }
}

TEST(Clipping, RegionsLimitEveryDrawing) {
    struct Case {
        const char* name;
        std::function<void(HDC)> clip;
        std::set<std::pair<int, int>> expectInside, expectOutside;
        int count;
    };
    const Case cases[] = {
        {"rectangle region",
         [](HDC dc) {
             HRGN r = CreateRectRgn(2, 2, 6, 5);
             SelectClipRgn(dc, r);
             OffsetRgn(r, 3, 3);  // the context holds its own copy
             DeleteObject(r);
         },
         {{2, 2}, {5, 4}},
         {{6, 4}, {5, 5}, {1, 2}},
         12},
        {"union of two",
         [](HDC dc) {
             HRGN a = CreateRectRgn(0, 0, 2, 2), b = CreateRectRgn(6, 6, 8, 8);
             CombineRgn(a, a, b, RGN_OR);
             SelectClipRgn(dc, a);
             DeleteObject(a);
             DeleteObject(b);
         },
         {{0, 0}, {7, 7}},
         {{3, 3}},
         8},
        {"intersect then exclude",
         [](HDC dc) {
             IntersectClipRect(dc, 1, 1, 7, 7);
             ExcludeClipRect(dc, 3, 3, 5, 5);
         },
         {{1, 1}, {6, 6}},
         {{3, 3}, {4, 4}, {0, 0}},
         32},
        {"ellipse",
         [](HDC dc) {
             HRGN e = CreateEllipticRgn(0, 0, 8, 8);
             SelectClipRgn(dc, e);
             DeleteObject(e);
         },
         {{4, 4}, {3, 3}},
         {{0, 0}, {7, 7}, {0, 7}},
         -1},
        {"huge ellipse",
         [](HDC dc) {
             HRGN e = CreateEllipticRgn(-100000, -100000, 100000, 100000);
             SelectClipRgn(dc, e);
             DeleteObject(e);
         },
         {{0, 0}, {7, 7}},
         {},
         64},
        {"removed again",
         [](HDC dc) {
             IntersectClipRect(dc, 1, 1, 2, 2);
             SelectClipRgn(dc, nullptr);
         },
         {{0, 0}, {7, 7}},
         {},
         64},
    };
    for (const Case& c : cases) {
        Surface s(8, 8);
        c.clip(s.dc);
        HBRUSH b = CreateSolidBrush(kRed);
        const RECT all{0, 0, 8, 8};
        FillRect(s.dc, &all, b);
        DeleteObject(b);
        for (auto [x, y] : c.expectInside) EXPECT_EQ(s.at(x, y), kRed) << c.name << " " << x << "," << y;
        for (auto [x, y] : c.expectOutside) EXPECT_EQ(s.at(x, y), kWhite) << c.name << " " << x << "," << y;
        if (c.count >= 0) {
            EXPECT_EQ(countColour(s, kRed), c.count) << c.name;
        }
    }
    Surface s(8, 8);
    IntersectClipRect(s.dc, 2, 3, 6, 7);
    RECT box;
    EXPECT_EQ(GetClipBox(s.dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 3);
    EXPECT_EQ(box.right, 6);
    EXPECT_EQ(box.bottom, 7);
    EXPECT_EQ(GetPixel(s.dc, 0, 0), CLR_INVALID);  // clipped away
}

TEST(Contexts, MappingCapabilitiesAndSavedStates) {
    Surface up(20, 10, true);
    POINT pts[] = {{3, 0}, {3, 9}, {0, -1}};
    ASSERT_TRUE(LPtoDP(up.dc, pts, 3));
    EXPECT_EQ(pts[0].y, 9);
    EXPECT_EQ(pts[1].y, 0);
    EXPECT_EQ(pts[2].y, 10);
    ASSERT_TRUE(DPtoLP(up.dc, pts, 3));
    EXPECT_EQ(pts[0].y, 0);
    EXPECT_EQ(pts[1].y, 9);

    Surface iso(10, 10);
    SetMapMode(iso.dc, MM_ISOTROPIC);
    SetWindowExtEx(iso.dc, 100, 100, nullptr);
    SetViewportExtEx(iso.dc, 200, 400, nullptr);
    POINT p{50, 50};
    LPtoDP(iso.dc, &p, 1);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 100);

    EXPECT_EQ(GetDeviceCaps(up.dc, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(up.dc, LOGPIXELSY), 96);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 1280);
    EXPECT_EQ(GetDeviceCaps(screen, VERTRES), 1024);
    EXPECT_EQ(GetDeviceCaps(screen, TECHNOLOGY), DT_RASDISPLAY);
    EXPECT_GT(GetDeviceCaps(screen, HORZSIZE), 300);
    ReleaseDC(nullptr, screen);

    // A printer-like device reports its own resolution and receives the page on release.
    QImage page(300, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setDotsPerMeterX(11811);  // 300 dpi
    page.setDotsPerMeterY(11811);
    HDC printer = CreatePaintDeviceDC(&page);
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(GetDeviceCaps(printer, LOGPIXELSX), 300);
    EXPECT_EQ(GetDeviceCaps(printer, HORZRES), 300);
    EXPECT_EQ(GetDeviceCaps(printer, TECHNOLOGY), DT_RASPRINTER);
    HBRUSH b = CreateSolidBrush(kRed);
    const RECT r{10, 10, 20, 20};
    FillRect(printer, &r, b);
    SetROP2(printer, R2_XORPEN);  // raster operations work on the page image
    DeleteObject(b);
    DeleteDC(printer);
    EXPECT_EQ(page.pixel(15, 15), qRgb(255, 0, 0));
    EXPECT_EQ(page.pixel(25, 15), qRgb(255, 255, 255));

    Surface s(4, 4);
    SetBkColor(s.dc, kRed);
    HPEN pen = CreatePen(PS_SOLID, 1, kBlue);
    HGDIOBJ oldPen = SelectObject(s.dc, pen);
    const int level = SaveDC(s.dc);
    EXPECT_EQ(level, 1);
    SetBkColor(s.dc, kBlue);
    SetMapMode(s.dc, MM_ANISOTROPIC);
    SelectObject(s.dc, GetStockObject(BLACK_PEN));
    SaveDC(s.dc);
    ASSERT_TRUE(RestoreDC(s.dc, -2));
    EXPECT_EQ(GetBkColor(s.dc), kRed);
    EXPECT_EQ(GetMapMode(s.dc), MM_TEXT);
    EXPECT_EQ(GetCurrentObject(s.dc, OBJ_PEN), static_cast<HGDIOBJ>(pen));
    EXPECT_FALSE(RestoreDC(s.dc, 1));  // nothing saved any more
    SelectObject(s.dc, oldPen);
    DeleteObject(pen);
}

TEST(Handles, NullAndDeletedHandlesFailHarmlessly) {
    Surface s(4, 4);
    HPEN deadPen = CreatePen(PS_SOLID, 1, kRed);
    HBRUSH deadBrush = CreateSolidBrush(kRed);
    HDC deadDC = CreateCompatibleDC(nullptr);
    HRGN deadRgn = CreateRectRgn(0, 0, 1, 1);
    ASSERT_TRUE(DeleteObject(deadPen));
    ASSERT_TRUE(DeleteObject(deadBrush));
    ASSERT_TRUE(DeleteObject(deadRgn));
    ASSERT_TRUE(DeleteDC(deadDC));
    const RECT r{0, 0, 4, 4};
    SIZE size;
    LOGFONT lf;
    EXPECT_EQ(SelectObject(s.dc, deadPen), nullptr);
    EXPECT_EQ(SelectObject(s.dc, nullptr), nullptr);
    EXPECT_EQ(SelectObject(nullptr, GetStockObject(BLACK_PEN)), nullptr);
    EXPECT_FALSE(DeleteObject(deadPen));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteDC(deadDC));
    EXPECT_FALSE(DeleteDC(nullptr));
    EXPECT_FALSE(LineTo(nullptr, 1, 1));
    EXPECT_FALSE(Rectangle(deadDC, 0, 0, 2, 2));
    EXPECT_EQ(GetPixel(deadDC, 0, 0), CLR_INVALID);
    EXPECT_EQ(FillRect(s.dc, &r, deadBrush), 0);
    EXPECT_FALSE(BitBlt(s.dc, 0, 0, 2, 2, deadDC, 0, 0, SRCCOPY));
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSX), 0);
    EXPECT_EQ(SetBkMode(nullptr, OPAQUE), 0);
    EXPECT_EQ(SetTextColor(deadDC, kRed), CLR_INVALID);
    EXPECT_FALSE(GetTextExtentPoint32(nullptr, "abc", 3, &size));
    EXPECT_EQ(GetObject(deadPen, sizeof lf, &lf), 0);
    EXPECT_EQ(SelectClipRgn(s.dc, deadRgn), RGN_ERROR);
    EXPECT_EQ(CombineRgn(nullptr, deadRgn, nullptr, RGN_OR), RGN_ERROR);
    EXPECT_FALSE(TextOut(nullptr, 0, 0, "x", 1));
    EXPECT_EQ(CreateHatchBrush(9, kRed), nullptr);
    EXPECT_EQ(countColour(s, kWhite), 16);

    // An object deleted while selected keeps working until it is replaced.
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ old = SelectObject(s.dc, pen);
    ASSERT_TRUE(DeleteObject(pen));
    MoveToEx(s.dc, 0, 0, nullptr);
    LineTo(s.dc, 3, 0);
    EXPECT_EQ(s.at(2, 0), kRed);
    EXPECT_EQ(SelectObject(s.dc, old), static_cast<HGDIOBJ>(pen));
    // Stock objects survive deletion; a bitmap lives in one context at a time.
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
    EXPECT_NE(SelectObject(s.dc, GetStockObject(BLACK_PEN)), nullptr);
    HDC other = CreateCompatibleDC(s.dc);
    EXPECT_EQ(SelectObject(other, s.bmp), nullptr);
    DeleteDC(other);
}

TEST(Text, ExtentsMetricsAndInk) {
    Surface s(200, 60, true);
    HFONT font = CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, DEFAULT_QUALITY, FF_SWISS, "");
    HGDIOBJ oldFont = SelectObject(s.dc, font);
    SIZE hello{}, longer{}, empty{};
    ASSERT_TRUE(GetTextExtentPoint32(s.dc, "Hello", 5, &hello));
    GetTextExtentPoint32(s.dc, "Hello, world", 12, &longer);
    GetTextExtentPoint32(s.dc, "", 0, &empty);
    EXPECT_GT(hello.cx, 20);
    EXPECT_GT(hello.cy, 15);
    EXPECT_GT(longer.cx, hello.cx);
    EXPECT_EQ(empty.cx, 0);
    EXPECT_EQ(empty.cy, hello.cy);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(s.dc, &tm));
    EXPECT_EQ(tm.tmHeight, hello.cy);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 20);  // negative height: the em size

    // Bottom-left reference on a y-up canvas: the ink lies above and right of the point.
    SetTextColor(s.dc, kRed);
    SetBkMode(s.dc, TRANSPARENT);
    SetTextAlign(s.dc, TA_BOTTOM);
    ASSERT_TRUE(TextOut(s.dc, 10, 10, "Hello", 5));
    int ink = 0;
    for (int y = 0; y < s.h; ++y) {
        for (int x = 0; x < s.w; ++x) {
            const COLORREF c = s.at(x, y);
            if (c == kWhite) continue;
            EXPECT_EQ(c, kRed) << "non-antialiased text has one ink";
            ++ink;
            const int ly = s.h - 1 - y;
            EXPECT_GE(ly, 10);
            EXPECT_LE(ly, 10 + hello.cy);  // the cell's rows above the reference row
            EXPECT_GE(x, 10);
            EXPECT_LT(x, 10 + hello.cx + 1);
        }
    }
    EXPECT_GT(ink, 30);

    // Opaque: the whole cell takes the background colour.
    Surface o(100, 30);
    SelectObject(o.dc, font);
    SetBkColor(o.dc, kBlue);
    SetTextColor(o.dc, kRed);
    TextOut(o.dc, 5, 5, "Hi", 2);
    GetTextExtentPoint32(o.dc, "Hi", 2, &hello);
    for (int y = 5; y < 5 + hello.cy; ++y)
        for (int x = 5; x < 5 + hello.cx; ++x) EXPECT_NE(o.at(x, y), kWhite);
    EXPECT_EQ(o.at(4, 5), kWhite);
    SelectObject(o.dc, GetStockObject(SYSTEM_FONT));

    SelectObject(s.dc, oldFont);
    DeleteObject(font);
}

TEST(Text, LogicalFontFields) {
    Surface s(120, 120);
    struct Case {
        const char* name;
        int height, width, escapement;
        BYTE family;
        std::function<void(const TEXTMETRIC&, const SIZE&, const QRect&)> check;
    };
    SIZE natural{};
    {
        HFONT f = CreateFont(-16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, FF_SWISS, nullptr);
        HGDIOBJ old = SelectObject(s.dc, f);
        GetTextExtentPoint32(s.dc, "WWWW", 4, &natural);
        SelectObject(s.dc, old);
        DeleteObject(f);
    }
    const Case cases[] = {
        {"cell height", 20, 0, 0, FF_SWISS,
         [](const TEXTMETRIC& tm, const SIZE&, const QRect&) { EXPECT_NEAR(tm.tmHeight, 20, 1); }},
        {"fixed pitch family", -16, 0, 0, FF_MODERN,
         [](const TEXTMETRIC& tm, const SIZE&, const QRect&) { EXPECT_EQ(tm.tmPitchAndFamily & 1, 0); }},
        {"variable pitch family", -16, 0, 0, FF_ROMAN,
         [](const TEXTMETRIC& tm, const SIZE&, const QRect&) { EXPECT_EQ(tm.tmPitchAndFamily & 1, 1); }},
        {"width stretches", -16, 0, 0, FF_SWISS, nullptr},
        {"escapement turns", -16, 0, 900, FF_SWISS,
         [](const TEXTMETRIC&, const SIZE&, const QRect& inkBox) {
             EXPECT_GT(inkBox.height(), inkBox.width() * 2);
         }},
    };
    for (const Case& c : cases) {
        int width = c.width;
        if (std::string(c.name) == "width stretches") {
            TEXTMETRIC tm;
            HFONT f = CreateFont(-16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, FF_SWISS, nullptr);
            HGDIOBJ old = SelectObject(s.dc, f);
            GetTextMetrics(s.dc, &tm);
            SelectObject(s.dc, old);
            DeleteObject(f);
            width = tm.tmAveCharWidth * 2;
        }
        HFONT f = CreateFont(c.height, width, c.escapement, c.escapement, 0, 0, 0, 0, 0, 0, 0, 0, c.family, nullptr);
        HGDIOBJ old = SelectObject(s.dc, f);
        s.clear(kWhite);
        SetBkMode(s.dc, TRANSPARENT);
        TextOut(s.dc, 60, 100, "WWWW", 4);
        QRect box;
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x)
                if (s.at(x, y) != kWhite) box |= QRect(x, y, 1, 1);
        TEXTMETRIC tm;
        GetTextMetrics(s.dc, &tm);
        SIZE ext;
        GetTextExtentPoint32(s.dc, "WWWW", 4, &ext);
        if (c.check) c.check(tm, ext, box);
        else EXPECT_GT(ext.cx, natural.cx * 3 / 2) << c.name;
        SelectObject(s.dc, old);
        DeleteObject(f);
    }

    // A face longer than the 31-byte field is cut, never overflows.
    const std::string longFace(40, 'A');
    HFONT f = CreateFontA(-12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, longFace.c_str());
    LOGFONT lf;
    ASSERT_EQ(GetObjectA(f, sizeof lf, &lf), int(sizeof lf));
    EXPECT_EQ(std::strlen(lf.lfFaceName), 31u);
    DeleteObject(f);
    LOGFONT raw;
    std::memset(raw.lfFaceName, 'B', sizeof raw.lfFaceName);  // no terminator at all
    raw.lfHeight = -12;
    f = CreateFontIndirectA(&raw);
    GetObject(f, sizeof lf, &lf);
    EXPECT_EQ(std::strlen(lf.lfFaceName), 31u);
    HGDIOBJ old = SelectObject(s.dc, f);
    SIZE ext;
    EXPECT_TRUE(GetTextExtentPoint32(s.dc, "x", 1, &ext));  // unknown face: a fallback font
    EXPECT_GT(ext.cx, 0);
    SelectObject(s.dc, old);
    DeleteObject(f);
}

TEST(Bitmaps, DibBitsPatternsAndMonochrome) {
    Surface s(3, 2);
    paintSamples(s);
    BITMAPINFO info{};
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biHeight = 2;
    info.bmiHeader.biWidth = 3;
    unsigned char bits[24] = {};
    ASSERT_EQ(GetDIBits(s.dc, s.bmp, 0, 2, bits, &info, DIB_RGB_COLORS), 2);
    // Bottom-up rows of 12 bytes (9 padded to 4), blue first.
    EXPECT_EQ(bits[0], GetBValue(sample(0, 1)));
    EXPECT_EQ(bits[1], GetGValue(sample(0, 1)));
    EXPECT_EQ(bits[2], GetRValue(sample(0, 1)));
    EXPECT_EQ(bits[12 + 3 + 2], GetRValue(sample(1, 0)));
    EXPECT_EQ(bits[9], 0);

    // 8-bit rows with a colour table, top-down.
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colours[2];
    } pal{};
    pal.h.biWidth = 2;
    pal.h.biHeight = -2;
    pal.h.biBitCount = 8;
    pal.h.biClrUsed = 2;
    pal.colours[1] = RGBQUAD{0, 0, 255, 0};
    const unsigned char rows[8] = {1, 0, 0, 0, 0, 1, 0, 0};
    ASSERT_EQ(SetDIBits(s.dc, s.bmp, 0, 2, rows, reinterpret_cast<BITMAPINFO*>(&pal), DIB_RGB_COLORS), 2);
    EXPECT_EQ(s.at(0, 0), kRed);
    EXPECT_EQ(s.at(1, 0), kBlack);
    EXPECT_EQ(s.at(1, 1), kRed);

    // A packed 8 x 8 bottom-up pattern; its top-left pixel is the last row's first.
    struct {
        BITMAPINFOHEADER h;
        std::uint32_t px[64];
    } dib{};
    dib.h.biWidth = 8;
    dib.h.biHeight = 8;
    dib.h.biBitCount = 32;
    for (auto& p : dib.px) p = 0x00FFFFFF;
    dib.px[56] = 0x000000FF;  // blue in BGRA order
    HBRUSH pattern = CreateDIBPatternBrushPt(&dib, DIB_RGB_COLORS);
    ASSERT_NE(pattern, nullptr);
    Surface big(16, 16, true);
    const RECT all{0, -1, 16, 15};
    FillRect(big.dc, &all, pattern);
    DeleteObject(pattern);
    EXPECT_EQ(big.at(0, 0), kBlue);
    EXPECT_EQ(big.at(8, 8), kBlue);
    EXPECT_EQ(big.at(1, 0), kWhite);
    EXPECT_EQ(countColour(big, kBlue), 4);

    // A top-down 32-bit section shares its pixel memory with the caller, also after the bitmap
    // has served as a pattern.
    BITMAPINFO sec{};
    sec.bmiHeader.biWidth = 4;
    sec.bmiHeader.biHeight = -4;
    sec.bmiHeader.biBitCount = 32;
    void* raw = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &sec, DIB_RGB_COLORS, &raw, nullptr, 0);
    ASSERT_NE(raw, nullptr);
    auto* px = static_cast<std::uint32_t*>(raw);
    HBRUSH fromSection = CreatePatternBrush(section);
    HDC sdc = CreateCompatibleDC(nullptr);
    HGDIOBJ sold = SelectObject(sdc, section);
    const RECT cell{1, 0, 2, 1};
    HBRUSH red = CreateSolidBrush(kRed);
    FillRect(sdc, &cell, red);
    DeleteObject(red);
    EXPECT_EQ(px[1] & 0xFFFFFF, 0xFF0000u);
    px[4 * 3 + 2] = 0x000000FF;  // blue at (2, 3)
    EXPECT_EQ(GetPixel(sdc, 2, 3), kBlue);
    SelectObject(sdc, sold);
    DeleteDC(sdc);
    DeleteObject(fromSection);
    DeleteObject(section);

    // A monochrome bitmap keeps black and white only; blitting it in paints 0 in the text colour.
    HDC mono = CreateCompatibleDC(nullptr);
    HBITMAP mbmp = CreateCompatibleBitmap(mono, 4, 4);  // the default bitmap is monochrome
    BITMAP bm;
    GetObject(mbmp, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HGDIOBJ old = SelectObject(mono, mbmp);
    PatBlt(mono, 0, 0, 4, 4, WHITENESS);
    SetPixelV(mono, 1, 1, RGB(200, 30, 30));
    EXPECT_EQ(GetPixel(mono, 1, 1), kBlack);
    Surface c(4, 4);
    SetTextColor(c.dc, kRed);
    SetBkColor(c.dc, kBlue);
    BitBlt(c.dc, 0, 0, 4, 4, mono, 0, 0, SRCCOPY);
    EXPECT_EQ(c.at(1, 1), kRed);
    EXPECT_EQ(c.at(0, 0), kBlue);
    SelectObject(mono, old);
    DeleteObject(mbmp);
    DeleteDC(mono);
}

TEST(Metafiles, RecordWriteReadAndPlay) {
    const auto dir = mirvano_test::temp_dir("emf");
    const std::string file = (dir / "picture.emf").string();
    const RECT frame{0, 0, 1000, 500};  // 10 mm x 5 mm
    HDC rec = CreateEnhMetaFileA(nullptr, file.c_str(), &frame, "Test\0Picture\0");
    ASSERT_NE(rec, nullptr);
    RECT box;
    GetClipBox(rec, &box);
    EXPECT_NEAR(box.right, 38, 1);
    EXPECT_NEAR(box.bottom, 19, 1);
    HBRUSH b = CreateSolidBrush(kRed);
    const RECT r{0, 0, 10, 10};
    FillRect(rec, &r, b);
    DeleteObject(b);
    HENHMETAFILE closed = CloseEnhMetaFile(rec);
    ASSERT_NE(closed, nullptr);
    EXPECT_FALSE(DeleteDC(rec));
    EXPECT_TRUE(DeleteEnhMetaFile(closed));
    EXPECT_FALSE(DeleteEnhMetaFile(closed));

    HENHMETAFILE loaded = GetEnhMetaFileA(file.c_str());
    ASSERT_NE(loaded, nullptr);
    Surface s(80, 40);
    const RECT twice{0, 0, box.right * 2, box.bottom * 2};
    ASSERT_TRUE(PlayEnhMetaFile(s.dc, loaded, &twice));
    EXPECT_EQ(s.at(15, 15), kRed);
    EXPECT_EQ(s.at(25, 25), kWhite);
    DeleteEnhMetaFile(loaded);

    // Damaged files and unwritable places are refused.
    QFile damaged(QString::fromStdString((dir / "bad.emf").string()));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    QByteArray head("MVEMF\x01\r\n", 8);
    head.append(QByteArray(20, '\x7f'));
    damaged.write(head);
    damaged.close();
    EXPECT_EQ(GetEnhMetaFile((dir / "bad.emf").string().c_str()), nullptr);
    EXPECT_EQ(GetEnhMetaFile((dir / "missing.emf").string().c_str()), nullptr);
    EXPECT_EQ(CreateEnhMetaFile(nullptr, (dir / "no/such/dir/x.emf").string().c_str(), &frame, nullptr), nullptr);
}
