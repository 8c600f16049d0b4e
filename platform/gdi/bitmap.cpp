// Bitmaps and device-independent bits.
#include <algorithm>
#include <cstring>

#include "platform/gdi/emf_record.h"
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
    const int top = info->bmiHeader.biHeight > 0 ? addClamped(img.height(), -(long long)ySrc, -(long long)heightSrc) : ySrc;
    if (auto dc = dcOf(hdc); dc->emf) dc->emf->image(x, y, width, height, img, xSrc, top, widthSrc, heightSrc, rop);
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

}  // namespace gdi
