#pragma once
// Device contexts and drawing objects with the calling conventions of the classic
// Windows graphics interface, drawn with our own rasteriser over QImage.
//
// Coordinates are mapped from logical to device units in integers in our code, never by a
// QPainter transform: a flipping transform would also flip brushes, hatches and text.
// Filled figures, fills and blits cover [left, right) x [top, bottom); lines leave out their
// end pixel; hatches are 8x8 patterns aligned to the device origin. Text is bytes in code
// page 1252 (the "A" calls).
//
// Handles are opaque numbers: a null, foreign or already deleted handle makes a call fail
// harmlessly (0, FALSE, null, CLR_INVALID). An object stays alive while a device context has
// it selected, even after DeleteObject has invalidated its handle. Calls are serialised by one
// lock, so contexts may be used from more than one thread, one caller at a time each.
#include <cstdint>
#include <string>

class QImage;
class QPaintDevice;

namespace gdi {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using BOOL = int;
using COLORREF = std::uint32_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Handle types: distinct pointer types to nothing; HGDIOBJ takes any of the object handles.
struct HDC__;
struct HPEN__;
struct HBRUSH__;
struct HFONT__;
struct HRGN__;
struct HBITMAP__;
struct HENHMETAFILE__;
using HDC = HDC__*;
using HPEN = HPEN__*;
using HBRUSH = HBRUSH__*;
using HFONT = HFONT__*;
using HRGN = HRGN__*;
using HBITMAP = HBITMAP__*;
using HENHMETAFILE = HENHMETAFILE__*;
using HGDIOBJ = void*;
using HWND = void*;
using HANDLE = void*;

// ---------------------------------------------------------------------------------------------
// Colours: 0x00BBGGRR.
constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return BYTE(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return BYTE((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return BYTE((c >> 16) & 0xFF); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// ---------------------------------------------------------------------------------------------
// Records.
struct POINT {
    LONG x = 0;
    LONG y = 0;
};
struct SIZE {
    LONG cx = 0;
    LONG cy = 0;
};
struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};

constexpr int LF_FACESIZE = 32;
// The 8-bit character form (LOGFONTA, 60 bytes). lfFaceName holds at most 31 bytes and a NUL.
struct LOGFONT {
    LONG lfHeight = 0;
    LONG lfWidth = 0;
    LONG lfEscapement = 0;
    LONG lfOrientation = 0;
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};
};
using LOGFONTA = LOGFONT;
static_assert(sizeof(LOGFONT) == 60, "LOGFONTA is 60 bytes");

struct LOGBRUSH {
    UINT lbStyle = 0;
    COLORREF lbColor = 0;
    std::uintptr_t lbHatch = 0;
};

struct LOGPEN {
    UINT lopnStyle = 0;
    POINT lopnWidth;
    COLORREF lopnColor = 0;
};

struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 0;
    WORD bmBitsPixel = 0;
    void* bmBits = nullptr;
};

struct BITMAPINFOHEADER {
    DWORD biSize = 40;
    LONG biWidth = 0;
    LONG biHeight = 0;  // > 0 bottom-up rows, < 0 top-down rows
    WORD biPlanes = 1;
    WORD biBitCount = 0;
    DWORD biCompression = 0;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");

struct RGBQUAD {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
};
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct TEXTMETRIC {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 0;
    LONG tmDigitizedAspectY = 0;
    BYTE tmFirstChar = 0;
    BYTE tmLastChar = 0;
    BYTE tmDefaultChar = 0;
    BYTE tmBreakChar = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};
using TEXTMETRICA = TEXTMETRIC;

// ---------------------------------------------------------------------------------------------
// Constants.

// Pen styles (CreatePen, ExtCreatePen).
constexpr int PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5,
              PS_INSIDEFRAME = 6, PS_USERSTYLE = 7, PS_ALTERNATE = 8, PS_STYLE_MASK = 0x0F;
constexpr int PS_ENDCAP_ROUND = 0x0000, PS_ENDCAP_SQUARE = 0x0100, PS_ENDCAP_FLAT = 0x0200,
              PS_ENDCAP_MASK = 0x0F00;
constexpr int PS_JOIN_ROUND = 0x0000, PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000,
              PS_JOIN_MASK = 0xF000;
constexpr int PS_COSMETIC = 0x00000, PS_GEOMETRIC = 0x10000, PS_TYPE_MASK = 0xF0000;

// Brush styles and hatch styles.
constexpr UINT BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2, BS_PATTERN = 3,
               BS_DIBPATTERNPT = 6;
constexpr int HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4,
              HS_DIAGCROSS = 5;
constexpr UINT DIB_RGB_COLORS = 0, BI_RGB = 0;

// Stock objects.
constexpr int WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4,
              NULL_BRUSH = 5, HOLLOW_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8,
              OEM_FIXED_FONT = 10, ANSI_FIXED_FONT = 11, ANSI_VAR_FONT = 12, SYSTEM_FONT = 13,
              DEVICE_DEFAULT_FONT = 14, SYSTEM_FIXED_FONT = 16, DEFAULT_GUI_FONT = 17;

// Object types (GetCurrentObject).
constexpr UINT OBJ_PEN = 1, OBJ_BRUSH = 2, OBJ_DC = 3, OBJ_REGION = 8, OBJ_BITMAP = 7, OBJ_FONT = 6,
               OBJ_MEMDC = 10, OBJ_ENHMETAFILE = 13, OBJ_ENHMETADC = 12;

// Background modes.
constexpr int TRANSPARENT = 1, OPAQUE = 2;

// Binary raster operations (SetROP2).
constexpr int R2_BLACK = 1, R2_NOTMERGEPEN = 2, R2_MASKNOTPEN = 3, R2_NOTCOPYPEN = 4,
              R2_MASKPENNOT = 5, R2_NOT = 6, R2_XORPEN = 7, R2_NOTMASKPEN = 8, R2_MASKPEN = 9,
              R2_NOTXORPEN = 10, R2_NOP = 11, R2_MERGENOTPEN = 12, R2_COPYPEN = 13,
              R2_MERGEPENNOT = 14, R2_MERGEPEN = 15, R2_WHITE = 16;

// Ternary raster operations (BitBlt, StretchBlt, PatBlt): bits 16..23 are the truth table
// over pattern (0xF0), source (0xCC) and destination (0xAA).
constexpr DWORD SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6,
                SRCINVERT = 0x00660046, SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008,
                NOTSRCERASE = 0x001100A6, MERGECOPY = 0x00C000CA, MERGEPAINT = 0x00BB0226,
                PATCOPY = 0x00F00021, PATPAINT = 0x00FB0A09, PATINVERT = 0x005A0049,
                DSTINVERT = 0x00550009, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062;

// Stretch modes.
constexpr int BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4;

// Polygon fill modes.
constexpr int ALTERNATE = 1, WINDING = 2;

// Arc directions.
constexpr int AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2;

// Mapping modes.
constexpr int MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5,
              MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;

// Text alignment.
constexpr UINT TA_NOUPDATECP = 0, TA_UPDATECP = 1, TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6,
               TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24;
// ExtTextOut options.
constexpr UINT ETO_OPAQUE = 0x0002, ETO_CLIPPED = 0x0004;

// Font weights, qualities, families, pitches, character sets, precisions.
constexpr int FW_DONTCARE = 0, FW_THIN = 100, FW_EXTRALIGHT = 200, FW_LIGHT = 300, FW_NORMAL = 400,
              FW_MEDIUM = 500, FW_SEMIBOLD = 600, FW_BOLD = 700, FW_EXTRABOLD = 800, FW_HEAVY = 900;
constexpr BYTE DEFAULT_QUALITY = 0, DRAFT_QUALITY = 1, PROOF_QUALITY = 2, NONANTIALIASED_QUALITY = 3,
               ANTIALIASED_QUALITY = 4, CLEARTYPE_QUALITY = 5, CLEARTYPE_NATURAL_QUALITY = 6;
constexpr BYTE DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00, FF_ROMAN = 0x10, FF_SWISS = 0x20, FF_MODERN = 0x30,
               FF_SCRIPT = 0x40, FF_DECORATIVE = 0x50;
constexpr BYTE ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, OEM_CHARSET = 255;
constexpr BYTE OUT_DEFAULT_PRECIS = 0, OUT_TT_PRECIS = 4, OUT_TT_ONLY_PRECIS = 7,
               CLIP_DEFAULT_PRECIS = 0, CLIP_STROKE_PRECIS = 2;

// Regions.
constexpr int RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
constexpr int RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3;

// Flood fill.
constexpr UINT FLOODFILLBORDER = 0, FLOODFILLSURFACE = 1;

// Device capabilities.
constexpr int TECHNOLOGY = 2, HORZSIZE = 4, VERTSIZE = 6, HORZRES = 8, VERTRES = 10,
              BITSPIXEL = 12, PLANES = 14, NUMBRUSHES = 16, NUMPENS = 18, NUMFONTS = 22,
              NUMCOLORS = 24, ASPECTX = 40, ASPECTY = 42, ASPECTXY = 44, LOGPIXELSX = 88,
              LOGPIXELSY = 90, SIZEPALETTE = 104, RASTERCAPS = 38, PHYSICALWIDTH = 110,
              PHYSICALHEIGHT = 111, PHYSICALOFFSETX = 112, PHYSICALOFFSETY = 113;
constexpr int DT_RASDISPLAY = 1, DT_RASPRINTER = 2, DT_METAFILE = 5;
constexpr int RC_BITBLT = 1, RC_BITMAP64 = 8, RC_DI_BITMAP = 0x80, RC_STRETCHBLT = 0x800,
              RC_FLOODFILL = 0x1000, RC_STRETCHDIB = 0x2000;

// ---------------------------------------------------------------------------------------------
// Device contexts.

// A memory context compatible with `hdc` (null: the screen), with a 1 x 1 monochrome bitmap
// selected until a bitmap is selected into it.
HDC CreateCompatibleDC(HDC hdc);
// The screen's context for a null window (capabilities of the screen at 96 dpi; drawing on it
// is discarded). Contexts of our own windows come from CreateImageDC. Other windows: null.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
BOOL DeleteDC(HDC hdc);

// Our own: a context drawing on an image the caller owns (a window's screen image). The image
// must outlive the context; it is converted to a 32-bit RGB format in place when needed.
HDC CreateImageDC(QImage* image);
// Our own: a context for a paint device such as a printer or a picture. Drawing goes to a page
// image of the device's size at the device's resolution (so raster operations work), which is
// painted onto the device by FlushDC, EndPage and DeleteDC. A page of more than 64 million
// pixels is drawn at half (a quarter...) of the resolution, which the context then reports.
HDC CreatePaintDeviceDC(QPaintDevice* device);
// Paints the page image of a paint-device context onto its device (nothing for other kinds).
BOOL FlushDC(HDC hdc);
// Paint-device contexts: EndPage paints the page onto the device; StartPage after an EndPage
// begins a new device page and clears the page image to white.
int StartPage(HDC hdc);
int EndPage(HDC hdc);
// Our own: the image a context draws on (memory context: its selected bitmap), or null.
QImage* GetDCImage(HDC hdc);

int SaveDC(HDC hdc);
// A negative level counts back from the most recent save (-1 = the last one).
BOOL RestoreDC(HDC hdc, int savedDC);
int GetDeviceCaps(HDC hdc, int index);

int SetBkMode(HDC hdc, int mode);  // returns the previous mode, 0 on failure
int GetBkMode(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);  // previous colour, CLR_INVALID on failure
COLORREF GetBkColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
UINT SetTextAlign(HDC hdc, UINT align);  // previous alignment; GDI_ERROR (0xFFFFFFFF) on failure
UINT GetTextAlign(HDC hdc);
int SetROP2(HDC hdc, int rop2);
int GetROP2(HDC hdc);
int SetPolyFillMode(HDC hdc, int mode);
int GetPolyFillMode(HDC hdc);
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
int SetArcDirection(HDC hdc, int direction);
int GetArcDirection(HDC hdc);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* previous);
BOOL GetCurrentPositionEx(HDC hdc, POINT* point);
constexpr UINT GDI_ERROR = 0xFFFFFFFF;

// ---------------------------------------------------------------------------------------------
// Mapping modes: device = (logical - window origin) * viewport extent / window extent
//                        + viewport origin, rounded to the nearest integer.
int SetMapMode(HDC hdc, int mode);
int GetMapMode(HDC hdc);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* previous);
BOOL SetWindowExtEx(HDC hdc, int x, int y, SIZE* previous);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous);
BOOL SetViewportExtEx(HDC hdc, int x, int y, SIZE* previous);
BOOL GetWindowOrgEx(HDC hdc, POINT* point);
BOOL GetWindowExtEx(HDC hdc, SIZE* size);
BOOL GetViewportOrgEx(HDC hdc, POINT* point);
BOOL GetViewportExtEx(HDC hdc, SIZE* size);
BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, POINT* previous);
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* previous);
BOOL LPtoDP(HDC hdc, POINT* points, int count);
BOOL DPtoLP(HDC hdc, POINT* points, int count);

// ---------------------------------------------------------------------------------------------
// Drawing objects.
HPEN CreatePen(int style, int width, COLORREF color);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount,
                  const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// Pattern brushes: monochrome bitmaps paint 0 bits in the text colour and 1 bits in the
// background colour of the context they are used in.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
// `packedDib`: a BITMAPINFOHEADER, its colour table (for 1, 4 and 8 bits) and the pixels.
HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
// Height < 0: character (em) height; > 0: cell height; 0: the default size. Width 0: the
// natural width, otherwise the average character width (a horizontal stretch). Escapement in
// tenths of a degree counterclockwise. Only ANTIALIASED_QUALITY and the ClearType qualities
// antialias. A face longer than 31 bytes is cut; no face: the family hint picks "serif",
// "sans-serif" or "monospace".
HFONT CreateFontIndirect(const LOGFONT* font);
inline HFONT CreateFontIndirectA(const LOGFONT* font) { return CreateFontIndirect(font); }
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face);
inline HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                         DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                         DWORD pitchAndFamily, const char* face) {
    return CreateFont(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                      charSet, outPrecision, clipPrecision, quality, pitchAndFamily, face);
}

HGDIOBJ GetStockObject(int index);
// Selecting a pen, brush, font or bitmap gives the previous one (null on failure; a bitmap
// already selected into another context fails). Selecting a region is SelectClipRgn and gives
// the region kind.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
// Fills a LOGPEN, LOGBRUSH, LOGFONT or BITMAP; with a null buffer returns the size needed.
int GetObject(HGDIOBJ object, int size, void* buffer);
inline int GetObjectA(HGDIOBJ object, int size, void* buffer) { return GetObject(object, size, buffer); }
UINT GetObjectType(HGDIOBJ object);

// ---------------------------------------------------------------------------------------------
// Regions, in device coordinates.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL PtInRegion(HRGN region, int x, int y);
int GetRgnBox(HRGN region, RECT* rect);
BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush);

// Clipping. SelectClipRgn copies the region (null: no clipping); IntersectClipRect and
// ExcludeClipRect take logical coordinates; GetClipBox gives logical coordinates.
int SelectClipRgn(HDC hdc, HRGN region);
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
int GetClipBox(HDC hdc, RECT* rect);
// Copies the selected clip region into `region`: 1 when there is one, 0 when none, -1 on error.
int GetClipRgn(HDC hdc, HRGN region);

// ---------------------------------------------------------------------------------------------
// Lines and figures, in logical coordinates.
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL LineTo(HDC hdc, int x, int y);
BOOL Polyline(HDC hdc, const POINT* points, int count);
BOOL PolylineTo(HDC hdc, const POINT* points, int count);
BOOL PolyPolyline(HDC hdc, const POINT* points, const DWORD* counts, DWORD polylines);
BOOL Polygon(HDC hdc, const POINT* points, int count);
BOOL PolyPolygon(HDC hdc, const POINT* points, const int* counts, int polygons);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
// Arcs go from the start radial to the end radial in the context's arc direction; equal
// radials give the whole ellipse.
BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
         int yEnd);
BOOL Chord(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
           int yEnd);
BOOL Pie(HDC hdc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
         int yEnd);
// count = 1 + 3n points.
BOOL PolyBezier(HDC hdc, const POINT* points, DWORD count);
BOOL PolyBezierTo(HDC hdc, const POINT* points, DWORD count);

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color);
// CLR_INVALID outside the surface or the clip region.
COLORREF GetPixel(HDC hdc, int x, int y);

// Rectangles of the fill calls are logical; the brush is used with plain copy.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC hdc, const RECT* rect);
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop);
// A negative extent on one side against a positive one on the other mirrors along that axis.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc,
                int widthSrc, int heightSrc, DWORD rop);
// FLOODFILLSURFACE fills the area of `color` around the seed, FLOODFILLBORDER the area bounded
// by `color`; with the selected brush, 4-connected.
BOOL ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type);
BOOL FloodFill(HDC hdc, int x, int y, COLORREF color);

// Paths: between BeginPath and EndPath the line and figure calls build the path instead of
// drawing (MoveToEx, LineTo, Polyline, PolylineTo, Polygon, PolyBezier, PolyBezierTo,
// Rectangle, Ellipse, CloseFigure).
BOOL BeginPath(HDC hdc);
BOOL EndPath(HDC hdc);
BOOL AbortPath(HDC hdc);
BOOL CloseFigure(HDC hdc);
BOOL StrokePath(HDC hdc);
BOOL FillPath(HDC hdc);
BOOL StrokeAndFillPath(HDC hdc);

// ---------------------------------------------------------------------------------------------
// Text (bytes in code page 1252).
BOOL TextOut(HDC hdc, int x, int y, const char* text, int length);
inline BOOL TextOutA(HDC hdc, int x, int y, const char* text, int length) {
    return TextOut(hdc, x, y, text, length);
}
BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text,
                UINT length, const int* dx);
inline BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text,
                        UINT length, const int* dx) {
    return ExtTextOut(hdc, x, y, options, rect, text, length, dx);
}
// Extents in logical units, along the text's own direction.
BOOL GetTextExtentPoint32(HDC hdc, const char* text, int length, SIZE* size);
inline BOOL GetTextExtentPoint32A(HDC hdc, const char* text, int length, SIZE* size) {
    return GetTextExtentPoint32(hdc, text, length, size);
}
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* metrics);
inline BOOL GetTextMetricsA(HDC hdc, TEXTMETRIC* metrics) { return GetTextMetrics(hdc, metrics); }
// Our own: the face name the selected font resolved to.
std::string GetTextFaceName(HDC hdc);

// ---------------------------------------------------------------------------------------------
// Bitmaps. Colour bitmaps are 32-bit RGB; monochrome bitmaps (1 plane, 1 bit) hold black and
// white only.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// 24- and 32-bit sections; `bits` receives the pixel memory for top-down (negative height)
// 32-bit sections, which the bitmap shares; otherwise null.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD offset);
// Rows of `bits` follow the header's orientation; 24- and 32-bit formats, rows padded to
// 4 bytes. With null `bits`, GetDIBits fills in the header of the 32-bit form and gives the
// height.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
              UINT usage);
int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage);
int StretchDIBits(HDC hdc, int x, int y, int width, int height, int xSrc, int ySrc, int widthSrc,
                  int heightSrc, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
// Our own bridges to Qt images: a bitmap made from a copy of an image (32-bit RGB), and the
// bitmap's own image (valid while the bitmap lives; keep no QImage copy of a DIB section's image
// while drawing on it, or the section's pixel memory is left behind).
HBITMAP CreateBitmapFromImage(const QImage& image);
QImage* GetBitmapImage(HBITMAP bitmap);

// ---------------------------------------------------------------------------------------------
// Enhanced metafiles in the standard format. A metafile context records every drawing call made
// on it as records in logical units, and draws as well on a picture of the frame's size
// (hundredths of a millimetre at the reference device's pixels per millimetre; no frame: the
// reference context's size, for a memory context its bitmap's), which gives the bounds.
// `description` is "application\0title\0\0" or null. CloseEnhMetaFile writes `file` (null: kept in
// memory) and fails when it cannot. Files of other programs play as well: every size, count
// and offset in them is checked, and what fails a check is not drawn.
HDC CreateEnhMetaFile(HDC reference, const char* file, const RECT* frame, const char* description);
inline HDC CreateEnhMetaFileA(HDC reference, const char* file, const RECT* frame,
                              const char* description) {
    return CreateEnhMetaFile(reference, file, frame, description);
}
HENHMETAFILE CloseEnhMetaFile(HDC hdc);
// Null for a file that is not an enhanced metafile or is larger than 256 MB.
HENHMETAFILE GetEnhMetaFile(const char* file);
inline HENHMETAFILE GetEnhMetaFileA(const char* file) { return GetEnhMetaFile(file); }
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
// The file's bytes; null `data`: their number.
UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* data);
// The description in code page 1252, NULs included; null `buffer`: its length.
UINT GetEnhMetaFileDescription(HENHMETAFILE metafile, UINT size, char* buffer);
inline UINT GetEnhMetaFileDescriptionA(HENHMETAFILE metafile, UINT size, char* buffer) {
    return GetEnhMetaFileDescription(metafile, size, buffer);
}
// Plays the records with the picture frame stretched onto the logical rectangle. The context
// leaves with the state it had.
BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE metafile, const RECT* rect);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);

// Windows metafiles in their placeable form (".wmf" files, a header with the picture's box
// and units an inch before the records). The picture's size in hundredths of a millimetre;
// false for bytes that are no placeable Windows metafile.
bool WindowsMetafileSize(const BYTE* data, UINT size, LONG& width, LONG& height);
// Plays the records with the picture's box stretched onto the logical rectangle, each record
// checked against the bytes as the enhanced metafiles' player checks them. The context leaves
// with the state it had.
BOOL PlayWindowsMetafile(HDC hdc, const BYTE* data, UINT size, const RECT* rect);

// ---------------------------------------------------------------------------------------------
// Rectangle helpers.
BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* rect);
BOOL IsRectEmpty(const RECT* rect);
BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL InflateRect(RECT* rect, int dx, int dy);
BOOL PtInRect(const RECT* rect, POINT point);

}  // namespace gdi
