#pragma once
// Picture files of 100 x 50 pixels that claim different resolutions, and headers that ask for
// more pixels than any picture may have, made on the spot for the loader tests.
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/files/pictures.h"
#include "test_env.h"

namespace picture_fixtures {

inline constexpr int kWidth = 100, kHeight = 50;
inline constexpr QRgb kColour = qRgb(0, 0, 255);

inline int dotsPerMetre(double dpi) { return int(dpi / 0.0254 + 0.5); }

struct PictureFile {
    std::string what;
    std::string path;
};

inline void setLe32(std::string& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = char(v >> (8 * i));
}

// 100 x 50 blue pictures: PNG and JPEG at 72, 96 and 300 dpi, BMP at the same resolutions
// and one BMP claiming 10 pixels per metre.
inline std::vector<PictureFile> resolutionFiles(const std::filesystem::path& dir) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kColour);
    std::vector<PictureFile> files;
    for (double dpi : {72.0, 96.0, 300.0}) {
        const std::string tag = std::to_string(int(dpi)) + "dpi";
        QImage withDpi = image;
        withDpi.setDotsPerMeterX(dotsPerMetre(dpi));
        withDpi.setDotsPerMeterY(dotsPerMetre(dpi));
        for (const char* format : {"png", "jpg"}) {
            const std::string path = (dir / (tag + "." + format)).string();
            withDpi.save(QString::fromStdString(path), format == std::string("jpg") ? "JPEG" : "PNG", 100);
            files.push_back({tag + " " + format, path});
        }
        std::string bmp = gfx::encodeBmp(image);
        setLe32(bmp, 38, uint32_t(dotsPerMetre(dpi)));
        setLe32(bmp, 42, uint32_t(dotsPerMetre(dpi)));
        const std::string path = (dir / (tag + ".bmp")).string();
        mirvano_test::writeAll(path, bmp);
        files.push_back({tag + " bmp", path});
    }
    std::string bmp = gfx::encodeBmp(image);
    setLe32(bmp, 38, 10);
    setLe32(bmp, 42, 10);
    const std::string path = (dir / "10ppm.bmp").string();
    mirvano_test::writeAll(path, bmp);
    files.push_back({"10 pixels per metre bmp", path});
    return files;
}

inline uint32_t crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= uint8_t(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void putBe32(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s.push_back(char(v >> (8 * i)));
}

// Tiny files whose headers ask for more pixels than the limit allows: 20000 x 20000 as a BMP
// and a PNG (a valid header chunk, nothing after it), a BMP of 16,777,213 rows and a GIF whose
// logical screen is 20000 x 20000.
inline std::vector<PictureFile> oversizedFiles(const std::filesystem::path& dir) {
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(kColour);
    std::string bmp = gfx::encodeBmp(one);
    setLe32(bmp, 18, 20000);
    setLe32(bmp, 22, 20000);
    const std::string bmpPath = (dir / "huge.bmp").string();
    mirvano_test::writeAll(bmpPath, bmp);

    std::string png = "\x89PNG\r\n\x1a\n";
    std::string ihdr = "IHDR";
    putBe32(ihdr, 20000);
    putBe32(ihdr, 20000);
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    putBe32(png, 13);
    png += ihdr;
    putBe32(png, crc32(ihdr));
    const std::string pngPath = (dir / "huge.png").string();
    mirvano_test::writeAll(pngPath, png);

    // Top-down, 4 pixels wide and 16,777,213 rows tall, its height written as a negative number.
    std::string tall = gfx::encodeBmp(one);
    setLe32(tall, 18, 4);
    setLe32(tall, 22, uint32_t(-16777213));
    const std::string tallPath = (dir / "tall.bmp").string();
    mirvano_test::writeAll(tallPath, tall);

    // A GIF whose logical screen is 20000 x 20000 pixels, its one frame 1 x 1.
    std::string gif = "GIF89a";
    gif += std::string("\x20\x4E\x20\x4E\x00\x00\x00", 7);                         // screen, no table
    gif += std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x80", 10);         // frame, 2-colour table
    gif += std::string("\x00\x00\xFF\xFF\xFF\xFF", 6);
    gif += std::string("\x02\x02\x44\x01\x00\x3B", 6);                             // one pixel, end
    const std::string gifPath = (dir / "screen.gif").string();
    mirvano_test::writeAll(gifPath, gif);
    return {{"huge bmp", bmpPath}, {"huge png", pngPath}, {"tall top-down bmp", tallPath}, {"gif of a vast screen", gifPath}};
}

// A bottom-up BMP with a 40-byte header, a colour table (blue, green, red, 0) and the given
// pixel bytes: uncompressed (0), RLE8 (1) or RLE4 (2).
inline std::string paletteBmp(int width, int height, int bits, int compression, const std::vector<QRgb>& colours,
                              const std::string& pixels) {
    std::string b = "BM";
    auto p32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(char(v >> (8 * i))); };
    auto p16 = [&](uint32_t v) { b.push_back(char(v)); b.push_back(char(v >> 8)); };
    const uint32_t offset = 14 + 40 + 4 * uint32_t(colours.size());
    p32(offset + uint32_t(pixels.size())); p32(0); p32(offset);
    p32(40); p32(uint32_t(width)); p32(uint32_t(height)); p16(1); p16(uint32_t(bits)); p32(uint32_t(compression));
    p32(uint32_t(pixels.size())); p32(0); p32(0); p32(uint32_t(colours.size())); p32(0);
    for (QRgb c : colours) { b.push_back(char(qBlue(c))); b.push_back(char(qGreen(c))); b.push_back(char(qRed(c))); b.push_back(0); }
    return b + pixels;
}

// An enhanced metafile with a frame of `width` x `height` hundredths of a millimetre (96 pixels
// an inch on the screen it is recorded for) whose left half is a red rectangle, nothing drawn
// on the right half.
inline bool writeHalfRedMetafile(const std::string& path, int width, int height) {
    gdi::RECT frame;
    gdi::SetRect(&frame, 0, 0, width, height);
    gdi::HDC rec = gdi::CreateEnhMetaFile(nullptr, path.c_str(), &frame, nullptr);
    if (!rec) return false;
    gdi::RECT left;
    gdi::SetRect(&left, 0, 0, width * 96 / 2540 / 2, height * 96 / 2540);
    gdi::HBRUSH red = gdi::CreateSolidBrush(gdi::RGB(255, 0, 0));
    gdi::FillRect(rec, &left, red);
    gdi::DeleteObject(red);
    gdi::HENHMETAFILE written = gdi::CloseEnhMetaFile(rec);
    gdi::DeleteEnhMetaFile(written);
    return written != nullptr;
}

// A 32-bit BMP with an alpha mask (a version 5 header) whose pixels are red and green, both
// with alpha 0.
inline std::string transparentBmp() {
    std::string b = "BM";
    auto p32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(char(v >> (8 * i))); };
    auto p16 = [&](uint32_t v) { b.push_back(char(v)); b.push_back(char(v >> 8)); };
    const uint32_t offset = 14 + 124;
    p32(offset + 8); p32(0); p32(offset);
    p32(124); p32(2); p32(1); p16(1); p16(32); p32(3); p32(8); p32(2835); p32(2835); p32(0); p32(0);
    p32(0x00FF0000); p32(0x0000FF00); p32(0x000000FF); p32(0xFF000000);  // red, green, blue, alpha
    b += "BGRs";
    b += std::string(124 - 60, '\0');
    b += std::string("\x00\x00\xFF\x00\x00\xFF\x00\x00", 8);  // red, green; alpha 0
    return b;
}

}  // namespace picture_fixtures
