#include "graphics/files/bmpobject.h"

#include <QPainter>
#include <filesystem>

#include "graphics/canvas/numeric.h"

#include "graphics/files/pictures.h"

namespace gfx {

OBJECTSOURCEBMP::OBJECTSOURCEBMP(GRAPHICS* canvas, double x, double y, double width, double height, BmpSource source,
                                 double placement, bool transparent, uint32_t transparentColour, double mode)
    : OBJECTSHAPE(canvas), x_(x), y_(y), width_(width), height_(height), source_(std::move(source)),
      placement_(uint16_t(std::max(0.0, std::min(65535.0, placement)))),
      mode_(uint16_t(std::max(0.0, std::min(65535.0, mode)))), transparent_(transparent), colour_(transparentColour) {}

QImage OBJECTSOURCEBMP::transformed(const QImage& source, int mode) {
    QImage in = source.convertToFormat(QImage::Format_RGB32);
    const bool invert = mode >= 10;
    mode %= 10;
    const int W = in.width(), H = in.height();
    const bool swap = mode == 1 || mode == 3;
    QImage out(swap ? H : W, swap ? W : H, QImage::Format_RGB32);
    for (int j = 0; j < H; ++j)
        for (int i = 0; i < W; ++i) {
            int tx = i, ty = j;
            switch (mode) {
            case 1: tx = H - 1 - j, ty = i; break;
            case 2: tx = W - 1 - i, ty = H - 1 - j; break;
            case 3: tx = j, ty = W - 1 - i; break;
            case 4: ty = H - 1 - j; break;
            case 5: tx = W - 1 - i; break;
            default: break;
            }
            QRgb c = in.pixel(i, j);
            if (invert) c = qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
            out.setPixel(tx, ty, c);
        }
    return out;
}


OBJECTSHAPE& OBJECTSOURCEBMP::DRAW() {
    GRAPHICS* g = canvas();
    if (!g) return *this;
    const BusyPointer busy(g->_ODEVICE);
    gdi::HDC dc1 = SELECTDRAWDC(1);
    QImage picture;
    if (!source_.file.empty()) {
        std::error_code ec;
        gdi::HBITMAP loaded = nullptr;
        if (!source_.resource && std::filesystem::is_regular_file(source_.file, ec)) {
            int32_t w = 0, h = 0;
            gdi::HDC screen = dc1 ? dc1 : gdi::GetDC(nullptr);
            loaded = loadPictureChain(source_.file, w, h, screen);
            if (!dc1) gdi::ReleaseDC(nullptr, screen);
        } else {
            loaded = loadBitmapResource(source_.file);
        }
        if (!loaded) return *this;
        if (QImage* img = gdi::GetBitmapImage(loaded)) picture = img->copy();
        gdi::DeleteObject(loaded);
    } else if (source_.bitmap) {
        if (QImage* img = gdi::GetBitmapImage(source_.bitmap)) picture = img->copy();  // the caller's stays untouched
    }
    if (picture.isNull()) return *this;
    if (mode_ != 0) picture = transformed(picture, mode_);
    else picture = picture.convertToFormat(QImage::Format_RGB32);
    const int W = picture.width(), H = picture.height();

    // Box in device pixels (y up, lower-left corner) and how the picture fills it.
    int32_t bx, by, bw, bh;
    bool stretch = false, tile = false;
    if (placement_ == kBmpRestore || placement_ == kBmpTile || placement_ == kBmpCanvas) {
        bx = g->_NOFFSETX, by = g->_NOFFSETY;
        if (placement_ == kBmpRestore) bw = W, bh = H;
        else bw = g->_ODIM.WIDTH(), bh = g->_ODIM.HEIGHT();
        tile = placement_ == kBmpTile;
        stretch = placement_ == kBmpCanvas;
    } else {
        if (width_ == 0.0 || height_ == 0.0) {
            bw = W, bh = H;
        } else {
            bw = g->devW(width_), bh = g->devH(height_);
            stretch = true;
        }
        bx = g->devX(x_), by = g->devY(y_);
        if (placement_ > 0) g->GETORIGINPOINT(bx, by, bw, bh, placement_);
    }
    if (bw <= 0 || bh <= 0) return *this;
    const QRgb key = colour_ == kBmpCornerColour
                         ? picture.pixel(0, 0)
                         : qRgb(int(colour_ & 0xFF), int((colour_ >> 8) & 0xFF), int((colour_ >> 16) & 0xFF));
    QImage box;
    if (stretch) {
        box = (bw == W && bh == H) ? picture : picture.scaled(bw, bh, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    } else if (tile) {
        box = QImage(bw, bh, QImage::Format_RGB32);
        for (int y = 0; y < bh; ++y)
            for (int x = 0; x < bw; ++x) box.setPixel(x, y, picture.pixel(x % W, y % H));
    } else {
        box = picture;
    }
    // Row j of the box (from its top) lies on device row by + bh - 1 - j.
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) continue;
        for (int j = 0; j < bh; ++j) {
            const QRgb* row = reinterpret_cast<const QRgb*>(box.constScanLine(j));
            for (int i = 0; i < bw; ++i) {
                const QRgb c = row[i] | 0xFF000000u;
                if (transparent_ && (c & 0xFFFFFF) == (key & 0xFFFFFF)) continue;
                gdi::SetPixelV(dc, bx + i, by + bh - 1 - j,
                               uint32_t(qRed(c)) | uint32_t(qGreen(c)) << 8 | uint32_t(qBlue(c)) << 16);
            }
        }
    }
    return *this;
}

namespace {
GRAPHICS& drawBmp(GRAPHICS& g, OBJECTSOURCEBMP& o) {
    if (g._ODEVICE) g._ODEVICE->DRAW(o);
    o.DESTROY();
    return g;
}
}  // namespace

GRAPHICS& PAINTBMPORIGINAL(GRAPHICS& g, double x, double y, const BmpSource& s, double anchor, bool t, uint32_t c,
                           double mode) {
    OBJECTSOURCEBMP o(&g, x, y, 0, 0, s, anchor, t, c, mode);
    return drawBmp(g, o);
}
GRAPHICS& PAINTBMPSTRETCHED(GRAPHICS& g, double x, double y, double w, double h, const BmpSource& s, double anchor,
                            bool t, uint32_t c, double mode) {
    OBJECTSOURCEBMP o(&g, x, y, w, h, s, anchor, t, c, mode);
    return drawBmp(g, o);
}
GRAPHICS& PAINTBMPCANVAS(GRAPHICS& g, const BmpSource& s, bool t, uint32_t c, double mode) {
    OBJECTSOURCEBMP o(&g, 0, 0, 0, 0, s, kBmpCanvas, t, c, mode);
    return drawBmp(g, o);
}
GRAPHICS& PAINTBMPREPEAT(GRAPHICS& g, const BmpSource& s, bool t, uint32_t c, double mode) {
    OBJECTSOURCEBMP o(&g, 0, 0, 0, 0, s, kBmpTile, t, c, mode);
    return drawBmp(g, o);
}
GRAPHICS& PAINTBMPRESTORE(GRAPHICS& g, const BmpSource& s, bool t, uint32_t c, double mode) {
    OBJECTSOURCEBMP o(&g, 0, 0, 0, 0, s, kBmpRestore, t, c, mode);
    return drawBmp(g, o);
}

}  // namespace gfx


namespace gfx {

namespace {

// Draws `paint` over the current content of a box of each drawing context: the box is read,
// drawn on, and written back, so what the drawing leaves untouched stays as it was.
template <class Paint>
void paintOverBox(const OBJECTSHAPE& object, int32_t bx, int32_t by, int32_t bw, int32_t bh, Paint paint) {
    if (bw <= 0 || bh <= 0 || int64_t(bw) * bh > 64 * 1024 * 1024) return;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = object.SELECTDRAWDC(n);
        if (!dc) break;
        ExportArea area;
        area.x0 = bx, area.y0 = by, area.w = bw, area.h = bh;
        QImage before = captureArea(dc, area);
        QImage after = before;
        if (!paint(after)) return;
        for (int j = 0; j < bh; ++j)
            for (int i = 0; i < bw; ++i) {
                const QRgb c = after.pixel(i, j);
                if (c == before.pixel(i, j)) continue;
                gdi::SetPixelV(dc, bx + i, by + bh - 1 - j,
                               uint32_t(qRed(c)) | uint32_t(qGreen(c)) << 8 | uint32_t(qBlue(c)) << 16);
            }
    }
}

}  // namespace

OBJECTDIRECTBMP::OBJECTDIRECTBMP(GRAPHICS* canvas, double x, double y, double width, double height, std::string file,
                                 double anchor)
    : OBJECTSHAPE(canvas), x_(x), y_(y), width_(width), height_(height), file_(std::move(file)),
      anchor_(uint32_t(std::max(0.0, anchor))) {}

OBJECTSHAPE& OBJECTDIRECTBMP::DRAW() {
    GRAPHICS* g = canvas();
    gdi::HDC dc1 = SELECTDRAWDC(1);
    if (!g || !dc1) return *this;
    const QImage picture = readCheckedPictureFile(file_);
    if (picture.isNull()) return *this;
    int32_t bw, bh;
    if (width_ == 0.0 || height_ == 0.0) {
        // A raster picture is as large as its pixels on a 96-dpi screen, whatever resolution
        // the file claims; a device of another resolution scales that.
        bw = gui::MulDiv(picture.width(), gdi::GetDeviceCaps(dc1, gdi::LOGPIXELSX), 96);
        bh = gui::MulDiv(picture.height(), gdi::GetDeviceCaps(dc1, gdi::LOGPIXELSY), 96);
    } else {
        bw = g->devW(width_), bh = g->devH(height_);
    }
    int32_t bx = g->devX(x_), by = g->devY(y_);
    if (anchor_ > 0) g->GETORIGINPOINT(bx, by, bw, bh, anchor_);
    paintOverBox(*this, bx, by, bw, bh, [&](QImage& box) {
        QPainter p(&box);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRect(0, 0, box.width(), box.height()), picture);
        return true;
    });
    return *this;
}

OBJECTSHAPE& OBJECTENHMETA::DRAW() {
    GRAPHICS* g = canvas();
    if (!g) return *this;
    int32_t bx, by, bw, bh;
    if (width_ == 0.0 || height_ == 0.0) {
        bx = g->_NOFFSETX, by = g->_NOFFSETY, bw = g->_ODIM.WIDTH(), bh = g->_ODIM.HEIGHT();
    } else {
        bx = g->devX(x_), by = g->devY(y_), bw = g->devW(width_), bh = g->devH(height_);
        if (anchor_ > 0) g->GETORIGINPOINT(bx, by, bw, bh, anchor_);
    }
    gdi::HENHMETAFILE meta = gdi::GetEnhMetaFile(file_.c_str());
    if (!meta) return *this;
    gdi::RECT frame;
    gdi::SetRect(&frame, 0, 0, bw, bh);
    // One logical unit per pixel, y down, the box's top-left corner at the origin: the records
    // are drawn on the context itself, so a metafile device records them in turn.
    const int32_t top = g->_ODIM.HEIGHT() - by - bh;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        gdi::POINT windowOrg, viewportOrg;
        gdi::SIZE windowExt, viewportExt;
        gdi::SetWindowOrgEx(dc, 0, -g->_NTOPSPACE, &windowOrg);
        gdi::SetWindowExtEx(dc, bw, bh, &windowExt);
        gdi::SetViewportOrgEx(dc, bx, top, &viewportOrg);
        gdi::SetViewportExtEx(dc, bw, bh, &viewportExt);
        gdi::PlayEnhMetaFile(dc, meta, &frame);
        gdi::SetWindowOrgEx(dc, windowOrg.x, windowOrg.y, nullptr);
        gdi::SetWindowExtEx(dc, windowExt.cx, windowExt.cy, nullptr);
        gdi::SetViewportOrgEx(dc, viewportOrg.x, viewportOrg.y, nullptr);
        gdi::SetViewportExtEx(dc, viewportExt.cx, viewportExt.cy, nullptr);
    }
    gdi::DeleteEnhMetaFile(meta);
    return *this;
}

GRAPHICS& PAINTBMPDIRECT(GRAPHICS& g, double x, double y, double w, double h, const std::string& file, double anchor) {
    OBJECTDIRECTBMP o(&g, x, y, w, h, file, anchor);
    if (g._ODEVICE) g._ODEVICE->DRAW(o);
    o.DESTROY();
    return g;
}
GRAPHICS& PAINTENHMETAAREA(GRAPHICS& g, double x, double y, double w, double h, const std::string& file, double anchor) {
    OBJECTENHMETA o(&g, x, y, w, h, file, anchor);
    if (g._ODEVICE) g._ODEVICE->DRAW(o);
    o.DESTROY();
    return g;
}
GRAPHICS& PAINTENHMETACANVAS(GRAPHICS& g, const std::string& file) { return PAINTENHMETAAREA(g, 0, 0, 0, 0, file, 0); }

}  // namespace gfx
