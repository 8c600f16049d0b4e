#include "graphics/windows/devices.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPagedPaintDevice>
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "graphics/canvas/numeric.h"
#include "graphics/files/pictures.h"

namespace gfx {

namespace {

// One logical unit per pixel, origin at the bottom-left, y upwards.
void mapYUp(gdi::HDC dc, int width, int height) {
    gdi::SetMapMode(dc, gdi::MM_ANISOTROPIC);
    gdi::SetViewportExtEx(dc, width, height, nullptr);
    gdi::SetWindowExtEx(dc, width, -height, nullptr);
    gdi::SetViewportOrgEx(dc, 0, height - 1, nullptr);
}

// A new bitmap of width x height holding the w x h picture `source`, stretched with
// COLORONCOLOR when the sizes differ; null when no bitmap of that size can be made.
gdi::HBITMAP copyBitmap(gdi::HDC screen, gdi::HBITMAP source, int w, int h, int width, int height) {
    gdi::HBITMAP target = gdi::CreateCompatibleBitmap(screen, width, height);
    if (!target) return nullptr;
    gdi::HDC from = gdi::CreateCompatibleDC(screen);
    gdi::HDC to = gdi::CreateCompatibleDC(screen);
    gdi::HGDIOBJ fromOld = gdi::SelectObject(from, source);
    gdi::HGDIOBJ toOld = gdi::SelectObject(to, target);
    if (w == width && h == height) {
        gdi::BitBlt(to, 0, 0, w, h, from, 0, 0, gdi::SRCCOPY);
    } else {
        const int mode = gdi::SetStretchBltMode(to, gdi::COLORONCOLOR);
        gdi::StretchBlt(to, 0, 0, width, height, from, 0, 0, w, h, gdi::SRCCOPY);
        gdi::SetStretchBltMode(to, mode);
    }
    gdi::SelectObject(from, fromOld);
    gdi::SelectObject(to, toOld);
    gdi::DeleteDC(from);
    gdi::DeleteDC(to);
    return target;
}

}  // namespace

PageArea pageAreaOf(int W, int H, Percent x, Percent y, Percent width, Percent height) {
    auto part = [](int total, double percent) { return whole(total * percent / 100.0); };
    PageArea a;
    int32_t px = -1, py = -1, pw = -1, ph = -1;
    if (x) px = *x >= 0 ? part(W, *x) : (y && *y > 0 ? part(H, *y) : -1);
    if (y) py = *y >= 0 ? part(H, *y) : px;
    if (width) pw = *width >= 0 ? part(W, *width) : (height && *height > 0 ? part(H, *height) : -1);
    if (height) ph = *height >= 0 ? part(H, *height) : pw;
    a.x = std::max(px, 0);
    a.y = std::max(py, 0);
    a.width = pw < 1 ? W : pw;
    a.height = ph < 1 ? H : ph;
    return a;
}

// ---- GPRINTER ------------------------------------------------------------------------------------

GPRINTER::GPRINTER(QPagedPaintDevice* printer, Percent x, Percent y, Percent width, Percent height)
    : printer_(printer) {
    if (printer_) {
        dc_ = gdi::CreatePaintDeviceDC(printer_);
        if (dc_) {
            const DIMENSION size = canvasAreaSize();
            mapYUp(dc_, size.WIDTH(), size.HEIGHT());
        }
    }
    const DIMENSION size = canvasAreaSize();
    const PageArea area = pageAreaOf(size.WIDTH(), size.HEIGHT(), x, y, width, height);
    nPageX = area.x;
    nPageY = area.y;
    nPageWidth = area.width;
    nPageHeight = area.height;
    _NDEVICETYP = kPrinterDevice;
    oGraphics = std::make_unique<GRAPHICS>(this, nPageX, nPageY, nPageWidth, nPageHeight);
}

GPRINTER::~GPRINTER() { DESTROY(); }

DIMENSION GPRINTER::canvasAreaSize() const {
    if (!dc_) return DIMENSION(0, 0);
    return DIMENSION(gdi::GetDeviceCaps(dc_, gdi::HORZRES), gdi::GetDeviceCaps(dc_, gdi::VERTRES));
}

void GPRINTER::DRAW(OBJECTSHAPE& object) {
    object.setHandle(dc_);
    object.DRAW();
    object.setHandle(nullptr);
}

void GPRINTER::PAINTNEW() {
    if (!oGraphics) return;
    oGraphics->INTERNSETDEVPAR();
    const int w = oGraphics->_ODIM.WIDTH(), h = oGraphics->_ODIM.HEIGHT();
    if (w <= 10 || h <= 10) return;
    oGraphics->SETCLIPREGION(oGraphics->_OORIGIN.X(), oGraphics->_OORIGIN.Y(), w, h, 0.0);
    PAINT();
}

bool GPRINTER::FLUSH() { return dc_ && gdi::FlushDC(dc_); }

void GPRINTER::DESTROY() {
    if (oGraphics) {
        oGraphics->DESTROY();
        oGraphics.reset();
    }
    if (dc_) {
        // Deleting a paint-device context puts its page onto the device.
        gdi::DeleteDC(dc_);
        dc_ = nullptr;
    }
}

// ---- GMEMORY -------------------------------------------------------------------------------------

GMEMORY::GMEMORY(const std::string& source, int width, int height, bool paint) : lPaint_(paint) {
    gdi::HBITMAP bitmap = nullptr;
    std::error_code ec;
    if (!source.empty() && std::filesystem::is_regular_file(source, ec)) {
        // The drawing objects' loader chain, so a picture is the same size on both.
        int32_t w = 0, h = 0;
        gdi::HDC screen = gdi::GetDC(nullptr);
        bitmap = loadPictureChain(source, w, h, screen);
        gdi::ReleaseDC(nullptr, screen);
    } else {
        bitmap = loadBitmapResource(source);
    }
    init(bitmap, false, width, height);
}

GMEMORY::GMEMORY(const RESOURCEID& resource, int width, int height, bool paint) : lPaint_(paint) {
    init(loadBitmapResource(resource.name), false, width, height);
}

GMEMORY::GMEMORY(gdi::HBITMAP borrowed, int width, int height, bool paint) : lPaint_(paint) {
    init(borrowed, true, width, height);
}

GMEMORY::GMEMORY(int number, int width, int height, bool paint) : lPaint_(paint) {
    gdi::HBITMAP bitmap = nullptr;
    if (number == 2) {
        if (width <= 0) width = 500;
        if (height <= 0) height = 500;
        nPixelWidth = width;
        nPixelHeight = height;
        gdi::HDC screen = gdi::GetDC(nullptr);
        bitmap = gdi::CreateCompatibleBitmap(screen, width, height);
        gdi::ReleaseDC(nullptr, screen);
        if (!bitmap) nPixelWidth = nPixelHeight = 0;
    }
    init(bitmap, false, width, height);
}

void GMEMORY::init(gdi::HBITMAP bitmap, bool borrowed, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (!bitmap) return;
    gdi::BITMAP info{};
    if (gdi::GetObjectA(bitmap, sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0) {
        // An object that gives no bitmap: no picture.
        if (!borrowed) gdi::DeleteObject(bitmap);
        nPixelWidth = nPixelHeight = 0;
        return;
    }
    if (width == 0) width = info.bmWidth;
    if (height == 0) height = info.bmHeight;

    gdi::HDC screen = gdi::GetDC(nullptr);
    gdi::HBITMAP picture = bitmap;
    if (borrowed || width != info.bmWidth || height != info.bmHeight) {
        // A borrowed picture is copied, so the caller's bitmap is neither changed nor deleted;
        // a picture of another size is stretched once.
        picture = copyBitmap(screen, bitmap, info.bmWidth, info.bmHeight, width, height);
        if (!borrowed) gdi::DeleteObject(bitmap);
    }
    if (!picture) {
        // No bitmap of the wanted size can be made (beyond the bitmap limit): the device has
        // no picture, as for a file that no loader reads.
        gdi::ReleaseDC(nullptr, screen);
        nPixelWidth = nPixelHeight = 0;
        return;
    }
    nPixelWidth = width;
    nPixelHeight = height;
    _PBITMAPDC = gdi::CreateCompatibleDC(screen);
    hOldBitmap = static_cast<gdi::HBITMAP>(gdi::SelectObject(_PBITMAPDC, picture));
    gdi::ReleaseDC(nullptr, screen);
    mapYUp(_PBITMAPDC, nPixelWidth, nPixelHeight);
    _NDEVICETYP = kMemoryDevice;
    oGraphics = std::make_unique<GRAPHICS>(this, nPixelWidth, nPixelHeight);
}

GMEMORY::~GMEMORY() { DESTROY(); }

void GMEMORY::DRAW(OBJECTSHAPE& object) { object.DRAW(); }

void GMEMORY::PAINTNEW() {
    if (!oGraphics) return;
    oGraphics->INTERNSETDEVPAR();
    const int w = oGraphics->_ODIM.WIDTH(), h = oGraphics->_ODIM.HEIGHT();
    if (w <= 10 || h <= 10) return;
    oGraphics->SETCLIPREGION(0, 0, w, h, 0.0);
    PAINT();
}

gdi::HBITMAP GMEMORY::copyPicture() const {
    const QImage* picture = _PBITMAPDC ? gdi::GetDCImage(_PBITMAPDC) : nullptr;
    return picture ? gdi::CreateBitmapFromImage(*picture) : nullptr;
}

gdi::HBITMAP GMEMORY::GETMEMORYHANDLE() {
    if (_PBITMAPDC && !hHandleCopy) hHandleCopy = copyPicture();
    return hHandleCopy;
}

gdi::HBITMAP GMEMORY::GETMEMORYOBJECT() {
    if (_PBITMAPDC && !hObjectCopy) hObjectCopy = copyPicture();
    return hObjectCopy;
}

bool GMEMORY::GETMEMORYFILE(const std::string& fileName) {
    if (!_PBITMAPDC || !oGraphics) return false;
    // The canvas export writes it, so every BMP of the library comes from one writer.
    OBJECTBMPFILE writer(oGraphics.get(), 0, 0, 0, 0, fileName);
    DRAW(writer);
    writer.DESTROY();
    return writer.ok;
}

void GMEMORY::DESTROY() {
    if (oGraphics) {
        oGraphics->DESTROY();
        oGraphics.reset();
    }
    if (_PBITMAPDC) {
        gdi::HGDIOBJ picture = gdi::SelectObject(_PBITMAPDC, hOldBitmap);
        gdi::DeleteDC(_PBITMAPDC);
        gdi::DeleteObject(picture);
        _PBITMAPDC = nullptr;
        hOldBitmap = nullptr;
    }
    if (hHandleCopy) {
        gdi::DeleteObject(hHandleCopy);
        hHandleCopy = nullptr;
    }
}

// ---- GENHMETAFILE --------------------------------------------------------------------------------

GENHMETAFILE::GENHMETAFILE(const std::string& file, double widthMM, double heightMM, const std::string& description,
                           bool paint)
    : lPaint_(paint) {
    cFile_ = file.empty() ? (QDir::currentPath() + QStringLiteral("/quillmark.emf")).toStdString() : file;
    const auto semi = description.find(';');
    std::string application = "Quillmark", title = description;
    if (semi != std::string::npos) {
        application = "Quillmark / " + description.substr(0, semi);
        title = description.substr(semi + 1);
    }
    cDescription_ = application + '\0' + title + '\0' + '\0';

    gdi::HDC screen = gdi::GetDC(nullptr);
    const bool framed = widthMM > 0 && heightMM > 0;
    if (framed) {
        const double horzSize = std::max(1, gdi::GetDeviceCaps(screen, gdi::HORZSIZE));
        const double vertSize = std::max(1, gdi::GetDeviceCaps(screen, gdi::VERTSIZE));
        nPixelWidth = whole(gdi::GetDeviceCaps(screen, gdi::HORZRES) / horzSize * widthMM);
        nPixelHeight = whole(gdi::GetDeviceCaps(screen, gdi::VERTRES) / vertSize * heightMM);
        frame_ = gdi::RECT{0, 0, whole(widthMM * 100), whole(heightMM * 100)};
    } else {
        nPixelWidth = 500;
        nPixelHeight = 500;
    }
    nPixelWidth = std::max(nPixelWidth, 1);
    nPixelHeight = std::max(nPixelHeight, 1);
    hRefBitmap = gdi::CreateCompatibleBitmap(screen, nPixelWidth, nPixelHeight);
    hRefDC = gdi::CreateCompatibleDC(screen);
    hOldRefBitmap = static_cast<gdi::HBITMAP>(gdi::SelectObject(hRefDC, hRefBitmap));
    const gdi::RECT* frame = framed ? &frame_ : nullptr;
    _PMETAFILEDC = gdi::CreateEnhMetaFileA(hRefDC, cFile_.c_str(), frame, cDescription_.c_str());
    if (!_PMETAFILEDC) _PMETAFILEDC = gdi::CreateEnhMetaFileA(nullptr, cFile_.c_str(), frame, cDescription_.c_str());
    if (_PMETAFILEDC) mapYUp(_PMETAFILEDC, nPixelWidth, nPixelHeight);
    _NDEVICETYP = kMetafileDevice;
    oGraphics = std::make_unique<GRAPHICS>(this, nPixelWidth, nPixelHeight);
    gdi::ReleaseDC(nullptr, screen);
}

GENHMETAFILE::~GENHMETAFILE() { DESTROY(); }

void GENHMETAFILE::DRAW(OBJECTSHAPE& object) { object.DRAW(); }

void GENHMETAFILE::PAINTNEW() {
    if (!oGraphics) return;
    oGraphics->INTERNSETDEVPAR();
    const int w = oGraphics->_ODIM.WIDTH(), h = oGraphics->_ODIM.HEIGHT();
    if (w <= 10 || h <= 10) return;
    oGraphics->SETCLIPREGION(0, 0, w, h, 0.0);
    PAINT();
}

void GENHMETAFILE::DESTROY() {
    if (_PMETAFILEDC) {
        gdi::HENHMETAFILE metafile = gdi::CloseEnhMetaFile(_PMETAFILEDC);
        written_ = metafile != nullptr;
        if (metafile) gdi::DeleteEnhMetaFile(metafile);
        _PMETAFILEDC = nullptr;
    }
    if (hRefDC) {
        gdi::SelectObject(hRefDC, hOldRefBitmap);
        gdi::DeleteObject(hRefBitmap);
        gdi::DeleteDC(hRefDC);
        hRefDC = nullptr;
        hRefBitmap = hOldRefBitmap = nullptr;
    }
    if (oGraphics) {
        oGraphics->DESTROY();
        oGraphics.reset();
    }
}

}  // namespace gfx
