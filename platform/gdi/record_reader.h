#pragma once
// Reading the records of a metafile (enhanced or Windows) within their own bytes, shared by
// the two players: every field is read only where the record holds it, and a bitmap a record
// carries is checked against the record before it is used.
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_internal.h"

namespace gdi {
namespace detail {

constexpr long long kMaxRecordPixels = 1LL << 24;  // a bitmap carried by a record

// One record: little-endian fields read within its own bytes only.
class Record {
public:
    Record(const unsigned char* data, std::uint32_t size) : d_(data), size_(size) {}
    std::uint32_t type() const { return u32(0); }
    std::uint32_t size() const { return size_; }
    bool has(std::uint64_t offset, std::uint64_t length) const { return offset <= size_ && length <= size_ - offset; }
    std::uint32_t u32(std::uint64_t at) const {
        if (!has(at, 4)) return 0;
        std::uint32_t v;
        std::memcpy(&v, d_ + at, 4);
        return v;
    }
    std::int32_t i32(std::uint64_t at) const { return std::int32_t(u32(at)); }
    std::int16_t i16(std::uint64_t at) const {
        if (!has(at, 2)) return 0;
        std::int16_t v;
        std::memcpy(&v, d_ + at, 2);
        return v;
    }
    std::uint16_t u16(std::uint64_t at) const { return std::uint16_t(i16(at)); }
    std::uint8_t u8(std::uint64_t at) const { return has(at, 1) ? d_[at] : 0; }
    float f32(std::uint64_t at) const {
        const std::uint32_t v = u32(at);
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }
    const unsigned char* at(std::uint64_t offset) const { return d_ + offset; }
    RECT rect(std::uint64_t at) const { return RECT{i32(at), i32(at + 4), i32(at + 8), i32(at + 12)}; }

private:
    const unsigned char* d_;
    std::uint32_t size_;
};

// A bitmap carried by a record, checked: its header and colour table copied to aligned memory
// in the plain form our decoder reads, and its rows, which lie inside the record.
struct DibRef {
    std::vector<std::uint32_t> info;
    const unsigned char* bits = nullptr;
    long long height = 0;
    const BITMAPINFO* bmi() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

inline std::optional<DibRef> dibIn(const Record& r, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
                            std::uint32_t cbBits, std::uint32_t usage) {
    if (usage != DIB_RGB_COLORS || cbBmi < 40 || !r.has(offBmi, cbBmi) || !r.has(offBits, cbBits)) return {};
    const std::uint32_t headerSize = r.u32(offBmi);
    if (headerSize < 40 || headerSize > cbBmi) return {};
    const long long width = r.i32(offBmi + 4);
    const long long height = r.i32(offBmi + 8);
    const int bpp = r.u16(offBmi + 14);
    const std::uint32_t compression = r.u32(offBmi + 16);
    const std::uint32_t clrUsed = r.u32(offBmi + 32);
    const long long rows = height < 0 ? -height : height;
    if (width <= 0 || rows == 0 || width * rows > kMaxRecordPixels) return {};
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return {};
    // Bit fields are accepted for the usual 32-bit layout only, which is the plain one.
    if (compression != BI_RGB && !(compression == 3 && bpp == 32)) return {};
    const std::uint32_t colors = bpp <= 8 ? (clrUsed ? std::min<std::uint32_t>(clrUsed, 1u << bpp) : 1u << bpp) : 0;
    if (std::uint64_t(headerSize) + 4ull * colors > cbBmi) return {};
    const long long stride = ((width * bpp + 31) / 32) * 4;
    if (stride * rows > (long long)cbBits) return {};
    DibRef d;
    d.info.assign(10 + colors, 0);
    BITMAPINFOHEADER h;
    h.biSize = 40;
    h.biWidth = LONG(width);
    h.biHeight = LONG(height);
    h.biBitCount = WORD(bpp);
    h.biCompression = BI_RGB;
    h.biClrUsed = colors;
    std::memcpy(d.info.data(), &h, 40);
    if (colors) std::memcpy(d.info.data() + 10, r.at(offBmi + headerSize), 4 * std::size_t(colors));
    d.bits = r.at(offBits);
    d.height = rows;
    return d;
}

// The state a metafile starts playing in: the platform's defaults for a new context.
inline void resetPlaybackState(HDC hdc) {
    SelectObject(hdc, GetStockObject(BLACK_PEN));
    SelectObject(hdc, GetStockObject(WHITE_BRUSH));
    SelectObject(hdc, GetStockObject(SYSTEM_FONT));
    SetBkMode(hdc, OPAQUE);
    SetBkColor(hdc, RGB(255, 255, 255));
    SetTextColor(hdc, RGB(0, 0, 0));
    SetROP2(hdc, R2_COPYPEN);
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
    SetPolyFillMode(hdc, ALTERNATE);
    SetArcDirection(hdc, AD_COUNTERCLOCKWISE);
    SetBrushOrgEx(hdc, 0, 0, nullptr);
}

// Plays an arc, chord or pie record. The record turns from its first radial to its second in
// the file's logical space, as other players read it; our contexts turn as seen on the device,
// the other way where the mapping mirrors one axis, so there the radials are exchanged.
using ArcCall = BOOL (*)(HDC, int, int, int, int, int, int, int, int);
inline void playArcRecord(HDC hdc, ArcCall call, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    bool mirrored = false;
    {
        Guard g(lock());
        auto dc = dcOf(hdc);
        mirrored = dc && dc->mirrors();
    }
    if (mirrored) call(hdc, l, t, r, b, xe, ye, xs, ys);
    else call(hdc, l, t, r, b, xs, ys, xe, ye);
}

}  // namespace detail
}  // namespace gdi
