// Enhanced-metafile records of the drawing calls, built with libuemf's record makers.
#include "platform/gdi/emf_record.h"

#include <uemf.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace gdi::detail {

namespace {

U_RECTL rectl(int left, int top, int right, int bottom) {
    U_RECTL r;
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    return r;
}

// Records whose bounds no reader needs carry the "not computed" bounds.
const U_RECTL kNoBounds = rectl(0, 0, -1, -1);

U_COLORREF colour(COLORREF c) { return colorref3_set(GetRValue(c), GetGValue(c), GetBValue(c)); }

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

void set32(std::string& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + std::size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

std::vector<U_POINTL> pointls(const POINT* points, DWORD count) {
    std::vector<U_POINTL> out(count);
    for (DWORD i = 0; i < count; ++i) out[i] = point32_set(points[i].x, points[i].y);
    return out;
}

// A bottom-up 24-bit DIB of a picture: its header and its rows.
struct Dib {
    U_BITMAPINFOHEADER header;
    std::string bits;
};

Dib dibOf(const QImage& picture) {
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const int stride = (w * 3 + 3) & ~3;
    Dib d;
    d.header = bitmapinfoheader_set(w, h, 1, 24, U_BI_RGB, std::uint32_t(stride) * std::uint32_t(h), 3780, 3780, 0, 0);
    d.bits.assign(std::size_t(stride) * std::size_t(h), '\0');
    for (int y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
        char* row = d.bits.data() + std::size_t(h - 1 - y) * std::size_t(stride);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = char(src[x] & 0xFF);
            row[3 * x + 1] = char((src[x] >> 8) & 0xFF);
            row[3 * x + 2] = char((src[x] >> 16) & 0xFF);
        }
    }
    return d;
}

}  // namespace

EmfRecorder::EmfRecorder(const RECT& frame, SIZE devicePixels, SIZE deviceMM, std::u16string description)
    : frame_(frame), devicePixels_(devicePixels), deviceMM_(deviceMM), description_(std::move(description)),
      table_(1) {}

EmfRecorder::~EmfRecorder() = default;

void EmfRecorder::append(char* record) {
    if (!record) return;
    std::uint32_t size = 0;
    std::memcpy(&size, record + 4, 4);
    body_.append(record, size);
    ++records_;
    std::free(record);
}

void EmfRecorder::raw(const std::string& record) {
    body_ += record;
    ++records_;
}

void EmfRecorder::fields(DWORD type, std::initializer_list<std::int32_t> values) {
    std::string r;
    put32(r, type);
    put32(r, std::uint32_t(8 + 4 * values.size()));
    for (std::int32_t v : values) put32(r, std::uint32_t(v));
    raw(r);
}

void EmfRecorder::points(DWORD type, const POINT* pts, DWORD count) {
    std::vector<U_POINTL> p = pointls(pts, count);
    switch (type) {
    case EMR_POLYLINE: append(U_EMRPOLYLINE_set(kNoBounds, count, p.data())); break;
    case EMR_POLYGON: append(U_EMRPOLYGON_set(kNoBounds, count, p.data())); break;
    case EMR_POLYLINETO: append(U_EMRPOLYLINETO_set(kNoBounds, count, p.data())); break;
    case EMR_POLYBEZIER: append(U_EMRPOLYBEZIER_set(kNoBounds, count, p.data())); break;
    case EMR_POLYBEZIERTO: append(U_EMRPOLYBEZIERTO_set(kNoBounds, count, p.data())); break;
    default: break;
    }
}

void EmfRecorder::polyPoly(DWORD type, const POINT* pts, const DWORD* counts, DWORD polys) {
    std::uint32_t total = 0;
    std::vector<std::uint32_t> c(counts, counts + polys);
    for (std::uint32_t n : c) total += n;
    std::vector<U_POINTL> p = pointls(pts, total);
    if (type == EMR_POLYPOLYGON) append(U_EMRPOLYPOLYGON_set(kNoBounds, polys, c.data(), total, p.data()));
    else append(U_EMRPOLYPOLYLINE_set(kNoBounds, polys, c.data(), total, p.data()));
}

void EmfRecorder::box(DWORD type, int left, int top, int right, int bottom) {
    fields(type, {left, top, right, bottom});
}

void EmfRecorder::arc(DWORD type, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    fields(type, {l, t, r, b, xs, ys, xe, ye});
}

std::uint32_t EmfRecorder::indexFor(const std::shared_ptr<Object>& object) {
    for (std::size_t i = 1; i < table_.size(); ++i)
        if (table_[i].used && table_[i].object.lock() == object) return std::uint32_t(i);
    // Objects gone from the program and from every context state free their slots, so the
    // table stays as small as the program's set of live objects.
    std::uint32_t slot = 0;
    for (std::size_t i = 1; i < table_.size(); ++i) {
        if (table_[i].used && table_[i].object.expired()) {
            fields(EMR_DELETEOBJECT, {std::int32_t(i)});
            table_[i].used = false;
        }
        if (!table_[i].used && !slot) slot = std::uint32_t(i);
    }
    if (!slot) {
        slot = std::uint32_t(table_.size());
        table_.emplace_back();
    }
    table_[slot] = Slot{object, true};

    switch (object->kind) {
    case Kind::Pen: {
        const auto& p = static_cast<const Pen&>(*object);
        if (!p.geometric && p.userStyle.empty() && p.endcap == PS_ENDCAP_ROUND && p.join == PS_JOIN_ROUND) {
            U_POINT width;
            width.x = p.width;
            width.y = 0;
            append(U_EMRCREATEPEN_set(slot, logpen_set(std::uint32_t(p.style), width, colour(p.color))));
        } else {
            std::vector<U_STYLEENTRY> entries(p.userStyle.begin(), p.userStyle.end());
            const std::uint32_t style = std::uint32_t(p.style | p.endcap | p.join | (p.geometric ? PS_GEOMETRIC : 0));
            PU_EXTLOGPEN elp = extlogpen_set(style, std::uint32_t(p.width), U_BS_SOLID, colour(p.color), 0,
                                             std::uint32_t(entries.size()), entries.empty() ? nullptr : entries.data());
            append(U_EMREXTCREATEPEN_set(slot, nullptr, 0, nullptr, elp));
            std::free(elp);
        }
        break;
    }
    case Kind::Brush: {
        const auto& b = static_cast<const Brush&>(*object);
        if (b.style == BS_PATTERN || b.style == BS_DIBPATTERNPT) {
            Dib d = dibOf(b.pattern);
            PU_BITMAPINFO bmi = bitmapinfo_set(d.header, nullptr);
            append(U_EMRCREATEDIBPATTERNBRUSHPT_set(slot, U_DIB_RGB_COLORS, bmi, std::uint32_t(d.bits.size()),
                                                    d.bits.data()));
            std::free(bmi);
        } else {
            append(U_EMRCREATEBRUSHINDIRECT_set(slot, logbrush_set(b.style, colour(b.color), b.hatch)));
        }
        break;
    }
    case Kind::Font: {
        const LOGFONT& f = static_cast<const Font&>(*object).lf;
        U_LOGFONT lf;
        std::memset(&lf, 0, sizeof lf);
        lf.lfHeight = f.lfHeight;
        lf.lfWidth = f.lfWidth;
        lf.lfEscapement = f.lfEscapement;
        lf.lfOrientation = f.lfOrientation;
        lf.lfWeight = f.lfWeight;
        lf.lfItalic = f.lfItalic;
        lf.lfUnderline = f.lfUnderline;
        lf.lfStrikeOut = f.lfStrikeOut;
        lf.lfCharSet = f.lfCharSet;
        lf.lfOutPrecision = f.lfOutPrecision;
        lf.lfClipPrecision = f.lfClipPrecision;
        lf.lfQuality = f.lfQuality;
        lf.lfPitchAndFamily = f.lfPitchAndFamily;
        const QString face = fromCp1252(f.lfFaceName, int(strnlen(f.lfFaceName, LF_FACESIZE - 1)));
        for (int i = 0; i < face.size() && i < U_LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face.at(i).unicode();
        append(U_EMREXTCREATEFONTINDIRECTW_set(slot, reinterpret_cast<const char*>(&lf), nullptr));
        break;
    }
    default: break;
    }
    return slot;
}

void EmfRecorder::select(const std::shared_ptr<Object>& object) {
    if (!object) return;
    const int stock = stockIndexOf(object.get());
    const std::uint32_t index = stock >= 0 ? kStockFlag | std::uint32_t(stock) : indexFor(object);
    fields(EMR_SELECTOBJECT, {std::int32_t(index)});
}

void EmfRecorder::fill(const DC& dc, const RECT& r, const std::shared_ptr<Brush>& brush) {
    // A rectangle without pen covers the whole box, as the fill does; the brush is used with
    // plain copy whatever the mix mode.
    select(brush);
    select(stockObject(NULL_PEN));
    if (dc.s.rop2 != R2_COPYPEN) fields(EMR_SETROP2, {R2_COPYPEN});
    box(EMR_RECTANGLE, r.left, r.top, r.right, r.bottom);
    if (dc.s.rop2 != R2_COPYPEN) fields(EMR_SETROP2, {dc.s.rop2});
    select(dc.s.pen);
    select(dc.s.brush);
}

void EmfRecorder::patBlt(const DC& dc, int x, int y, int w, int h, DWORD rop) {
    if (rop == PATCOPY && dc.s.brush) {
        fill(dc, RECT{x, y, addClamped(x, w), addClamped(y, h)}, dc.s.brush);
        return;
    }
    append(U_EMRBITBLT_set(kNoBounds, point32_set(x, y), point32_set(w, h), point32_set(0, 0),
                           xform_set(1, 0, 0, 1, 0, 0), colorref3_set(255, 255, 255), U_DIB_RGB_COLORS, rop,
                           nullptr, 0, nullptr));
}

void EmfRecorder::image(int x, int y, int w, int h, const QImage& picture, int sx, int sy, int sw, int sh,
                        DWORD rop) {
    Dib d = dibOf(picture);
    PU_BITMAPINFO bmi = bitmapinfo_set(d.header, nullptr);
    // The source origin of a bottom-up DIB is its bottom-left corner.
    const int bottom = addClamped(picture.height(), -(long long)sy, -(long long)sh);
    append(U_EMRSTRETCHDIBITS_set(kNoBounds, point32_set(x, y), point32_set(w, h), point32_set(sx, bottom),
                                  point32_set(sw, sh), U_DIB_RGB_COLORS, rop, bmi, std::uint32_t(d.bits.size()),
                                  d.bits.data()));
    std::free(bmi);
}

void EmfRecorder::text(int x, int y, UINT options, const RECT* rect, const QString& str, const std::vector<int>& dx) {
    std::vector<std::uint16_t> chars(std::size_t(str.size()));
    for (int i = 0; i < str.size(); ++i) chars[std::size_t(i)] = str.at(i).unicode();
    std::vector<std::uint32_t> advances(chars.size());
    for (std::size_t i = 0; i < advances.size() && i < dx.size(); ++i) advances[i] = std::uint32_t(dx[i]);
    const U_RECTL rcl = rect ? rectl(rect->left, rect->top, rect->right, rect->bottom) : rectl(0, 0, -1, -1);
    char* emrtext = emrtext_set(point32_set(x, y), std::uint32_t(chars.size()), 2, chars.data(), options, rcl,
                                advances.data());
    append(U_EMREXTTEXTOUTW_set(kNoBounds, U_GM_COMPATIBLE, 0, 0, reinterpret_cast<PU_EMRTEXT>(emrtext)));
    std::free(emrtext);
}

void EmfRecorder::clip(const std::optional<QRegion>& region) {
    if (!region) {
        // No region: clipping ends.
        fields(EMR_EXTSELECTCLIPRGN, {0, RGN_COPY});
        return;
    }
    std::vector<U_RECTL> rects;
    for (const QRect& r : *region) rects.push_back(rectl(r.left(), r.top(), r.right() + 1, r.bottom() + 1));
    const QRect b = region->boundingRect();
    const U_RECTL bound = rectl(b.left(), b.top(), b.right() + 1, b.bottom() + 1);
    PU_RGNDATA data = rgndata_set(rgndataheader_set(std::uint32_t(rects.size()), bound),
                                  rects.empty() ? nullptr : rects.data());
    append(U_EMREXTSELECTCLIPRGN_set(RGN_COPY, data));
    std::free(data);
}

std::string EmfRecorder::finish(const QRect& bounds) {
    const U_RECTL rb = bounds.isEmpty() ? rectl(0, 0, -1, -1)
                                        : rectl(bounds.left(), bounds.top(), bounds.right(), bounds.bottom());
    const U_RECTL rf = rectl(frame_.left, frame_.top, frame_.right, frame_.bottom);
    std::vector<std::uint16_t> desc(description_.begin(), description_.end());
    char* header = U_EMRHEADER_set(rb, rf, nullptr, std::uint32_t(desc.size()), desc.empty() ? nullptr : desc.data(),
                                   sizel_set(devicePixels_.cx, devicePixels_.cy),
                                   sizel_set(deviceMM_.cx, deviceMM_.cy), 0);
    if (!header) return {};
    std::uint32_t headerSize = 0;
    std::memcpy(&headerSize, header + 4, 4);
    std::string out(header, headerSize);
    std::free(header);
    out += body_;
    std::string eof;
    put32(eof, EMR_EOF);
    put32(eof, 20);
    put32(eof, 0);   // no palette entries
    put32(eof, 16);  // where they would start
    put32(eof, 20);  // this record's size again, at its end
    out += eof;
    set32(out, 48, std::uint32_t(out.size()));   // nBytes
    set32(out, 52, records_ + 2);                // nRecords, header and end included
    const std::uint32_t handles = std::min<std::uint32_t>(std::uint32_t(table_.size()), 0xFFFF);
    out[56] = char(handles & 0xFF);              // nHandles, a 16-bit field
    out[57] = char(handles >> 8);
    return out;
}

}  // namespace gdi::detail
