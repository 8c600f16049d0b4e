#include <gtest/gtest.h>

#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <cstring>
#include <functional>
#include <map>

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
    ASSERT_TRUE(picture_fixtures::writeHalfRedMetafile(emf, 2540, 2540));
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

TEST(BitmapObject, AStretchBoxFarLargerThanTheCanvasDrawsTheVisiblePartOfThePicture) {
    // The 4 x 2 picture stretched over a square box placed so that the canvas's point (100, 100)
    // is where the box's red and green columns and its top and bottom rows meet.
    gdi::HBITMAP bmp = gdi::CreateBitmapFromImage(picture());
    struct Case {
        int side;
        bool window, transparent;
    };
    const Case cases[] = {{100000, false, false}, {100000, true, false}, {20000, false, true}, {20000, true, true}};
    for (const Case& c : cases) {
        const double x = 100 - c.side / 4, y = 100 - c.side / 2;
        MemoryDevice memory(300, 200);
        WindowDevice window(300, 200);
        gfx::Device& device = c.window ? static_cast<gfx::Device&>(window) : memory;
        GRAPHICS g(&device);
        (c.window ? window.screen.image : memory.surface.image).fill(Qt::black);
        if (c.window) gdi::GetBitmapImage(g._PREFRESHBMP)->fill(Qt::black);
        gfx::PAINTBMPSTRETCHED(g, x, y, c.side, c.side, bmp, 0, c.transparent, kWhite);
        auto at = [&](int px, int py) { return c.window ? window.at(px, py) : memory.at(px, py); };
        const uint32_t below = c.transparent ? kBlack : kWhite;
        const std::string what = std::to_string(c.side) + (c.window ? " window" : " memory");
        EXPECT_EQ(at(99, 100), kRed) << what;
        EXPECT_EQ(at(100, 100), kGreen) << what;
        EXPECT_EQ(at(0, 199), kRed) << what;
        EXPECT_EQ(at(299, 199), kGreen) << what;
        EXPECT_EQ(at(99, 99), below) << what;
        EXPECT_EQ(at(0, 0), below) << what;
        EXPECT_EQ(at(299, 0), below) << what;
        if (c.window) {
            const QImage refresh = refreshImage(g);
            EXPECT_EQ(refresh.pixel(99, 99) & 0xFFFFFF, kRed) << what;  // rows top-down: y-up 100
            EXPECT_EQ(refresh.pixel(100, 99) & 0xFFFFFF, kGreen) << what;
            EXPECT_EQ(refresh.pixel(100, 100) & 0xFFFFFF, below) << what;
        }
    }
    gdi::DeleteObject(bmp);
}

namespace {

// Colours of a 7000 x 5000 photo: smooth, as a lens makes them, so that the JPEG keeps them.
QRgb photoColour(int x, int y) { return qRgb(x * 250 / 7000, y * 250 / 5000, 128); }

// The photo, painted with gradients that add up to those colours.
QImage photo() {
    QImage image(7000, 5000, QImage::Format_RGB32);
    if (image.isNull()) return image;
    image.fill(qRgb(0, 0, 128));
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    QLinearGradient across(0, 0, 7000, 0), down(0, 0, 0, 5000);
    across.setColorAt(0, qRgb(0, 0, 0));
    across.setColorAt(1, qRgb(250, 0, 0));
    down.setColorAt(0, qRgb(0, 0, 0));
    down.setColorAt(1, qRgb(0, 250, 0));
    p.fillRect(image.rect(), across);
    p.fillRect(image.rect(), down);
    return image;
}

bool near(uint32_t got, QRgb want, int tolerance = 12) {
    return std::abs(int((got >> 16) & 0xFF) - qRed(want)) <= tolerance &&
           std::abs(int((got >> 8) & 0xFF) - qGreen(want)) <= tolerance &&
           std::abs(int(got & 0xFF) - qBlue(want)) <= tolerance;
}

}  // namespace

TEST(Photos, APhotoOfACameraLoadsAndDrawsOnEveryPath) {
    // 7000 x 5000 pixels, 35 megapixels: as many as a camera takes, within the picture size
    // limit, and more than Qt's readers allow on their own.
    const auto dir = mirvano_test::temp_dir("photo");
    const std::string jpeg = (dir / "camera.jpg").string();
    ASSERT_TRUE(photo().save(QString::fromStdString(jpeg), "JPEG", 90));
    int32_t w = -1, h = -1;
    EXPECT_EQ(gfx::LOADIMAGEOLE(jpeg, w, h, nullptr), nullptr);
    EXPECT_EQ(QSize(w, h), QSize(7000, 5000));
    // Stretched over a 350 x 250 canvas by the bitmap object (through the loader chain) and by
    // the direct object; in its own size, which shows the photo's lower-left corner.
    for (int direct = 0; direct < 2; ++direct) {
        MemoryDevice device(350, 250);
        GRAPHICS g(&device);
        if (direct) gfx::PAINTBMPDIRECT(g, 0, 0, 350, 250, jpeg);
        else gfx::PAINTBMPSTRETCHED(g, 0, 0, 350, 250, jpeg);
        for (const QPoint& p : {QPoint(10, 10), QPoint(300, 40), QPoint(175, 125), QPoint(40, 230), QPoint(340, 240)})
            EXPECT_TRUE(near(device.at(p.x(), p.y()), photoColour(p.x() * 20 + 10, (249 - p.y()) * 20 + 10)))
                << (direct ? "direct " : "bitmap object ") << p.x() << "," << p.y();
    }
    MemoryDevice corner(350, 250);
    GRAPHICS c(&corner);
    gfx::PAINTBMPORIGINAL(c, 0, 0, jpeg);
    EXPECT_TRUE(near(corner.at(300, 200), photoColour(300, 4999 - 200)));
}

namespace {

// A metafile device as the graphics library makes one: a metafile context over a reference of
// the canvas's size (a bitmap of the screen, or a page of another resolution, which is the
// resolution of the file's units), mapped y up. The file is complete once closed.
class MetafileDevice : public gfx::Device {
public:
    MetafileDevice(const std::string& file, int w, int h, int referenceDpi = 0) : w_(w), h_(h) {
        if (referenceDpi) {
            page_ = QImage(w, h, QImage::Format_RGB32);
            page_.setDotsPerMeterX(int(referenceDpi / 0.0254 + 0.5));
            page_.setDotsPerMeterY(int(referenceDpi / 0.0254 + 0.5));
            ref_ = gdi::CreatePaintDeviceDC(&page_);
        } else {
            ref_ = gdi::CreateCompatibleDC(nullptr);
            refBitmap_ = gdi::CreateCompatibleBitmap(nullptr, w, h);
            oldRef_ = gdi::SelectObject(ref_, refBitmap_);
        }
        _PMETAFILEDC = gdi::CreateEnhMetaFile(ref_, file.c_str(), nullptr, nullptr);
        gdi::SetMapMode(_PMETAFILEDC, gdi::MM_ANISOTROPIC);
        gdi::SetViewportExtEx(_PMETAFILEDC, w, h, nullptr);
        gdi::SetWindowExtEx(_PMETAFILEDC, w, -h, nullptr);
        gdi::SetViewportOrgEx(_PMETAFILEDC, 0, h - 1, nullptr);
        _NDEVICETYP = gfx::kMetafileDevice;
    }
    ~MetafileDevice() override {
        close();
        if (refBitmap_) {
            gdi::SelectObject(ref_, oldRef_);
            gdi::DeleteObject(refBitmap_);
        }
        gdi::DeleteDC(ref_);
    }
    bool close() {
        if (!_PMETAFILEDC) return false;
        gdi::HENHMETAFILE done = gdi::CloseEnhMetaFile(_PMETAFILEDC);
        _PMETAFILEDC = nullptr;
        gdi::DeleteEnhMetaFile(done);
        return done != nullptr;
    }
    gfx::DIMENSION canvasAreaSize() const override { return gfx::DIMENSION(w_, h_); }
    void DRAW(gfx::OBJECTSHAPE& object) override { object.DRAW(); }

private:
    int w_, h_;
    QImage page_;
    gdi::HDC ref_ = nullptr;
    gdi::HBITMAP refBitmap_ = nullptr;
    gdi::HGDIOBJ oldRef_ = nullptr;
};

// How many records of each type a metafile's bytes hold.
std::map<uint32_t, int> recordTypes(const std::string& bytes) {
    std::map<uint32_t, int> seen;
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    for (size_t at = 0; at + 8 <= bytes.size() && u32(at + 4) >= 8; at += u32(at + 4)) ++seen[u32(at)];
    return seen;
}

// A 500 x 400 picture: quadrants of four colours, a black diagonal from the top-left corner
// and a one-pixel checkerboard in a band across the middle.
QImage bigPicture() {
    QImage img(500, 400, QImage::Format_RGB32);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 500; ++x) {
            QRgb c = x < 250 ? (y < 200 ? qRgb(220, 0, 0) : qRgb(0, 0, 200)) : (y < 200 ? qRgb(0, 160, 0) : qRgb(240, 200, 0));
            if (std::abs(x * 4 - y * 5) < 10) c = qRgb(0, 0, 0);
            if (y >= 190 && y < 210 && (x + y) % 2) c = qRgb(255, 255, 255);
            img.setPixel(x, y, c);
        }
    return img;
}

}  // namespace

TEST(MetafilePictures, APictureIsOneRecordThatOurPlayerShowsAsDrawn) {
    const auto dir = mirvano_test::temp_dir("emf-pictures");
    const std::string bmp = (dir / "big.bmp").string();
    ASSERT_TRUE(gfx::writeBmpFile(bmp, bigPicture()));
    struct Case {
        const char* what;
        std::function<void(GRAPHICS&)> draw;
        int pictureRecords;
    };
    const Case cases[] = {
        {"its own size", [&](GRAPHICS& g) { gfx::PAINTBMPORIGINAL(g, 30, 20, bmp); }, 1},
        {"stretched", [&](GRAPHICS& g) { gfx::PAINTBMPSTRETCHED(g, 10, 10, 580, 230, bmp); }, 1},
        {"direct", [&](GRAPHICS& g) { gfx::PAINTBMPDIRECT(g, 300, 220, 0, 0, bmp, 10); }, 1},
        {"tiled", [&](GRAPHICS& g) { gfx::PAINTBMPREPEAT(g, bmp); }, 1},
        {"white left transparent", [&](GRAPHICS& g) { gfx::PAINTBMPORIGINAL(g, 30, 20, bmp, 0, true, kWhite); }, 2},
    };
    for (const Case& c : cases) {
        const std::string emf = (dir / "picture.emf").string();
        {
            MetafileDevice device(emf, 600, 450);
            GRAPHICS g(&device);
            gdi::HBRUSH grey = gdi::CreateSolidBrush(gdi::RGB(128, 128, 128));
            const gdi::RECT all{0, -1, 600, 449};  // y up: the rows above -1 up to 449
            gdi::FillRect(device._PMETAFILEDC, &all, grey);
            gdi::DeleteObject(grey);
            c.draw(g);
            ASSERT_TRUE(device.close()) << c.what;
        }
        const std::string bytes = mirvano_test::readAll(emf);
        const auto types = recordTypes(bytes);
        EXPECT_EQ(types.count(15), 0u) << c.what << ": pixels recorded one by one";
        EXPECT_EQ(types.count(81) ? types.at(81) : 0, c.pictureRecords) << c.what;
        EXPECT_LT(bytes.size(), 2u * 600 * 450 * 4) << c.what;

        // Played by our player, it shows what the drawing shows on a memory bitmap.
        MemoryDevice memory(600, 450);
        GRAPHICS m(&memory);
        memory.surface.image.fill(QColor(128, 128, 128));
        c.draw(m);
        gdi::HENHMETAFILE meta = gdi::GetEnhMetaFile(emf.c_str());
        ASSERT_NE(meta, nullptr) << c.what;
        QImage played(600, 450, QImage::Format_RGB32);
        played.fill(Qt::white);
        gdi::HDC dc = gdi::CreateImageDC(&played);
        const gdi::RECT all{0, 0, 600, 450};
        EXPECT_TRUE(gdi::PlayEnhMetaFile(dc, meta, &all)) << c.what;
        gdi::DeleteDC(dc);
        gdi::DeleteEnhMetaFile(meta);
        int differ = 0;
        for (int y = 0; y < 450; ++y)
            for (int x = 0; x < 600; ++x) differ += (played.pixel(x, y) & 0xFFFFFF) != (memory.image().pixel(x, y) & 0xFFFFFF);
        EXPECT_EQ(differ, 0) << c.what;
    }
}

TEST(MetafilePictures, LibreOfficeShowsThePictureWhole) {
    const auto dir = mirvano_test::temp_dir("emf-office");
    const std::string bmp = (dir / "big.bmp").string(), emf = (dir / "picture.emf").string();
    const QImage picture = bigPicture();
    ASSERT_TRUE(gfx::writeBmpFile(bmp, picture));
    {
        // Units of a 48-dpi device: LibreOffice shows each of them more than one of its pixels
        // wide, so that pixels recorded one by one would leave seams between them.
        MetafileDevice device(emf, 500, 400, 48);
        GRAPHICS g(&device);
        gfx::PAINTBMPORIGINAL(g, 0, 0, bmp);
        ASSERT_TRUE(device.close());
    }
    const QString office = QStandardPaths::findExecutable("soffice");
    if (office.isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
    const QString out = QString::fromStdString(dir.string());
    QProcess convert;
    convert.start(office, {"--headless", "-env:UserInstallation=file://" + out + "/profile", "--convert-to", "png",
                           "--outdir", out, QString::fromStdString(emf)});
    ASSERT_TRUE(convert.waitForFinished(180000)) << "LibreOffice did not finish";
    QImage shown(out + "/picture.png");
    ASSERT_FALSE(shown.isNull()) << "LibreOffice made no picture";
    shown = shown.convertToFormat(QImage::Format_RGB32);
    // LibreOffice puts the metafile's frame, the picture, on a page: where the page is not white
    // is the picture, of its proportions, upright, each point the picture's colour there, with
    // no white seam between pixels outside the checkerboard band.
    QRect ink;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb c = shown.pixel(x, y);
            if (qRed(c) < 240 || qGreen(c) < 240 || qBlue(c) < 240) ink |= QRect(x, y, 1, 1);
        }
    ASSERT_GT(ink.width(), 100);
    EXPECT_NEAR(double(ink.width()) / ink.height(), 500.0 / 400.0, 0.02);
    int points = 0, same = 0, white = 0;
    for (int y = ink.top() + 2; y < ink.bottom() - 1; ++y)
        for (int x = ink.left() + 2; x < ink.right() - 1; ++x) {
            const int px = (x - ink.left()) * 500 / ink.width(), py = (y - ink.top()) * 400 / ink.height();
            if (py >= 186 && py < 214) continue;
            const QRgb want = picture.pixel(px, py), got = shown.pixel(x, y);
            white += qRed(got) > 240 && qGreen(got) > 240 && qBlue(got) > 240;
            ++points;
            same += std::abs(qRed(got) - qRed(want)) < 48 && std::abs(qGreen(got) - qGreen(want)) < 48 &&
                    std::abs(qBlue(got) - qBlue(want)) < 48;
        }
    EXPECT_GT(points, 100000);
    EXPECT_EQ(white, 0);
    EXPECT_GE(same, points * 98 / 100) << "of " << points << " points";
}

namespace {

// A printer-like device: a page of its own resolution, handed to each drawing as its context.
class PageDevice : public gfx::Device {
public:
    PageDevice(int w, int h, int dpi) : page(w, h, QImage::Format_RGB32), w_(w), h_(h) {
        page.fill(Qt::white);
        page.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
        page.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
        dc = gdi::CreatePaintDeviceDC(&page);
        gdi::SetMapMode(dc, gdi::MM_ANISOTROPIC);
        gdi::SetWindowExtEx(dc, w, -h, nullptr);
        gdi::SetViewportOrgEx(dc, 0, h - 1, nullptr);
        gdi::SetViewportExtEx(dc, w, h, nullptr);
        _NDEVICETYP = gfx::kPrinterDevice;
    }
    ~PageDevice() override { gdi::DeleteDC(dc); }
    gfx::DIMENSION canvasAreaSize() const override { return gfx::DIMENSION(w_, h_); }
    void DRAW(gfx::OBJECTSHAPE& object) override {
        object.setHandle(dc);
        object.DRAW();
        object.setHandle(nullptr);
    }
    // Pixel at y-up (x, y) as 0xRRGGBB.
    uint32_t at(int x, int y) const {
        const gdi::COLORREF c = gdi::GetPixel(dc, x, y);
        return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
    }

    QImage page;
    gdi::HDC dc = nullptr;

private:
    int w_, h_;
};

}  // namespace

TEST(DirectPictures, AMetafileIsPlayedInItsFramesSizeAtTheDevicesResolution) {
    // One inch by half an inch, its left half red: 96 x 48 pixels on a 96-dpi bitmap, 600 x 300
    // on a 600-dpi page.
    const auto dir = mirvano_test::temp_dir("direct-emf");
    const std::string emf = (dir / "half.emf").string();
    ASSERT_TRUE(picture_fixtures::writeHalfRedMetafile(emf, 2540, 1270));
    struct Case {
        int dpi;
        int width, height;
    };
    for (const Case& c : {Case{96, 96, 48}, Case{600, 600, 300}}) {
        MemoryDevice memory(800, 400);
        PageDevice page(800, 400, c.dpi);
        gfx::Device& device = c.dpi == 96 ? static_cast<gfx::Device&>(memory) : page;
        auto at = [&](int x, int y) { return c.dpi == 96 ? memory.at(x, y) : page.at(x, y); };
        GRAPHICS g(&device);
        gfx::PAINTBMPDIRECT(g, 10, 20, 0, 0, emf);
        const std::string what = std::to_string(c.dpi) + " dpi";
        EXPECT_EQ(at(10, 20), kRed) << what;
        EXPECT_EQ(at(10 + c.width / 2 - 1, 20 + c.height - 1), kRed) << what;
        EXPECT_EQ(at(10 + c.width / 2 + 1, 20 + c.height / 2), kWhite) << what;  // nothing drawn there
        EXPECT_EQ(at(9, 20), kWhite) << what;
        EXPECT_EQ(at(10, 20 + c.height), kWhite) << what;
        // With both sizes given it fills the box.
        GRAPHICS h(&device);
        gfx::PAINTBMPDIRECT(h, 500, 20, 200, 100, emf);
        EXPECT_EQ(at(500, 20), kRed) << what;
        EXPECT_EQ(at(599, 119), kRed) << what;
        EXPECT_EQ(at(601, 119), kWhite) << what;
        EXPECT_EQ(at(500, 120), kWhite) << what;
    }
}

TEST(DirectPictures, AWindowsMetafileIsPlayedInItsOwnSize) {
    // LibreOffice Draw's export of libreoffice_drawing.svg as a placeable Windows metafile:
    // 74.54 x 54.54 mm, 282 x 206 pixels on a 96-dpi device, its lower-left corner at (10, 20);
    // the red rectangle top left, the blue ellipse top right, the green triangle bottom left.
    const std::string wmf = mirvano_test::fixture("graphics/libreoffice_drawing.wmf");
    MemoryDevice device(400, 300);
    GRAPHICS g(&device);
    gfx::PAINTBMPDIRECT(g, 10, 20, 0, 0, wmf);
    auto at = [&](double fx, double fy) { return device.at(10 + int(fx * 282), 20 + 205 - int(fy * 206)); };
    EXPECT_EQ(at(0.2, 0.2), kRed);
    EXPECT_EQ(at(0.75, 0.23), kBlue);
    EXPECT_EQ(at(0.36, 0.8), 0x00C000u);
    EXPECT_EQ(device.at(5, 10), kWhite);
    EXPECT_EQ(device.at(300, 250), kWhite);
}

TEST(DirectPictures, ABitmapsFourthByteIsNoTransparencyOnAnyPath) {
    // A 32-bit BMP with an alpha mask whose red and green pixels have alpha 0 shows red and
    // green, directly as through the loaders.
    const auto dir = mirvano_test::temp_dir("bmp-alpha");
    const std::string file = (dir / "alpha.bmp").string();
    mirvano_test::writeAll(file, picture_fixtures::transparentBmp());
    for (int direct = 0; direct < 2; ++direct) {
        MemoryDevice device(10, 10);
        GRAPHICS g(&device);
        if (direct) gfx::PAINTBMPDIRECT(g, 2, 3, 0, 0, file);
        else gfx::PAINTBMPORIGINAL(g, 2, 3, file);
        EXPECT_EQ(device.at(2, 3), kRed) << (direct ? "direct" : "bitmap object");
        EXPECT_EQ(device.at(3, 3), kGreen) << (direct ? "direct" : "bitmap object");
        EXPECT_EQ(device.at(4, 3), kWhite) << (direct ? "direct" : "bitmap object");
    }
}
