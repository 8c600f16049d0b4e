// Enhanced metafiles: contexts that record the drawing calls made on them, the files they
// write, and our player, which plays the records of any enhanced metafile on our contexts.
//
// The player trusts nothing in a file: every record's size is checked against the bytes that
// are left, every count, offset and length against the record, and a bitmap or an object
// index beyond a set limit is refused before anything is allocated for it. A record that
// fails a check is skipped; a record whose size cannot be trusted ends the playback.
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/gdi/emf_record.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/gdi/record_reader.h"

namespace gdi {
namespace detail {
namespace {

constexpr qint64 kMaxFileBytes = 256LL << 20;
constexpr long long kMaxSurfacePixels = 1LL << 28;
constexpr std::uint32_t kMaxObjects = 1u << 16;
constexpr std::uint32_t kHeaderMinSize = 88;

QString fileName(const char* file) {
    QString name = QString::fromUtf8(file);
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return name;
}

std::uint32_t u32At(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

// The header record: checked once when a metafile is loaded.
struct Header {
    RECT bounds, frame;
    SIZE pixels, mm;
    std::uint32_t size = 0;
    std::u16string description;
};

std::optional<Header> readHeader(const std::string& b) {
    if (b.size() < kHeaderMinSize || u32At(b, 0) != EMR_HEADER || u32At(b, 40) != kEmfSignature) return {};
    Header h;
    h.size = u32At(b, 4);
    if (h.size < kHeaderMinSize || h.size > b.size()) return {};
    auto i = [&](std::size_t at) { return std::int32_t(u32At(b, at)); };
    h.bounds = RECT{i(8), i(12), i(16), i(20)};
    h.frame = RECT{i(24), i(28), i(32), i(36)};
    h.pixels = SIZE{i(72), i(76)};
    h.mm = SIZE{i(80), i(84)};
    const std::uint64_t n = u32At(b, 60), off = u32At(b, 64);
    if (n > 0 && off >= kHeaderMinSize && off <= h.size && n <= (h.size - off) / 2) {
        for (std::uint64_t k = 0; k < n; ++k) {
            std::uint16_t c = 0;
            std::memcpy(&c, b.data() + off + 2 * k, 2);
            h.description.push_back(char16_t(c));
        }
    }
    return h;
}

std::shared_ptr<Metafile> metafileOf(std::string bytes) {
    if (!readHeader(bytes)) return nullptr;
    auto mf = std::make_shared<Metafile>();
    mf->bytes = std::move(bytes);
    return mf;
}

// Code page 1252 for the text of a file's Unicode records; what it lacks becomes "?".
char toCp1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
    static const QString high = fromCp1252("\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
                                           "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F",
                                           32);
    const int at = high.indexOf(QChar(c));
    return at >= 0 ? char(0x80 + at) : '?';
}

// One axis of a mapping: out = a * in + b.
struct Axis {
    double a = 1, b = 0;
};

// Plays the records of a metafile on a context. The picture frame is mapped onto the logical
// rectangle; the metafile's own mapping and world transform are composed with that into the
// context's mapping, so that every drawing call draws in the file's logical units.
class Player {
public:
    Player(HDC hdc, DC& dc, const Metafile& mf, const RECT& rect) : hdc_(hdc), dc_(dc), bytes_(mf.bytes) {
        header_ = *readHeader(bytes_);
        const Header& h = header_;
        pxPerMmX_ = h.pixels.cx > 0 && h.mm.cx > 0 ? double(h.pixels.cx) / h.mm.cx : 96 / 25.4;
        pxPerMmY_ = h.pixels.cy > 0 && h.mm.cy > 0 ? double(h.pixels.cy) / h.mm.cy : 96 / 25.4;
        // The frame in the reference device's pixels; a file without one has its bounds.
        double x0 = h.frame.left * pxPerMmX_ / 100, x1 = h.frame.right * pxPerMmX_ / 100;
        double y0 = h.frame.top * pxPerMmY_ / 100, y1 = h.frame.bottom * pxPerMmY_ / 100;
        if (x1 - x0 <= 0 || y1 - y0 <= 0) {
            x0 = h.bounds.left, x1 = double(h.bounds.right) + 1;
            y0 = h.bounds.top, y1 = double(h.bounds.bottom) + 1;
        }
        if (!(x1 - x0 > 0) || !(y1 - y0 > 0)) return;
        const SIZE ve = dc.effectiveViewportExt();
        const Axis tx{double(ve.cx) / dc.s.windowExt.cx, 0}, ty{double(ve.cy) / dc.s.windowExt.cy, 0};
        const Axis targetX{tx.a, dc.s.viewportOrg.x - dc.s.windowOrg.x * tx.a};
        const Axis targetY{ty.a, dc.s.viewportOrg.y - dc.s.windowOrg.y * ty.a};
        const double sx = (double(rect.right) - rect.left) / (x1 - x0);
        const double sy = (double(rect.bottom) - rect.top) / (y1 - y0);
        frameX_ = Axis{targetX.a * sx, targetX.a * (rect.left - x0 * sx) + targetX.b};
        frameY_ = Axis{targetY.a * sy, targetY.a * (rect.top - y0 * sy) + targetY.b};
        startClip_ = dc.s.clip;
        ok_ = std::isfinite(frameX_.a) && std::isfinite(frameY_.a) && std::isfinite(frameX_.b) &&
              std::isfinite(frameY_.b);
    }

    bool run() {
        if (!ok_) return false;
        baseLevel_ = SaveDC(hdc_);
        resetState();
        applyMapping();
        std::size_t at = header_.size;
        while (at + 8 <= bytes_.size()) {
            const std::uint32_t size = u32At(bytes_, at + 4);
            if (size < 8 || size > bytes_.size() - at) break;
            const Record r(reinterpret_cast<const unsigned char*>(bytes_.data() + at), size);
            if (r.type() == EMR_EOF) break;
            play(r);
            at += size;
        }
        if (dc_.inPath) AbortPath(hdc_);
        RestoreDC(hdc_, baseLevel_);
        for (auto& [index, object] : objects_) DeleteObject(object);
        return true;
    }

private:
    struct Mapping {
        int mode = MM_TEXT;
        POINT wo, vo;
        SIZE we{1, 1}, ve{1, 1};
        double m11 = 1, m22 = 1, dx = 0, dy = 0;  // world transform, shear left out
    };

    void resetState() { resetPlaybackState(hdc_); }

    // The metafile's page-to-device scale on one axis, in reference pixels per logical unit.
    double pageScale(bool xAxis) const {
        const double pxPerMm = xAxis ? pxPerMmX_ : pxPerMmY_;
        const double sign = xAxis ? 1 : -1;
        switch (map_.mode) {
        case MM_LOMETRIC: return sign * pxPerMm / 10;
        case MM_HIMETRIC: return sign * pxPerMm / 100;
        case MM_LOENGLISH: return sign * pxPerMm * 0.254;
        case MM_HIENGLISH: return sign * pxPerMm * 0.0254;
        case MM_TWIPS: return sign * pxPerMm * 25.4 / 1440;
        case MM_ISOTROPIC:
        case MM_ANISOTROPIC: {
            double ax = double(map_.ve.cx) / map_.we.cx, ay = double(map_.ve.cy) / map_.we.cy;
            if (map_.mode == MM_ISOTROPIC) {
                const double m = std::min(std::abs(ax), std::abs(ay));
                ax = std::copysign(m, ax);
                ay = std::copysign(m, ay);
            }
            return xAxis ? ax : ay;
        }
        default: return 1;
        }
    }

    // Sets the context's mapping to world, page and frame mappings composed.
    void applyMapping() {
        const double px = pageScale(true), py = pageScale(false);
        const double ax = frameX_.a * px * map_.m11, ay = frameY_.a * py * map_.m22;
        const double bx = frameX_.a * (px * (map_.dx - map_.wo.x) + map_.vo.x) + frameX_.b;
        const double by = frameY_.a * (py * (map_.dy - map_.wo.y) + map_.vo.y) + frameY_.b;
        if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) return;
        auto ext = [](double a, int& window, int& viewport) {
            double k = 1 << 20;
            while (k > 1 && std::abs(a) * k > double(1 << 30)) k /= 2;
            window = int(k);
            const double v = std::clamp(std::round(a * k), -double(1 << 30), double(1 << 30));
            viewport = v == 0 ? (a < 0 ? -1 : 1) : int(v);
        };
        int wx, vx, wy, vy;
        ext(ax, wx, vx);
        ext(ay, wy, vy);
        SetMapMode(hdc_, MM_ANISOTROPIC);
        SetWindowOrgEx(hdc_, 0, 0, nullptr);
        SetWindowExtEx(hdc_, wx, wy, nullptr);
        SetViewportExtEx(hdc_, vx, vy, nullptr);
        SetViewportOrgEx(hdc_, int(std::clamp(std::round(bx), -1e9, 1e9)), int(std::clamp(std::round(by), -1e9, 1e9)),
                         nullptr);
    }

    // A region of the file in the reference device's pixels, on the context's device.
    std::optional<QRegion> deviceRegion(const Record& r, std::uint64_t at, std::uint64_t length) const {
        if (length < 32 || !r.has(at, length)) return {};
        const std::uint64_t headerSize = std::max<std::uint32_t>(32, r.u32(at));
        const std::uint64_t count = r.u32(at + 8);
        if (headerSize > length || count > (length - headerSize) / 16) return {};
        QRegion out;
        QList<QRect> rects;
        for (std::uint64_t k = 0; k < count; ++k) {
            const RECT q = r.rect(at + headerSize + 16 * k);
            const double l = frameX_.a * q.left + frameX_.b, rr = frameX_.a * q.right + frameX_.b;
            const double t = frameY_.a * q.top + frameY_.b, b = frameY_.a * q.bottom + frameY_.b;
            auto c = [](double v) { return int(std::clamp(std::round(v), -1e8, 1e8)); };
            const int x0 = c(std::min(l, rr)), x1 = c(std::max(l, rr)), y0 = c(std::min(t, b)), y1 = c(std::max(t, b));
            if (x1 > x0 && y1 > y0) rects << QRect(x0, y0, x1 - x0, y1 - y0);
        }
        for (const QRect& q : rects) out += q;
        return out;
    }

    void selectClip(const std::optional<QRegion>& region) {
        if (!region) {
            SelectClipRgn(hdc_, nullptr);
            return;
        }
        HRGN h = CreateRectRgn(0, 0, 0, 0);
        get<Region>(h, Kind::Region)->region = *region;
        SelectClipRgn(hdc_, h);
        DeleteObject(h);
    }

    void clipRegion(const Record& r) {
        const std::uint32_t cb = r.u32(8), mode = r.u32(12);
        if (cb == 0) {
            if (mode == RGN_COPY) selectClip(startClip_);
            return;
        }
        const std::optional<QRegion> given = deviceRegion(r, 16, cb);
        if (!given) return;
        QRegion region = *given;
        const QImage* surface = dc_.surface();
        const QRegion current = dc_.s.clip ? *dc_.s.clip : QRegion(surface ? surface->rect() : QRect());
        switch (mode) {
        case RGN_AND: region = current.intersected(region); break;
        case RGN_OR: region = current.united(region); break;
        case RGN_XOR: region = current.xored(region); break;
        case RGN_DIFF: region = current.subtracted(region); break;
        case RGN_COPY: break;
        default: return;
        }
        if (startClip_) region &= *startClip_;
        selectClip(region);
    }

    void keep(std::uint32_t index, HGDIOBJ object) {
        if (!object) return;
        if (index == 0 || index >= kMaxObjects) {
            DeleteObject(object);
            return;
        }
        auto it = objects_.find(index);
        if (it != objects_.end()) DeleteObject(it->second);
        objects_[index] = object;
    }

    HGDIOBJ object(std::uint32_t index) const {
        if (index & kStockFlag) return GetStockObject(int(index & ~kStockFlag));
        auto it = objects_.find(index);
        return it == objects_.end() ? nullptr : it->second;
    }

    // Points of a record, 32-bit or 16-bit pairs.
    std::optional<std::vector<POINT>> pointsAt(const Record& r, std::uint64_t at, std::uint64_t count, bool small) const {
        const std::uint64_t size = small ? 4 : 8;
        if (!r.has(at, count * size) || count > r.size()) return {};
        std::vector<POINT> p(count);
        for (std::uint64_t k = 0; k < count; ++k)
            p[k] = small ? POINT{r.i16(at + 4 * k), r.i16(at + 4 * k + 2)} : POINT{r.i32(at + 8 * k), r.i32(at + 8 * k + 4)};
        return p;
    }

    void poly(const Record& r, bool small) {
        const std::uint32_t type = r.type();
        const std::uint32_t count = r.u32(24);
        auto p = pointsAt(r, 28, count, small);
        if (!p || p->empty()) return;
        const DWORD n = DWORD(p->size());
        const std::uint32_t base = small ? type - (EMR_POLYBEZIER16 - EMR_POLYBEZIER) : type;
        switch (base) {
        // A curve's flattening is bounded however many points it has: a long one is drawn.
        case EMR_POLYBEZIER: PolyBezier(hdc_, p->data(), n); break;
        case EMR_POLYGON: Polygon(hdc_, p->data(), int(n)); break;
        case EMR_POLYLINE: Polyline(hdc_, p->data(), int(n)); break;
        case EMR_POLYBEZIERTO: PolyBezierTo(hdc_, p->data(), n); break;
        case EMR_POLYLINETO: PolylineTo(hdc_, p->data(), int(n)); break;
        default: break;
        }
    }

    void polyPoly(const Record& r, bool small) {
        const std::uint64_t polys = r.u32(24), total = r.u32(28);
        if (polys == 0 || !r.has(32, polys * 4)) return;
        std::vector<DWORD> counts(polys);
        std::uint64_t sum = 0;
        for (std::uint64_t k = 0; k < polys; ++k) sum += counts[k] = r.u32(32 + 4 * k);
        if (sum != total) return;
        auto p = pointsAt(r, 32 + 4 * polys, total, small);
        if (!p) return;
        const bool polygon = r.type() == EMR_POLYPOLYGON || r.type() == EMR_POLYPOLYGON16;
        if (polygon) {
            const std::vector<int> n(counts.begin(), counts.end());
            PolyPolygon(hdc_, p->data(), n.data(), int(polys));
        } else {
            PolyPolyline(hdc_, p->data(), counts.data(), DWORD(polys));
        }
    }

    void text(const Record& r, bool wide) {
        const std::uint64_t n = r.u32(44), offString = r.u32(48), offDx = r.u32(72);
        const UINT options = r.u32(52);
        if (!r.has(offString, n * (wide ? 2 : 1))) return;
        std::string bytes(n, '\0');
        for (std::uint64_t k = 0; k < n; ++k)
            bytes[k] = wide ? toCp1252(char16_t(r.u16(offString + 2 * k))) : char(r.u8(offString + k));
        // Advances, each followed by a vertical one when the options say so.
        const std::uint64_t step = (options & 0x2000) ? 8 : 4;
        std::vector<int> dx;
        if (offDx && r.has(offDx, n * step))
            for (std::uint64_t k = 0; k < n; ++k) dx.push_back(r.i32(offDx + step * k));
        const RECT box = r.rect(56);
        ExtTextOut(hdc_, r.i32(36), r.i32(40), options & (ETO_OPAQUE | ETO_CLIPPED), &box, bytes.data(), UINT(n),
                   dx.empty() ? nullptr : dx.data());
    }

    // Bitmaps of the blit records onto a logical rectangle; a record without one paints with
    // the brush.
    void blit(const Record& r) {
        const std::uint32_t type = r.type();
        if (type == EMR_STRETCHDIBITS) {
            auto d = dibIn(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), r.u32(64));
            if (d)
                StretchDIBits(hdc_, r.i32(24), r.i32(28), r.i32(72), r.i32(76), r.i32(32), r.i32(36), r.i32(40),
                              r.i32(44), d->bits, d->bmi(), DIB_RGB_COLORS, r.u32(68));
            return;
        }
        if (type == EMR_SETDIBITSTODEVICE) {
            auto d = dibIn(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), r.u32(64));
            if (d && r.u32(68) == 0)
                StretchDIBits(hdc_, r.i32(24), r.i32(28), r.i32(40), r.i32(44), r.i32(32), r.i32(36), r.i32(40),
                              r.i32(44), d->bits, d->bmi(), DIB_RGB_COLORS, SRCCOPY);
            return;
        }
        const int x = r.i32(24), y = r.i32(28), w = r.i32(32), h = r.i32(36);
        const DWORD rop = r.u32(40);
        if (r.u32(88) == 0) {
            PatBlt(hdc_, x, y, w, h, rop);
            return;
        }
        auto d = dibIn(r, r.u32(84), r.u32(88), r.u32(92), r.u32(96), r.u32(80));
        if (!d) return;
        const int sw = type == EMR_STRETCHBLT ? r.i32(100) : w, sh = type == EMR_STRETCHBLT ? r.i32(104) : h;
        // The source position counts from the top; a bottom-up bitmap counts from its bottom.
        const int sy = d->bmi()->bmiHeader.biHeight > 0 ? int(d->height - r.i32(48) - (long long)sh) : r.i32(48);
        StretchDIBits(hdc_, x, y, w, h, r.i32(44), sy, sw, sh, d->bits, d->bmi(), DIB_RGB_COLORS, rop);
    }

    void font(const Record& r) {
        LOGFONT lf;
        lf.lfHeight = r.i32(12);
        lf.lfWidth = r.i32(16);
        lf.lfEscapement = r.i32(20);
        lf.lfOrientation = r.i32(24);
        lf.lfWeight = r.i32(28);
        lf.lfItalic = r.u8(32);
        lf.lfUnderline = r.u8(33);
        lf.lfStrikeOut = r.u8(34);
        lf.lfCharSet = r.u8(35);
        lf.lfOutPrecision = r.u8(36);
        lf.lfClipPrecision = r.u8(37);
        lf.lfQuality = r.u8(38);
        lf.lfPitchAndFamily = r.u8(39);
        for (int k = 0; k < LF_FACESIZE - 1; ++k) {
            const char16_t c = char16_t(r.u16(40 + 2 * std::uint64_t(k)));
            if (!c) break;
            lf.lfFaceName[k] = toCp1252(c);
        }
        keep(r.u32(8), CreateFontIndirect(&lf));
    }

    void pen(const Record& r) {
        if (r.type() == EMR_CREATEPEN) {
            const int style = int(r.u32(12) & PS_STYLE_MASK);
            HPEN p = CreatePen(style <= PS_INSIDEFRAME ? style : PS_SOLID, std::clamp(r.i32(16), 0, 1 << 16), r.u32(24));
            keep(r.u32(8), p);
            return;
        }
        const DWORD style = r.u32(28), width = std::min<std::uint32_t>(r.u32(32), 1u << 16);
        LOGBRUSH lb;
        lb.lbStyle = r.u32(36) == BS_NULL ? BS_NULL : BS_SOLID;
        lb.lbColor = r.u32(40);
        const std::uint32_t entries = r.u32(48);
        std::vector<DWORD> styles;
        if (entries <= 16 && r.has(52, 4ull * entries))
            for (std::uint32_t k = 0; k < entries; ++k) styles.push_back(r.u32(52 + 4ull * k));
        HPEN p = ExtCreatePen(style, width, &lb, DWORD(styles.size()), styles.empty() ? nullptr : styles.data());
        if (!p) p = CreatePen(int(style & PS_STYLE_MASK) <= PS_INSIDEFRAME ? int(style & PS_STYLE_MASK) : PS_SOLID,
                              int(width), lb.lbColor);
        keep(r.u32(8), p);
    }

    void brush(const Record& r) {
        const std::uint32_t type = r.type();
        if (type == EMR_CREATEBRUSHINDIRECT) {
            // Only kinds that carry no pointer: a pattern here would name memory of the writer.
            const std::uint32_t style = r.u32(12);
            HBRUSH b = style == BS_NULL      ? static_cast<HBRUSH>(nullptr)
                       : style == BS_HATCHED ? CreateHatchBrush(int(r.u32(20)), r.u32(16))
                                             : nullptr;
            if (style == BS_NULL) {
                LOGBRUSH lb;
                lb.lbStyle = BS_NULL;
                b = CreateBrushIndirect(&lb);
            }
            if (!b) b = CreateSolidBrush(r.u32(16));
            keep(r.u32(8), b);
            return;
        }
        auto d = dibIn(r, r.u32(16), r.u32(20), r.u32(24), r.u32(28), type == EMR_CREATEMONOBRUSH ? 0 : r.u32(12));
        if (!d) return;
        const BITMAPINFOHEADER& h = d->bmi()->bmiHeader;
        const long long stride = ((long long)h.biWidth * h.biBitCount + 31) / 32 * 4;
        // The brush maker wants the header, the colour table and the rows in one block.
        std::vector<std::uint32_t> packed(d->info);
        const std::size_t at = packed.size();
        packed.resize(at + std::size_t((stride * d->height + 3) / 4));
        std::memcpy(packed.data() + at, d->bits, std::size_t(stride * d->height));
        keep(r.u32(8), CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS));
    }

    void fillRegion(const Record& r) {
        const std::uint64_t cb = r.u32(24);
        HGDIOBJ b = object(r.u32(28));
        if (!b || cb < 32 || !r.has(32, cb)) return;
        const std::uint64_t headerSize = std::max<std::uint32_t>(32, r.u32(32));
        const std::uint64_t count = r.u32(40);
        if (headerSize > cb || count > (cb - headerSize) / 16) return;
        for (std::uint64_t k = 0; k < count; ++k) {
            const RECT q = r.rect(32 + headerSize + 16 * k);
            FillRect(hdc_, &q, static_cast<HBRUSH>(b));
        }
    }

    void world(const Record& r) {
        float m[6];
        for (int k = 0; k < 6; ++k) m[k] = r.f32(8 + 4 * std::uint64_t(k));
        if (!std::all_of(m, m + 6, [](float v) { return std::isfinite(v); })) return;
        Mapping x = map_;
        const std::uint32_t mode = r.type() == EMR_SETWORLDTRANSFORM ? 4 : r.u32(32);
        switch (mode) {
        case 1: x.m11 = x.m22 = 1, x.dx = x.dy = 0; break;
        case 2:  // the new transform first, then the current one
            x.dx = m[4] * map_.m11 + map_.dx, x.dy = m[5] * map_.m22 + map_.dy;
            x.m11 = m[0] * map_.m11, x.m22 = m[3] * map_.m22;
            break;
        case 3:  // the current transform first, then the new one
            x.dx = map_.dx * m[0] + m[4], x.dy = map_.dy * m[3] + m[5];
            x.m11 = map_.m11 * m[0], x.m22 = map_.m22 * m[3];
            break;
        case 4: x.m11 = m[0], x.m22 = m[3], x.dx = m[4], x.dy = m[5]; break;
        default: return;
        }
        map_ = x;
        applyMapping();
    }

    void play(const Record& r) {
        const std::uint32_t type = r.type();
        // The fixed part of each record must be there before any field is read.
        auto need = [&](std::uint32_t size) { return r.size() >= size; };
        switch (type) {
        case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
            if (need(28)) poly(r, false);
            break;
        case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16:
        case EMR_POLYLINETO16:
            if (need(28)) poly(r, true);
            break;
        case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON:
            if (need(32)) polyPoly(r, false);
            break;
        case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16:
            if (need(32)) polyPoly(r, true);
            break;
        case EMR_SETWINDOWEXTEX: case EMR_SETVIEWPORTEXTEX: {
            if (!need(16) || r.i32(8) == 0 || r.i32(12) == 0) break;
            if (map_.mode != MM_ISOTROPIC && map_.mode != MM_ANISOTROPIC) break;
            (type == EMR_SETWINDOWEXTEX ? map_.we : map_.ve) = SIZE{r.i32(8), r.i32(12)};
            applyMapping();
            break;
        }
        case EMR_SETWINDOWORGEX: case EMR_SETVIEWPORTORGEX:
            if (!need(16)) break;
            (type == EMR_SETWINDOWORGEX ? map_.wo : map_.vo) = POINT{r.i32(8), r.i32(12)};
            applyMapping();
            break;
        case EMR_SCALEVIEWPORTEXTEX: case EMR_SCALEWINDOWEXTEX: {
            if (!need(24) || r.i32(12) == 0 || r.i32(20) == 0) break;
            SIZE& e = type == EMR_SCALEWINDOWEXTEX ? map_.we : map_.ve;
            const long long cx = (long long)e.cx * r.i32(8) / r.i32(12), cy = (long long)e.cy * r.i32(16) / r.i32(20);
            if (cx == 0 || cy == 0 || std::llabs(cx) > INT32_MAX || std::llabs(cy) > INT32_MAX) break;
            e = SIZE{LONG(cx), LONG(cy)};
            applyMapping();
            break;
        }
        case EMR_SETMAPMODE:
            if (!need(12) || r.i32(8) < MM_TEXT || r.i32(8) > MM_ANISOTROPIC) break;
            map_.mode = r.i32(8);
            applyMapping();
            break;
        case EMR_SETWORLDTRANSFORM:
            if (need(32)) world(r);
            break;
        case EMR_MODIFYWORLDTRANSFORM:
            if (need(36)) world(r);
            break;
        case EMR_SETBRUSHORGEX:
            if (need(16)) SetBrushOrgEx(hdc_, r.i32(8), r.i32(12), nullptr);
            break;
        case EMR_SETPIXELV:
            if (need(20)) SetPixelV(hdc_, r.i32(8), r.i32(12), r.u32(16));
            break;
        case EMR_SETBKMODE:
            if (need(12)) SetBkMode(hdc_, r.i32(8));
            break;
        case EMR_SETPOLYFILLMODE:
            if (need(12)) SetPolyFillMode(hdc_, r.i32(8));
            break;
        case EMR_SETROP2:
            if (need(12)) SetROP2(hdc_, r.i32(8));
            break;
        case EMR_SETSTRETCHBLTMODE:
            if (need(12)) SetStretchBltMode(hdc_, r.i32(8));
            break;
        case EMR_SETTEXTALIGN:
            if (need(12)) SetTextAlign(hdc_, r.u32(8));
            break;
        case EMR_SETTEXTCOLOR:
            if (need(12)) SetTextColor(hdc_, r.u32(8) & 0xFFFFFF);
            break;
        case EMR_SETBKCOLOR:
            if (need(12)) SetBkColor(hdc_, r.u32(8) & 0xFFFFFF);
            break;
        case EMR_SETARCDIRECTION:
            if (need(12)) SetArcDirection(hdc_, r.i32(8));
            break;
        case EMR_MOVETOEX:
            if (need(16)) MoveToEx(hdc_, r.i32(8), r.i32(12), nullptr);
            break;
        case EMR_LINETO:
            if (need(16)) LineTo(hdc_, r.i32(8), r.i32(12));
            break;
        case EMR_EXCLUDECLIPRECT: case EMR_INTERSECTCLIPRECT: {
            if (!need(24)) break;
            const RECT q = r.rect(8);
            if (type == EMR_EXCLUDECLIPRECT) ExcludeClipRect(hdc_, q.left, q.top, q.right, q.bottom);
            else IntersectClipRect(hdc_, q.left, q.top, q.right, q.bottom);
            break;
        }
        case EMR_EXTSELECTCLIPRGN:
            if (need(16)) clipRegion(r);
            break;
        case EMR_SAVEDC:
            SaveDC(hdc_);
            saved_.push_back(map_);
            break;
        case EMR_RESTOREDC: {
            if (!need(12)) break;
            const long long rel = r.i32(8), n = (long long)saved_.size();
            if (rel >= 0 || -rel > n) break;
            RestoreDC(hdc_, int(baseLevel_ + n + rel + 1));
            map_ = saved_[std::size_t(n + rel)];
            saved_.resize(std::size_t(n + rel));
            break;
        }
        case EMR_SELECTOBJECT:
            if (need(12))
                if (HGDIOBJ o = object(r.u32(8))) SelectObject(hdc_, o);
            break;
        case EMR_DELETEOBJECT: {
            if (!need(12)) break;
            auto it = objects_.find(r.u32(8));
            if (it == objects_.end()) break;
            DeleteObject(it->second);
            objects_.erase(it);
            break;
        }
        case EMR_CREATEPEN:
            if (need(28)) pen(r);
            break;
        case EMR_EXTCREATEPEN:
            if (need(52)) pen(r);
            break;
        case EMR_CREATEBRUSHINDIRECT:
            if (need(24)) brush(r);
            break;
        case EMR_CREATEDIBPATTERNBRUSHPT: case EMR_CREATEMONOBRUSH:
            if (need(32)) brush(r);
            break;
        case EMR_EXTCREATEFONTINDIRECTW:
            if (need(104)) font(r);
            break;
        case EMR_ELLIPSE: case EMR_RECTANGLE: {
            if (!need(24)) break;
            const RECT q = r.rect(8);
            if (type == EMR_ELLIPSE) Ellipse(hdc_, q.left, q.top, q.right, q.bottom);
            else Rectangle(hdc_, q.left, q.top, q.right, q.bottom);
            break;
        }
        case EMR_ROUNDRECT:
            if (need(32)) RoundRect(hdc_, r.i32(8), r.i32(12), r.i32(16), r.i32(20), r.i32(24), r.i32(28));
            break;
        case EMR_ARC: case EMR_CHORD: case EMR_PIE: {
            if (!need(40)) break;
            playArcRecord(hdc_, type == EMR_ARC ? Arc : type == EMR_CHORD ? Chord : Pie, r.i32(8), r.i32(12), r.i32(16),
                          r.i32(20), r.i32(24), r.i32(28), r.i32(32), r.i32(36));
            break;
        }
        case EMR_EXTFLOODFILL:
            if (need(24)) ExtFloodFill(hdc_, r.i32(8), r.i32(12), r.u32(16) & 0xFFFFFF, r.u32(20));
            break;
        case EMR_BEGINPATH: BeginPath(hdc_); break;
        case EMR_ENDPATH: EndPath(hdc_); break;
        case EMR_CLOSEFIGURE: CloseFigure(hdc_); break;
        case EMR_ABORTPATH: AbortPath(hdc_); break;
        case EMR_FILLPATH: FillPath(hdc_); break;
        case EMR_STROKEPATH: StrokePath(hdc_); break;
        case EMR_STROKEANDFILLPATH: StrokeAndFillPath(hdc_); break;
        case EMR_FILLRGN:
            if (need(32)) fillRegion(r);
            break;
        case EMR_BITBLT:
            if (need(100)) blit(r);
            break;
        case EMR_STRETCHBLT:
            if (need(108)) blit(r);
            break;
        case EMR_STRETCHDIBITS:
            if (need(80)) blit(r);
            break;
        case EMR_SETDIBITSTODEVICE:
            if (need(76)) blit(r);
            break;
        case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW:
            if (need(76)) text(r, type == EMR_EXTTEXTOUTW);
            break;
        default: break;  // comments, colour management, palettes: nothing to draw
        }
    }

    HDC hdc_;
    DC& dc_;
    const std::string& bytes_;
    Header header_;
    double pxPerMmX_ = 96 / 25.4, pxPerMmY_ = 96 / 25.4;
    Axis frameX_, frameY_;  // reference pixels to the context's device pixels
    std::optional<QRegion> startClip_;
    bool ok_ = false;
    int baseLevel_ = 0;
    Mapping map_;
    std::vector<Mapping> saved_;
    std::map<std::uint32_t, HGDIOBJ> objects_;
};

}  // namespace
}  // namespace detail

using namespace detail;

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
    // Pixels per hundredth of a millimetre of the reference device, the scale of the file.
    const double perX = dc->capsWidthMM > 0 ? double(dc->capsWidth) / (dc->capsWidthMM * 100.0) : dc->dpiX / 2540.0;
    const double perY = dc->capsHeightMM > 0 ? double(dc->capsHeight) / (dc->capsHeightMM * 100.0) : dc->dpiY / 2540.0;
    long long w = 0, h = 0;
    if (frame) {
        w = std::llround(std::llabs((long long)frame->right - frame->left) * perX);
        h = std::llround(std::llabs((long long)frame->bottom - frame->top) * perY);
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
    w = std::max(1LL, w);
    h = std::max(1LL, h);
    if (w * h > kMaxSurfacePixels) return nullptr;
    dc->own = QImage(int(w), int(h), QImage::Format_RGB32);
    if (dc->own.isNull()) return nullptr;
    dc->own.fill(0xFFFFFFFFu);
    if (!dc->hasFrame) dc->frame = RECT{0, 0, LONG(std::llround(w / perX)), LONG(std::llround(h / perY))};
    if (file) {
        // The file must be creatable now, as the platform opens it at once.
        QFile probe(fileName(file));
        const bool existed = probe.exists();
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Append)) return nullptr;
        probe.close();
        if (!existed) probe.remove();
        dc->metaFile = file;
    }
    // The description: application name, NUL, title, NUL, NUL.
    std::u16string text;
    if (description) {
        const std::size_t app = std::strlen(description);
        const std::size_t title = std::strlen(description + app + 1);
        text = fromCp1252(description, int(app)).toStdU16String() + u'\0' +
               fromCp1252(description + app + 1, int(title)).toStdU16String() + u'\0' + u'\0';
    }
    dc->emf = std::make_unique<EmfRecorder>(dc->frame, SIZE{dc->capsWidth, dc->capsHeight},
                                            SIZE{dc->capsWidthMM, dc->capsHeightMM}, std::move(text));
    dc->s.font = std::static_pointer_cast<Font>(stockObject(SYSTEM_FONT));
    dc->s.pen = std::static_pointer_cast<Pen>(stockObject(BLACK_PEN));
    dc->s.brush = std::static_pointer_cast<Brush>(stockObject(WHITE_BRUSH));
    return reinterpret_cast<HDC>(add(dc));
}

HENHMETAFILE CloseEnhMetaFile(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || dc->type != DCType::Metafile || !dc->emf) return nullptr;
    remove(hdc);
    auto mf = metafileOf(dc->emf->finish(dc->drawnBounds));
    if (!mf) return nullptr;
    if (!dc->metaFile.empty()) {
        QSaveFile f(fileName(dc->metaFile.c_str()));
        const qint64 n = qint64(mf->bytes.size());
        if (!f.open(QIODevice::WriteOnly) || f.write(mf->bytes.data(), n) != n || !f.commit()) return nullptr;
    }
    return reinterpret_cast<HENHMETAFILE>(add(mf));
}

HENHMETAFILE GetEnhMetaFile(const char* file) {
    Guard g(lock());
    if (!file) return nullptr;
    QFile f(fileName(file));
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxFileBytes) return nullptr;
    const QByteArray in = f.readAll();
    auto mf = metafileOf(std::string(in.constData(), std::size_t(in.size())));
    return mf ? reinterpret_cast<HENHMETAFILE>(add(mf)) : nullptr;
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
    Guard g(lock());
    if (!data || size > kMaxFileBytes) return nullptr;
    auto mf = metafileOf(std::string(reinterpret_cast<const char*>(data), size));
    return mf ? reinterpret_cast<HENHMETAFILE>(add(mf)) : nullptr;
}

UINT GetEnhMetaFileBits(HENHMETAFILE hemf, UINT size, BYTE* data) {
    Guard g(lock());
    auto mf = get<Metafile>(hemf, Kind::Metafile);
    if (!mf) return 0;
    const UINT n = UINT(mf->bytes.size());
    if (!data) return n;
    if (size < n) return 0;
    std::memcpy(data, mf->bytes.data(), n);
    return n;
}

UINT GetEnhMetaFileDescription(HENHMETAFILE hemf, UINT size, char* buffer) {
    Guard g(lock());
    auto mf = get<Metafile>(hemf, Kind::Metafile);
    if (!mf) return GDI_ERROR;
    const std::u16string text = readHeader(mf->bytes)->description;
    if (!buffer) return UINT(text.size());
    const UINT n = std::min<UINT>(size, UINT(text.size()));
    for (UINT k = 0; k < n; ++k) buffer[k] = toCp1252(text[k]);
    return n;
}

BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE hemf, const RECT* rect) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    auto mf = get<Metafile>(hemf, Kind::Metafile);
    if (!dc || !mf || !rect) return FALSE;
    return Player(hdc, *dc, *mf, *rect).run() ? TRUE : FALSE;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE hemf) {
    Guard g(lock());
    if (!get<Metafile>(hemf, Kind::Metafile)) return FALSE;
    remove(hemf);
    return TRUE;
}

}  // namespace gdi
