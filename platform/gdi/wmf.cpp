// Our player of Windows metafiles in their placeable form: each record is the drawing call it
// names, made on our context with the file's box mapped onto the target rectangle. The player
// trusts nothing in a file: a record's size is checked against the bytes that are left, every
// count and bitmap against the record; a record that fails a check is skipped, and one whose
// size cannot be trusted ends the playback. Records that select palettes, regions or pattern
// bitmaps keep their places in the object table but draw nothing of their own.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/gdi_internal.h"
#include "platform/gdi/record_reader.h"

namespace gdi {
namespace detail {
namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr std::uint32_t kPlaceableSize = 22;
constexpr std::size_t kMaxObjects = 1u << 16;

struct Placeable {
    int left = 0, top = 0, right = 0, bottom = 0;
    int unitsPerInch = 0;
    std::uint32_t recordsAt = 0;
};

std::optional<Placeable> placeable(const BYTE* data, UINT size) {
    if (!data || size < kPlaceableSize + 18) return {};
    const Record r(data, size);
    if (r.u32(0) != kPlaceableKey) return {};
    Placeable p;
    p.left = r.i16(6), p.top = r.i16(8), p.right = r.i16(10), p.bottom = r.i16(12);
    p.unitsPerInch = r.u16(14);
    // The metafile header that follows: memory or disk metafile, nine words long.
    const std::uint16_t type = r.u16(kPlaceableSize), headerWords = r.u16(kPlaceableSize + 2);
    if ((type != 1 && type != 2) || headerWords != 9) return {};
    if (p.unitsPerInch == 0 || p.right == p.left || p.bottom == p.top) return {};
    p.recordsAt = kPlaceableSize + 18;
    return p;
}

// Record functions, as the format numbers them.
enum : std::uint16_t {
    META_EOF = 0x0000, META_SAVEDC = 0x001E, META_CREATEPALETTE = 0x00F7, META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103, META_SETROP2 = 0x0104, META_SETPOLYFILLMODE = 0x0106, META_SETSTRETCHBLTMODE = 0x0107,
    META_RESTOREDC = 0x0127, META_SELECTOBJECT = 0x012D, META_SETTEXTALIGN = 0x012E, META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_DELETEOBJECT = 0x01F0, META_CREATEPATTERNBRUSH = 0x01F9, META_SETBKCOLOR = 0x0201, META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B, META_SETWINDOWEXT = 0x020C, META_OFFSETWINDOWORG = 0x020F, META_LINETO = 0x0213,
    META_MOVETO = 0x0214, META_CREATEPENINDIRECT = 0x02FA, META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC, META_POLYGON = 0x0324, META_POLYLINE = 0x0325, META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416, META_ELLIPSE = 0x0418, META_RECTANGLE = 0x041B, META_SETPIXEL = 0x041F,
    META_TEXTOUT = 0x0521, META_POLYPOLYGON = 0x0538, META_ROUNDRECT = 0x061C, META_PATBLT = 0x061D,
    META_CREATEREGION = 0x06FF, META_ARC = 0x0817, META_PIE = 0x081A, META_CHORD = 0x0830, META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32, META_DIBSTRETCHBLT = 0x0B41, META_STRETCHDIB = 0x0F43,
};

class WmfPlayer {
public:
    explicit WmfPlayer(HDC hdc) : hdc_(hdc) {}
    ~WmfPlayer() {
        for (const auto& slot : objects_)
            if (slot && *slot) DeleteObject(*slot);
    }

    void play(const Record& r) {
        const std::uint16_t function = r.u16(4);
        // Parameters are 16-bit words after the record's size and function.
        auto p = [&](int i) { return int(r.i16(6 + 2 * std::uint64_t(i))); };
        auto need = [&](int words) { return r.has(6, 2 * std::uint64_t(words)); };
        switch (function) {
        case META_SETBKMODE: if (need(1)) SetBkMode(hdc_, p(0)); break;
        case META_SETROP2: if (need(1)) SetROP2(hdc_, p(0)); break;
        case META_SETPOLYFILLMODE: if (need(1)) SetPolyFillMode(hdc_, p(0)); break;
        case META_SETSTRETCHBLTMODE: if (need(1)) SetStretchBltMode(hdc_, p(0)); break;
        case META_SETTEXTALIGN: if (need(1)) SetTextAlign(hdc_, UINT(std::uint16_t(p(0)))); break;
        case META_SETBKCOLOR: if (need(2)) SetBkColor(hdc_, r.u32(6) & 0xFFFFFF); break;
        case META_SETTEXTCOLOR: if (need(2)) SetTextColor(hdc_, r.u32(6) & 0xFFFFFF); break;
        // The picture's box is mapped onto the target: a file may pick the isotropic mapping
        // within it, nothing that would leave the box.
        case META_SETMAPMODE: if (need(1) && p(0) == MM_ISOTROPIC) SetMapMode(hdc_, MM_ISOTROPIC); break;
        case META_SETWINDOWORG: if (need(2)) SetWindowOrgEx(hdc_, p(1), p(0), nullptr); break;
        case META_SETWINDOWEXT: if (need(2) && p(0) && p(1)) SetWindowExtEx(hdc_, p(1), p(0), nullptr); break;
        case META_OFFSETWINDOWORG: if (need(2)) OffsetWindowOrgEx(hdc_, p(1), p(0), nullptr); break;
        case META_SAVEDC:
            if (SaveDC(hdc_)) ++saves_;
            break;
        case META_RESTOREDC:
            // Back over the file's own saves only, never past the state it was played in.
            if (need(1) && p(0) < 0 && -p(0) <= saves_ && RestoreDC(hdc_, p(0))) saves_ += p(0);
            break;
        case META_MOVETO: if (need(2)) MoveToEx(hdc_, p(1), p(0), nullptr); break;
        case META_LINETO: if (need(2)) LineTo(hdc_, p(1), p(0)); break;
        case META_EXCLUDECLIPRECT: if (need(4)) ExcludeClipRect(hdc_, p(3), p(2), p(1), p(0)); break;
        case META_INTERSECTCLIPRECT: if (need(4)) IntersectClipRect(hdc_, p(3), p(2), p(1), p(0)); break;
        case META_ELLIPSE: if (need(4)) Ellipse(hdc_, p(3), p(2), p(1), p(0)); break;
        case META_RECTANGLE: if (need(4)) Rectangle(hdc_, p(3), p(2), p(1), p(0)); break;
        case META_ROUNDRECT: if (need(6)) RoundRect(hdc_, p(5), p(4), p(3), p(2), p(1), p(0)); break;
        case META_ARC: case META_PIE: case META_CHORD: {
            if (!need(8)) break;
            playArcRecord(hdc_, function == META_ARC ? Arc : function == META_PIE ? Pie : Chord, p(7), p(6), p(5), p(4),
                          p(3), p(2), p(1), p(0));
            break;
        }
        case META_PATBLT: if (need(6)) PatBlt(hdc_, p(5), p(4), p(3), p(2), r.u32(6)); break;
        case META_SETPIXEL: if (need(4)) SetPixelV(hdc_, p(3), p(2), r.u32(6) & 0xFFFFFF); break;
        case META_POLYGON: case META_POLYLINE: {
            if (!need(1)) break;
            const std::vector<POINT> pts = points(r, 8, std::uint16_t(p(0)));
            if (pts.empty()) break;
            if (function == META_POLYGON) Polygon(hdc_, pts.data(), int(pts.size()));
            else Polyline(hdc_, pts.data(), int(pts.size()));
            break;
        }
        case META_POLYPOLYGON: {
            if (!need(1)) break;
            const int polys = std::uint16_t(p(0));
            if (!need(1 + polys)) break;
            std::vector<int> counts;
            std::uint64_t total = 0;
            for (int k = 0; k < polys; ++k) total += std::uint16_t(p(1 + k)), counts.push_back(std::uint16_t(p(1 + k)));
            const std::vector<POINT> pts = points(r, 8 + 2 * std::uint64_t(polys), total);
            if (!pts.empty()) PolyPolygon(hdc_, pts.data(), counts.data(), polys);
            break;
        }
        case META_TEXTOUT: {
            if (!need(1)) break;
            const std::uint64_t count = std::uint16_t(p(0)), padded = (count + 1) & ~std::uint64_t(1);
            if (!r.has(8, padded + 4)) break;
            const std::string text(reinterpret_cast<const char*>(r.at(8)), count);
            TextOutA(hdc_, r.i16(8 + padded + 2), r.i16(8 + padded), text.data(), int(count));
            break;
        }
        case META_EXTTEXTOUT: {
            if (!need(4)) break;
            const std::uint64_t count = std::uint16_t(p(2));
            const UINT options = std::uint16_t(p(3));
            std::uint64_t at = 14;
            RECT box{};
            const bool boxed = options & (ETO_OPAQUE | ETO_CLIPPED);
            if (boxed) {
                if (!r.has(at, 8)) break;
                box = RECT{r.i16(at), r.i16(at + 2), r.i16(at + 4), r.i16(at + 6)};
                at += 8;
            }
            if (!r.has(at, count)) break;
            const std::string text(reinterpret_cast<const char*>(r.at(at)), count);
            at += (count + 1) & ~std::uint64_t(1);
            std::vector<int> dx;
            if (count > 0 && r.has(at, 2 * count))
                for (std::uint64_t k = 0; k < count; ++k) dx.push_back(r.i16(at + 2 * k));
            ExtTextOutA(hdc_, p(1), p(0), options & (ETO_OPAQUE | ETO_CLIPPED), boxed ? &box : nullptr, text.data(),
                        UINT(count), dx.empty() ? nullptr : dx.data());
            break;
        }
        case META_SELECTOBJECT: {
            if (!need(1)) break;
            const std::size_t index = std::uint16_t(p(0));
            if (index < objects_.size() && objects_[index] && *objects_[index]) SelectObject(hdc_, *objects_[index]);
            break;
        }
        case META_DELETEOBJECT: {
            if (!need(1)) break;
            const std::size_t index = std::uint16_t(p(0));
            if (index >= objects_.size() || !objects_[index]) break;
            if (HGDIOBJ o = *objects_[index]) DeleteObject(o);
            objects_[index].reset();
            break;
        }
        case META_CREATEPENINDIRECT:
            if (need(5)) keep(CreatePen(std::uint16_t(p(0)), std::abs(p(1)), r.u32(12) & 0xFFFFFF));
            break;
        case META_CREATEBRUSHINDIRECT: {
            if (!need(4)) break;
            LOGBRUSH lb;
            lb.lbStyle = std::uint16_t(p(0));
            lb.lbColor = r.u32(8) & 0xFFFFFF;
            lb.lbHatch = std::uint16_t(p(3));
            // Pattern brushes made from a bitmap are no records of this kind.
            if (lb.lbStyle != BS_SOLID && lb.lbStyle != BS_NULL && lb.lbStyle != BS_HATCHED) lb.lbStyle = BS_SOLID;
            keep(CreateBrushIndirect(&lb));
            break;
        }
        case META_CREATEFONTINDIRECT: {
            if (!need(9)) break;
            LOGFONT lf;
            lf.lfHeight = p(0), lf.lfWidth = p(1), lf.lfEscapement = p(2), lf.lfOrientation = p(3), lf.lfWeight = p(4);
            lf.lfItalic = r.u8(16), lf.lfUnderline = r.u8(17), lf.lfStrikeOut = r.u8(18), lf.lfCharSet = r.u8(19);
            lf.lfQuality = r.u8(22), lf.lfPitchAndFamily = r.u8(23);
            for (std::size_t k = 0; k + 1 < LF_FACESIZE && r.has(24 + k, 1) && r.u8(24 + k); ++k)
                lf.lfFaceName[k] = char(r.u8(24 + k));
            keep(CreateFontIndirect(&lf));
            break;
        }
        case META_CREATEPALETTE: case META_CREATEPATTERNBRUSH: case META_DIBCREATEPATTERNBRUSH: case META_CREATEREGION:
            keep(nullptr);
            break;
        case META_STRETCHDIB:
            if (need(11)) blit(r, 28, r.u32(6), p(3), p(4), p(5), p(6), p(7), p(8), p(9), p(10), std::uint16_t(p(2)));
            break;
        case META_DIBSTRETCHBLT:
            if (need(10)) blit(r, 26, r.u32(6), p(2), p(3), p(4), p(5), p(6), p(7), p(8), p(9), DIB_RGB_COLORS);
            break;
        case META_DIBBITBLT:
            if (need(8)) blit(r, 22, r.u32(6), p(4), p(5), p(2), p(3), p(4), p(5), p(6), p(7), DIB_RGB_COLORS);
            break;
        default: break;
        }
    }

private:
    // Pairs of 16-bit x and y from `at`; none when the record does not hold them all.
    static std::vector<POINT> points(const Record& r, std::uint64_t at, std::uint64_t count) {
        if (count == 0 || !r.has(at, 4 * count)) return {};
        std::vector<POINT> pts(count);
        for (std::uint64_t k = 0; k < count; ++k) pts[k] = POINT{r.i16(at + 4 * k), r.i16(at + 4 * k + 2)};
        return pts;
    }

    // A created object takes the lowest free place in the table, as the records that select
    // and delete objects count them.
    void keep(HGDIOBJ object) {
        auto free = std::find_if(objects_.begin(), objects_.end(), [](const auto& slot) { return !slot; });
        if (free != objects_.end()) *free = object;
        else if (objects_.size() < kMaxObjects) objects_.emplace_back(object);
        else if (object) DeleteObject(object);
    }

    // A bitmap record: destination (x, y, w, h) and source (x, y, w, h) in the file's words, the
    // bitmap from `dibAt` to the end of the record.
    void blit(const Record& r, std::uint64_t dibAt, DWORD rop, int sh, int sw, int sy, int sx, int dh, int dw, int dy,
              int dx, UINT usage) {
        if (!r.has(dibAt, 40)) return;
        const std::uint32_t headerSize = r.u32(dibAt);
        const int bpp = r.u16(dibAt + 14);
        const std::uint32_t used = r.u32(dibAt + 32);
        const std::uint64_t colours = bpp <= 8 ? (used ? std::min<std::uint32_t>(used, 1u << bpp) : 1u << bpp) : 0;
        const std::uint64_t tableBytes = std::uint64_t(headerSize) + 4 * colours;
        if (headerSize < 40 || !r.has(dibAt, tableBytes)) return;
        auto d = dibIn(r, std::uint32_t(dibAt), std::uint32_t(tableBytes), std::uint32_t(dibAt + tableBytes),
                       std::uint32_t(r.size() - dibAt - tableBytes), usage);
        if (!d) return;
        StretchDIBits(hdc_, dx, dy, dw, dh, sx, sy, sw, sh, d->bits, d->bmi(), DIB_RGB_COLORS, rop);
    }

    HDC hdc_;
    std::vector<std::optional<HGDIOBJ>> objects_;
    int saves_ = 0;
};

}  // namespace
}  // namespace detail

using namespace detail;

bool WindowsMetafileSize(const BYTE* data, UINT size, LONG& width, LONG& height) {
    const auto h = placeable(data, size);
    if (!h) return false;
    width = LONG(std::llround(std::abs(h->right - h->left) * 2540.0 / h->unitsPerInch));
    height = LONG(std::llround(std::abs(h->bottom - h->top) * 2540.0 / h->unitsPerInch));
    return width > 0 && height > 0;
}

BOOL PlayWindowsMetafile(HDC hdc, const BYTE* data, UINT size, const RECT* rect) {
    const auto h = placeable(data, size);
    if (!h || !rect || !hdc) return FALSE;
    // The target rectangle on the device, through the context's own mapping.
    POINT corners[2] = {{rect->left, rect->top}, {rect->right, rect->bottom}};
    if (!LPtoDP(hdc, corners, 2)) return FALSE;
    const int saved = SaveDC(hdc);
    if (!saved) return FALSE;
    SetMapMode(hdc, MM_ANISOTROPIC);
    SetWindowOrgEx(hdc, h->left, h->top, nullptr);
    SetWindowExtEx(hdc, h->right - h->left, h->bottom - h->top, nullptr);
    SetViewportOrgEx(hdc, corners[0].x, corners[0].y, nullptr);
    SetViewportExtEx(hdc, corners[1].x - corners[0].x, corners[1].y - corners[0].y, nullptr);
    resetPlaybackState(hdc);
    {
        WmfPlayer player(hdc);
        std::uint64_t at = h->recordsAt;
        while (at + 6 <= size) {
            const Record head(data + at, UINT(size - at));
            const std::uint64_t bytes = 2 * std::uint64_t(head.u32(0));
            if (bytes < 6 || bytes > size - at) break;
            if (head.u16(4) == META_EOF) break;
            player.play(Record(data + at, std::uint32_t(bytes)));
            at += bytes;
        }
        // The player's objects go before the state that selected them is put back.
        SelectObject(hdc, GetStockObject(BLACK_PEN));
        SelectObject(hdc, GetStockObject(WHITE_BRUSH));
        SelectObject(hdc, GetStockObject(SYSTEM_FONT));
    }
    RestoreDC(hdc, saved);
    return TRUE;
}

}  // namespace gdi
