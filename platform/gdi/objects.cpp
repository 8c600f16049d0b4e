// Handle registry, drawing objects, regions and rectangle helpers.
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/gdi/gdi_internal.h"

namespace gdi {
namespace detail {

namespace {

struct Registry {
    std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> objects;
    std::uintptr_t next = 0x10000;
    std::vector<std::shared_ptr<Object>> stock;
};

Registry& registry() {
    static Registry r;
    return r;
}

std::shared_ptr<Pen> makeStockPen(int style, COLORREF color) {
    auto p = std::make_shared<Pen>();
    p->style = style;
    p->color = color;
    return p;
}

std::shared_ptr<Brush> makeStockBrush(UINT style, COLORREF color) {
    auto b = std::make_shared<Brush>();
    b->style = style;
    b->color = color;
    return b;
}

std::shared_ptr<Font> makeStockFont(int height, int weight, BYTE pitchAndFamily) {
    auto f = std::make_shared<Font>();
    f->lf.lfHeight = height;
    f->lf.lfWeight = weight;
    f->lf.lfPitchAndFamily = pitchAndFamily;
    f->lf.lfQuality = NONANTIALIASED_QUALITY;
    return f;
}

void initStock(Registry& r) {
    r.stock.resize(20);
    r.stock[WHITE_BRUSH] = makeStockBrush(BS_SOLID, RGB(255, 255, 255));
    r.stock[LTGRAY_BRUSH] = makeStockBrush(BS_SOLID, RGB(192, 192, 192));
    r.stock[GRAY_BRUSH] = makeStockBrush(BS_SOLID, RGB(128, 128, 128));
    r.stock[DKGRAY_BRUSH] = makeStockBrush(BS_SOLID, RGB(64, 64, 64));
    r.stock[BLACK_BRUSH] = makeStockBrush(BS_SOLID, RGB(0, 0, 0));
    r.stock[NULL_BRUSH] = makeStockBrush(BS_NULL, 0);
    r.stock[WHITE_PEN] = makeStockPen(PS_SOLID, RGB(255, 255, 255));
    r.stock[BLACK_PEN] = makeStockPen(PS_SOLID, RGB(0, 0, 0));
    r.stock[NULL_PEN] = makeStockPen(PS_NULL, 0);
    r.stock[OEM_FIXED_FONT] = makeStockFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN);
    r.stock[ANSI_FIXED_FONT] = makeStockFont(12, FW_NORMAL, FIXED_PITCH | FF_MODERN);
    r.stock[ANSI_VAR_FONT] = makeStockFont(13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
    r.stock[SYSTEM_FONT] = makeStockFont(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
    r.stock[DEVICE_DEFAULT_FONT] = makeStockFont(16, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
    r.stock[SYSTEM_FIXED_FONT] = makeStockFont(16, FW_NORMAL, FIXED_PITCH | FF_MODERN);
    r.stock[DEFAULT_GUI_FONT] = makeStockFont(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
    for (auto& o : r.stock) {
        if (!o) continue;
        o->stock = true;
        o->handle = r.next;
        r.next += 4;
        r.objects[o->handle] = o;
    }
}

Registry& ready() {
    Registry& r = registry();
    if (r.stock.empty()) initStock(r);
    return r;
}

}  // namespace

std::recursive_mutex& lock() {
    static std::recursive_mutex m;
    return m;
}

std::uintptr_t add(std::shared_ptr<Object> object) {
    Registry& r = ready();
    object->handle = r.next;
    r.next += 4;
    r.objects[object->handle] = object;
    return object->handle;
}

std::shared_ptr<Object> find(const void* handle) {
    if (!handle) return nullptr;
    Registry& r = ready();
    auto it = r.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == r.objects.end() ? nullptr : it->second;
}

void remove(const void* handle) {
    registry().objects.erase(reinterpret_cast<std::uintptr_t>(handle));
}

std::shared_ptr<Object> stockObject(int index) {
    Registry& r = ready();
    if (index < 0 || index >= int(r.stock.size())) return nullptr;
    return r.stock[index];
}

int stockIndexOf(const Object* object) {
    if (!object || !object->stock) return -1;
    const Registry& r = ready();
    for (std::size_t i = 0; i < r.stock.size(); ++i)
        if (r.stock[i].get() == object) return int(i);
    return -1;
}

std::uint32_t rop2Apply(int rop2, std::uint32_t pen, std::uint32_t dst) {
    // The code less one is the truth table over (pen, destination): bit 3 for P=1 D=1,
    // bit 2 for P=1 D=0, bit 1 for P=0 D=1, bit 0 for P=0 D=0.
    const unsigned t = unsigned(rop2 - 1) & 15;
    std::uint32_t r = 0;
    if (t & 8) r |= pen & dst;
    if (t & 4) r |= pen & ~dst;
    if (t & 2) r |= ~pen & dst;
    if (t & 1) r |= ~pen & ~dst;
    return 0xFF000000u | (r & 0xFFFFFFu);
}

std::uint32_t rop3Apply(DWORD rop, std::uint32_t pat, std::uint32_t src, std::uint32_t dst) {
    const unsigned t = (rop >> 16) & 0xFF;
    if (t == 0xCC) return 0xFF000000u | src;
    std::uint32_t r = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (!(t & (1u << i))) continue;
        const std::uint32_t p = (i & 4) ? pat : ~pat;
        const std::uint32_t s = (i & 2) ? src : ~src;
        const std::uint32_t d = (i & 1) ? dst : ~dst;
        r |= p & s & d;
    }
    return 0xFF000000u | (r & 0xFFFFFFu);
}

std::uint32_t monoize(std::uint32_t p) {
    const int luma = (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
    return luma >= 128 ? 0xFFFFFFFFu : 0xFF000000u;
}

int muldiv(long long a, long long b, long long c) {
    if (c == 0) return 0;
    long long n = a * b;
    const bool neg = (n < 0) != (c < 0);
    const long long an = n < 0 ? -n : n;
    const long long ac = c < 0 ? -c : c;
    long long q = (an + ac / 2) / ac;
    if (neg) q = -q;
    return int(std::clamp<long long>(q, INT32_MIN / 2, INT32_MAX / 2));
}

QImage decodeDib(const BITMAPINFO* info, const void* bits, UINT usage) {
    if (!info || usage != DIB_RGB_COLORS) return {};
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight == 0 || h.biCompression != BI_RGB) return {};
    const int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return {};
    const long long width = h.biWidth;
    const long long height = h.biHeight < 0 ? -(long long)h.biHeight : h.biHeight;
    if (width > 65535 || height > 65535) return {};
    int colors = 0;
    if (bpp <= 8) colors = h.biClrUsed ? int(std::min<DWORD>(h.biClrUsed, 1u << bpp)) : (1 << bpp);
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const char*>(info) + h.biSize);
    const auto* pixels = static_cast<const unsigned char*>(bits);
    if (!pixels) pixels = reinterpret_cast<const unsigned char*>(table + colors);
    const long long stride = ((width * bpp + 31) / 32) * 4;
    QImage img(int(width), int(height), QImage::Format_RGB32);
    if (img.isNull()) return {};
    for (long long row = 0; row < height; ++row) {
        const unsigned char* src = pixels + row * stride;
        const int y = h.biHeight < 0 ? int(row) : int(height - 1 - row);
        auto* dst = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
        for (long long x = 0; x < width; ++x) {
            std::uint32_t p = 0;
            if (bpp == 32 || bpp == 24) {
                const unsigned char* q = src + x * (bpp / 8);
                p = 0xFF000000u | (std::uint32_t(q[2]) << 16) | (std::uint32_t(q[1]) << 8) | q[0];
            } else {
                int index = 0;
                if (bpp == 8) index = src[x];
                else if (bpp == 4) index = (src[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F;
                else index = (src[x / 8] >> (7 - (x & 7))) & 1;
                if (index < colors) {
                    const RGBQUAD& c = table[index];
                    p = 0xFF000000u | (std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbGreen) << 8) |
                        c.rgbBlue;
                } else {
                    p = 0xFF000000u;
                }
            }
            dst[x] = p;
        }
    }
    return img;
}

}  // namespace detail

using namespace detail;

// ---------------------------------------------------------------------------------------------
// Pens and brushes.

HPEN CreatePen(int style, int width, COLORREF color) {
    Guard g(lock());
    if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
    auto p = std::make_shared<Pen>();
    p->style = style;
    p->width = std::max(0, width);
    p->color = color & 0xFFFFFF;
    // A wide simple pen is drawn solid: only the geometric pens carry dashes at any width.
    if (p->width > 1 && style != PS_NULL && style != PS_INSIDEFRAME) p->style = PS_SOLID;
    return reinterpret_cast<HPEN>(add(p));
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount,
                  const DWORD* styles) {
    Guard g(lock());
    if (!brush) return nullptr;
    const int s = int(style & PS_STYLE_MASK);
    if (s > PS_ALTERNATE) return nullptr;
    const bool geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
    if (!geometric && width != 1) return nullptr;
    if (s == PS_USERSTYLE && (styleCount == 0 || styleCount > 16 || !styles)) return nullptr;
    if (brush->lbStyle == BS_NULL) return reinterpret_cast<HPEN>(add(makeStockPen(PS_NULL, 0)));
    auto p = std::make_shared<Pen>();
    p->style = s;
    p->width = int(std::min<DWORD>(width, 1u << 20));
    p->color = brush->lbColor & 0xFFFFFF;
    p->geometric = geometric;
    p->endcap = int(style & PS_ENDCAP_MASK);
    p->join = int(style & PS_JOIN_MASK);
    if (s == PS_USERSTYLE)
        for (DWORD i = 0; i < styleCount; ++i) p->userStyle.push_back(int(std::min<DWORD>(styles[i], 1u << 16)));
    return reinterpret_cast<HPEN>(add(p));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    Guard g(lock());
    auto b = makeStockBrush(BS_SOLID, color & 0xFFFFFF);
    return reinterpret_cast<HBRUSH>(add(b));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
    Guard g(lock());
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
    auto b = makeStockBrush(BS_HATCHED, color & 0xFFFFFF);
    b->hatch = hatch;
    return reinterpret_cast<HBRUSH>(add(b));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
    Guard g(lock());
    auto bm = get<Bitmap>(bitmap, Kind::Bitmap);
    if (!bm || bm->image.isNull()) return nullptr;
    auto b = makeStockBrush(BS_PATTERN, 0);
    // A deep copy: sharing would make the next drawing on the bitmap move its pixel memory.
    b->pattern = bm->image.convertToFormat(QImage::Format_RGB32).copy();
    b->monoPattern = bm->mono;
    return reinterpret_cast<HBRUSH>(add(b));
}

HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage) {
    Guard g(lock());
    QImage img = decodeDib(static_cast<const BITMAPINFO*>(packedDib), nullptr, usage);
    if (img.isNull()) return nullptr;
    auto b = makeStockBrush(BS_DIBPATTERNPT, 0);
    b->pattern = img;
    return reinterpret_cast<HBRUSH>(add(b));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
    if (!lb) return nullptr;
    switch (lb->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb->lbColor);
    case BS_HATCHED: return CreateHatchBrush(int(lb->lbHatch), lb->lbColor);
    case BS_NULL: {
        Guard g(lock());
        return reinterpret_cast<HBRUSH>(add(makeStockBrush(BS_NULL, 0)));
    }
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    case BS_DIBPATTERNPT: return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(lb->lbHatch), UINT(lb->lbColor));
    default: return nullptr;
    }
}

// ---------------------------------------------------------------------------------------------
// Fonts.

HFONT CreateFontIndirect(const LOGFONT* lf) {
    Guard g(lock());
    if (!lf) return nullptr;
    auto f = std::make_shared<Font>();
    f->lf = *lf;
    // The caller's face may lack its terminating NUL: keep at most 31 bytes.
    f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
    return reinterpret_cast<HFONT>(add(f));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = italic ? 1 : 0;
    lf.lfUnderline = underline ? 1 : 0;
    lf.lfStrikeOut = strikeOut ? 1 : 0;
    lf.lfCharSet = BYTE(charSet);
    lf.lfOutPrecision = BYTE(outPrecision);
    lf.lfClipPrecision = BYTE(clipPrecision);
    lf.lfQuality = BYTE(quality);
    lf.lfPitchAndFamily = BYTE(pitchAndFamily);
    if (face) {
        std::size_t n = 0;
        while (n < LF_FACESIZE - 1 && face[n]) ++n;
        std::memcpy(lf.lfFaceName, face, n);
        lf.lfFaceName[n] = 0;
    }
    return CreateFontIndirect(&lf);
}

// ---------------------------------------------------------------------------------------------
// Generic object calls.

HGDIOBJ GetStockObject(int index) {
    Guard g(lock());
    auto o = stockObject(index);
    return o ? reinterpret_cast<HGDIOBJ>(o->handle) : nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
    Guard g(lock());
    auto o = find(object);
    if (!o || o->kind == Kind::DC || o->kind == Kind::Metafile) return FALSE;
    if (o->stock) return TRUE;
    // A bitmap selected into a context stays there until replaced; the handle goes now.
    remove(object);
    return TRUE;
}

UINT GetObjectType(HGDIOBJ object) {
    Guard g(lock());
    auto o = find(object);
    if (!o) return 0;
    switch (o->kind) {
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Font: return OBJ_FONT;
    case Kind::Region: return OBJ_REGION;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Metafile: return OBJ_ENHMETAFILE;
    case Kind::DC: {
        auto d = std::static_pointer_cast<DC>(o);
        if (d->type == DCType::Memory) return OBJ_MEMDC;
        if (d->type == DCType::Metafile) return OBJ_ENHMETADC;
        return OBJ_DC;
    }
    }
    return 0;
}

int GetObject(HGDIOBJ object, int size, void* buffer) {
    Guard g(lock());
    auto o = find(object);
    if (!o) return 0;
    auto give = [&](const void* data, int n) {
        if (!buffer) return n;
        if (size < n) return 0;
        std::memcpy(buffer, data, std::size_t(n));
        return n;
    };
    switch (o->kind) {
    case Kind::Pen: {
        auto p = std::static_pointer_cast<Pen>(o);
        LOGPEN lp;
        lp.lopnStyle = UINT(p->style);
        lp.lopnWidth.x = p->width;
        lp.lopnColor = p->color;
        return give(&lp, int(sizeof lp));
    }
    case Kind::Brush: {
        auto b = std::static_pointer_cast<Brush>(o);
        LOGBRUSH lb;
        lb.lbStyle = b->style;
        lb.lbColor = b->color;
        lb.lbHatch = std::uintptr_t(b->hatch);
        return give(&lb, int(sizeof lb));
    }
    case Kind::Font: {
        auto f = std::static_pointer_cast<Font>(o);
        return give(&f->lf, int(sizeof f->lf));
    }
    case Kind::Bitmap: {
        auto b = std::static_pointer_cast<Bitmap>(o);
        BITMAP bm;
        bm.bmWidth = b->image.width();
        bm.bmHeight = b->image.height();
        bm.bmPlanes = 1;
        bm.bmBitsPixel = b->mono ? 1 : 32;
        bm.bmWidthBytes = b->mono ? ((bm.bmWidth + 15) / 16) * 2 : bm.bmWidth * 4;
        bm.bmBits = b->sectionBits.empty() ? nullptr : b->sectionBits.data();
        return give(&bm, int(sizeof bm));
    }
    default: return 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Regions.

namespace {

HRGN newRegion(const QRegion& r) {
    auto rg = std::make_shared<Region>();
    rg->region = r;
    return reinterpret_cast<HRGN>(add(rg));
}

int regionKind(const QRegion& r) {
    if (r.isEmpty()) return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

QRect ordered(int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    Guard g(lock());
    QRect r = ordered(left, top, right, bottom);
    return newRegion(r.isValid() ? QRegion(r) : QRegion());
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
    if (!rect) return nullptr;
    return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
    Guard g(lock());
    QRect r = ordered(left, top, right, bottom);
    if (!r.isValid()) return newRegion(QRegion());
    QPainterPath path;
    path.addEllipse(QRectF(r.left(), r.top(), r.width() - 1, r.height() - 1));
    QPolygonF poly = path.toFillPolygon();
    std::vector<QPointF> pts(poly.begin(), poly.end());
    return newRegion(polygonRegion({pts}, ALTERNATE, true));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
    Guard g(lock());
    if (!points || count < 2) return nullptr;
    std::vector<QPointF> pts;
    for (int i = 0; i < count; ++i) pts.emplace_back(points[i].x, points[i].y);
    return newRegion(polygonRegion({pts}, fillMode == WINDING ? WINDING : ALTERNATE, false));
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
    Guard g(lock());
    auto d = get<Region>(dest, Kind::Region);
    auto a = get<Region>(src1, Kind::Region);
    if (!d || !a) return RGN_ERROR;
    if (mode == RGN_COPY) {
        d->region = a->region;
        return regionKind(d->region);
    }
    auto b = get<Region>(src2, Kind::Region);
    if (!b) return RGN_ERROR;
    switch (mode) {
    case RGN_AND: d->region = a->region.intersected(b->region); break;
    case RGN_OR: d->region = a->region.united(b->region); break;
    case RGN_XOR: d->region = a->region.xored(b->region); break;
    case RGN_DIFF: d->region = a->region.subtracted(b->region); break;
    default: return RGN_ERROR;
    }
    return regionKind(d->region);
}

int OffsetRgn(HRGN region, int dx, int dy) {
    Guard g(lock());
    auto r = get<Region>(region, Kind::Region);
    if (!r) return RGN_ERROR;
    r->region.translate(dx, dy);
    return regionKind(r->region);
}

BOOL PtInRegion(HRGN region, int x, int y) {
    Guard g(lock());
    auto r = get<Region>(region, Kind::Region);
    return r && r->region.contains(QPoint(x, y)) ? TRUE : FALSE;
}

int GetRgnBox(HRGN region, RECT* rect) {
    Guard g(lock());
    auto r = get<Region>(region, Kind::Region);
    if (!r || !rect) return RGN_ERROR;
    QRect b = r->region.boundingRect();
    if (b.isEmpty()) *rect = RECT{};
    else *rect = RECT{b.left(), b.top(), b.right() + 1, b.bottom() + 1};
    return regionKind(r->region);
}

// ---------------------------------------------------------------------------------------------
// Rectangle helpers.

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
    if (!rect) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(RECT* rect) {
    if (!rect) return FALSE;
    *rect = RECT{};
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) {
    return !rect || rect->right <= rect->left || rect->bottom <= rect->top ? TRUE : FALSE;
}

BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b) {
    if (!dest || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        *dest = RECT{};
        return FALSE;
    }
    *dest = r;
    return TRUE;
}

BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b) {
    if (!dest || !a || !b) return FALSE;
    if (IsRectEmpty(a)) {
        *dest = *b;
    } else if (IsRectEmpty(b)) {
        *dest = *a;
    } else {
        *dest = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                     std::max(a->bottom, b->bottom)};
    }
    return IsRectEmpty(dest) ? FALSE : TRUE;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InflateRect(RECT* rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL PtInRect(const RECT* rect, POINT p) {
    return rect && p.x >= rect->left && p.x < rect->right && p.y >= rect->top && p.y < rect->bottom
               ? TRUE
               : FALSE;
}

}  // namespace gdi
