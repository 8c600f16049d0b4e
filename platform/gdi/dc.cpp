// Device contexts: kinds, state, mapping modes, capabilities, clipping, object selection.
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "platform/gdi/emf_record.h"
#include "platform/gdi/gdi_internal.h"

namespace gdi {
namespace detail {

DC::DC() : Object(Kind::DC) {}

DC::~DC() {
    if (bitmap && bitmap->selectedIn == this) bitmap->selectedIn = nullptr;
}

QImage* DC::surface() {
    switch (type) {
    case DCType::Memory: return bitmap ? &bitmap->image : nullptr;
    case DCType::Image: return external;
    case DCType::Device:
    case DCType::Metafile: return own.isNull() ? nullptr : &own;
    case DCType::Screen: return nullptr;
    }
    return nullptr;
}

SIZE DC::effectiveViewportExt() const {
    SIZE ve = s.viewportExt;
    if (s.mapMode == MM_ISOTROPIC && s.windowExt.cx && s.windowExt.cy && ve.cx && ve.cy) {
        const double ax = std::abs(double(ve.cx) / s.windowExt.cx);
        const double ay = std::abs(double(ve.cy) / s.windowExt.cy);
        const double m = std::min(ax, ay);
        ve.cx = LONG(std::lround(m * std::abs(s.windowExt.cx))) * (ve.cx < 0 ? -1 : 1);
        ve.cy = LONG(std::lround(m * std::abs(s.windowExt.cy))) * (ve.cy < 0 ? -1 : 1);
        if (ve.cx == 0) ve.cx = s.viewportExt.cx < 0 ? -1 : 1;
        if (ve.cy == 0) ve.cy = s.viewportExt.cy < 0 ? -1 : 1;
    }
    return ve;
}

POINT DC::toDevice(int x, int y) const {
    const SIZE ve = effectiveViewportExt();
    return POINT{s.viewportOrg.x + muldiv((long long)x - s.windowOrg.x, ve.cx, s.windowExt.cx),
                 s.viewportOrg.y + muldiv((long long)y - s.windowOrg.y, ve.cy, s.windowExt.cy)};
}

POINT DC::toLogical(int x, int y) const {
    const SIZE ve = effectiveViewportExt();
    return POINT{s.windowOrg.x + muldiv((long long)x - s.viewportOrg.x, s.windowExt.cx, ve.cx),
                 s.windowOrg.y + muldiv((long long)y - s.viewportOrg.y, s.windowExt.cy, ve.cy)};
}

double DC::scaleX() const {
    if (s.mapMode == MM_TEXT || !s.windowExt.cx) return 1.0;
    return std::abs(double(effectiveViewportExt().cx) / s.windowExt.cx);
}

double DC::scaleY() const {
    if (s.mapMode == MM_TEXT || !s.windowExt.cy) return 1.0;
    return std::abs(double(effectiveViewportExt().cy) / s.windowExt.cy);
}

bool DC::mirrors() const {
    if (s.mapMode == MM_TEXT) return false;
    const SIZE ve = effectiveViewportExt();
    const bool flipX = (ve.cx < 0) != (s.windowExt.cx < 0), flipY = (ve.cy < 0) != (s.windowExt.cy < 0);
    return flipX != flipY;
}

QRect DC::deviceRect(int left, int top, int right, int bottom) const {
    POINT a = toDevice(left, top);
    POINT b = toDevice(right, bottom);
    if (a.x > b.x) std::swap(a.x, b.x);
    if (a.y > b.y) std::swap(a.y, b.y);
    return QRect(a.x, a.y, b.x - a.x, b.y - a.y);
}

QRect DC::clipBounds() {
    QImage* img = surface();
    if (!img) return {};
    QRect r = img->rect();
    if (s.clip) r &= s.clip->boundingRect();
    return r;
}

void DC::noteDrawn(const QRect& r) {
    pageDirty = true;
    drawnBounds |= r;
}

void flushPage(DC& dc) {
    if (dc.type != DCType::Device || !dc.device || dc.own.isNull()) return;
    if (!dc.devicePainter) {
        dc.devicePainter = std::make_unique<QPainter>();
        if (!dc.devicePainter->begin(dc.device)) {
            dc.devicePainter.reset();
            return;
        }
    }
    if (dc.own.size() == QSize(dc.device->width(), dc.device->height()))
        dc.devicePainter->drawImage(0, 0, dc.own);
    else
        dc.devicePainter->drawImage(QRect(0, 0, dc.device->width(), dc.device->height()), dc.own);
    dc.pageDirty = false;
}

namespace {

struct ScreenCaps {
    int width = 1280;
    int height = 1024;
};

ScreenCaps screenCaps() {
    ScreenCaps c;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            const QSize size = s->geometry().size();
            if (size.width() > 0 && size.height() > 0) {
                c.width = size.width();
                c.height = size.height();
            }
        }
    }
    return c;
}

int toMM(int pixels, int dpi) { return dpi > 0 ? int(std::lround(pixels * 25.4 / dpi)) : 0; }

void initDefaults(DC& dc) {
    dc.s.pen = std::static_pointer_cast<Pen>(stockObject(BLACK_PEN));
    dc.s.brush = std::static_pointer_cast<Brush>(stockObject(WHITE_BRUSH));
    dc.s.font = std::static_pointer_cast<Font>(stockObject(SYSTEM_FONT));
}

void screenLike(DC& dc) {
    const ScreenCaps c = screenCaps();
    dc.dpiX = dc.dpiY = 96;
    dc.capsWidth = c.width;
    dc.capsHeight = c.height;
    dc.capsWidthMM = toMM(c.width, 96);
    dc.capsHeightMM = toMM(c.height, 96);
    dc.technology = DT_RASDISPLAY;
}

void copyCaps(DC& to, const DC& from) {
    to.dpiX = from.dpiX;
    to.dpiY = from.dpiY;
    to.capsWidth = from.capsWidth;
    to.capsHeight = from.capsHeight;
    to.capsWidthMM = from.capsWidthMM;
    to.capsHeightMM = from.capsHeightMM;
    to.technology = from.technology == DT_METAFILE ? DT_RASDISPLAY : from.technology;
}

std::shared_ptr<Bitmap> newMonoBitmap(int w, int h) {
    auto b = std::make_shared<Bitmap>();
    b->image = QImage(w, h, QImage::Format_RGB32);
    if (!b->image.isNull()) b->image.fill(0xFF000000u);
    b->mono = true;
    return b;
}

void setFixedExtents(DC& dc) {
    int units = 0;
    switch (dc.s.mapMode) {
    case MM_LOMETRIC: units = 254; break;
    case MM_HIMETRIC: units = 2540; break;
    case MM_LOENGLISH: units = 100; break;
    case MM_HIENGLISH: units = 1000; break;
    case MM_TWIPS: units = 1440; break;
    default: return;
    }
    dc.s.windowExt = SIZE{units, units};
    dc.s.viewportExt = SIZE{dc.dpiX, -dc.dpiY};
}

}  // namespace

std::shared_ptr<Bitmap> makeMonoBitmap(int w, int h) { return newMonoBitmap(w, h); }

}  // namespace detail

using namespace detail;

// ---------------------------------------------------------------------------------------------
// Creation and release.

HDC CreateCompatibleDC(HDC hdc) {
    Guard g(lock());
    auto dc = std::make_shared<DC>();
    dc->type = DCType::Memory;
    if (hdc) {
        auto base = dcOf(hdc);
        if (!base) return nullptr;
        copyCaps(*dc, *base);
    } else {
        screenLike(*dc);
    }
    initDefaults(*dc);
    dc->defaultBitmap = newMonoBitmap(1, 1);
    add(dc->defaultBitmap);
    dc->defaultBitmap->stock = true;  // survives DeleteObject; goes with its context
    dc->bitmap = dc->defaultBitmap;
    dc->bitmap->selectedIn = dc.get();
    return reinterpret_cast<HDC>(add(dc));
}

HDC GetDC(HWND hwnd) {
    Guard g(lock());
    if (hwnd) return nullptr;
    auto dc = std::make_shared<DC>();
    dc->type = DCType::Screen;
    screenLike(*dc);
    initDefaults(*dc);
    return reinterpret_cast<HDC>(add(dc));
}

int ReleaseDC(HWND, HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || dc->type != DCType::Screen) return 0;
    remove(hdc);
    return 1;
}

HDC CreateImageDC(QImage* image) {
    Guard g(lock());
    if (!image || image->isNull()) return nullptr;
    const auto f = image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        *image = image->convertToFormat(QImage::Format_RGB32);
    auto dc = std::make_shared<DC>();
    dc->type = DCType::Image;
    dc->external = image;
    screenLike(*dc);
    initDefaults(*dc);
    return reinterpret_cast<HDC>(add(dc));
}

HDC CreatePaintDeviceDC(QPaintDevice* device) {
    Guard g(lock());
    if (!device || device->width() <= 0 || device->height() <= 0) return nullptr;
    auto dc = std::make_shared<DC>();
    dc->type = DCType::Device;
    dc->device = device;
    // A page at a very high resolution is drawn at a whole fraction of it, so that the page image
    // stays within memory; the context then reports that resolution, and the page is scaled up
    // onto the device.
    int divisor = 1;
    while ((long long)(device->width() / divisor) * (device->height() / divisor) > (64LL << 20)) divisor *= 2;
    dc->own = QImage(std::max(1, device->width() / divisor), std::max(1, device->height() / divisor),
                     QImage::Format_RGB32);
    if (dc->own.isNull()) return nullptr;
    dc->own.fill(0xFFFFFFFFu);
    dc->dpiX = std::max(1, device->logicalDpiX() / divisor);
    dc->dpiY = std::max(1, device->logicalDpiY() / divisor);
    dc->own.setDotsPerMeterX(int(std::lround(dc->dpiX / 0.0254)));
    dc->own.setDotsPerMeterY(int(std::lround(dc->dpiY / 0.0254)));
    dc->capsWidth = dc->own.width();
    dc->capsHeight = dc->own.height();
    dc->capsWidthMM = device->widthMM() > 0 ? device->widthMM() : toMM(device->width(), dc->dpiX);
    dc->capsHeightMM = device->heightMM() > 0 ? device->heightMM() : toMM(device->height(), dc->dpiY);
    dc->technology = DT_RASPRINTER;
    initDefaults(*dc);
    return reinterpret_cast<HDC>(add(dc));
}

BOOL FlushDC(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || dc->type != DCType::Device) return FALSE;
    flushPage(*dc);
    return dc->devicePainter ? TRUE : FALSE;
}

int StartPage(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || dc->type != DCType::Device) return 0;
    if (dc->pageEnded) {
        if (auto* paged = dynamic_cast<QPagedPaintDevice*>(dc->device)) paged->newPage();
        dc->own.fill(0xFFFFFFFFu);
        dc->pageEnded = false;
        dc->pageDirty = false;
    }
    return 1;
}

int EndPage(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || dc->type != DCType::Device) return 0;
    flushPage(*dc);
    dc->pageEnded = true;
    return dc->devicePainter ? 1 : 0;
}

BOOL DeleteDC(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (dc->type == DCType::Device) {
        if (dc->pageDirty || !dc->devicePainter) flushPage(*dc);
        if (dc->devicePainter) dc->devicePainter->end();
        dc->devicePainter.reset();
    }
    if (dc->bitmap && dc->bitmap->selectedIn == dc.get()) dc->bitmap->selectedIn = nullptr;
    if (dc->defaultBitmap) remove(reinterpret_cast<void*>(dc->defaultBitmap->handle));
    remove(hdc);
    return TRUE;
}

QImage* GetDCImage(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    return dc ? dc->surface() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// State.

int SaveDC(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return 0;
    if (dc->emf) dc->emf->fields(EMR_SAVEDC, {});
    dc->saved.push_back(dc->s);
    return int(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int level) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || level == 0) return FALSE;
    const int n = int(dc->saved.size());
    const int target = level < 0 ? n + level + 1 : level;
    if (target < 1 || target > n) return FALSE;
    if (dc->emf) dc->emf->fields(EMR_RESTOREDC, {target - n - 1});
    dc->s = dc->saved[std::size_t(target - 1)];
    dc->saved.resize(std::size_t(target - 1));
    dc->dashPos = 0;
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return 0;
    switch (index) {
    case TECHNOLOGY: return dc->technology;
    case HORZSIZE: return dc->capsWidthMM;
    case VERTSIZE: return dc->capsHeightMM;
    case HORZRES: return dc->capsWidth;
    case VERTRES: return dc->capsHeight;
    case BITSPIXEL: return dc->mono() ? 1 : 32;
    case PLANES: return 1;
    case NUMBRUSHES:
    case NUMPENS:
    case NUMCOLORS: return -1;
    case NUMFONTS: return 0;
    case ASPECTX:
    case ASPECTY: return 36;
    case ASPECTXY: return 51;
    case LOGPIXELSX: return dc->dpiX;
    case LOGPIXELSY: return dc->dpiY;
    case SIZEPALETTE: return 0;
    case RASTERCAPS: return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_STRETCHBLT | RC_FLOODFILL | RC_STRETCHDIB;
    case PHYSICALWIDTH: return dc->technology == DT_RASPRINTER ? dc->capsWidth : 0;
    case PHYSICALHEIGHT: return dc->technology == DT_RASPRINTER ? dc->capsHeight : 0;
    case PHYSICALOFFSETX:
    case PHYSICALOFFSETY: return 0;
    default: return 0;
    }
}

#define GDI_SETTER(Name, field, Type, bad, check, record)                      \
    Type Set##Name(HDC hdc, Type value) {                                       \
        Guard g(lock());                                                        \
        auto dc = dcOf(hdc);                                                    \
        if (!dc || !(check)) return bad;                                        \
        if (dc->emf) dc->emf->fields(record, {std::int32_t(value)});            \
        Type old = dc->s.field;                                                 \
        dc->s.field = value;                              \
        return old;                                       \
    }                                                     \
    Type Get##Name(HDC hdc) {                             \
        Guard g(lock());                                  \
        auto dc = dcOf(hdc);                              \
        return dc ? dc->s.field : bad;                    \
    }

GDI_SETTER(BkMode, bkMode, int, 0, value == TRANSPARENT || value == OPAQUE, EMR_SETBKMODE)
GDI_SETTER(BkColor, bkColor, COLORREF, CLR_INVALID, true, EMR_SETBKCOLOR)
GDI_SETTER(TextColor, textColor, COLORREF, CLR_INVALID, true, EMR_SETTEXTCOLOR)
GDI_SETTER(TextAlign, textAlign, UINT, GDI_ERROR, true, EMR_SETTEXTALIGN)
GDI_SETTER(ROP2, rop2, int, 0, value >= R2_BLACK && value <= R2_WHITE, EMR_SETROP2)
GDI_SETTER(PolyFillMode, fillMode, int, 0, value == ALTERNATE || value == WINDING, EMR_SETPOLYFILLMODE)
GDI_SETTER(StretchBltMode, stretchMode, int, 0, value >= BLACKONWHITE && value <= HALFTONE, EMR_SETSTRETCHBLTMODE)
GDI_SETTER(ArcDirection, arcDirection, int, 0, value == AD_COUNTERCLOCKWISE || value == AD_CLOCKWISE, EMR_SETARCDIRECTION)
#undef GDI_SETTER

BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* previous) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->s.brushOrg;
    dc->s.brushOrg = POINT{x, y};
    if (dc->emf) dc->emf->fields(EMR_SETBRUSHORGEX, {x, y});
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* point) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !point) return FALSE;
    *point = dc->s.current;
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Mapping.

int SetMapMode(HDC hdc, int mode) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
    if (dc->emf) dc->emf->fields(EMR_SETMAPMODE, {mode});
    const int old = dc->s.mapMode;
    dc->s.mapMode = mode;
    if (mode == MM_TEXT) {
        dc->s.windowExt = SIZE{1, 1};
        dc->s.viewportExt = SIZE{1, 1};
    } else if (mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC) {
        setFixedExtents(*dc);
    }
    return old;
}

int GetMapMode(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    return dc ? dc->s.mapMode : 0;
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* previous) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->s.windowOrg;
    dc->s.windowOrg = POINT{x, y};
    if (dc->emf) dc->emf->fields(EMR_SETWINDOWORGEX, {x, y});
    return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->s.viewportOrg;
    dc->s.viewportOrg = POINT{x, y};
    if (dc->emf) dc->emf->fields(EMR_SETVIEWPORTORGEX, {x, y});
    return TRUE;
}

BOOL SetWindowExtEx(HDC hdc, int x, int y, SIZE* previous) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->s.windowExt;
    if (dc->s.mapMode != MM_ISOTROPIC && dc->s.mapMode != MM_ANISOTROPIC) return TRUE;
    if (x == 0 || y == 0) return FALSE;
    dc->s.windowExt = SIZE{x, y};
    if (dc->emf) dc->emf->fields(EMR_SETWINDOWEXTEX, {x, y});
    return TRUE;
}

BOOL SetViewportExtEx(HDC hdc, int x, int y, SIZE* previous) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->effectiveViewportExt();
    if (dc->s.mapMode != MM_ISOTROPIC && dc->s.mapMode != MM_ANISOTROPIC) return TRUE;
    if (x == 0 || y == 0) return FALSE;
    dc->s.viewportExt = SIZE{x, y};
    if (dc->emf) dc->emf->fields(EMR_SETVIEWPORTEXTEX, {x, y});
    return TRUE;
}

BOOL GetWindowOrgEx(HDC hdc, POINT* point) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !point) return FALSE;
    *point = dc->s.windowOrg;
    return TRUE;
}

BOOL GetWindowExtEx(HDC hdc, SIZE* size) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !size) return FALSE;
    *size = dc->s.windowExt;
    return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, POINT* point) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !point) return FALSE;
    *point = dc->s.viewportOrg;
    return TRUE;
}

BOOL GetViewportExtEx(HDC hdc, SIZE* size) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !size) return FALSE;
    *size = dc->effectiveViewportExt();
    return TRUE;
}

BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, POINT* previous) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->s.windowOrg;
    dc->s.windowOrg.x += dx;
    dc->s.windowOrg.y += dy;
    if (dc->emf) dc->emf->fields(EMR_SETWINDOWORGEX, {dc->s.windowOrg.x, dc->s.windowOrg.y});
    return TRUE;
}

BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* previous) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->s.viewportOrg;
    dc->s.viewportOrg.x += dx;
    dc->s.viewportOrg.y += dy;
    if (dc->emf) dc->emf->fields(EMR_SETVIEWPORTORGEX, {dc->s.viewportOrg.x, dc->s.viewportOrg.y});
    return TRUE;
}

BOOL LPtoDP(HDC hdc, POINT* points, int count) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || (!points && count > 0) || count < 0) return FALSE;
    for (int i = 0; i < count; ++i) points[i] = dc->toDevice(points[i].x, points[i].y);
    return TRUE;
}

BOOL DPtoLP(HDC hdc, POINT* points, int count) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || (!points && count > 0) || count < 0) return FALSE;
    for (int i = 0; i < count; ++i) points[i] = dc->toLogical(points[i].x, points[i].y);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Object selection.

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    auto o = find(object);
    if (!dc || !o) return nullptr;
    auto previous = [](const std::shared_ptr<Object>& p) -> HGDIOBJ {
        return p ? reinterpret_cast<HGDIOBJ>(p->handle) : nullptr;
    };
    switch (o->kind) {
    case Kind::Pen: {
        if (dc->emf) dc->emf->select(o);
        HGDIOBJ old = previous(dc->s.pen);
        dc->s.pen = std::static_pointer_cast<Pen>(o);
        dc->dashPos = 0;
        return old;
    }
    case Kind::Brush: {
        if (dc->emf) dc->emf->select(o);
        HGDIOBJ old = previous(dc->s.brush);
        dc->s.brush = std::static_pointer_cast<Brush>(o);
        return old;
    }
    case Kind::Font: {
        if (dc->emf) dc->emf->select(o);
        HGDIOBJ old = previous(dc->s.font);
        dc->s.font = std::static_pointer_cast<Font>(o);
        return old;
    }
    case Kind::Bitmap: {
        if (dc->type != DCType::Memory) return nullptr;
        auto bm = std::static_pointer_cast<Bitmap>(o);
        if (bm->selectedIn && bm->selectedIn != dc.get()) return nullptr;
        if (bm->image.isNull()) return nullptr;
        HGDIOBJ old = previous(dc->bitmap);
        if (dc->bitmap) dc->bitmap->selectedIn = nullptr;
        dc->bitmap = bm;
        bm->selectedIn = dc.get();
        // A new surface: the clip region of the old one no longer applies.
        dc->s.clip.reset();
        return old;
    }
    case Kind::Region: {
        int kind = SelectClipRgn(hdc, reinterpret_cast<HRGN>(object));
        return reinterpret_cast<HGDIOBJ>(std::uintptr_t(kind));
    }
    default: return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return nullptr;
    std::shared_ptr<Object> o;
    switch (type) {
    case OBJ_PEN: o = dc->s.pen; break;
    case OBJ_BRUSH: o = dc->s.brush; break;
    case OBJ_FONT: o = dc->s.font; break;
    case OBJ_BITMAP: o = dc->bitmap; break;
    default: break;
    }
    return o ? reinterpret_cast<HGDIOBJ>(o->handle) : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Clipping.

namespace {
int clipKind(const DC& dc) {
    if (!dc.s.clip) return SIMPLEREGION;
    if (dc.s.clip->isEmpty()) return NULLREGION;
    return dc.s.clip->rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

QRegion currentClip(DC& dc) {
    if (dc.s.clip) return *dc.s.clip;
    QImage* img = dc.surface();
    if (img) return QRegion(img->rect());
    return QRegion(QRect(0, 0, dc.capsWidth, dc.capsHeight));
}
}  // namespace

int SelectClipRgn(HDC hdc, HRGN region) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return RGN_ERROR;
    if (!region) {
        dc->s.clip.reset();
        if (dc->emf) dc->emf->clip(dc->s.clip);
        return SIMPLEREGION;
    }
    auto r = get<Region>(region, Kind::Region);
    if (!r) return RGN_ERROR;
    dc->s.clip = r->region;
    if (dc->emf) dc->emf->clip(dc->s.clip);
    return clipKind(*dc);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return RGN_ERROR;
    if (dc->emf) dc->emf->box(EMR_INTERSECTCLIPRECT, left, top, right, bottom);
    dc->s.clip = currentClip(*dc).intersected(dc->deviceRect(left, top, right, bottom));
    return clipKind(*dc);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return RGN_ERROR;
    if (dc->emf) dc->emf->box(EMR_EXCLUDECLIPRECT, left, top, right, bottom);
    dc->s.clip = currentClip(*dc).subtracted(dc->deviceRect(left, top, right, bottom));
    return clipKind(*dc);
}

int GetClipBox(HDC hdc, RECT* rect) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !rect) return RGN_ERROR;
    QRect b = currentClip(*dc).boundingRect();
    if (QImage* img = dc->surface()) b &= img->rect();
    if (b.isEmpty()) {
        *rect = RECT{};
        return NULLREGION;
    }
    POINT a = dc->toLogical(b.left(), b.top());
    POINT c = dc->toLogical(b.right() + 1, b.bottom() + 1);
    *rect = RECT{std::min(a.x, c.x), std::min(a.y, c.y), std::max(a.x, c.x), std::max(a.y, c.y)};
    return clipKind(*dc);
}

int GetClipRgn(HDC hdc, HRGN region) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    auto r = get<Region>(region, Kind::Region);
    if (!dc || !r) return -1;
    if (!dc->s.clip) return 0;
    r->region = *dc->s.clip;
    return 1;
}

}  // namespace gdi
