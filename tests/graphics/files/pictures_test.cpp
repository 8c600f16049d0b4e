#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../canvas/canvas_devices.h"
#include "graphics/files/pictures.h"
#include "picture_fixtures.h"
#include "test_env.h"

using canvas_test::MemoryDevice;
using canvas_test::WindowDevice;
using gfx::GRAPHICS;

namespace {

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A small picture with a different colour in every pixel.
QImage pattern(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, (x * 7 + y * 13) % 256));
    return img;
}

void expectSamePixels(const QImage& a, const QImage& b) {
    ASSERT_EQ(a.size(), b.size());
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            ASSERT_EQ(a.pixel(x, y) & 0xFFFFFF, b.pixel(x, y) & 0xFFFFFF) << "at " << x << "," << y;
}

}  // namespace

TEST(BmpFiles, OurFilesReadBackExactlyByQtAndImageMagick) {
    auto dir = mirvano_test::temp_dir("bmp");
    QImage rgb = pattern(5, 3);  // odd width: rows padded
    QImage indexed(3, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(10, 20, 30)});
    for (int i = 0; i < 6; ++i) indexed.setPixel(i % 3, i / 3, uint(i % 3));
    for (const QImage& img : {rgb, indexed}) {
        const std::string path = (dir / "out.bmp").string();
        ASSERT_TRUE(gfx::writeBmpFile(path, img));
        std::string bytes = slurp(path);
        const bool isIndexed = img.format() == QImage::Format_Indexed8;
        EXPECT_EQ(bytes[28], isIndexed ? 8 : 24);
        EXPECT_EQ(uint8_t(bytes[10]) | uint8_t(bytes[11]) << 8, isIndexed ? 1078 : 54);
        QImage back(QString::fromStdString(path));
        expectSamePixels(back.convertToFormat(QImage::Format_RGB32), img.convertToFormat(QImage::Format_RGB32));
        if (std::filesystem::exists("/usr/bin/identify")) {
            std::string cmd = "/usr/bin/identify -format '%w %h' '" + path + "' > '" + (dir / "id.txt").string() + "' 2>/dev/null";
            ASSERT_EQ(std::system(cmd.c_str()), 0);
            EXPECT_EQ(slurp(dir / "id.txt"), std::to_string(img.width()) + " " + std::to_string(img.height()));
        }
    }
}

TEST(BmpFiles, QtWrittenBitDepthsReadExactly) {
    QImage base = pattern(7, 4);
    struct Case { QImage::Format format; } cases[] = {{QImage::Format_Mono}, {QImage::Format_Indexed8},
                                                      {QImage::Format_RGB32}, {QImage::Format_ARGB32},
                                                      {QImage::Format_RGB888}};
    for (const auto& c : cases) {
        QImage src = base.convertToFormat(c.format);
        QByteArray data;
        QBuffer buf(&data);
        buf.open(QIODevice::WriteOnly);
        ASSERT_TRUE(QImageWriter(&buf, "bmp").write(src));
        std::string err;
        QImage ours = gfx::decodeBmp(data.toStdString(), &err);
        ASSERT_FALSE(ours.isNull()) << err << " format " << int(c.format);
        QImage qt = QImage::fromData(data, "bmp");
        expectSamePixels(ours, qt.convertToFormat(QImage::Format_RGB32));
    }
    // A 4-bit, top-down file made by hand: 3 x 2 pixels, colours 0..2.
    std::string b = "BM";
    auto p32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(char(v >> (8 * i))); };
    auto p16 = [&](uint32_t v) { b.push_back(char(v)); b.push_back(char(v >> 8)); };
    p32(14 + 40 + 64 + 8); p32(0); p32(14 + 40 + 64);
    p32(40); p32(3); p32(uint32_t(-2)); p16(1); p16(4); p32(0); p32(8); p32(0); p32(0); p32(0); p32(0);
    for (int i = 0; i < 16; ++i) { b.push_back(char(i * 10)); b.push_back(char(i * 20)); b.push_back(char(i * 30)); b.push_back(0); }
    b += std::string("\x01\x20\x00\x00\x22\x10\x00\x00", 8);
    QImage four = gfx::decodeBmp(b);
    ASSERT_EQ(four.size(), QSize(3, 2));
    EXPECT_EQ(four.pixel(0, 0) & 0xFFFFFF, qRgb(0, 0, 0) & 0xFFFFFF);
    EXPECT_EQ(four.pixel(1, 0) & 0xFFFFFF, qRgb(30, 20, 10) & 0xFFFFFF);
    EXPECT_EQ(four.pixel(2, 0) & 0xFFFFFF, qRgb(60, 40, 20) & 0xFFFFFF);
    EXPECT_EQ(four.pixel(0, 1) & 0xFFFFFF, qRgb(60, 40, 20) & 0xFFFFFF);
}

TEST(BmpFiles, LyingOrTruncatedFilesAreRejected) {
    const std::string good = gfx::encodeBmp(pattern(4, 4));
    auto with32 = [&](size_t at, uint32_t v) {
        std::string s = good;
        for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(v >> (8 * i));
        return s;
    };
    struct Case { const char* name; std::string bytes; } cases[] = {
        {"empty", ""},
        {"not BM", "XX" + good.substr(2)},
        {"cut in the header", good.substr(0, 30)},
        {"cut in the pixels", good.substr(0, good.size() - 5)},
        {"header size beyond the file", with32(14, 0x7FFFFFF0)},
        {"pixel offset beyond the file", with32(10, 0x7FFFFFF0)},
        {"huge width", with32(18, 0x40000000)},
        {"huge height", with32(22, 0x40000000)},
        {"zero width", with32(18, 0)},
        {"bad bit count", [&] { std::string s = good; s[28] = 7; return s; }()},
        {"compressed", with32(30, 1)},
    };
    for (const auto& c : cases) {
        std::string err;
        EXPECT_TRUE(gfx::decodeBmp(c.bytes, &err).isNull()) << c.name;
        EXPECT_FALSE(err.empty()) << c.name;
    }
    // An 8-bit file whose table has fewer colours than a pixel refers to.
    QImage idx(2, 1, QImage::Format_Indexed8);
    idx.setColorTable(QList<QRgb>(256, qRgb(1, 2, 3)));
    idx.setPixel(0, 0, 0);
    idx.setPixel(1, 0, 200);
    std::string s = gfx::encodeBmp(idx);
    for (int i = 0; i < 4; ++i) s[46 + size_t(i)] = char(i == 0 ? 16 : 0);  // colours used: 16
    EXPECT_TRUE(gfx::decodeBmp(s).isNull());
}

TEST(GifWriter, CodesAndBytesOfSmallRows) {
    EXPECT_EQ(gfx::gifCodes({{5, 5, 5, 5}}), (std::vector<uint16_t>{256, 5, 258, 5, 257}));
    EXPECT_EQ(gfx::gifCodes({{7}, {9}}), (std::vector<uint16_t>{256, 7, 256, 9, 257}));
    std::vector<uint8_t> ramp(256);
    for (int i = 0; i < 256; ++i) ramp[size_t(i)] = uint8_t(i);
    std::vector<uint16_t> codes = gfx::gifCodes({ramp});
    ASSERT_EQ(codes.size(), 1 + 254 + 1 + 2 + 1u);
    EXPECT_EQ(codes[254], 253);
    EXPECT_EQ(codes[255], 256);
    EXPECT_EQ(codes[256], 254);
    EXPECT_EQ(codes[257], 255);

    QImage four(4, 1, QImage::Format_Indexed8);
    four.setColorTable(QList<QRgb>(256, qRgb(0, 0, 0)));
    four.fill(5);
    std::string gif = gfx::encodeGif(four);
    EXPECT_EQ(gif.substr(0, 6), "GIF87a");
    EXPECT_EQ(gif.substr(791), std::string("\x08\x06\x00\x0B\x08\x2C\x10\x10\x00\x3B", 10));
}

TEST(GifWriter, QtReadsTheExactColoursOfBothTables) {
    // Colours of the half-tone table come out unchanged.
    QImage img(37, 9, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(0, 51, 102), qRgb(192, 192, 192)};
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, colours[(x * x + y * 3) % 5]);
    expectSamePixels(QImage::fromData(QByteArray::fromStdString(gfx::encodeGif(img)), "gif").convertToFormat(QImage::Format_RGB32), img);
    // An indexed picture keeps its own table; long rows cross sub-block boundaries.
    QImage idx(300, 5, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i) table.push_back(qRgb(i, 255 - i, (i * 37) % 256));
    idx.setColorTable(table);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 300; ++x) idx.setPixel(x, y, uint((x * 31 + y * 7 + x / 3) % 256));
    QImage back = QImage::fromData(QByteArray::fromStdString(gfx::encodeGif(idx)), "gif");
    expectSamePixels(back.convertToFormat(QImage::Format_RGB32), idx.convertToFormat(QImage::Format_RGB32));
}

TEST(CanvasExport, AreaRulesAndUprightFiles) {
    MemoryDevice device(60, 50);
    GRAPHICS g(&device);
    const QImage pic = pattern(60, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x) {
            QRgb c = pic.pixel(x, y);
            gdi::SetPixelV(device.surface.dc, x, y, uint32_t(qRed(c)) | uint32_t(qGreen(c)) << 8 | uint32_t(qBlue(c)) << 16);
        }
    auto dir = mirvano_test::temp_dir("export");
    g._FFACTORX = 2.0;
    g._FFACTORY = 2.0;
    struct Case { double x, y, w, h, anchor; int x0, y0, cw, ch; } cases[] = {
        {10, 10, 20, 15, 0, 20, 20, 40, 30},
        {0, 0, 0, 5, 0, 0, 0, 60, 50},           // width 0: the whole canvas
        {25, 5, 20, 5, 0, 50, 10, 10, 10},        // reaches past the right edge
        {40, 5, 5, 5, 0, 59, 10, 1, 10},          // starts beyond it: one column
        {-5, 0, 25, 5, 0, 0, 0, 50, 10},          // starts left of the canvas: moved on, size kept
        {20, 20, 10, 10, 10, 30, 30, 20, 20},     // anchored at its centre
    };
    for (const auto& c : cases) {
        gfx::ExportArea a = gfx::exportArea(g, c.x, c.y, c.w, c.h, c.anchor);
        EXPECT_EQ(a.x0, c.x0);
        EXPECT_EQ(a.y0, c.y0);
        EXPECT_EQ(a.w, c.cw);
        EXPECT_EQ(a.h, c.ch);
    }
    const std::string bmp = (dir / "a.bmp").string(), gif = (dir / "a.gif").string(), png = (dir / "a.png").string();
    { std::ofstream(bmp) << "old"; }
    gfx::SETBMPAREATOFILE(g, 10, 10, 20, 15, bmp);
    QImage fromBmp(QString::fromStdString(bmp));
    ASSERT_EQ(fromBmp.size(), QSize(40, 30));
    for (int j = 0; j < 30; ++j)
        for (int i = 0; i < 40; ++i) ASSERT_EQ(fromBmp.pixel(i, j) & 0xFFFFFF, device.at(20 + i, 20 + 29 - j));
    // GIF and PNG of the whole canvas show it the right way up.
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x) gdi::SetPixelV(device.surface.dc, x, y, y == 49 ? 0x0000FF : 0xFFFFFF);  // top row red
    gfx::SETGIFCANVASTOFILE(g, gif);
    gfx::SETIMGCANVASTOFILE(g, png);
    for (const auto& f : {gif, png}) {
        QImage img(QString::fromStdString(f));
        ASSERT_EQ(img.size(), QSize(60, 50)) << f;
        EXPECT_EQ(img.pixel(3, 0) & 0xFFFFFF, 0xFF0000u) << f;
        EXPECT_EQ(img.pixel(3, 49) & 0xFFFFFF, 0xFFFFFFu) << f;
    }
    // A file that cannot be written leaves no trace and reports failure.
    gfx::OBJECTBMPFILE failing(&g, 0, 0, 0, 0, (dir / "missing" / "x.bmp").string());
    failing.DRAW();
    EXPECT_FALSE(failing.ok);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    EXPECT_FALSE(gfx::SAVEIMAGEOLE("", nullptr));
}

TEST(CanvasExport, WindowCanvasIsReadFromItsRefreshBitmap) {
    WindowDevice device(40, 30);
    GRAPHICS g(&device);
    ASSERT_NE(g._PREFRESHMEMDC, nullptr);
    gdi::SetPixel(g._PREFRESHMEMDC, 5, 7, 0x00FF00);  // y up
    device.screen.image.fill(Qt::black);               // the screen is not what is saved
    auto dir = mirvano_test::temp_dir("window");
    const std::string bmp = (dir / "w.bmp").string();
    gfx::SETBMPCANVASTOFILE(g, bmp);
    QImage img(QString::fromStdString(bmp));
    ASSERT_EQ(img.size(), QSize(40, 30));
    EXPECT_EQ(img.pixel(5, 29 - 7) & 0xFFFFFF, 0x00FF00u);
}

TEST(PictureLoaders, ChainResultsAndSizes) {
    auto dir = mirvano_test::temp_dir("load");
    const std::string bmp = (dir / "p.Bmp").string(), png = (dir / "p.png").string(), empty = (dir / "e.bmp").string();
    ASSERT_TRUE(gfx::writeBmpFile(bmp, pattern(12, 8)));
    QImage withDpi = pattern(96, 48);
    withDpi.setDotsPerMeterX(int(192 / 0.0254 + 0.5));  // the file's resolution scales nothing
    withDpi.setDotsPerMeterY(int(192 / 0.0254 + 0.5));
    ASSERT_TRUE(withDpi.save(QString::fromStdString(png)));
    { std::ofstream touch(empty); }
    gdi::HDC screen = gdi::GetDC(nullptr);
    int32_t w = -1, h = -1;
    gdi::HBITMAP b = gfx::LOADIMAGEAPI(bmp, w, h);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(w, 12);
    EXPECT_EQ(h, 8);
    expectSamePixels(*gdi::GetBitmapImage(b), pattern(12, 8));
    gdi::DeleteObject(b);
    EXPECT_EQ(gfx::LOADIMAGEOLE(png, w, h, nullptr), nullptr);  // a size query
    EXPECT_EQ(w, 96);
    EXPECT_EQ(h, 48);
    b = gfx::loadPictureChain(png, w, h, screen);
    ASSERT_NE(b, nullptr);
    expectSamePixels(*gdi::GetBitmapImage(b), pattern(96, 48));
    gdi::DeleteObject(b);
    // 300 pixels at one dot per metre claim to be 300 m wide: the claim is no reason to scale
    // (and allocate) anything; the picture loads in its own pixels.
    const std::string vast = (dir / "vast.png").string();
    QImage sparse = pattern(300, 300);
    sparse.setDotsPerMeterX(1);
    sparse.setDotsPerMeterY(1);
    ASSERT_TRUE(sparse.save(QString::fromStdString(vast)));
    b = gfx::loadPictureChain(vast, w, h, screen);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(w, 300);
    EXPECT_EQ(h, 300);
    gdi::DeleteObject(b);
    for (const std::string& f : {empty, (dir / "none.bmp").string()}) {
        w = h = 5;
        EXPECT_EQ(gfx::loadPictureChain(f, w, h, screen), nullptr);
        EXPECT_EQ(w, 0);
        EXPECT_EQ(h, 0);
    }
    w = h = 5;
    EXPECT_EQ(gfx::LOADIMAGEVO(bmp, w, h, screen), nullptr);
    EXPECT_EQ(w + h, 0);
    gdi::ReleaseDC(nullptr, screen);
}

TEST(PictureLoaders, EveryLoaderGivesThePixelSizeWhateverResolutionTheFileClaims) {
    using namespace picture_fixtures;
    const auto dir = mirvano_test::temp_dir("resolutions");
    gdi::HDC screen = gdi::GetDC(nullptr);
    for (const PictureFile& f : resolutionFiles(dir)) {
        const bool bmp = f.path.ends_with(".bmp");
        int32_t w = -1, h = -1;
        EXPECT_EQ(gfx::LOADIMAGEOLE(f.path, w, h, nullptr), nullptr) << f.what;
        EXPECT_EQ(QSize(w, h), QSize(kWidth, kHeight)) << f.what << " (size query)";
        gdi::HBITMAP b = gfx::LOADIMAGEOLE(f.path, w, h, screen);
        ASSERT_NE(b, nullptr) << f.what;
        EXPECT_EQ(gdi::GetBitmapImage(b)->size(), QSize(kWidth, kHeight)) << f.what;
        gdi::DeleteObject(b);
        if (bmp) {
            b = gfx::LOADIMAGEAPI(f.path, w, h);
            ASSERT_NE(b, nullptr) << f.what;
            EXPECT_EQ(QSize(w, h), QSize(kWidth, kHeight)) << f.what << " (bitmap loader)";
            gdi::DeleteObject(b);
            gfx::BMPFROMFILE object(f.path);
            ASSERT_NE(object.HANDLE(), nullptr) << f.what;
            EXPECT_EQ(gdi::GetBitmapImage(object.HANDLE())->size(), QSize(kWidth, kHeight)) << f.what;
        }
        b = gfx::loadPictureChain(f.path, w, h, screen);
        ASSERT_NE(b, nullptr) << f.what;
        EXPECT_EQ(QSize(w, h), QSize(kWidth, kHeight)) << f.what << " (chain)";
        gdi::DeleteObject(b);
    }
    gdi::ReleaseDC(nullptr, screen);
}

TEST(PictureLoaders, HeadersAskingForTooManyPixelsAreRefusedBeforeReading) {
    using namespace picture_fixtures;
    const auto dir = mirvano_test::temp_dir("oversized");
    gdi::HDC screen = gdi::GetDC(nullptr);
    for (const PictureFile& f : oversizedFiles(dir)) {
        int32_t w = -1, h = -1;
        EXPECT_EQ(gfx::loadPictureChain(f.path, w, h, screen), nullptr) << f.what;
        EXPECT_EQ(w + h, 0) << f.what;
        EXPECT_EQ(gfx::LOADIMAGEOLE(f.path, w, h, nullptr), nullptr) << f.what;
        EXPECT_EQ(w + h, 0) << f.what;
    }
    // The BMP reader names the limit, not the missing pixel data: it never got that far.
    std::string error;
    EXPECT_TRUE(gfx::readBmpFile((dir / "huge.bmp").string(), &error).isNull());
    EXPECT_NE(error.find("limit"), std::string::npos) << error;
    gfx::BMPFROMFILE object((dir / "huge.bmp").string());
    EXPECT_EQ(object.HANDLE(), nullptr);
    EXPECT_FALSE(gfx::pictureSizeAllowed(int64_t(1) << 15, int64_t(1) << 14));
    EXPECT_TRUE(gfx::pictureSizeAllowed(int64_t(1) << 14, int64_t(1) << 14));
    gdi::ReleaseDC(nullptr, screen);
}

// A PNG chunk that claims more bytes than the file holds would have the decoder reserve that
// much (1.7 GB for a 280-byte file) before it finds the file too short: such a file is refused.
TEST(PictureLoaders, PngChunksRunningPastTheFileAreRefusedBeforeDecoding) {
    const auto dir = mirvano_test::temp_dir("png-chunks");
    QByteArray good;
    {
        QBuffer out(&good);
        out.open(QIODevice::WriteOnly);
        ASSERT_TRUE(pattern(4, 4).save(&out, "PNG"));
    }
    const std::string whole = good.toStdString();
    EXPECT_TRUE(gfx::pngChunksWithinFile(whole));
    // After the header chunk (8 signature + 25 IHDR bytes): a text chunk of 0x65000000 bytes.
    std::string lying = whole.substr(0, 33) + std::string("\x65\x00\x00\x00tEXtab", 10) + whole.substr(33);
    std::string cut = whole.substr(0, whole.size() - 16);  // the end chunk and the data chunk's CRC gone
    for (const auto& [name, bytes] : {std::pair{"lying.png", lying}, std::pair{"cut.png", cut}}) {
        EXPECT_FALSE(gfx::pngChunksWithinFile(bytes)) << name;
        const std::string path = (dir / name).string();
        mirvano_test::writeAll(path, bytes);
        int32_t w = -1, h = -1;
        EXPECT_EQ(gfx::LOADIMAGEOLE(path, w, h, nullptr), nullptr) << name;
        EXPECT_EQ(w + h, 0) << name;
    }
    const std::string path = (dir / "good.png").string();
    mirvano_test::writeAll(path, whole);
    int32_t w = 0, h = 0;
    gdi::HDC screen = gdi::GetDC(nullptr);
    gdi::HBITMAP b = gfx::LOADIMAGEOLE(path, w, h, screen);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(w, 4);
    gdi::DeleteObject(b);
    gdi::ReleaseDC(nullptr, screen);
}

TEST(CanvasExport, PictureObjectWritesTheFormatTheNameAsksForOrNothing) {
    auto dir = mirvano_test::temp_dir("img-formats");
    gdi::HBITMAP bmp = gdi::CreateBitmapFromImage(pattern(6, 4));
    struct Case { const char* name; const char* magic; } cases[] = {
        {"p.gif", "GIF8"}, {"p.GIF", "GIF8"}, {"p.png", "\x89PNG"}, {"p.jpg", "\xFF\xD8"}, {"p.bmp", "BM"}, {"p", "BM"},
    };
    for (const Case& c : cases) {
        const auto path = dir / c.name;
        ASSERT_TRUE(gfx::SAVEIMAGEOLE(path.string(), bmp)) << c.name;
        EXPECT_EQ(slurp(path).rfind(c.magic, 0), 0u) << c.name;
        EXPECT_EQ(QImage(QString::fromStdString(path.string())).size(), QSize(6, 4)) << c.name;
    }
    EXPECT_FALSE(gfx::SAVEIMAGEOLE((dir / "p.xyz").string(), bmp));
    EXPECT_FALSE(std::filesystem::exists(dir / "p.xyz"));
    EXPECT_NE(gdi::GetBitmapImage(bmp), nullptr);  // still the caller's
    gdi::DeleteObject(bmp);
}

TEST(PictureLoaders, MetafilesLoadThroughOurPlayerAtTheContextsResolution) {
    // A frame of 2540 x 1270 hundredths of a millimetre (one inch by half an inch) whose left
    // half is red: 96 x 48 pixels on the screen; what the metafile leaves alone stays as a new
    // bitmap is, black.
    const auto dir = mirvano_test::temp_dir("emf-load");
    const std::string emf = (dir / "half.emf").string(), named = (dir / "half.bmp").string();
    ASSERT_TRUE(picture_fixtures::writeHalfRedMetafile(emf, 2540, 1270));
    std::filesystem::copy_file(emf, named);
    int32_t w = -1, h = -1;
    EXPECT_EQ(gfx::LOADIMAGEOLE(emf, w, h, nullptr), nullptr);
    EXPECT_EQ(QSize(w, h), QSize(96, 48));
    gdi::HDC screen = gdi::GetDC(nullptr);
    for (const std::string& file : {emf, named}) {
        w = h = -1;
        gdi::HBITMAP b = gfx::loadPictureChain(file, w, h, screen);
        ASSERT_NE(b, nullptr) << file;
        EXPECT_EQ(QSize(w, h), QSize(96, 48)) << file;
        const QImage* image = gdi::GetBitmapImage(b);
        ASSERT_EQ(image->size(), QSize(96, 48)) << file;
        EXPECT_EQ(image->pixel(2, 2) & 0xFFFFFF, 0xFF0000u) << file;
        EXPECT_EQ(image->pixel(47, 47) & 0xFFFFFF, 0xFF0000u) << file;
        EXPECT_EQ(image->pixel(48, 2) & 0xFFFFFF, 0u) << file;
        EXPECT_EQ(image->pixel(95, 47) & 0xFFFFFF, 0u) << file;
        gdi::DeleteObject(b);
    }
    gdi::ReleaseDC(nullptr, screen);
    // A file that only looks like a metafile in its first bytes is no picture.
    std::string bytes = mirvano_test::readAll(emf);
    bytes.resize(60);
    mirvano_test::writeAll(dir / "cut.emf", bytes);
    w = h = -1;
    EXPECT_EQ(gfx::LOADIMAGEOLE((dir / "cut.emf").string(), w, h, nullptr), nullptr);
    EXPECT_EQ(w + h, 0);
}

namespace {

// Each loader that reads BMP files, as its caller sees the picture: the chain with a context,
// the bitmap loader, the bitmap object and the picture reader; null where one refuses it.
struct BmpLoads {
    QImage chain, api, object, reader;
};

QImage imageOf(gdi::HBITMAP b) {
    if (!b) return QImage();
    QImage copy = gdi::GetBitmapImage(b)->convertToFormat(QImage::Format_RGB32);
    gdi::DeleteObject(b);
    return copy;
}

BmpLoads loadEveryWay(const std::string& path) {
    BmpLoads loads;
    gdi::HDC screen = gdi::GetDC(nullptr);
    int32_t w = -1, h = -1;
    loads.chain = imageOf(gfx::loadPictureChain(path, w, h, screen));
    EXPECT_EQ(QSize(w, h), loads.chain.isNull() ? QSize(0, 0) : loads.chain.size()) << path;
    loads.api = imageOf(gfx::LOADIMAGEAPI(path, w, h));
    EXPECT_EQ(QSize(w, h), loads.api.isNull() ? QSize(0, 0) : loads.api.size()) << path;
    {
        gfx::BMPFROMFILE object(path);
        if (object.HANDLE()) loads.object = gdi::GetBitmapImage(object.HANDLE())->convertToFormat(QImage::Format_RGB32);
    }
    loads.reader = gfx::readCheckedPictureFile(path);
    if (!loads.reader.isNull()) loads.reader = gfx::opaquePicture(loads.reader);
    gdi::ReleaseDC(nullptr, screen);
    return loads;
}

void expectEveryLoaderShows(const std::string& path, const QImage& expected, const std::string& what) {
    const BmpLoads loads = loadEveryWay(path);
    for (const QImage* image : {&loads.chain, &loads.api, &loads.object, &loads.reader}) {
        ASSERT_FALSE(image->isNull()) << what;
        expectSamePixels(*image, expected);
    }
}

void expectEveryLoaderRefuses(const std::string& path, const std::string& what) {
    const BmpLoads loads = loadEveryWay(path);
    EXPECT_TRUE(loads.chain.isNull()) << what << " (chain)";
    EXPECT_TRUE(loads.api.isNull()) << what << " (bitmap loader)";
    EXPECT_TRUE(loads.object.isNull()) << what << " (bitmap object)";
    EXPECT_TRUE(loads.reader.isNull()) << what << " (picture reader)";
}

// What ImageMagick reads from a file, as 8-bit RGB pixels. It reads a coded bitmap that ends
// with its end code right at the end of the file, but calls that an early end of the file and
// exits with an error: the pixels it wrote count.
QImage imageMagickReading(const std::filesystem::path& file, const std::filesystem::path& dir) {
    const std::filesystem::path out = dir / (file.stem().string() + "-im.ppm");
    std::filesystem::remove(out);
    const std::string cmd = "/usr/bin/convert '" + file.string() + "' -depth 8 'PPM:" + out.string() + "' 2>/dev/null";
    (void)std::system(cmd.c_str());
    return QImage(QString::fromStdString(out.string())).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

// A BMP cut short in its pixels shows no memory of the process: the rows that are not in the
// file are not made up. Only the last row's padding may be missing.
TEST(BmpFiles, CutPixelDataIsRefusedByEveryLoaderExceptTheLastRowsPadding) {
    const auto dir = mirvano_test::temp_dir("bmp-cut");
    const QImage rgb = pattern(5, 3);  // 15 bytes a row, 1 byte of padding
    QImage indexed(6, 4, QImage::Format_Indexed8);  // 6 bytes a row, 2 of padding
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(10, 20, 30)});
    for (int i = 0; i < 24; ++i) indexed.setPixel(i % 6, i / 6, uint(i % 3));
    struct Case { const char* what; QImage image; size_t padding; } cases[] = {{"24-bit", rgb, 1}, {"8-bit", indexed, 2}};
    for (const auto& c : cases) {
        const std::string whole = gfx::encodeBmp(c.image);
        const QImage expected = c.image.convertToFormat(QImage::Format_RGB32);
        const std::string path = (dir / "p.bmp").string();
        mirvano_test::writeAll(path, whole);
        expectEveryLoaderShows(path, expected, std::string(c.what) + " whole");
        mirvano_test::writeAll(path, whole.substr(0, whole.size() - c.padding));
        expectEveryLoaderShows(path, expected, std::string(c.what) + " without the last padding");
        for (size_t cut : {c.padding + 1, size_t(9), whole.size() - 60}) {
            mirvano_test::writeAll(path, whole.substr(0, whole.size() - cut));
            expectEveryLoaderRefuses(path, std::string(c.what) + " cut by " + std::to_string(cut));
        }
    }
    // A header of 154 bytes claiming 4000 x 4000 pixels of 24 bits, 100 bytes of them there.
    std::string lying = gfx::encodeBmp(pattern(1, 1)).substr(0, 54) + std::string(100, '\x7f');
    picture_fixtures::setLe32(lying, 2, uint32_t(lying.size()));
    picture_fixtures::setLe32(lying, 18, 4000);
    picture_fixtures::setLe32(lying, 22, 4000);
    ASSERT_EQ(lying.size(), 154u);
    mirvano_test::writeAll(dir / "lying.bmp", lying);
    expectEveryLoaderRefuses((dir / "lying.bmp").string(), "154 bytes claiming 4000 x 4000");
}

// Run-length coded BMPs, as ImageMagick writes them (RLE8) and made by hand with every escape
// (RLE4 and RLE8): each loader shows the pixels ImageMagick reads; what the codes leave
// undrawn is the table's colour 0.
TEST(BmpFiles, RunLengthCodedFilesLoadAsImageMagickReadsThem) {
    if (!std::filesystem::exists("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick is not installed";
    const auto dir = mirvano_test::temp_dir("bmp-rle");
    // A picture of runs and single pixels in 5 colours, 37 x 9 (odd width).
    QImage source(37, 9, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(200, 10, 10), qRgb(10, 200, 10), qRgb(10, 10, 200), qRgb(250, 250, 0), qRgb(0, 0, 0)};
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 37; ++x) source.setPixel(x, y, colours[(x < 20 ? y : x * y + x / 3) % 5]);
    const std::filesystem::path png = dir / "source.png", made = dir / "magick.bmp";
    ASSERT_TRUE(source.save(QString::fromStdString(png.string())));
    const std::string cmd = "/usr/bin/convert '" + png.string() + "' -type Palette -compress RLE 'BMP3:" + made.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string bytes = mirvano_test::readAll(made);
    ASSERT_EQ(uint8_t(bytes[30]), 1) << "ImageMagick wrote no RLE8 file";
    expectEveryLoaderShows(made.string(), source, "ImageMagick's RLE8");
    expectSamePixels(imageMagickReading(made, dir), source);

    using picture_fixtures::paletteBmp;
    const std::vector<QRgb> table = {qRgb(1, 2, 3), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    struct Case { const char* what; int bits; std::string codes; } cases[] = {
        // Row 0: a run of 3 of colour 1, a literal 2 3 1 (padded), end of line; row 1: a delta of
        // (2, 1) to row 2, a run of 2 of colour 3, end of bitmap: rows 1 and 3 stay colour 0.
        {"RLE8 with every escape", 8, std::string("\x03\x01\x00\x03\x02\x03\x01\x00\x00\x00\x00\x02\x02\x01\x02\x03\x00\x01", 18)},
        // The same picture in 4-bit codes: runs alternate their two nibbles.
        {"RLE4 with every escape", 4, std::string("\x03\x11\x00\x03\x23\x10\x00\x00\x00\x02\x02\x01\x02\x33\x00\x01", 16)},
        {"RLE4 alternating run", 4, std::string("\x06\x12\x00\x00\x00\x05\x31\x23\x00\x00\x00\x01", 12)},
    };
    for (const auto& c : cases) {
        const std::filesystem::path file = dir / (std::string(c.what).substr(0, 4) + std::to_string(&c - cases) + ".bmp");
        mirvano_test::writeAll(file, paletteBmp(6, 4, c.bits, c.bits == 8 ? 1 : 2, table, c.codes));
        const QImage magick = imageMagickReading(file, dir);
        ASSERT_FALSE(magick.isNull()) << c.what;
        expectEveryLoaderShows(file.string(), magick, c.what);
    }
    // A run longer than the row and a literal past its end are cut at the row's end, as Qt's
    // reader cuts them (ImageMagick carries them into the next row). Every row is drawn: Qt
    // leaves what the codes skip as whatever its memory held.
    const std::filesystem::path past = dir / "past.bmp";
    const std::string pastBytes = paletteBmp(
        6, 4, 8, 1, table,
        std::string("\x09\x02\x00\x00\x00\x08\x01\x02\x03\x01\x02\x03\x01\x02\x00\x00\x06\x03\x00\x00\x06\x01\x00\x01", 24));
    mirvano_test::writeAll(past, pastBytes);
    const QImage qt = QImage::fromData(QByteArray::fromStdString(pastBytes), "BMP").convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(qt.isNull());
    expectEveryLoaderShows(past.string(), qt, "runs past the row");
    EXPECT_EQ(qt.pixel(5, 3) & 0xFFFFFF, table[2] & 0xFFFFFF);
    EXPECT_EQ(qt.pixel(0, 1) & 0xFFFFFF, table[3] & 0xFFFFFF);

    // The first case's pixels, as drawn above: bottom row first.
    const QImage escapes = loadEveryWay((dir / "RLE80.bmp").string()).api;
    ASSERT_EQ(escapes.size(), QSize(6, 4));
    const QRgb row0[] = {table[1], table[1], table[1], table[2], table[3], table[1]};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(escapes.pixel(x, 3) & 0xFFFFFF, row0[x] & 0xFFFFFF) << x;
        EXPECT_EQ(escapes.pixel(x, 2) & 0xFFFFFF, table[0] & 0xFFFFFF) << x;
        EXPECT_EQ(escapes.pixel(x, 1) & 0xFFFFFF, (x == 2 || x == 3 ? table[3] : table[0]) & 0xFFFFFF) << x;
        EXPECT_EQ(escapes.pixel(x, 0) & 0xFFFFFF, table[0] & 0xFFFFFF) << x;
    }
}

// Coded data that ends before its end code and before the last row, a literal running past
// the data, a colour beyond the table or a top-down coded file is refused by every loader.
TEST(BmpFiles, CutOrLyingRunLengthFilesAreRefused) {
    const auto dir = mirvano_test::temp_dir("bmp-rle-bad");
    using picture_fixtures::paletteBmp;
    const std::vector<QRgb> table = {qRgb(1, 2, 3), qRgb(255, 0, 0)};
    struct Case { const char* what; int bits, height; std::string codes; } cases[] = {
        {"no end code, one row of two", 8, 2, std::string("\x04\x01\x00\x00", 4)},
        {"cut in a code", 8, 1, std::string("\x04", 1)},
        {"cut in a delta", 8, 2, std::string("\x00\x02\x01", 3)},
        {"literal past the data", 8, 1, std::string("\x00\x05\x01\x01", 4)},
        {"colour beyond the table", 8, 1, std::string("\x02\x07\x00\x01", 4)},
        {"RLE4 colour beyond the table", 4, 1, std::string("\x02\x01\x02\x50\x00\x01", 6)},
        {"top-down", 8, -1, std::string("\x04\x01\x00\x01", 4)},
    };
    for (const auto& c : cases) {
        const std::string path = (dir / "p.bmp").string();
        mirvano_test::writeAll(path, paletteBmp(4, c.height, c.bits, c.bits == 8 ? 1 : 2, table, c.codes));
        expectEveryLoaderRefuses(path, c.what);
    }
    // All rows ended with their end-of-line code and no end code: complete.
    const std::string path = (dir / "p.bmp").string();
    mirvano_test::writeAll(path, paletteBmp(4, 2, 8, 1, table, std::string("\x04\x01\x00\x00\x00\x00", 6)));
    QImage two(4, 2, QImage::Format_RGB32);
    two.fill(table[0]);
    for (int x = 0; x < 4; ++x) two.setPixel(x, 1, table[1]);
    expectEveryLoaderShows(path, two, "rows ended, no end code");
}

namespace {

// A placeable Windows metafile made by hand: a box of `width` x `height` units at `perInch`
// units an inch, then the records (function, 16-bit words).
struct WmfRecord {
    uint16_t function;
    std::vector<uint16_t> words;
};

std::string placeableWmf(int16_t width, int16_t height, uint16_t perInch, const std::vector<WmfRecord>& records) {
    std::string b;
    auto p16 = [&](uint32_t v) { b.push_back(char(v)); b.push_back(char(v >> 8)); };
    auto p32 = [&](uint32_t v) { p16(v & 0xFFFF); p16(v >> 16); };
    p32(0x9AC6CDD7u); p16(0); p16(0); p16(0); p16(uint16_t(width)); p16(uint16_t(height)); p16(perInch); p32(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(uint8_t(b[i]) | uint8_t(b[i + 1]) << 8);
    p16(sum);
    const size_t headerAt = b.size();
    p16(1); p16(9); p16(0x300); p32(0); p16(4); p32(0); p16(0);
    for (const WmfRecord& r : records) {
        p32(uint32_t(3 + r.words.size()));
        p16(r.function);
        for (uint16_t w : r.words) p16(w);
    }
    p32(3); p16(0);  // end
    const uint32_t words = uint32_t((b.size() - headerAt) / 2);
    for (int i = 0; i < 4; ++i) b[headerAt + 6 + size_t(i)] = char(words >> (8 * i));
    return b;
}

}  // namespace

// Placeable Windows metafiles load as pictures through our player, at the context's
// resolution: one made by hand whose second brush takes the table place the first one left
// (the records count objects so), and LibreOffice Draw's export of the drawing that the
// enhanced-metafile tests use.
TEST(PictureLoaders, WindowsMetafilesLoadAsPictures) {
    const auto dir = mirvano_test::temp_dir("wmf-load");
    // 200 x 100 units at 192 an inch: 100 x 50 pixels on the screen. Red left half with a blue
    // triangle in it, a green ellipse on the right half, no outlines.
    const std::vector<WmfRecord> records = {
        {0x02FC, {0, 0x00FF, 0x0000, 0}},            // solid red brush: object 0
        {0x012D, {0}},
        {0x02FA, {5, 0, 0, 0, 0}},                   // null pen: object 1
        {0x012D, {1}},
        {0x041B, {100, 100, 0, 0}},                  // rectangle (0, 0)-(100, 100)
        {0x01F0, {0}},                               // the red brush goes
        {0x02FC, {0, 0x0000, 0x00FF, 0}},            // blue brush: object 0 again
        {0x012D, {0}},
        {0x0324, {3, 10, 90, 90, 90, 50, 10}},       // triangle
        {0x02FC, {0, 0xC000, 0x0000, 0}},            // green brush: object 2
        {0x012D, {2}},
        {0x0418, {90, 190, 10, 110}},                // ellipse (110, 10)-(190, 90)
        // A 2 x 2 bitmap stretched over (180, 0)-(200, 20): blue, white over red, green.
        {0x0F43, [] {
             std::vector<uint16_t> w = {0x0020, 0x00CC, 0, 2, 2, 0, 0, 20, 20, 0, 180};
             const std::string dib = std::string("\x28\0\0\0\x02\0\0\0\x02\0\0\0\x01\0\x18\0", 16) +
                                     std::string(24, '\0') + std::string("\0\0\xff\0\xff\0\0\0\xff\0\0\xff\xff\xff\0\0", 16);
             for (size_t i = 0; i < dib.size(); i += 2) w.push_back(uint16_t(uint8_t(dib[i]) | uint8_t(dib[i + 1]) << 8));
             return w;
         }()},
    };
    const std::string path = (dir / "hand.wmf").string();
    mirvano_test::writeAll(path, placeableWmf(200, 100, 192, records));
    int32_t w = -1, h = -1;
    EXPECT_EQ(gfx::LOADIMAGEOLE(path, w, h, nullptr), nullptr);  // a size query
    EXPECT_EQ(QSize(w, h), QSize(100, 50));
    gdi::HDC screen = gdi::GetDC(nullptr);
    QImage hand = imageOf(gfx::loadPictureChain(path, w, h, screen));
    ASSERT_EQ(hand.size(), QSize(100, 50));
    EXPECT_EQ(QSize(w, h), QSize(100, 50));
    EXPECT_EQ(hand.pixel(3, 3) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(hand.pixel(25, 40) & 0xFFFFFF, 0x0000FFu);  // the triangle, drawn with the new brush
    EXPECT_EQ(hand.pixel(45, 10) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(hand.pixel(75, 25) & 0xFFFFFF, 0x00C000u);
    EXPECT_EQ(hand.pixel(92, 2) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(hand.pixel(97, 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(hand.pixel(92, 7) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(hand.pixel(97, 7) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(hand.pixel(97, 45) & 0xFFFFFF, 0u);  // what the metafile leaves alone

    // LibreOffice Draw's export of libreoffice_drawing.svg: its box is the drawing's bounds,
    // 74.54 x 54.54 mm, at the screen's resolution; the shapes where LibreOffice itself draws
    // them from the file (given as fractions of the picture): the red rectangle top left, the
    // blue ellipse top right, the green triangle bottom left, the black line between.
    const std::string wmf = mirvano_test::fixture("graphics/libreoffice_drawing.wmf");
    QImage lo = imageOf(gfx::loadPictureChain(wmf, w, h, screen));
    ASSERT_FALSE(lo.isNull());
    const QSize size = lo.size();
    EXPECT_EQ(size, QSize(282, 206));
    auto at = [&](double x, double y) { return lo.pixel(int(x * size.width()), int(y * size.height())) & 0xFFFFFF; };
    EXPECT_EQ(at(0.2, 0.2), 0xFF0000u);
    EXPECT_EQ(at(0.75, 0.23), 0x0000FFu);
    EXPECT_EQ(at(0.36, 0.8), 0x00C000u);
    EXPECT_EQ(at(0.6, 0.05), 0u);  // nothing drawn there
    int purple = 0, orange = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            purple += (lo.pixel(x, y) & 0xFFFFFF) == 0x800080u;
            orange += (lo.pixel(x, y) & 0xFFFFFF) == 0xFF8000u;
        }
    EXPECT_GT(purple, 50);  // the text
    EXPECT_GT(orange, 50);  // the curve

    // A record whose size runs past the file ends the picture there; a cut header is no picture.
    std::string cut = placeableWmf(200, 100, 192, records);
    cut.resize(cut.size() - 10);
    mirvano_test::writeAll(dir / "cut.wmf", cut);
    EXPECT_FALSE(imageOf(gfx::loadPictureChain((dir / "cut.wmf").string(), w, h, screen)).isNull());
    mirvano_test::writeAll(dir / "head.wmf", cut.substr(0, 30));
    w = h = -1;
    EXPECT_EQ(gfx::loadPictureChain((dir / "head.wmf").string(), w, h, screen), nullptr);
    EXPECT_EQ(w + h, 0);
    gdi::ReleaseDC(nullptr, screen);
}
