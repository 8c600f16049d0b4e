#pragma once
// Recording of the drawing calls made on a metafile context as enhanced-metafile records, in
// the logical coordinates the file stores. The drawing calls feed the context's recorder after
// they have checked their arguments; CloseEnhMetaFile asks it for the finished file.
#include <QImage>
#include <QRegion>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/gdi_internal.h"

namespace gdi::detail {

// Record types this recorder and the player share (the values of the format).
enum EmfType : DWORD {
    EMR_HEADER = 1, EMR_POLYBEZIER = 2, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6, EMR_POLYPOLYLINE = 7, EMR_POLYPOLYGON = 8, EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10, EMR_SETVIEWPORTEXTEX = 11, EMR_SETVIEWPORTORGEX = 12, EMR_SETBRUSHORGEX = 13,
    EMR_EOF = 14, EMR_SETPIXELV = 15, EMR_SETMAPPERFLAGS = 16, EMR_SETMAPMODE = 17, EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19, EMR_SETROP2 = 20, EMR_SETSTRETCHBLTMODE = 21, EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24, EMR_SETBKCOLOR = 25, EMR_OFFSETCLIPRGN = 26, EMR_MOVETOEX = 27,
    EMR_EXCLUDECLIPRECT = 29, EMR_INTERSECTCLIPRECT = 30, EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32, EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36, EMR_SELECTOBJECT = 37, EMR_CREATEPEN = 38, EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40, EMR_ELLIPSE = 42, EMR_RECTANGLE = 43, EMR_ROUNDRECT = 44, EMR_ARC = 45,
    EMR_CHORD = 46, EMR_PIE = 47, EMR_EXTFLOODFILL = 53, EMR_LINETO = 54, EMR_SETARCDIRECTION = 57,
    EMR_BEGINPATH = 59, EMR_ENDPATH = 60, EMR_CLOSEFIGURE = 61, EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63, EMR_STROKEPATH = 64, EMR_ABORTPATH = 68, EMR_GDICOMMENT = 70,
    EMR_FILLRGN = 71, EMR_EXTSELECTCLIPRGN = 75, EMR_BITBLT = 76, EMR_STRETCHBLT = 77,
    EMR_SETDIBITSTODEVICE = 80, EMR_STRETCHDIBITS = 81, EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83, EMR_EXTTEXTOUTW = 84, EMR_POLYBEZIER16 = 85, EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87, EMR_POLYBEZIERTO16 = 88, EMR_POLYLINETO16 = 89, EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91, EMR_CREATEMONOBRUSH = 93, EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
};
constexpr DWORD kEmfSignature = 0x464D4520;  // " EMF"
constexpr DWORD kStockFlag = 0x80000000u;    // object index of a stock object

class EmfRecorder {
public:
    // `frame` in hundredths of a millimetre; the reference device's size in pixels and in
    // millimetres; the description as UTF-16 with its terminating NULs (may be empty).
    EmfRecorder(const RECT& frame, SIZE devicePixels, SIZE deviceMM, std::u16string description);
    ~EmfRecorder();
    EmfRecorder(const EmfRecorder&) = delete;
    EmfRecorder& operator=(const EmfRecorder&) = delete;

    // A record of 32-bit fields after its type and size.
    void fields(DWORD type, std::initializer_list<std::int32_t> values);
    void points(DWORD type, const POINT* points, DWORD count);
    void polyPoly(DWORD type, const POINT* points, const DWORD* counts, DWORD polys);
    void box(DWORD type, int left, int top, int right, int bottom);
    void arc(DWORD type, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye);
    void select(const std::shared_ptr<Object>& object);
    // A brush fill of a logical rectangle that leaves the context's state as it was.
    void fill(const DC& dc, const RECT& logical, const std::shared_ptr<Brush>& brush);
    // A raster operation without source over a logical rectangle.
    void patBlt(const DC& dc, int x, int y, int w, int h, DWORD rop);
    // A picture (top row first) stretched onto a logical rectangle through a raster operation.
    void image(int x, int y, int w, int h, const QImage& picture, int sx, int sy, int sw, int sh, DWORD rop);
    void text(int x, int y, UINT options, const RECT* rect, const QString& text, const std::vector<int>& dx);
    // The clip region in device units; none: no clipping.
    void clip(const std::optional<QRegion>& region);

    // The whole file: header, records, end record. `bounds` in device pixels (empty: nothing drawn).
    std::string finish(const QRect& bounds);

private:
    void append(char* record);  // a record made by libuemf; freed here
    void raw(const std::string& record);
    std::uint32_t indexFor(const std::shared_ptr<Object>& object);

    RECT frame_;
    SIZE devicePixels_, deviceMM_;
    std::u16string description_;
    std::string body_;
    std::uint32_t records_ = 0;
    struct Slot {
        std::weak_ptr<Object> object;
        bool used = false;
    };
    std::vector<Slot> table_;  // index 0 is never used
};

}  // namespace gdi::detail
