#pragma once
// Inner workings shared by the sources of the drawing layer; not for callers.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRegion>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace gdi::detail {

enum class Kind { Pen, Brush, Font, Region, Bitmap, Metafile, DC };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    std::uintptr_t handle = 0;
    bool stock = false;
};

struct Pen : Object {
    Pen() : Object(Kind::Pen) {}
    int style = PS_SOLID;  // PS_SOLID..PS_ALTERNATE
    int width = 0;         // logical units
    COLORREF color = 0;
    bool geometric = false;
    int endcap = PS_ENDCAP_ROUND;
    int join = PS_JOIN_ROUND;
    std::vector<int> userStyle;
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
    int hatch = 0;
    QImage pattern;  // BS_PATTERN / BS_DIBPATTERNPT
    bool monoPattern = false;
};

struct Font : Object {
    Font() : Object(Kind::Font) {}
    LOGFONT lf;
};

struct Region : Object {
    Region() : Object(Kind::Region) {}
    QRegion region;
};

struct DC;
struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    QImage image;  // Format_RGB32 (or ARGB32 for images handed in)
    bool mono = false;
    DC* selectedIn = nullptr;
    std::vector<std::uint32_t> sectionBits;  // pixel memory of a DIB section, shared with image
};

// A metafile as its bytes: the header has been checked, the records are checked as they play.
struct Metafile : Object {
    Metafile() : Object(Kind::Metafile) {}
    std::string bytes;
};

class EmfRecorder;

struct PathFigure {
    std::vector<QPointF> points;  // device units, pixel-index space
    bool closed = false;
};

struct DCState {
    std::shared_ptr<Pen> pen;
    std::shared_ptr<Brush> brush;
    std::shared_ptr<Font> font;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    UINT textAlign = TA_LEFT | TA_TOP;
    int fillMode = ALTERNATE;
    int stretchMode = BLACKONWHITE;
    int arcDirection = AD_COUNTERCLOCKWISE;
    int mapMode = MM_TEXT;
    POINT windowOrg;
    SIZE windowExt{1, 1};
    POINT viewportOrg;
    SIZE viewportExt{1, 1};
    POINT current;  // logical
    POINT brushOrg;
    std::optional<QRegion> clip;  // device units; none: the whole surface
};

enum class DCType { Memory, Image, Device, Screen, Metafile };

struct DC : Object {
    DC();
    ~DC() override;
    DCType type = DCType::Memory;
    DCState s;
    std::vector<DCState> saved;

    QImage* external = nullptr;      // Image
    QImage own;                      // Device page, Metafile picture
    std::shared_ptr<Bitmap> bitmap;  // Memory: the selected bitmap
    std::shared_ptr<Bitmap> defaultBitmap;
    QPaintDevice* device = nullptr;  // Device
    std::unique_ptr<QPainter> devicePainter;
    bool pageEnded = false;
    bool pageDirty = false;
    int dpiX = 96;
    int dpiY = 96;
    int capsWidth = 1280;   // HORZRES / VERTRES
    int capsHeight = 1024;
    int capsWidthMM = 0;    // HORZSIZE / VERTSIZE
    int capsHeightMM = 0;
    int technology = DT_RASDISPLAY;

    // Metafile recording: the records of the calls, and the picture drawn as they are made
    // (which gives the bounds).
    std::unique_ptr<EmfRecorder> emf;
    std::string metaFile;
    bool hasFrame = false;
    RECT frame;
    QRect drawnBounds;

    // Path building.
    bool inPath = false;
    bool pathDone = false;
    std::vector<PathFigure> path;

    // Position in the dash pattern of the selected pen, continued along joined lines.
    long long dashPos = 0;

    QImage* surface();
    bool mono() const { return type == DCType::Memory && bitmap && bitmap->mono; }

    // Mapping.
    POINT toDevice(int x, int y) const;
    POINT toLogical(int x, int y) const;
    SIZE effectiveViewportExt() const;
    double scaleX() const;  // device units per logical unit, absolute
    double scaleY() const;
    // Whether the mapping mirrors one axis (y up on a y-down device, say), so that a turn
    // counterclockwise in logical units is one clockwise on the device.
    bool mirrors() const;
    // A logical rectangle in device units, put in order ([left, right) x [top, bottom)).
    QRect deviceRect(int left, int top, int right, int bottom) const;
    // The drawable device area: the surface clipped by the clip region.
    QRect clipBounds();
    void noteDrawn(const QRect& r);
};

// Registry of handles; every public call holds the lock.
std::recursive_mutex& lock();
using Guard = std::lock_guard<std::recursive_mutex>;
std::uintptr_t add(std::shared_ptr<Object> object);
std::shared_ptr<Object> find(const void* handle);
template <class T>
std::shared_ptr<T> get(const void* handle, Kind kind) {
    auto o = find(handle);
    if (!o || o->kind != kind) return nullptr;
    return std::static_pointer_cast<T>(o);
}
inline std::shared_ptr<DC> dcOf(HDC h) { return get<DC>(h, Kind::DC); }
void remove(const void* handle);
template <class H>
H handleOf(const Object& o) {
    return reinterpret_cast<H>(o.handle);
}
std::shared_ptr<Object> stockObject(int index);
// The stock index of an object, -1 for objects of the program.
int stockIndexOf(const Object* object);

// Pixel helpers: QImage pixels are 0xAARRGGBB, COLORREF is 0x00BBGGRR.
inline std::uint32_t toPixel(COLORREF c) {
    return 0xFF000000u | (std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) |
           GetBValue(c);
}
inline COLORREF toColor(std::uint32_t p) {
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}
std::uint32_t rop2Apply(int rop2, std::uint32_t pen, std::uint32_t dst);
std::uint32_t rop3Apply(DWORD rop, std::uint32_t pat, std::uint32_t src, std::uint32_t dst);
std::uint32_t monoize(std::uint32_t pixel);
int muldiv(long long a, long long b, long long c);
// a + b held to the int range: the far corner of a rectangle given by position and extent,
// which a caller (or a file) may put past 2^31.
inline int addClamped(long long a, long long b, long long c = 0) {
    const long long v = a + b + c;
    return int(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// Decodes a device-independent bitmap (1, 4, 8, 24 or 32 bits, uncompressed) into a 32-bit
// image; `bits` null: the pixels follow the header and colour table.
QImage decodeDib(const BITMAPINFO* info, const void* bits, UINT usage);

// Scan-converts polygons whose vertices are pixel positions: a pixel is inside when its own
// position is, with the left and top edges included and the right and bottom ones left out;
// `withBoundary` adds the pixels of the outline itself.
QRegion polygonRegion(const std::vector<std::vector<QPointF>>& polys, int fillMode, bool withBoundary);
std::shared_ptr<Bitmap> makeMonoBitmap(int w, int h);

// Text bytes of code page 1252 as Unicode.
QString fromCp1252(const char* text, int length);
// The font a context draws with, resolved for its mapping.
QFont resolveFont(const DC& dc, const LOGFONT& lf);
QFont dcFont(const DC& dc);

// Copies (part of) an image onto a context's logical rectangle through a raster operation,
// stretching it and mirroring it on opposite extents like StretchBlt.
BOOL drawImageInto(HDC hdc, const QImage& image, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                   DWORD rop);

// A pen wider than one pixel: its stroke of the figures (device pixel-index space) handed out
// as runs [x0, x1) of the rows of `box`, the pixels whose centres the stroke's outline covers
// by the polygon rule. The work grows with the rows and with the segments near the box, never
// with the width. Dashes in pixels, empty for a solid pen.
struct WidePen {
    double width = 1;
    Qt::PenCapStyle cap = Qt::RoundCap;
    Qt::PenJoinStyle join = Qt::RoundJoin;
    std::vector<double> dashes;
};
void wideStrokeSpans(const QRect& box, const WidePen& pen, const std::vector<std::vector<QPointF>>& strokes,
                     const std::vector<bool>& closed, const std::function<void(int y, int x0, int x1)>& span);

// Paint-device pages.
void flushPage(DC& dc);

}  // namespace gdi::detail
