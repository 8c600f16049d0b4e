#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <filesystem>
#include <fstream>

#include "graphics/windows/devices.h"
#include "../files/picture_fixtures.h"
#include "metafile_playback.h"
#include "test_env.h"

using namespace gfx;
using namespace std::string_literals;

namespace {

// The known figure: a white ground and a red 10 x 6 rectangle at (2, 3), y up.
void drawFigure(GRAPHICS& g) {
    g.SETBACKGROUNDCOLOR(15);
    g.PAINTERASECANVAS();
    g.SETLINECOLOR(gui::COLOR(255, 0, 0));
    g.SETFILLCOLOR(gui::COLOR(255, 0, 0));
    g.PAINTRECTANGLE(2, 3, 10, 6, 1.0);
}

// Checks the figure on an image shown top-down (row 0 at the top).
void expectFigure(const QImage& image, const char* what) {
    ASSERT_FALSE(image.isNull()) << what;
    const int h = image.height();
    auto at = [&](int x, int y) { return image.pixel(x, h - 1 - y) & 0xFFFFFF; };
    EXPECT_EQ(at(2, 3), 0xFF0000u) << what;
    EXPECT_EQ(at(12, 9), 0xFF0000u) << what;  // the outline includes the far corner
    EXPECT_EQ(at(13, 9), 0xFFFFFFu) << what;
    EXPECT_EQ(at(12, 10), 0xFFFFFFu) << what;
    EXPECT_EQ(at(1, 3), 0xFFFFFFu) << what;
    EXPECT_EQ(at(0, 0), 0xFFFFFFu) << what;
}

template <class Base>
class Figure : public Base {
public:
    using Base::Base;
    void PAINT() override {
        ++paints;
        drawFigure(*this->oGraphics);
    }
    int paints = 0;
};

QImage imageOf(gdi::HBITMAP bitmap) {
    const QImage* image = gdi::GetBitmapImage(bitmap);
    return image ? image->copy() : QImage();
}

}  // namespace

TEST(PrinterPage, AreaFromPercentages) {
    struct Case {
        Percent x, y, w, h;
        PageArea want;
    };
    const Case cases[] = {
        {10.0, 10.0, 80.0, 80.0, {400, 600, 3200, 4800}},
        {-1.0, 5.0, -1.0, 50.0, {300, 300, 3000, 3000}},  // square from the y direction
        {20.0, -1.0, 25.0, -5.0, {800, 800, 1000, 1000}},  // y and height copy x and width
        {0.0, 0.0, 0.0, 0.0, {0, 0, 4000, 6000}},
        {{}, {}, {}, {}, {0, 0, 4000, 6000}},
        {-1.0, -1.0, -1.0, -1.0, {0, 0, 4000, 6000}},
    };
    for (const Case& c : cases) {
        const PageArea a = pageAreaOf(4000, 6000, c.x, c.y, c.w, c.h);
        EXPECT_EQ(a.x, c.want.x);
        EXPECT_EQ(a.y, c.want.y);
        EXPECT_EQ(a.width, c.want.width);
        EXPECT_EQ(a.height, c.want.height);
    }
}

TEST(PrinterPage, DrawsIntoAPdfFile) {
    const auto dir = mirvano_test::temp_dir("gprinter");
    const std::string pdf = (dir / "page.pdf").string();
    {
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        Figure<GPRINTER> page(&printer, 10.0, 10.0, 50.0, 50.0);
        const DIMENSION size = page.canvasAreaSize();
        ASSERT_GT(size.WIDTH(), 10);
        EXPECT_EQ(page.nPageX, whole(size.WIDTH() * 0.1));
        EXPECT_EQ(page.nPageWidth, whole(size.WIDTH() * 0.5));
        page.PAINTNEW();
        EXPECT_EQ(page.paints, 1);
        EXPECT_EQ(page.oGraphics->_ODIM.WIDTH(), page.nPageWidth);
        page.DESTROY();
        page.DESTROY();  // a second destroy releases nothing twice
    }
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_GT(std::filesystem::file_size(pdf), 100u);
    std::ifstream in(pdf, std::ios::binary);
    std::string head(5, '\0');
    in.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
}

TEST(MemoryBitmap, SizesBySource) {
    const auto dir = mirvano_test::temp_dir("gmemory-sizes");
    const std::string picture = (dir / "pic.png").string();
    QImage(100, 50, QImage::Format_RGB32).save(QString::fromStdString(picture));
    const std::string garbage = (dir / "notapicture.dat").string();
    std::ofstream(garbage) << "no picture here";
    const std::string garbageBmp = (dir / "broken.bmp").string();
    std::ofstream(garbageBmp) << "BM but nothing else";
    QImage small(30, 20, QImage::Format_RGB32);
    small.fill(Qt::green);
    gdi::HBITMAP borrowed = gdi::CreateBitmapFromImage(small);

    struct Case {
        const char* what;
        std::function<std::unique_ptr<GMEMORY>()> make;
        int w, h;  // 0 x 0: no picture
    };
    const Case cases[] = {
        {"blank", [] { return std::make_unique<GMEMORY>(2); }, 500, 500},
        {"blank 640 wide", [] { return std::make_unique<GMEMORY>(2, 640, 0); }, 640, 500},
        {"file", [&] { return std::make_unique<GMEMORY>(picture); }, 100, 50},
        {"file stretched", [&] { return std::make_unique<GMEMORY>(picture, 200, 0); }, 200, 50},
        {"missing file, no such resource", [&] { return std::make_unique<GMEMORY>((dir / "nope.png").string()); }, 0, 0},
        {"unreadable file", [&] { return std::make_unique<GMEMORY>(garbage); }, 0, 0},
        {"unreadable bmp", [&] { return std::make_unique<GMEMORY>(garbageBmp); }, 0, 0},
        {"other number", [] { return std::make_unique<GMEMORY>(3); }, 0, 0},
        {"null bitmap", [] { return std::make_unique<GMEMORY>(gdi::HBITMAP(nullptr)); }, 0, 0},
        // Sizes no bitmap can have: a device without picture, not a picture of another size.
        {"file stretched beyond the limit", [&] { return std::make_unique<GMEMORY>(picture, 20000, 20000); }, 0, 0},
        {"blank beyond the limit", [] { return std::make_unique<GMEMORY>(2, 70000, 5000); }, 0, 0},
        {"bitmap stretched beyond the limit", [&] { return std::make_unique<GMEMORY>(borrowed, 30000, 10000); }, 0, 0},
        {"bitmap copied", [&] { return std::make_unique<GMEMORY>(borrowed); }, 30, 20},
    };
    for (const Case& c : cases) {
        auto device = c.make();
        if (c.w == 0) {
            EXPECT_EQ(device->GETMEMORYDC(), nullptr) << c.what;
            EXPECT_EQ(device->oGraphics, nullptr) << c.what;
            EXPECT_EQ(device->GETMEMORYHANDLE(), nullptr) << c.what;
            EXPECT_EQ(device->GETMEMORYOBJECT(), nullptr) << c.what;
            EXPECT_FALSE(device->GETMEMORYFILE((dir / "none.bmp").string())) << c.what;
            EXPECT_FALSE(std::filesystem::exists(dir / "none.bmp")) << c.what;
            device->PAINTNEW();  // harmless without a picture
            continue;
        }
        ASSERT_NE(device->GETMEMORYDC(), nullptr) << c.what;
        EXPECT_EQ(device->_NDEVICETYP, kMemoryDevice);
        EXPECT_EQ(device->nPixelWidth, c.w) << c.what;
        EXPECT_EQ(device->nPixelHeight, c.h) << c.what;
        const QImage* image = gdi::GetDCImage(device->GETMEMORYDC());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->size(), QSize(c.w, c.h)) << c.what;
        EXPECT_EQ(device->oGraphics->GETDEVICEWIDTH(), c.w) << c.what;
    }
    EXPECT_EQ(imageOf(borrowed).pixel(5, 5), QColor(Qt::green).rgb());  // still the caller's
    gdi::DeleteObject(borrowed);
}

TEST(MemoryBitmap, FigureInBitmapCopiesAndBmpFile) {
    const auto dir = mirvano_test::temp_dir("gmemory-figure");
    auto device = NEWDEVICE<Figure<GMEMORY>>(2, 40, 30);
    EXPECT_EQ(device->paints, 1);
    expectFigure(*gdi::GetDCImage(device->GETMEMORYDC()), "memory DC");

    gdi::HBITMAP handle = device->GETMEMORYHANDLE();
    gdi::HBITMAP object = device->GETMEMORYOBJECT();
    expectFigure(imageOf(handle), "handle copy");
    // Copies are snapshots of the first call.
    device->oGraphics->SETFILLCOLOR(gui::COLOR(0, 0, 255)).PAINTRECTANGLE(0, 0, 40, 30, 1.0);
    EXPECT_EQ(device->GETMEMORYHANDLE(), handle);
    EXPECT_EQ(device->GETMEMORYOBJECT(), object);
    expectFigure(imageOf(handle), "handle copy after drawing");
    expectFigure(imageOf(object), "object copy after drawing");

    // The file shows the picture as it is now.
    device->oGraphics->SETBACKGROUNDCOLOR(15);
    device->PAINTNEW();
    const std::string bmp = (dir / "figure.bmp").string();
    ASSERT_TRUE(device->GETMEMORYFILE(bmp));
    QFile file(QString::fromStdString(bmp));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const int rowBytes = (40 * 3 + 3) / 4 * 4;
    ASSERT_EQ(bytes.size(), 54 + rowBytes * 30);
    auto le = [&](int at, int n) {
        uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = v << 8 | uint8_t(bytes[at + i]);
        return v;
    };
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(le(2, 4), uint32_t(bytes.size()));
    EXPECT_EQ(le(10, 4), 54u);
    EXPECT_EQ(le(14, 4), 40u);
    EXPECT_EQ(le(18, 4), 40u);
    EXPECT_EQ(le(22, 4), 30u);
    EXPECT_EQ(le(28, 2), 24u);
    EXPECT_EQ(le(34, 4), uint32_t(rowBytes * 30));
    // Bottom row first: pixel (2, 3) y-up sits in the fourth stored row, blue green red.
    EXPECT_EQ(le(54 + 3 * rowBytes + 2 * 3, 3), 0xFF0000u);
    expectFigure(QImage(QString::fromStdString(bmp)), "BMP file");

    // A file that cannot be written is reported, not announced as written.
    EXPECT_FALSE(device->GETMEMORYFILE((dir / "no-such-dir" / "x.bmp").string()));

    gdi::DeleteObject(object);  // the object copy belongs to the caller
}

TEST(MemoryBitmap, BorrowedBitmapStaysTheCallers) {
    QImage green(20, 20, QImage::Format_RGB32);
    green.fill(QColor(0, 255, 0));
    gdi::HBITMAP mine = gdi::CreateBitmapFromImage(green);
    {
        auto device = NEWDEVICE<Figure<GMEMORY>>(mine, 40, 30);
        EXPECT_EQ(device->nPixelWidth, 40);
        expectFigure(*gdi::GetDCImage(device->GETMEMORYDC()), "stretched copy");
    }
    const QImage after = imageOf(mine);
    ASSERT_EQ(after.size(), QSize(20, 20));
    EXPECT_EQ(after.pixel(0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(after.pixel(19, 19) & 0xFFFFFF, 0x00FF00u);
    EXPECT_TRUE(gdi::DeleteObject(mine));

    // Without painting on creation the picture stays as loaded.
    gdi::HBITMAP again = gdi::CreateBitmapFromImage(green);
    auto device = NEWDEVICE<Figure<GMEMORY>>(again, 0, 0, false);
    EXPECT_EQ(device->paints, 0);
    EXPECT_EQ(gdi::GetDCImage(device->GETMEMORYDC())->pixel(5, 5) & 0xFFFFFF, 0x00FF00u);
    gdi::DeleteObject(again);
}

TEST(Metafile, RecordsAndPlaysBack) {
    const auto dir = mirvano_test::temp_dir("gemf");
    const std::string emf = (dir / "figure.emf").string();
    {
        auto device = NEWDEVICE<Figure<GENHMETAFILE>>(emf, 0, 0, "Figure");
        EXPECT_EQ(device->paints, 1);
        EXPECT_EQ(device->nPixelWidth, 500);
        EXPECT_EQ(device->nPixelHeight, 500);
        EXPECT_EQ(device->_NDEVICETYP, kMetafileDevice);
        device->DESTROY();
        EXPECT_TRUE(device->written());
    }
    ASSERT_TRUE(std::filesystem::exists(emf));
    expectFigure(windows_test::playMetafile(emf, 500, 500), "played metafile");
}

TEST(Metafile, DescriptionFrameAndDefaults) {
    struct Case {
        std::string description;
        std::string want;
    };
    const Case cases[] = {
        {"Enhanced Meta File", "Quillmark\0Enhanced Meta File\0\0"s},
        {"App;Title;More", "Quillmark / App\0Title;More\0\0"s},
        {";", "Quillmark / \0\0\0"s},
    };
    const auto dir = mirvano_test::temp_dir("gemf-desc");
    for (const Case& c : cases) {
        GENHMETAFILE device((dir / "d.emf").string(), 0, 0, c.description, false);
        EXPECT_EQ(device.description(), c.want);
    }

    GENHMETAFILE a4((dir / "a4.emf").string(), 210, 297, "A4", false);
    EXPECT_EQ(a4.frame().right, 21000);
    EXPECT_EQ(a4.frame().bottom, 29700);
    gdi::HDC screen = gdi::GetDC(nullptr);
    const double pxPerMm = double(gdi::GetDeviceCaps(screen, gdi::HORZRES)) / gdi::GetDeviceCaps(screen, gdi::HORZSIZE);
    gdi::ReleaseDC(nullptr, screen);
    EXPECT_EQ(a4.nPixelWidth, whole(pxPerMm * 210));

    // Without a file name: quillmark.emf in the working directory.
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    {
        GENHMETAFILE plain;
        EXPECT_EQ(std::filesystem::path(plain.fileName()).filename(), "quillmark.emf");
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "quillmark.emf"));
    std::filesystem::current_path(old);

    // A file that cannot be created: nothing recorded, nothing written, no crash.
    auto lost = NEWDEVICE<Figure<GENHMETAFILE>>((dir / "no-such-dir" / "x.emf").string());
    EXPECT_EQ(lost->_PMETAFILEDC, nullptr);
    lost->DESTROY();
    EXPECT_FALSE(lost->written());
}

TEST(MemoryBitmap, PictureFilesLoadInTheirPixelSizeThroughTheLoaderChain) {
    using namespace picture_fixtures;
    const auto dir = mirvano_test::temp_dir("gmemory-resolutions");
    for (const PictureFile& f : resolutionFiles(dir)) {
        GMEMORY device(f.path);
        ASSERT_NE(device.GETMEMORYDC(), nullptr) << f.what;
        EXPECT_EQ(device.nPixelWidth, kWidth) << f.what;
        EXPECT_EQ(device.nPixelHeight, kHeight) << f.what;
        EXPECT_EQ(gdi::GetDCImage(device.GETMEMORYDC())->size(), QSize(kWidth, kHeight)) << f.what;
        // The file written back is the same size and reads back as the same picture.
        const std::string out = (dir / "back.bmp").string();
        ASSERT_TRUE(device.GETMEMORYFILE(out)) << f.what;
        const QImage back(QString::fromStdString(out));
        ASSERT_EQ(back.size(), QSize(kWidth, kHeight)) << f.what;
        EXPECT_EQ(back.pixel(0, 0) & 0xFFFFFF, gdi::GetDCImage(device.GETMEMORYDC())->pixel(0, 0) & 0xFFFFFF) << f.what;
    }
    for (const PictureFile& f : oversizedFiles(dir)) {
        GMEMORY device(f.path);
        EXPECT_EQ(device.GETMEMORYDC(), nullptr) << f.what;
    }
}

TEST(MemoryBitmap, BitmapResourcesByNameAndByIdentifier) {
    GMEMORY byName(std::string("PICTURE42"));  // names no file: a resource of that name
    GMEMORY byId(RESOURCEID("PICTURE42"));
    for (GMEMORY* device : {&byName, &byId}) {
        ASSERT_NE(device->GETMEMORYDC(), nullptr);
        EXPECT_EQ(device->nPixelWidth, 4);
        EXPECT_EQ(device->nPixelHeight, 2);
        const QImage* image = gdi::GetDCImage(device->GETMEMORYDC());
        EXPECT_EQ(image->pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
        EXPECT_EQ(image->pixel(2, 0) & 0xFFFFFF, 0x0000FFu);
    }
    GMEMORY none(RESOURCEID("NOSUCHBITMAP"));
    EXPECT_EQ(none.GETMEMORYDC(), nullptr);
}

namespace {

// What a program draws on a device: fills with outlines, an ellipse, a thick line and text.
void drawPicture(GRAPHICS& g) {
    g.SETBACKGROUNDCOLOR(15);
    g.PAINTERASECANVAS();
    g.SETLINECOLOR(gui::COLOR(0, 0, 0));
    g.SETFILLCOLOR(gui::COLOR(255, 0, 0));
    g.PAINTRECTANGLE(20, 20, 200, 120, 1.0);
    g.SETLINECOLOR(gui::COLOR(0, 0, 255));
    g.SETFILLCOLOR(gui::COLOR(0, 0, 255));
    g.PAINTELLIPSE(350, 330, 100, 80, 1.0);
    g.SETLINECOLOR(gui::COLOR(0, 0, 0));
    g.SETLINEWIDTH(6);
    g.PAINTLINE(10, 220, 490, 220);
    g.SETSTRINGCOLOR(gui::COLOR(0, 128, 0));
    g.SETSTRINGFONT(FontFace("DejaVu Sans"), 0.0, 48.0);
    g.PAINTSTRING(30, 400, "Mirvano");
}

template <class Base>
class Picture : public Base {
public:
    using Base::Base;
    void PAINT() override {
        drawPicture(*this->oGraphics);
        // A picture with a magenta top row and a cyan bottom row, blitted upright.
        QImage rows(16, 16, QImage::Format_RGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) rows.setPixel(x, y, y < 8 ? qRgb(255, 0, 255) : qRgb(0, 255, 255));
        gdi::HBITMAP bitmap = gdi::CreateBitmapFromImage(rows);
        gdi::HDC source = gdi::CreateCompatibleDC(nullptr);
        gdi::HGDIOBJ old = gdi::SelectObject(source, bitmap);
        gdi::HDC dc = this->_PMETAFILEDC ? this->_PMETAFILEDC : this->_PBITMAPDC;
        gdi::StretchBlt(dc, 300, 140, 160, -60, source, 0, 0, 16, 16, gdi::SRCCOPY);
        gdi::SelectObject(source, old);
        gdi::DeleteObject(bitmap);
        gdi::DeleteDC(source);
    }
};

// The output of a command, empty when it cannot be run.
QString run(const QString& program, const QStringList& arguments, int seconds) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(seconds * 1000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The box around everything that is not white.
QRect inkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qRed(c) < 240 || qGreen(c) < 240 || qBlue(c) < 240) box |= QRect(x, y, 1, 1);
        }
    return box;
}

}  // namespace

TEST(Metafile, OtherProgramsReadTheFileAsTheDrawingOnABitmap) {
    const auto dir = mirvano_test::temp_dir("emf-outside");
    const std::string emf = (dir / "picture.emf").string();
    auto metafile = NEWDEVICE<Picture<GENHMETAFILE>>(emf, 0, 0, "Outside;Picture");
    metafile->DESTROY();
    ASSERT_TRUE(metafile->written());
    auto memory = NEWDEVICE<Picture<GMEMORY>>(2, 500, 500);
    const QImage bitmap = gdi::GetDCImage(memory->GETMEMORYDC())->copy();
    ASSERT_EQ(bitmap.size(), QSize(500, 500));

    // The description is in the file, as UTF-16.
    const std::string bytes = mirvano_test::readAll(emf);
    const std::u16string want = u"Quillmark / Outside\0Picture\0\0"s;
    const std::string wantBytes(reinterpret_cast<const char*>(want.data()), 2 * want.size());
    EXPECT_NE(bytes.find(wantBytes), std::string::npos);

    const QString file = QStandardPaths::findExecutable("file");
    if (!file.isEmpty()) {
        EXPECT_TRUE(run(file, {"-b", QString::fromStdString(emf)}, 30).contains("Enhanced Metafile"));
    }

    const QString office = QStandardPaths::findExecutable("soffice");
    if (office.isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
    const QString out = QString::fromStdString(dir.string());
    run(office,
        {"--headless", "-env:UserInstallation=file://" + out + "/profile", "--convert-to", "png", "--outdir", out,
         QString::fromStdString(emf)},
        180);
    QImage converted(out + "/picture.png");
    ASSERT_FALSE(converted.isNull()) << "LibreOffice made no picture";
    // LibreOffice puts the picture on a page: the boxes around the drawing match them up.
    converted = converted.convertToFormat(QImage::Format_RGB32);
    const QRect ours = inkBox(bitmap), theirs = inkBox(converted);
    ASSERT_FALSE(ours.isEmpty());
    EXPECT_NEAR(theirs.width(), ours.width(), ours.width() / 50);
    EXPECT_NEAR(theirs.height(), ours.height(), ours.height() / 50);
    // Points inside areas of one colour on the bitmap have that colour in LibreOffice's picture.
    int solid = 0, same = 0;
    for (int y = ours.top() + 4; y <= ours.bottom() - 4; y += 3)
        for (int x = ours.left() + 4; x <= ours.right() - 4; x += 3) {
            const QRgb c = bitmap.pixel(x, y);
            bool uniform = true;
            for (int dy = -4; dy <= 4 && uniform; ++dy)
                for (int dx = -4; dx <= 4 && uniform; ++dx) uniform = bitmap.pixel(x + dx, y + dy) == c;
            if (!uniform) continue;
            ++solid;
            const int tx = theirs.left() + (x - ours.left()) * theirs.width() / ours.width();
            const int ty = theirs.top() + (y - ours.top()) * theirs.height() / ours.height();
            const QRgb o = converted.pixel(tx, ty);
            same += std::abs(qRed(o) - qRed(c)) < 48 && std::abs(qGreen(o) - qGreen(c)) < 48 &&
                    std::abs(qBlue(o) - qBlue(c)) < 48;
        }
    EXPECT_GT(solid, 10000);
    EXPECT_GE(same, solid * 99 / 100) << "of " << solid << " points";
}
