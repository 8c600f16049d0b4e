// Bitmaps, device-independent bits and enhanced metafiles.
#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi_internal.h"

namespace gdi {
namespace detail {
namespace {

constexpr long long kMaxPixels = 1LL << 28;

std::shared_ptr<Bitmap> newColourBitmap(int w, int h) {
    if (w <= 0 || h <= 0 || (long long)w * h > kMaxPixels) return nullptr;
    auto b = std::make_shared<Bitmap>();
    b->image = QImage(w, h, QImage::Format_RGB32);
    if (b->image.isNull()) return nullptr;
    b->image.fill(0xFF000000u);
    b->image.setDotsPerMeterX(3780);  // 96 dpi
    b->image.setDotsPerMeterY(3780);
    return b;
}

HBITMAP registered(std::shared_ptr<Bitmap> b) {
    return b ? reinterpret_cast<HBITMAP>(add(std::move(b))) : nullptr;
}

int dibStride(int width, int bpp) { return int(((long long)width * bpp + 31) / 32 * 4); }

QString fileName(const char* file) {
    QString name = QString::fromUtf8(file);
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name;
}

constexpr char kMagic[8] = {'M', 'V', 'E', 'M', 'F', '\x01', '\r', '\n'};

void putInt(QByteArray& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i) out.append(char((std::uint32_t(v) >> (8 * i)) & 0xFF));
}

std::int32_t getInt(const QByteArray& in, qsizetype at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(std::uint8_t(in[at + i])) << (8 * i);
    return std::int32_t(v);
}

}  // namespace
}  // namespace detail

using namespace detail;

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (hdc && !dc) return nullptr;
    if (width < 0 || height < 0) return nullptr;
    if (width == 0 || height == 0) return registered(makeMonoBitmap(1, 1));
    if (dc && dc->mono()) {
        if ((long long)width * height > kMaxPixels) return nullptr;
        auto b = makeMonoBitmap(width, height);
        return b->image.isNull() ? nullptr : registered(b);
    }
    return registered(newColourBitmap(width, height));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    Guard g(lock());
    if (width < 0 || height < 0 || planes != 1) return nullptr;
    if (width == 0 || height == 0) return registered(makeMonoBitmap(1, 1));
    if ((long long)width * height > kMaxPixels) return nullptr;
    std::shared_ptr<Bitmap> b = bitsPerPixel == 1 ? makeMonoBitmap(width, height) : newColourBitmap(width, height);
    if (!b || b->image.isNull()) return nullptr;
    if (bits) {
        const auto* src = static_cast<const unsigned char*>(bits);
        // Device-dependent rows are padded to 16 bits, top row first.
        const int stride = int(((long long)width * bitsPerPixel + 15) / 16 * 2);
        for (int y = 0; y < height; ++y) {
            auto* dst = reinterpret_cast<std::uint32_t*>(b->image.scanLine(y));
            const unsigned char* row = src + (long long)y * stride;
            for (int x = 0; x < width; ++x) {
                if (bitsPerPixel == 1) {
                    dst[x] = (row[x / 8] & (0x80 >> (x & 7))) ? 0xFFFFFFFFu : 0xFF000000u;
                } else if (bitsPerPixel == 32 || bitsPerPixel == 24) {
                    const unsigned char* q = row + x * (bitsPerPixel / 8);
                    dst[x] = 0xFF000000u | (std::uint32_t(q[2]) << 16) | (std::uint32_t(q[1]) << 8) | q[0];
                }
            }
        }
    }
    return registered(b);
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD) {
    Guard g(lock());
    if (bits) *bits = nullptr;
    if (hdc && !dcOf(hdc)) return nullptr;
    if (!info || usage != DIB_RGB_COLORS) return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const int bpp = h.biBitCount;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biCompression != BI_RGB) return nullptr;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return nullptr;
    const long long height = h.biHeight < 0 ? -(long long)h.biHeight : h.biHeight;
    if (height > 65535 || h.biWidth > 65535 || h.biWidth * height > kMaxPixels) return nullptr;
    if (bpp == 32 && h.biHeight < 0) {
        auto b = std::make_shared<Bitmap>();
        b->sectionBits.assign(std::size_t(h.biWidth * height), 0xFF000000u);
        b->image = QImage(reinterpret_cast<uchar*>(b->sectionBits.data()), h.biWidth, int(height),
                          h.biWidth * 4, QImage::Format_RGB32);
        if (bits) *bits = b->sectionBits.data();
        return registered(b);
    }
    return registered(newColourBitmap(h.biWidth, int(height)));
}

int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
    Guard g(lock());
    auto bm = get<Bitmap>(hbm, Kind::Bitmap);
    if ((hdc && !dcOf(hdc)) || !bm || !info || usage != DIB_RGB_COLORS) return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    const int W = bm->image.width(), H = bm->image.height();
    if (!bits) {
        if (h.biBitCount == 0) h.biBitCount = 32;
        h.biSize = 40;
        h.biWidth = W;
        h.biHeight = H;
        h.biPlanes = 1;
        h.biCompression = BI_RGB;
        h.biSizeImage = DWORD(dibStride(W, h.biBitCount) * H);
        return H;
    }
    const int bpp = h.biBitCount;
    if ((bpp != 24 && bpp != 32) || h.biCompression != BI_RGB) return 0;
    const bool topDown = h.biHeight < 0;
    const int stride = dibStride(W, bpp);
    const long long end = std::min<long long>((long long)start + lines, H);
    int copied = 0;
    for (long long i = start; i < end; ++i) {
        const int y = topDown ? int(i) : H - 1 - int(i);
        const auto* src = reinterpret_cast<const std::uint32_t*>(bm->image.constScanLine(y));
        auto* dst = static_cast<unsigned char*>(bits) + (i - start) * stride;
        for (int x = 0; x < W; ++x) {
            const std::uint32_t p = src[x];
            unsigned char* q = dst + x * (bpp / 8);
            q[0] = p & 0xFF;
            q[1] = (p >> 8) & 0xFF;
            q[2] = (p >> 16) & 0xFF;
            if (bpp == 32) q[3] = 0;
        }
        if (bpp == 24)
            std::memset(dst + W * 3, 0, std::size_t(stride - W * 3));
        ++copied;
    }
    return copied;
}

int SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
    Guard g(lock());
    auto bm = get<Bitmap>(hbm, Kind::Bitmap);
    if ((hdc && !dcOf(hdc)) || !bm || !info || !bits || lines == 0 || lines > 65535) return 0;
    // Decode just the rows handed over, with a header of that many rows.
    const BITMAPINFOHEADER& given = info->bmiHeader;
    std::size_t colours = 0;
    if (given.biBitCount <= 8) {
        const std::size_t full = std::size_t(1) << given.biBitCount;
        colours = given.biClrUsed ? std::min<std::size_t>(given.biClrUsed, full) : full;
    }
    if (given.biSize < 40 || given.biSize > 4096) return 0;
    const std::size_t headerBytes = given.biSize + 4 * colours;
    std::vector<unsigned char> copy(std::max<std::size_t>(headerBytes, sizeof(BITMAPINFOHEADER)));
    std::memcpy(copy.data(), info, headerBytes);
    auto* hdr = reinterpret_cast<BITMAPINFOHEADER*>(copy.data());
    const bool topDown = hdr->biHeight < 0;
    hdr->biHeight = topDown ? -LONG(lines) : LONG(lines);
    const QImage rows = decodeDib(reinterpret_cast<const BITMAPINFO*>(copy.data()), bits, usage);
    if (rows.isNull()) return 0;
    const int W = bm->image.width(), H = bm->image.height();
    int set = 0;
    for (int k = 0; k < rows.height(); ++k) {
        const long long scan = topDown ? (long long)start + k : (long long)start + lines - 1 - k;
        const long long y = topDown ? scan : H - 1 - scan;
        if (y < 0 || y >= H) continue;
        const auto* src = reinterpret_cast<const std::uint32_t*>(rows.constScanLine(k));
        auto* dst = reinterpret_cast<std::uint32_t*>(bm->image.scanLine(int(y)));
        for (int x = 0; x < std::min(W, rows.width()); ++x) dst[x] = bm->mono ? monoize(src[x]) : src[x];
        ++set;
    }
    return set;
}

int StretchDIBits(HDC hdc, int x, int y, int width, int height, int xSrc, int ySrc, int widthSrc, int heightSrc,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
    Guard g(lock());
    if (!dcOf(hdc) || !bits || !info) return 0;
    const QImage img = decodeDib(info, bits, usage);
    if (img.isNull()) return 0;
    // The source origin of a bottom-up DIB is its bottom-left corner.
    const int top = info->bmiHeader.biHeight > 0 ? img.height() - (ySrc + heightSrc) : ySrc;
    if (!drawImageInto(hdc, img, x, y, width, height, xSrc, top, widthSrc, heightSrc, rop)) return 0;
    return img.height();
}

HBITMAP CreateBitmapFromImage(const QImage& image) {
    Guard g(lock());
    if (image.isNull() || (long long)image.width() * image.height() > kMaxPixels) return nullptr;
    auto b = std::make_shared<Bitmap>();
    b->image = image.convertToFormat(QImage::Format_RGB32);
    if (b->image.isNull()) return nullptr;
    return registered(b);
}

QImage* GetBitmapImage(HBITMAP hbm) {
    Guard g(lock());
    auto bm = get<Bitmap>(hbm, Kind::Bitmap);
    return bm ? &bm->image : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Enhanced metafiles.

HDC CreateEnhMetaFile(HDC reference, const char* file, const RECT* frame, const char* description) {
    Guard g(lock());
    std::shared_ptr<DC> ref = reference ? dcOf(reference) : nullptr;
    if (reference && !ref) return nullptr;
    HDC screen = nullptr;
    if (!ref) {
        screen = GetDC(nullptr);
        ref = dcOf(screen);
    }
    auto dc = std::make_shared<DC>();
    dc->type = DCType::Metafile;
    dc->dpiX = ref->dpiX;
    dc->dpiY = ref->dpiY;
    dc->capsWidth = ref->capsWidth;
    dc->capsHeight = ref->capsHeight;
    dc->capsWidthMM = ref->capsWidthMM;
    dc->capsHeightMM = ref->capsHeightMM;
    dc->technology = ref->technology;
    int w = 0, h = 0;
    if (frame) {
        const long long fw = std::llabs((long long)frame->right - frame->left);
        const long long fh = std::llabs((long long)frame->bottom - frame->top);
        // Hundredths of a millimetre at the reference device's pixels per millimetre.
        w = ref->capsWidthMM > 0 ? muldiv(fw, ref->capsWidth, ref->capsWidthMM * 100LL) : int(fw * 96 / 2540);
        h = ref->capsHeightMM > 0 ? muldiv(fh, ref->capsHeight, ref->capsHeightMM * 100LL) : int(fh * 96 / 2540);
        dc->hasFrame = true;
        dc->frame = *frame;
    } else if (ref->type == DCType::Memory && ref->bitmap && ref->bitmap != ref->defaultBitmap) {
        w = ref->bitmap->image.width();
        h = ref->bitmap->image.height();
    } else {
        w = ref->capsWidth;
        h = ref->capsHeight;
    }
    if (screen) ReleaseDC(nullptr, screen);
    w = std::max(1, w);
    h = std::max(1, h);
    if ((long long)w * h > kMaxPixels) return nullptr;
    dc->own = QImage(w, h, QImage::Format_RGB32);
    if (dc->own.isNull()) return nullptr;
    dc->own.fill(0xFFFFFFFFu);
    if (!dc->hasFrame) {
        dc->frame = RECT{0, 0, LONG((long long)w * 2540 / std::max(1, dc->dpiX)),
                         LONG((long long)h * 2540 / std::max(1, dc->dpiY))};
    }
    if (file) {
        // The file must be creatable now, as the platform opens it at once.
        QFile probe(fileName(file));
        const bool existed = probe.exists();
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Append)) return nullptr;
        probe.close();
        if (!existed) probe.remove();
        dc->metaFile = file;
    }
    (void)description;
    dc->s.font = std::static_pointer_cast<Font>(stockObject(SYSTEM_FONT));
    dc->s.pen = std::static_pointer_cast<Pen>(stockObject(BLACK_PEN));
    dc->s.brush = std::static_pointer_cast<Brush>(stockObject(WHITE_BRUSH));
    return reinterpret_cast<HDC>(add(dc));
}

HENHMETAFILE CloseEnhMetaFile(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || dc->type != DCType::Metafile) return nullptr;
    remove(hdc);
    auto mf = std::make_shared<Metafile>();
    mf->picture = dc->own;
    mf->frame = dc->frame;
    if (!dc->metaFile.empty()) {
        QByteArray out(kMagic, sizeof kMagic);
        putInt(out, mf->frame.left);
        putInt(out, mf->frame.top);
        putInt(out, mf->frame.right);
        putInt(out, mf->frame.bottom);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!mf->picture.save(&buffer, "PNG")) return nullptr;
        putInt(out, std::int32_t(png.size()));
        out.append(png);
        QSaveFile f(fileName(dc->metaFile.c_str()));
        if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size() || !f.commit()) return nullptr;
    }
    return reinterpret_cast<HENHMETAFILE>(add(mf));
}

HENHMETAFILE GetEnhMetaFile(const char* file) {
    Guard g(lock());
    if (!file) return nullptr;
    QFile f(fileName(file));
    if (!f.open(QIODevice::ReadOnly)) return nullptr;
    const QByteArray in = f.readAll();
    const qsizetype head = qsizetype(sizeof kMagic) + 5 * 4;
    if (in.size() < head || std::memcmp(in.constData(), kMagic, sizeof kMagic) != 0) return nullptr;
    auto mf = std::make_shared<Metafile>();
    mf->frame = RECT{getInt(in, 8), getInt(in, 12), getInt(in, 16), getInt(in, 20)};
    const std::int32_t n = getInt(in, 24);
    if (n <= 0 || n > in.size() - head) return nullptr;
    if (!mf->picture.loadFromData(reinterpret_cast<const uchar*>(in.constData() + head), int(n), "PNG"))
        return nullptr;
    mf->picture = mf->picture.convertToFormat(QImage::Format_RGB32);
    return reinterpret_cast<HENHMETAFILE>(add(mf));
}

BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE hemf, const RECT* rect) {
    Guard g(lock());
    auto mf = get<Metafile>(hemf, Kind::Metafile);
    if (!dcOf(hdc) || !mf || !rect) return FALSE;
    const QImage& pic = mf->picture;
    return drawImageInto(hdc, pic, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, 0, 0,
                         pic.width(), pic.height(), SRCCOPY);
}

BOOL DeleteEnhMetaFile(HENHMETAFILE hemf) {
    Guard g(lock());
    if (!get<Metafile>(hemf, Kind::Metafile)) return FALSE;
    remove(hemf);
    return TRUE;
}

}  // namespace gdi
