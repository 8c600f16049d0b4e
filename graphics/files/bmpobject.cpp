#include "graphics/files/bmpobject.h"

#include <QFile>
#include <filesystem>
#include <memory>

#include "graphics/canvas/numeric.h"

#include "graphics/files/pictures.h"

namespace gfx {

OBJECTSOURCEBMP::OBJECTSOURCEBMP(GRAPHICS* canvas, double x, double y, double width, double height, BmpSource source,
                                 double placement, bool transparent, uint32_t transparentColour, double mode)
    : OBJECTSHAPE(canvas), x_(x), y_(y), width_(width), height_(height), source_(std::move(source)),
      placement_(uint16_t(std::max(0.0, std::min(65535.0, placement)))),
      mode_(uint16_t(std::max(0.0, std::min(65535.0, mode)))), transparent_(transparent), colour_(transparentColour) {}

QImage OBJECTSOURCEBMP::transformed(const QImage& source, int mode) {
    const QImage in = source.convertToFormat(QImage::Format_RGB32);
    const bool invert = mode >= 10;
    mode %= 10;
    const int W = in.width(), H = in.height();
    const bool swap = mode == 1 || mode == 3;
    QImage out(swap ? H : W, swap ? W : H, QImage::Format_RGB32);
    if (in.isNull() || out.isNull()) return QImage();
    for (int j = 0; j < H; ++j) {
        const QRgb* row = reinterpret_cast<const QRgb*>(in.constScanLine(j));
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
            QRgb c = row[i];
            if (invert) c = qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
            reinterpret_cast<QRgb*>(out.scanLine(ty))[tx] = c;
        }
    }
    return out;
}

namespace {

// A picture held by a memory context, for blits from it; no context when the memory for it
// cannot be had.
class PictureDC {
public:
    explicit PictureDC(const QImage& image) : width(image.width()), height(image.height()) {
        if (image.isNull()) return;
        bitmap_ = gdi::CreateBitmapFromImage(image);
        if (!bitmap_) return;
        dc_ = gdi::CreateCompatibleDC(nullptr);
        if (dc_) old_ = gdi::SelectObject(dc_, bitmap_);
    }
    ~PictureDC() {
        if (dc_) {
            gdi::SelectObject(dc_, old_);
            gdi::DeleteDC(dc_);
        }
        if (bitmap_) gdi::DeleteObject(bitmap_);
    }
    PictureDC(const PictureDC&) = delete;
    PictureDC& operator=(const PictureDC&) = delete;
    gdi::HDC dc() const { return dc_; }
    const int width, height;

private:
    gdi::HBITMAP bitmap_ = nullptr;
    gdi::HDC dc_ = nullptr;
    gdi::HGDIOBJ old_ = nullptr;
};

// A box of device pixels: lower-left corner (x, y), y up.
struct Box {
    int32_t x = 0, y = 0, w = 0, h = 0;
};

// Stretches a picture over a box on a context, nearest pixel for pixel, in one blit of which
// the context keeps what lands on its surface: a box of any size costs no more than the
// surface, and a metafile records the picture once. With a mask, the picture's transparent
// pixels leave the context as it was: the mask (white there) is and-ed in, then the picture
// (black there) or-ed in.
void stretchOnto(gdi::HDC dc, const PictureDC& picture, const PictureDC* mask, const Box& box) {
    // The context is mapped y up: a rectangle from the box's top row down to the row below it
    // runs down the device as the picture's rows do.
    const int32_t top = saturate32(int64_t(box.y) + box.h - 1);
    if (!mask) {
        gdi::StretchBlt(dc, box.x, top, box.w, -box.h, picture.dc(), 0, 0, picture.width, picture.height,
                        gdi::SRCCOPY);
        return;
    }
    gdi::StretchBlt(dc, box.x, top, box.w, -box.h, mask->dc(), 0, 0, mask->width, mask->height, gdi::SRCAND);
    gdi::StretchBlt(dc, box.x, top, box.w, -box.h, picture.dc(), 0, 0, picture.width, picture.height, gdi::SRCPAINT);
}

// The part of a box that a context shows (its clip box), empty when none.
Box shownPart(gdi::HDC dc, const Box& box) {
    gdi::RECT clip;
    const int kind = gdi::GetClipBox(dc, &clip);
    if (kind == gdi::RGN_ERROR || kind == gdi::NULLREGION) return {};
    // On the canvas's y-up mapping the clip box holds the rows above its lower edge.
    const int64_t x0 = std::max<int64_t>(box.x, clip.left), x1 = std::min<int64_t>(int64_t(box.x) + box.w, clip.right);
    const int64_t y0 = std::max<int64_t>(box.y, int64_t(clip.top) + 1);
    const int64_t y1 = std::min<int64_t>(int64_t(box.y) + box.h, int64_t(clip.bottom) + 1);
    if (x1 <= x0 || y1 <= y0) return {};
    return Box{int32_t(x0), int32_t(y0), int32_t(x1 - x0), int32_t(y1 - y0)};
}

// The tiles of a picture over a box, repeated from the box's top-left corner, for the part of
// the box given; null when the memory cannot be had.
QImage tiles(const QImage& picture, const Box& box, const Box& part) {
    QImage out(part.w, part.h, QImage::Format_RGB32);
    if (out.isNull() || picture.isNull()) return QImage();
    const int W = picture.width(), H = picture.height();
    const int64_t boxTop = int64_t(box.y) + box.h - 1, partTop = int64_t(part.y) + part.h - 1;
    for (int j = 0; j < part.h; ++j) {
        const QRgb* from = reinterpret_cast<const QRgb*>(picture.constScanLine(int((boxTop - partTop + j) % H)));
        QRgb* to = reinterpret_cast<QRgb*>(out.scanLine(j));
        for (int i = 0; i < part.w; ++i) to[i] = from[(int64_t(part.x) - box.x + i) % W];
    }
    return out;
}

// The mask of a picture's pixels of one colour (white there, black elsewhere), and the picture
// with those pixels black.
void splitByColour(const QImage& picture, QRgb key, QImage& mask, QImage& rest) {
    mask = QImage(picture.size(), QImage::Format_RGB32);
    rest = QImage(picture.size(), QImage::Format_RGB32);
    if (mask.isNull() || rest.isNull()) {
        mask = rest = QImage();
        return;
    }
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        QRgb* m = reinterpret_cast<QRgb*>(mask.scanLine(y));
        QRgb* r = reinterpret_cast<QRgb*>(rest.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const bool clear = (in[x] & 0xFFFFFF) == (key & 0xFFFFFF);
            m[x] = clear ? 0xFFFFFFFFu : 0xFF000000u;
            r[x] = clear ? 0xFF000000u : in[x];
        }
    }
}

}  // namespace

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
        if (QImage* img = gdi::GetBitmapImage(loaded)) picture = *img;  // the drawing's own: shared, not copied
        gdi::DeleteObject(loaded);
    } else if (source_.bitmap) {
        if (QImage* img = gdi::GetBitmapImage(source_.bitmap)) picture = img->copy();  // the caller's stays untouched
    }
    if (picture.isNull()) return *this;
    picture = mode_ != 0 ? transformed(picture, mode_) : picture.convertToFormat(QImage::Format_RGB32);
    if (picture.isNull()) return *this;
    const int W = picture.width(), H = picture.height();

    // Box in device pixels (y up, lower-left corner) and how the picture fills it.
    Box box;
    bool tile = false;
    if (placement_ == kBmpRestore || placement_ == kBmpTile || placement_ == kBmpCanvas) {
        box.x = g->_NOFFSETX, box.y = g->_NOFFSETY;
        if (placement_ == kBmpRestore) box.w = W, box.h = H;
        else box.w = g->_ODIM.WIDTH(), box.h = g->_ODIM.HEIGHT();
        tile = placement_ == kBmpTile;
    } else {
        if (width_ == 0.0 || height_ == 0.0) {
            box.w = W, box.h = H;
        } else {
            box.w = g->devW(width_), box.h = g->devH(height_);
        }
        box.x = g->devX(x_), box.y = g->devY(y_);
        if (placement_ > 0) g->GETORIGINPOINT(box.x, box.y, box.w, box.h, placement_);
    }
    if (box.w <= 0 || box.h <= 0) return *this;
    QImage mask, rest;
    if (transparent_) {
        const QRgb key = colour_ == kBmpCornerColour
                             ? picture.pixel(0, 0)
                             : qRgb(int(colour_ & 0xFF), int((colour_ >> 8) & 0xFF), int((colour_ >> 16) & 0xFF));
        splitByColour(picture, key, mask, rest);
        if (mask.isNull()) return *this;
    }
    // The picture, stretched into the box or in its own size, goes to each context in one blit;
    // tiles are laid out over the part of the box the context shows, and that part goes in one.
    std::unique_ptr<PictureDC> whole, wholeMask;
    if (!tile) {
        whole = std::make_unique<PictureDC>(transparent_ ? rest : picture);
        if (transparent_) wholeMask = std::make_unique<PictureDC>(mask);
        if (!whole->dc() || (wholeMask && !wholeMask->dc())) return *this;
    }
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) continue;
        if (!tile) {
            stretchOnto(dc, *whole, wholeMask.get(), box);
            continue;
        }
        const Box part = shownPart(dc, box);
        if (part.w <= 0) continue;
        const PictureDC shown(tiles(transparent_ ? rest : picture, box, part));
        const PictureDC shownMask(transparent_ ? tiles(mask, box, part) : QImage());
        if (!shown.dc() || (transparent_ && !shownMask.dc())) continue;
        stretchOnto(dc, shown, transparent_ ? &shownMask : nullptr, part);
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

// Plays a metafile with its frame stretched over a box of the canvas (device pixels, y up,
// lower-left corner bx, by) on every context of the drawing, each left with its mapping.
template <class Play>
void playInBox(const OBJECTSHAPE& object, const Play& play, const Box& box) {
    GRAPHICS* g = object.canvas();
    gdi::RECT frame;
    gdi::SetRect(&frame, 0, 0, box.w, box.h);
    // One logical unit per pixel, y down, the box's top-left corner at the origin: the records
    // are drawn on the context itself, so a metafile device records them in turn.
    const int32_t top = g->_ODIM.HEIGHT() - box.y - box.h;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = object.SELECTDRAWDC(n);
        if (!dc) break;
        gdi::POINT windowOrg, viewportOrg;
        gdi::SIZE windowExt, viewportExt;
        gdi::SetWindowOrgEx(dc, 0, -g->_NTOPSPACE, &windowOrg);
        gdi::SetWindowExtEx(dc, box.w, box.h, &windowExt);
        gdi::SetViewportOrgEx(dc, box.x, top, &viewportOrg);
        gdi::SetViewportExtEx(dc, box.w, box.h, &viewportExt);
        play(dc, frame);
        gdi::SetWindowOrgEx(dc, windowOrg.x, windowOrg.y, nullptr);
        gdi::SetWindowExtEx(dc, windowExt.cx, windowExt.cy, nullptr);
        gdi::SetViewportOrgEx(dc, viewportOrg.x, viewportOrg.y, nullptr);
        gdi::SetViewportExtEx(dc, viewportExt.cx, viewportExt.cy, nullptr);
    }
}

bool readFile(const std::string& path, std::string& bytes) {
    QFile f(QString::fromStdString(path));
    if (path.empty() || !f.open(QIODevice::ReadOnly)) return false;
    const QByteArray all = f.readAll();
    bytes.assign(all.constData(), std::size_t(all.size()));
    return !bytes.empty();
}

}  // namespace

OBJECTDIRECTBMP::OBJECTDIRECTBMP(GRAPHICS* canvas, double x, double y, double width, double height, std::string file,
                                 double anchor)
    : OBJECTSHAPE(canvas), x_(x), y_(y), width_(width), height_(height), file_(std::move(file)),
      anchor_(uint32_t(std::max(0.0, anchor))) {}

OBJECTSHAPE& OBJECTDIRECTBMP::DRAW() {
    GRAPHICS* g = canvas();
    gdi::HDC dc1 = SELECTDRAWDC(1);
    std::string bytes;
    if (!g || !dc1 || !readFile(file_, bytes)) return *this;
    // A metafile is played by our player at the device's own resolution; any other picture is
    // drawn in the colours every way of drawing it shows.
    int32_t frameWidth = 0, frameHeight = 0;
    const bool meta = metafileFrameSize(bytes, frameWidth, frameHeight);
    QImage picture;
    if (!meta) {
        picture = opaquePicture(readCheckedPicture(bytes));
        if (picture.isNull()) return *this;
    }
    Box box;
    if (width_ == 0.0 || height_ == 0.0) {
        // Its own size on this device: a metafile's frame at the device's resolution; a raster
        // picture is as large as its pixels on a 96-dpi screen, whatever resolution the file
        // claims, and a device of another resolution scales that.
        const int dpiX = gdi::GetDeviceCaps(dc1, gdi::LOGPIXELSX), dpiY = gdi::GetDeviceCaps(dc1, gdi::LOGPIXELSY);
        box.w = meta ? gui::MulDiv(frameWidth, dpiX, 2540) : gui::MulDiv(picture.width(), dpiX, 96);
        box.h = meta ? gui::MulDiv(frameHeight, dpiY, 2540) : gui::MulDiv(picture.height(), dpiY, 96);
    } else {
        box.w = g->devW(width_), box.h = g->devH(height_);
    }
    box.x = g->devX(x_), box.y = g->devY(y_);
    if (anchor_ > 0) g->GETORIGINPOINT(box.x, box.y, box.w, box.h, anchor_);
    if (box.w > 0 && box.h > 0) {
        if (meta) {
            playInBox(*this, [&](gdi::HDC dc, const gdi::RECT& frame) { playMetafile(dc, bytes, frame); }, box);
        } else if (const PictureDC shown(picture); shown.dc()) {
            for (int n = 1; n <= 2; ++n)
                if (gdi::HDC dc = SELECTDRAWDC(n)) stretchOnto(dc, shown, nullptr, box);
        }
    }
    return *this;
}

OBJECTSHAPE& OBJECTENHMETA::DRAW() {
    GRAPHICS* g = canvas();
    if (!g) return *this;
    Box box;
    if (width_ == 0.0 || height_ == 0.0) {
        box = Box{g->_NOFFSETX, g->_NOFFSETY, g->_ODIM.WIDTH(), g->_ODIM.HEIGHT()};
    } else {
        box = Box{g->devX(x_), g->devY(y_), g->devW(width_), g->devH(height_)};
        if (anchor_ > 0) g->GETORIGINPOINT(box.x, box.y, box.w, box.h, anchor_);
    }
    gdi::HENHMETAFILE meta = gdi::GetEnhMetaFile(file_.c_str());
    if (!meta) return *this;
    playInBox(*this, [&](gdi::HDC dc, const gdi::RECT& frame) { gdi::PlayEnhMetaFile(dc, meta, &frame); }, box);
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
