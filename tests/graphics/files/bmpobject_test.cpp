#include <gtest/gtest.h>

#include "../canvas/canvas_devices.h"
#include "graphics/files/bmpobject.h"
#include "graphics/files/pictures.h"
#include "picture_fixtures.h"
#include "test_env.h"

using canvas_test::MemoryDevice;
using canvas_test::WindowDevice;
using canvas_test::refreshImage;
using gfx::GRAPHICS;

namespace {

// A 4 x 2 picture: top row red, green, blue, black; bottom row all white.
QImage picture() {
    QImage img(4, 2, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(255, 0, 0));
    img.setPixel(1, 0, qRgb(0, 255, 0));
    img.setPixel(2, 0, qRgb(0, 0, 255));
    img.setPixel(3, 0, qRgb(0, 0, 0));
    for (int x = 0; x < 4; ++x) img.setPixel(x, 1, qRgb(255, 255, 255));
    return img;
}
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kBlack = 0, kWhite = 0xFFFFFF;

}  // namespace

TEST(BitmapObject, AnchorsPlaceThePictureUpright) {
    gdi::HBITMAP bmp = gdi::CreateBitmapFromImage(picture());
    // Where the picture's top-left (red) pixel lands, y up, for a picture drawn at (20, 10).
    struct Case { double anchor; int x, y; } cases[] = {
        {0, 20, 11},   // (x, y) is the lower-left corner
        {4, 16, 9},    // upper-right corner
        {10, 18, 10},  // centre
        {2, 20, 9},    // upper-left
        {6, 16, 11},   // lower-right
    };
    for (const auto& c : cases) {
        MemoryDevice device(40, 30);
        GRAPHICS g(&device);
        gfx::PAINTBMPORIGINAL(g, 20, 10, bmp, c.anchor);
        EXPECT_EQ(device.at(c.x, c.y), kRed) << "anchor " << c.anchor;
        EXPECT_EQ(device.at(c.x + 2, c.y), kBlue) << "anchor " << c.anchor;
        EXPECT_EQ(device.at(c.x, c.y - 1), kWhite) << "anchor " << c.anchor;
    }
    // The caller's bitmap is unchanged after a mode and transparency.
    MemoryDevice device(40, 30);
    GRAPHICS g(&device);
    gfx::PAINTBMPORIGINAL(g, 0, 0, bmp, 0, true, gfx::kBmpCornerColour, 15);
    EXPECT_EQ(*gdi::GetBitmapImage(bmp), picture());
    gdi::DeleteObject(bmp);
}

TEST(BitmapObject, ModesStretchTileAndTransparency) {
    const QImage pic = picture();
    struct Case { int mode; QSize size; QPoint redAt; uint32_t firstPixel; } cases[] = {
        {0, {4, 2}, {0, 0}, kRed},   {1, {2, 4}, {1, 0}, 0xFFFFFF}, {2, {4, 2}, {3, 1}, kWhite},
        {3, {2, 4}, {0, 3}, kBlack}, {4, {4, 2}, {0, 1}, kWhite},   {5, {4, 2}, {3, 0}, kBlack},
        {10, {4, 2}, {-1, -1}, 0x00FFFF},
    };
    for (const auto& c : cases) {
        QImage t = gfx::OBJECTSOURCEBMP::transformed(pic, c.mode);
        EXPECT_EQ(t.size(), c.size) << c.mode;
        if (c.redAt.x() >= 0) {
            EXPECT_EQ(t.pixel(c.redAt) & 0xFFFFFF, kRed) << c.mode;
        }
        EXPECT_EQ(t.pixel(0, 0) & 0xFFFFFF, c.firstPixel) << c.mode;
    }

    auto dir = mirvano_test::temp_dir("bmpobj");
    const std::string file = (dir / "p.bmp").string();
    ASSERT_TRUE(gfx::writeBmpFile(file, pic));
    MemoryDevice device(10, 6);
    GRAPHICS g(&device);
    // Stretched to an 8 x 4 box at the origin: each pixel becomes 2 x 2.
    gfx::PAINTBMPSTRETCHED(g, 0, 0, 8, 4, file);
    EXPECT_EQ(device.at(0, 3), kRed);
    EXPECT_EQ(device.at(3, 2), kGreen);
    EXPECT_EQ(device.at(7, 0), kWhite);
    // Tiled over the canvas from its top-left corner: the last column and row are cut.
    gfx::PAINTBMPREPEAT(g, file);
    EXPECT_EQ(device.at(0, 5), kRed);
    EXPECT_EQ(device.at(4, 5), kRed);
    EXPECT_EQ(device.at(8, 5), kRed);
    EXPECT_EQ(device.at(8, 3), kRed);
    EXPECT_EQ(device.at(9, 0), kWhite);
    // Transparent white leaves what was there.
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) gdi::SetPixelV(device.surface.dc, x, y, 0);
    gfx::PAINTBMPRESTORE(g, file, true, 0xFFFFFF);
    EXPECT_EQ(device.at(0, 1), kRed);
    EXPECT_EQ(device.at(0, 0), kBlack);
    // A file that does not exist draws nothing.
    gfx::PAINTBMPRESTORE(g, (dir / "none.bmp").string());
    EXPECT_EQ(device.at(0, 0), kBlack);
}

TEST(BitmapObject, WindowCanvasGetsThePictureInItsRefreshBitmapToo) {
    WindowDevice device(20, 20);
    GRAPHICS g(&device);
    gdi::HBITMAP bmp = gdi::CreateBitmapFromImage(picture());
    gfx::PAINTBMPORIGINAL(g, 5, 5, bmp);
    EXPECT_EQ(device.at(5, 6), kRed);
    EXPECT_EQ(gdi::GetPixel(g._PREFRESHMEMDC, 5, 6), 0x0000FFu);  // red in the platform's colour order
    gdi::DeleteObject(bmp);
}

TEST(DirectPictures, OwnSizeAtTheAnchorAndMetafilesStretchedOverTheCanvas) {
    auto dir = mirvano_test::temp_dir("direct");
    const std::string png = (dir / "inch.png").string(), emf = (dir / "half.emf").string();
    QImage inch(48, 48, QImage::Format_RGB32);  // claims one inch at 48 dpi: still 48 pixels
    inch.fill(qRgb(0, 0, 255));
    inch.setDotsPerMeterX(int(48 / 0.0254 + 0.5));
    inch.setDotsPerMeterY(int(48 / 0.0254 + 0.5));
    ASSERT_TRUE(inch.save(QString::fromStdString(png)));
    MemoryDevice device(200, 150);
    GRAPHICS g(&device);
    gfx::PAINTBMPDIRECT(g, 100, 75, 0, 0, png, 10);  // its own pixels on a 96-dpi device, centred
    EXPECT_EQ(device.at(76, 51), kBlue);
    EXPECT_EQ(device.at(123, 98), kBlue);
    EXPECT_EQ(device.at(75, 75), kWhite);
    EXPECT_EQ(device.at(124, 75), kWhite);
    EXPECT_EQ(device.at(100, 99), kWhite);

    // A metafile whose left half is red, played over a 64 x 48 canvas.
    gdi::RECT frame;
    gdi::SetRect(&frame, 0, 0, 2540, 2540);
    gdi::HDC rec = gdi::CreateEnhMetaFile(nullptr, emf.c_str(), &frame, nullptr);
    ASSERT_NE(rec, nullptr);
    gdi::RECT left;
    gdi::SetRect(&left, 0, 0, 48, 96);
    gdi::HBRUSH red = gdi::CreateSolidBrush(0x0000FF);
    gdi::FillRect(rec, &left, red);
    gdi::DeleteObject(red);
    gdi::DeleteEnhMetaFile(gdi::CloseEnhMetaFile(rec));
    MemoryDevice small(64, 48);
    GRAPHICS h(&small);
    gfx::PAINTENHMETACANVAS(h, emf);
    EXPECT_EQ(small.at(5, 5), kRed);
    EXPECT_EQ(small.at(28, 40), kRed);
    EXPECT_EQ(small.at(40, 5), kWhite);
    gfx::PAINTENHMETACANVAS(h, (dir / "none.emf").string());  // nothing happens
    EXPECT_EQ(small.at(40, 5), kWhite);
}

TEST(BitmapObject, PicturesDrawInTheirPixelSizeWhateverResolutionTheFileClaims) {
    using namespace picture_fixtures;
    const auto dir = mirvano_test::temp_dir("draw-resolutions");
    for (const PictureFile& f : resolutionFiles(dir)) {
        for (int direct = 0; direct < 2; ++direct) {
            MemoryDevice device(160, 90);
            GRAPHICS g(&device);
            if (direct) gfx::PAINTBMPDIRECT(g, 0, 0, 0, 0, f.path);
            else gfx::PAINTBMPORIGINAL(g, 0, 0, f.path);
            const std::string what = f.what + (direct ? " direct" : " bitmap object");
            EXPECT_NE(device.at(0, 0), kWhite) << what;
            EXPECT_NE(device.at(kWidth - 1, kHeight - 1), kWhite) << what;
            EXPECT_EQ(device.at(kWidth, kHeight - 1), kWhite) << what;
            EXPECT_EQ(device.at(kWidth - 1, kHeight), kWhite) << what;
        }
    }
}

TEST(BitmapObject, ResourceSourcesByNameAndByIdentifier) {
    const gfx::BmpSource sources[] = {gfx::BmpSource("PICTURE42"), gfx::BmpSource(gfx::RESOURCEID("PICTURE42"))};
    for (const gfx::BmpSource& source : sources) {
        MemoryDevice device(20, 10);
        GRAPHICS g(&device);
        gfx::PAINTBMPORIGINAL(g, 2, 3, source);
        EXPECT_EQ(device.at(2, 4), kRed) << source.resource;
        EXPECT_EQ(device.at(3, 4), kGreen) << source.resource;
        EXPECT_EQ(device.at(5, 4), kBlack) << source.resource;
    }
    for (const gfx::BmpSource& nothing : {gfx::BmpSource("NOSUCHBITMAP"), gfx::BmpSource(gfx::RESOURCEID(7))}) {
        MemoryDevice device(20, 10);
        GRAPHICS g(&device);
        gfx::PAINTBMPORIGINAL(g, 2, 3, nothing);
        EXPECT_EQ(device.at(2, 4), kWhite);
    }
}

namespace {
// A memory device that shows a pointer and records every assignment to it.
class PointerDevice : public MemoryDevice {
public:
    using MemoryDevice::MemoryDevice;
    std::optional<Qt::CursorShape> POINTER() const override { return current; }
    void POINTER(std::optional<Qt::CursorShape> shape) override {
        assigned.push_back(shape);
        current = shape;
    }
    std::optional<Qt::CursorShape> current = Qt::CrossCursor;
    std::vector<std::optional<Qt::CursorShape>> assigned;
};
}  // namespace

TEST(BitmapObject, BusyPointerWhileDrawingAndTheOldOneBackOnEveryWay) {
    gdi::HBITMAP bmp = gdi::CreateBitmapFromImage(picture());
    const std::vector<std::optional<Qt::CursorShape>> busyThenBack{Qt::WaitCursor, Qt::CrossCursor};
    const gfx::BmpSource sources[] = {gfx::BmpSource(bmp), gfx::BmpSource("PICTURE42"), gfx::BmpSource("no such file")};
    for (const gfx::BmpSource& source : sources) {
        PointerDevice device(20, 10);
        GRAPHICS g(&device);
        gfx::PAINTBMPORIGINAL(g, 0, 0, source);
        EXPECT_EQ(device.assigned, busyThenBack) << source.file;
    }
    // A window shows the busy pointer only while it draws.
    WindowDevice window(20, 10);
    GRAPHICS w(&window);
    gfx::PAINTBMPSTRETCHED(w, 0, 0, 10, 5, bmp);
    EXPECT_EQ(window.POINTER(), std::nullopt);
    gdi::DeleteObject(bmp);
}

TEST(DirectPictures, AMetafileExportedByLibreOfficePlaysOverTheCanvas) {
    // libreoffice_drawing.emf is LibreOffice Draw's export of libreoffice_drawing.svg: a red
    // rectangle with a black outline, a blue ellipse, a green triangle, an orange curve, a black
    // line and purple text, as polygons, paths and text records in hundredths of a millimetre.
    const std::string emf = mirvano_test::fixture("graphics/libreoffice_drawing.emf");
    WindowDevice device(400, 300);
    GRAPHICS g(&device);
    gfx::PAINTENHMETACANVAS(g, emf);
    // Its frame is the drawing's bounding box, stretched over the canvas; points given top-down.
    auto at = [&](int x, int y) { return device.at(x, 299 - y); };
    EXPECT_EQ(at(85, 60), kRed);
    EXPECT_EQ(at(6, 60), kBlack);  // the rectangle's outline, 3 pixels wide
    EXPECT_EQ(at(8, 60), kRed);
    EXPECT_EQ(at(200, 143), kBlack);  // the line between the rows
    EXPECT_EQ(at(295, 72), kBlue);
    EXPECT_EQ(at(145, 250), 0x00C000u);
    EXPECT_EQ(at(200, 20), kWhite);
    EXPECT_EQ(at(10, 285), kWhite);
    int purple = 0, orange = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            purple += device.at(x, y) == 0x800080u;
            orange += device.at(x, y) == 0xFF8000u;
        }
    EXPECT_GT(purple, 100);  // the text
    EXPECT_GT(orange, 100);  // the curve
    // The refresh bitmap got the same picture.
    const QImage refresh = refreshImage(g);
    EXPECT_EQ(refresh.pixel(85, 60) & 0xFFFFFF, kRed);
    EXPECT_EQ(refresh.pixel(295, 72) & 0xFFFFFF, kBlue);
}
