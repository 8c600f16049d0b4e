#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

#include "gdi_support.h"
#include "test_env.h"

using namespace gdi_test;
using namespace std::string_literals;

namespace {

constexpr int kW = 120, kH = 90;

// A scene that uses every kind of call a metafile records, on a y-up mapping as the canvas
// sets it up.
void drawScene(HDC dc) {
    setYUp(dc, kW, kH);
    HPEN thick = CreatePen(PS_SOLID, 3, kBlue);
    HPEN dashed = CreatePen(PS_DASH, 1, RGB(0, 128, 0));
    LOGBRUSH round{BS_SOLID, RGB(128, 0, 128), 0};
    HPEN capped = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT, 5, &round, 0, nullptr);
    HBRUSH red = CreateSolidBrush(kRed);
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 160, 0));
    HFONT font = CreateFont(-14, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, NONANTIALIASED_QUALITY, FF_SWISS,
                            "DejaVu Sans");

    HGDIOBJ oldPen = SelectObject(dc, thick);
    HGDIOBJ oldBrush = SelectObject(dc, red);
    Rectangle(dc, 5, 85, 45, 60);
    SelectObject(dc, hatch);
    SetBkMode(dc, TRANSPARENT);
    Ellipse(dc, 50, 88, 95, 62);
    RoundRect(dc, 98, 88, 118, 62, 8, 8);
    SelectObject(dc, dashed);
    Pie(dc, 5, 55, 35, 30, 35, 42, 20, 55);
    Chord(dc, 38, 55, 68, 30, 38, 42, 68, 42);
    Arc(dc, 70, 55, 100, 30, 100, 42, 70, 42);
    SelectObject(dc, capped);
    const POINT zig[] = {{5, 25}, {20, 10}, {35, 25}, {50, 10}};
    Polyline(dc, zig, 4);
    const POINT curve[] = {{55, 10}, {65, 30}, {80, -5}, {90, 20}};
    PolyBezier(dc, curve, 4);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, red);
    const POINT tri[] = {{100, 5}, {118, 5}, {109, 25}};
    Polygon(dc, tri, 3);
    SetROP2(dc, R2_XORPEN);
    SelectObject(dc, GetStockObject(WHITE_PEN));
    MoveToEx(dc, 0, 58, nullptr);
    LineTo(dc, 120, 58);
    SetROP2(dc, R2_COPYPEN);
    SelectObject(dc, GetStockObject(BLACK_PEN));

    // A path, a clipped fill and a frame.
    BeginPath(dc);
    MoveToEx(dc, 100, 50, nullptr);
    LineTo(dc, 118, 50);
    LineTo(dc, 109, 32);
    CloseFigure(dc);
    EndPath(dc);
    SelectObject(dc, hatch);
    StrokeAndFillPath(dc);
    SaveDC(dc);
    IntersectClipRect(dc, 40, 28, 60, 4);
    const RECT wide{30, 20, 70, 14};
    FillRect(dc, &wide, red);
    RestoreDC(dc, -1);
    const RECT frame{2, 88, 118, 2};
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    // Text with its advances, and pictures.
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(0, 0, 160));
    SetTextAlign(dc, TA_BASELINE | TA_LEFT);
    const int advances[] = {9, 8, 8, 8, 8, 8, 8};
    ExtTextOutA(dc, 60, 3, 0, nullptr, "Mirvano", 7, advances);
    HDC src = CreateCompatibleDC(nullptr);
    QImage checker(4, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) checker.setPixel(x, y, (x + y) % 2 ? qRgb(255, 200, 0) : qRgb(0, 0, 0));
    HBITMAP bmp = CreateBitmapFromImage(checker);
    HGDIOBJ oldBmp = SelectObject(src, bmp);
    BitBlt(dc, 8, 52, 4, 4, src, 0, 0, SRCCOPY);
    StretchBlt(dc, 14, 52, 8, -8, src, 0, 0, 4, 4, SRCCOPY);
    SetPixelV(dc, 1, 1, kRed);

    SelectObject(src, oldBmp);
    DeleteObject(bmp);
    DeleteDC(src);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    for (HGDIOBJ o : {HGDIOBJ(thick), HGDIOBJ(dashed), HGDIOBJ(capped), HGDIOBJ(red), HGDIOBJ(hatch), HGDIOBJ(font)})
        DeleteObject(o);
}

std::uint32_t u32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// A metafile context of kW x kH pixels on a memory reference.
struct Recording {
    Surface ref{kW, kH};
    HDC dc = nullptr;
    explicit Recording(const char* file, const char* description = nullptr) {
        dc = CreateEnhMetaFileA(ref.dc, file, nullptr, description);
    }
};

std::string recordScene(const std::string& file) {
    Recording rec(file.c_str(), "Mirvano\0Scene\0");
    EXPECT_NE(rec.dc, nullptr);
    drawScene(rec.dc);
    HENHMETAFILE mf = CloseEnhMetaFile(rec.dc);
    EXPECT_NE(mf, nullptr);
    DeleteEnhMetaFile(mf);
    return mirvano_test::readAll(file);
}

// Plays metafile bytes onto a white kW x kH surface; false when they were refused as a whole.
bool play(const std::string& bytes, Surface& onto) {
    HENHMETAFILE mf = SetEnhMetaFileBits(UINT(bytes.size()), reinterpret_cast<const BYTE*>(bytes.data()));
    if (!mf) return false;
    const RECT all{0, 0, onto.w, onto.h};
    const bool ok = PlayEnhMetaFile(onto.dc, mf, &all);
    DeleteEnhMetaFile(mf);
    return ok;
}

// Records as the format lays them out, for files made by hand.
std::string record(std::uint32_t type, std::initializer_list<std::uint32_t> fields) {
    std::string r;
    auto put = [&](std::uint32_t v) { r.append(reinterpret_cast<const char*>(&v), 4); };
    put(type);
    put(std::uint32_t(8 + 4 * fields.size()));
    for (std::uint32_t f : fields) put(f);
    return r;
}

// A file of the header of a real recording, the given records and the end record.
std::string fileOf(const std::string& header, const std::vector<std::string>& records) {
    std::string out = header;
    for (const std::string& r : records) out += r;
    out += record(14, {0, 16, 20});
    const std::uint32_t n = std::uint32_t(out.size());
    std::memcpy(out.data() + 48, &n, 4);
    return out;
}

}  // namespace

TEST(Metafiles, PlaybackDrawsWhatWasRecorded) {
    const auto dir = mirvano_test::temp_dir("emf-scene");
    const std::string bytes = recordScene((dir / "scene.emf").string());
    ASSERT_FALSE(bytes.empty());

    Surface direct(kW, kH);
    drawScene(direct.dc);
    Surface played(kW, kH);
    ASSERT_TRUE(play(bytes, played));
    int differ = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) differ += played.at(x, y) != direct.at(x, y);
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(direct.at(20, 15), kRed);  // the rectangle, as a check that the scene drew at all

    // Played into half the size, the picture is stretched onto the rectangle.
    Surface half(kW, kH);
    HENHMETAFILE mf = GetEnhMetaFileA((dir / "scene.emf").string().c_str());
    ASSERT_NE(mf, nullptr);
    const RECT small{0, 0, kW / 2, kH / 2};
    ASSERT_TRUE(PlayEnhMetaFile(half.dc, mf, &small));
    EXPECT_EQ(half.at(10, 7), kRed);
    EXPECT_EQ(half.at(90, 70), kWhite);
    DeleteEnhMetaFile(mf);
}

TEST(Metafiles, FileIsAStandardEnhancedMetafile) {
    const auto dir = mirvano_test::temp_dir("emf-format");
    const std::string b = recordScene((dir / "scene.emf").string());
    ASSERT_GE(b.size(), 108u);
    EXPECT_EQ(u32(b, 0), 1u);                 // header record
    EXPECT_EQ(u32(b, 40), 0x464D4520u);       // " EMF"
    EXPECT_EQ(u32(b, 44), 0x10000u);          // version
    EXPECT_EQ(u32(b, 48), b.size());          // nBytes
    EXPECT_GT(u32(b, 8 + 8), u32(b, 8));      // bounds: something was drawn
    EXPECT_EQ(std::int32_t(u32(b, 24)), 0);   // frame from the reference's 120 x 90 pixels
    EXPECT_NEAR(double(u32(b, 32)), kW * 2540.0 / 96, 20);
    // The description, in UTF-16: application, NUL, title, NUL, NUL.
    const std::uint32_t n = u32(b, 60), off = u32(b, 64);
    std::u16string desc(n, u'\0');
    ASSERT_LE(off + 2 * n, u32(b, 4));
    std::memcpy(desc.data(), b.data() + off, 2 * n);
    EXPECT_EQ(desc, u"Mirvano\0Scene\0\0"s);

    // Records walk the file exactly, each a multiple of four bytes, the last one the end.
    std::map<std::uint32_t, int> seen;
    std::size_t at = 0;
    std::uint32_t records = 0, last = 0;
    while (at < b.size()) {
        const std::uint32_t size = u32(b, at + 4);
        ASSERT_GE(size, 8u);
        ASSERT_EQ(size % 4, 0u);
        ASSERT_LE(at + size, b.size());
        last = u32(b, at);
        ++seen[last];
        ++records;
        at += size;
    }
    EXPECT_EQ(at, b.size());
    EXPECT_EQ(last, 14u);
    EXPECT_EQ(records, u32(b, 52));
    for (std::uint32_t type : {17u, 9u, 11u, 38u, 95u, 39u, 82u, 37u, 43u, 42u, 44u, 47u, 46u, 45u, 4u, 2u, 3u, 20u,
                               27u, 54u, 59u, 61u, 60u, 63u, 33u, 30u, 34u, 84u, 81u, 15u, 22u, 24u, 18u})
        EXPECT_GT(seen[type], 0) << "record type " << type;

    // Our own reader gives the description back.
    HENHMETAFILE mf = GetEnhMetaFileA((dir / "scene.emf").string().c_str());
    char text[64] = {};
    EXPECT_EQ(GetEnhMetaFileDescriptionA(mf, sizeof text, text), 15u);
    EXPECT_EQ(std::string(text, 15), "Mirvano\0Scene\0\0"s);
    DeleteEnhMetaFile(mf);
}

TEST(Metafiles, MalformedFilesAreRefusedOrPlayedWithinTheirBytes) {
    const auto dir = mirvano_test::temp_dir("emf-bad");
    Recording empty((dir / "e.emf").string().c_str(), "A\0B\0");
    DeleteEnhMetaFile(CloseEnhMetaFile(empty.dc));
    const std::string valid = mirvano_test::readAll(dir / "e.emf");
    const std::string header = valid.substr(0, u32(valid, 4));
    // A red rectangle drawn after each bad record shows that the bad one was skipped, not
    // taken as the end of the file.
    const std::vector<std::string> redBox = {record(39, {1, 0, 0x0000FF, 0}), record(37, {1}),
                                             record(43, {10, 10, 30, 30})};
    auto withRed = [&](std::vector<std::string> bad) {
        bad.insert(bad.end(), redBox.begin(), redBox.end());
        return fileOf(header, bad);
    };
    struct Case {
        const char* what;
        std::string bytes;
        bool redDrawn;
    };
    const std::uint32_t huge = 0x40000000;
    std::string dib = record(81, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 80, 40, 120, 16, 0, SRCCOPY, 4, 4});
    const std::uint32_t bigHeader[] = {40, huge, huge, 0x00200001, 0, 0, 0, 0, 0, 0};
    dib += std::string(reinterpret_cast<const char*>(bigHeader), 40) + std::string(16, '\0');
    const std::uint32_t size = std::uint32_t(dib.size());
    std::memcpy(dib.data() + 4, &size, 4);
    // A 4 x 4 picture whose source rectangle reaches two billion rows past it.
    std::string tall = record(81, {0, 0, 0, 0, 40, 40, 0, 0, 4, 0x80000000u, 80, 40, 120, 48, 0, SRCCOPY, 4, 4});
    const std::uint32_t smallHeader[] = {40, 4, 4, 0x00180001, 0, 0, 0, 0, 0, 0};
    tall += std::string(reinterpret_cast<const char*>(smallHeader), 40) + std::string(48, '\x7F');
    const std::uint32_t tallSize = std::uint32_t(tall.size());
    std::memcpy(tall.data() + 4, &tallSize, 4);
    const Case cases[] = {
        {"polyline counting more points than it holds", withRed({record(4, {0, 0, 0, 0, huge, 1, 2})}), true},
        {"poly-polygon whose counts disagree", withRed({record(8, {0, 0, 0, 0, 2, 3, 2, 2, 0, 0, 5, 5, 9, 9})}), true},
        {"bitmap of 2^30 x 2^30 pixels", withRed({dib}), true},
        {"bitmap offsets past the record", withRed({record(81, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 900, 40, 2000, 16,
                                                                  0, SRCCOPY, 1, 1})}),
         true},
        {"text longer than its record", withRed({record(84, {0, 0, 0, 0, 1, 0, 0, 5, 5, huge, 76, 0, 0, 0, 0, 0, 0})}),
         true},
        {"text advances adding up beyond any surface",
         withRed({record(84, {0, 0, 0, 0, 1, 0, 0, 5, 5, 2, 76, 0, 0, 0, 0, 0, 80, 0x00410041, 0x7A000000,
                              0x3D000000})}),
         true},
        {"dashed wide line two billion pixels long",
         withRed({record(95, {2, 0, 0, 0, 0, PS_GEOMETRIC | PS_DASH, 2, BS_SOLID, 0, 0, 0}), record(37, {2}),
                  record(4, {0, 0, 0, 0, 2, std::uint32_t(-1000000000), 50, 1000000000, 50})}),
         true},
        {"figures scaled past the reach of an int",
         withRed({record(17, {MM_ANISOTROPIC}), record(9, {120, std::uint32_t(-90)}),
                  record(11, {1919942776, 1919250543}), record(42, {std::uint32_t(-5), 1, 30, 30}),
                  record(44, {1, 1, 60, 50, 10, 10}), record(47, {0, 0, 40, 40, 40, 20, 0, 20}),
                  record(3, {0, 0, 0, 0, 3, 0, 0, 90, 5, 7, 80}), record(17, {MM_TEXT})}),
         true},
        {"picture source two billion rows tall", withRed({tall}), true},
        {"clip region of a billion rectangles", withRed({record(75, {32, RGN_COPY, 32, 1, huge, 0, 0, 0, 9, 9})}),
         true},
        {"object indices out of range", withRed({record(37, {0x7FFFFFFF}), record(38, {0xFFFFFFF0, 0, 1, 0, 0}),
                                                 record(40, {huge}), record(37, {0x80000000u | 999})}),
         true},
        {"pattern brush whose pointer the file names", withRed({record(39, {2, BS_PATTERN, 0, 0xDEADBEEF}),
                                                                record(37, {2}), record(43, {40, 40, 50, 50})}),
         true},
        {"restoring more states than were saved", withRed({record(34, {std::uint32_t(-5)})}), true},
        {"record size beyond the file", fileOf(header, {record(43, {1, 1, 2, 2}).replace(4, 4, "\xF0\xFF\xFF\x7F", 4)}),
         false},
        {"record size zero", withRed({std::string("\x2B\0\0\0\0\0\0\0", 8)}), false},
    };
    for (const Case& c : cases) {
        Surface s(kW, kH);
        EXPECT_TRUE(play(c.bytes, s)) << c.what;
        EXPECT_EQ(s.at(20, 20) == kRed, c.redDrawn) << c.what;
    }

    // Headers that cannot be trusted are refused as a whole.
    std::string shortHeader = valid;
    shortHeader.replace(4, 4, std::string("\xFF\xFF\0\0", 4));
    std::string notEmf = valid;
    notEmf[40] = 'X';
    for (const std::string& bad : {valid.substr(0, 60), shortHeader, notEmf, std::string("MVEMF\x01\r\n", 8)}) {
        Surface s(kW, kH);
        EXPECT_FALSE(play(bad, s));
    }
    // The description claims more than the header holds: the file plays, without it.
    std::string longDesc = valid;
    longDesc.replace(60, 4, "\xFF\xFF\xFF\x0F", 4);
    HENHMETAFILE mf = SetEnhMetaFileBits(UINT(longDesc.size()), reinterpret_cast<const BYTE*>(longDesc.data()));
    ASSERT_NE(mf, nullptr);
    EXPECT_EQ(GetEnhMetaFileDescriptionA(mf, 0, nullptr), 0u);
    DeleteEnhMetaFile(mf);
}

TEST(Metafiles, APenWiderThanEverythingStrokesLikeOneAsWideAsTheTarget) {
    // Crafted files of the fuzz corpus: an anisotropic mapping with a viewport extent of 2^31 - 1
    // per logical unit, a geometric pen 117,440,512 units wide and four (sixteen) arcs; a
    // viewport extent of 100,000 a unit, a pen 3000 units wide and a curve of 16,000 control
    // points. Every stroke covers the whole target; the work stays that of a pen as wide as the
    // target and of the part of the curve near it.
    for (const char* name : {"wide_pen_four_arcs.emf", "wide_pen_sixteen_arcs.emf", "bezier_wide_pen_vast_mapping.emf"}) {
        const std::string bytes = mirvano_test::readAll(mirvano_test::source_dir() + "/fuzz/corpus/emf/" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        Surface s(64, 48);
        ASSERT_TRUE(play(bytes, s)) << name;
        EXPECT_EQ(s.rows(kBlack), std::vector<std::string>(48, std::string(64, '#'))) << name;
        EXPECT_EQ(GetMapMode(s.dc), MM_TEXT) << name;
    }
}

// A Bezier record of more than 65,536 points is drawn like any other, and the current position
// moves to its last point (for the "to" kinds), so the line after it starts there: the curves
// run back and forth along row 45 from x 10 to 100 and the last one ends at (100, 20); the
// line then goes on to (100, 5). In both 32-bit and 16-bit records, with and without "to".
TEST(Metafiles, BezierRecordsOfMoreThan65536PointsAreDrawnAndMoveTheCurrentPosition) {
    const auto dir = mirvano_test::temp_dir("emf-bezier");
    Recording empty((dir / "e.emf").string().c_str());
    DeleteEnhMetaFile(CloseEnhMetaFile(empty.dc));
    const std::string valid = mirvano_test::readAll(dir / "e.emf");
    const std::string header = valid.substr(0, u32(valid, 4));
    // Control points of `curves` curves from (10, 45): out to x 100 and back, the last to (100, 20).
    auto controls = [](std::uint32_t curves) {
        std::vector<POINT> p;
        for (std::uint32_t c = 0; c < curves; ++c) {
            const int from = c % 2 ? 100 : 10, to = c % 2 ? 10 : 100;
            const bool last = c + 1 == curves;
            p.push_back({from + (to - from) / 3, 45});
            p.push_back({from + 2 * (to - from) / 3, last ? 30 : 45});
            p.push_back({to, last ? 20 : 45});
        }
        return p;
    };
    auto bezierRecord = [](std::uint32_t type, const std::vector<POINT>& pts, bool small) {
        std::string r;
        auto put = [&](std::uint32_t v) { r.append(reinterpret_cast<const char*>(&v), 4); };
        put(type);
        put(std::uint32_t(28 + pts.size() * (small ? 4 : 8)));
        for (std::uint32_t v : {0u, 0u, 119u, 89u, std::uint32_t(pts.size())}) put(v);
        for (const POINT& q : pts) {
            if (small) {
                const std::int16_t xy[2] = {std::int16_t(q.x), std::int16_t(q.y)};
                r.append(reinterpret_cast<const char*>(xy), 4);
            } else {
                put(std::uint32_t(q.x));
                put(std::uint32_t(q.y));
            }
        }
        return r;
    };
    constexpr std::uint32_t kCurves = 21847;  // odd: the last one runs out to x 100
    std::vector<POINT> to = controls(kCurves), whole = to;
    whole.insert(whole.begin(), POINT{10, 45});
    ASSERT_GT(to.size(), 65536u);
    struct Case { const char* what; std::uint32_t type; bool small; std::vector<std::string> curve; } cases[] = {
        {"POLYBEZIERTO", 5, false, {record(27, {10, 45}), bezierRecord(5, to, false)}},
        {"POLYBEZIERTO16", 88, true, {record(27, {10, 45}), bezierRecord(88, to, true)}},
        // The curve draws on its own; the line's start is set before it.
        {"POLYBEZIER", 2, false, {record(27, {100, 20}), bezierRecord(2, whole, false)}},
        {"POLYBEZIER16", 85, true, {record(27, {100, 20}), bezierRecord(85, whole, true)}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> records = c.curve;
        records.push_back(record(54, {100, 5}));  // LINETO
        Surface onto(kW, kH);
        ASSERT_TRUE(play(fileOf(header, records), onto)) << c.what;
        for (int x : {12, 40, 70, 98}) EXPECT_EQ(onto.at(x, 45), kBlack) << c.what << " curve at x " << x;
        for (int y : {7, 12, 17}) EXPECT_EQ(onto.at(100, y), kBlack) << c.what << " line at y " << y;
        // A line from where the curve started would cross the middle.
        EXPECT_EQ(onto.at(55, 25), kWhite) << c.what;
    }
}

namespace {

// Whether logical point (px, py) lies in the turn of an arc record from its first radial to its
// second, counterclockwise as seen with y pointing down, as the format has players read it in
// the file's logical space.
bool inRecordedTurn(const std::string& rec, double px, double py) {
    auto i = [&](std::size_t at) { return double(std::int32_t(u32(rec, at))); };
    const double cx = (i(8) + i(16)) / 2, cy = (i(12) + i(20)) / 2;
    auto angle = [&](double x, double y) { return std::atan2(-(y - cy), x - cx); };  // y down: up is positive
    const double a0 = angle(i(24), i(28)), a1 = angle(i(32), i(36)), a = angle(px, py);
    auto turn = [](double from, double to) { return std::fmod(to - from + 4 * M_PI, 2 * M_PI); };
    return turn(a0, a) < turn(a0, a1);
}

// The records of a file of one type.
std::vector<std::string> recordsOf(const std::string& b, std::uint32_t type) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at + 8 <= b.size() && u32(b, at + 4) >= 8;) {
        if (u32(b, at) == type) out.push_back(b.substr(at, u32(b, at + 4)));
        at += u32(b, at + 4);
    }
    return out;
}

}  // namespace

// A pie drawn on the canvas's y-up mapping turns counterclockwise on the device, from its first
// radial (right) to its second (up): the upper right quarter. Its record says the same to a
// player that reads the turn in the file's logical space, as the format has it (and as
// LibreOffice draws it), and our player draws it back as it was drawn. A file of another
// program, the same pie read in logical space, is drawn as that program meant: three quarters.
TEST(Metafiles, PieSectorsTurnTheWayOtherPlayersReadTheirRecords) {
    const auto dir = mirvano_test::temp_dir("emf-pie");
    const std::string file = (dir / "pie.emf").string();
    {
        Recording rec(file.c_str());
        setYUp(rec.dc, kW, kH);
        SelectObject(rec.dc, GetStockObject(BLACK_BRUSH));
        SelectObject(rec.dc, GetStockObject(NULL_PEN));
        Pie(rec.dc, 20, 80, 80, 20, 80, 50, 50, 80);  // centre (50, 50), radius 30
        DeleteEnhMetaFile(CloseEnhMetaFile(rec.dc));
    }
    const std::string bytes = mirvano_test::readAll(file);
    const std::vector<std::string> pies = recordsOf(bytes, 47);
    ASSERT_EQ(pies.size(), 1u);
    // Logical y up: (65, 65) lies upper right, the other three quarters not drawn.
    EXPECT_TRUE(inRecordedTurn(pies[0], 65, 65));
    for (auto [x, y] : {std::pair{35, 65}, {35, 35}, {65, 35}}) EXPECT_FALSE(inRecordedTurn(pies[0], x, y)) << x << "," << y;

    Surface live(kW, kH, true), played(kW, kH);
    SelectObject(live.dc, GetStockObject(BLACK_BRUSH));
    SelectObject(live.dc, GetStockObject(NULL_PEN));
    Pie(live.dc, 20, 80, 80, 20, 80, 50, 50, 80);
    ASSERT_TRUE(play(bytes, played));
    // Device rows run down: the upper right quarter is around (65, 89 - 65).
    for (const Surface* s : {&live, &played}) {
        EXPECT_EQ(s->at(65, 24), kBlack);
        EXPECT_EQ(s->at(35, 24), kWhite);
        EXPECT_EQ(s->at(35, 54), kWhite);
        EXPECT_EQ(s->at(65, 54), kWhite);
    }

    // The same record as another program writes it, read in logical space: from the right
    // counterclockwise with y down to logical (50, 80), which this mapping shows above the
    // centre: every quarter but the upper right one.
    std::string other = pies[0];
    const std::int32_t radials[] = {80, 50, 50, 80};
    std::memcpy(other.data() + 24, radials, sizeof radials);
    const std::vector<std::string> mapping = recordsOf(bytes, 17), windowExt = recordsOf(bytes, 9),
                                   viewportExt = recordsOf(bytes, 11), viewportOrg = recordsOf(bytes, 12);
    ASSERT_FALSE(mapping.empty() || windowExt.empty() || viewportExt.empty() || viewportOrg.empty());
    Recording empty((dir / "e.emf").string().c_str());
    DeleteEnhMetaFile(CloseEnhMetaFile(empty.dc));
    const std::string valid = mirvano_test::readAll(dir / "e.emf");
    const std::string third = fileOf(valid.substr(0, u32(valid, 4)),
                                     {mapping.back(), windowExt.back(), viewportExt.back(), viewportOrg.back(),
                                      record(37, {0x80000000u + BLACK_BRUSH}), record(37, {0x80000000u + NULL_PEN}), other});
    Surface theirs(kW, kH);
    ASSERT_TRUE(play(third, theirs));
    EXPECT_EQ(theirs.at(65, 24), kWhite);
    EXPECT_EQ(theirs.at(35, 24), kBlack);
    EXPECT_EQ(theirs.at(35, 54), kBlack);
    EXPECT_EQ(theirs.at(65, 54), kBlack);
}
