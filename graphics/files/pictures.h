#pragma once
// Picture files of the canvas: BMP reading and writing, export of a canvas area to BMP, to the
// picture formats Qt writes and to GIF, and the picture loader chain.
#include <QImage>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/canvas/graphics.h"

namespace gfx {

// ---- files ----------------------------------------------------------------------------------
// Writes `bytes` to `path` through a temporary file in the same directory that is renamed over
// the target only when every byte has been written; an existing file survives a failure.
bool writeFileReplacing(const std::string& path, const std::string& bytes, std::string* error = nullptr);

// ---- size limit -------------------------------------------------------------------------------
// A picture file is a few bytes that may ask for any size; a header asking for more pixels
// than this is refused before anything is allocated for it.
inline constexpr int64_t kMaxPicturePixels = int64_t(1) << 28;
inline constexpr int64_t kMaxPictureSide = 65535;
bool pictureSizeAllowed(int64_t width, int64_t height);
// PNG files whose chunks all lie within the file (other files pass).
bool pngChunksWithinFile(std::string_view bytes);
// A picture in any format Qt reads, refused (null) when its size is beyond the limit or its
// structure runs past the file, before the decoder allocates for it. Any picture within the
// limit is read: Qt's readers allow as much memory as the limit's pixels take in the widest
// format they decode to; BMP files go to our own reader (decodeBmp). `format` receives the
// format's name ("bmp", "jpeg"...).
QImage readCheckedPicture(const std::string& bytes, QByteArray* format = nullptr);
QImage readCheckedPictureFile(const std::string& path, QByteArray* format = nullptr);
// The pixels a picture read from a file is drawn with: its colours, opaque. A BMP's fourth byte
// is no alpha to the platform's readers, and a bitmap made of a picture has none: every way of
// drawing a picture shows the same colours.
QImage opaquePicture(const QImage& image);

// ---- metafiles as pictures -------------------------------------------------------------
// The picture frame of a metafile's bytes in hundredths of a millimetre: an enhanced metafile's
// frame (its bounds at the reference device's resolution when it has no frame) or a placeable
// Windows metafile's box; false for bytes that are neither.
bool metafileFrameSize(const std::string& bytes, int32_t& width, int32_t& height);
// Plays metafile bytes of either kind with their frame stretched onto the logical rectangle,
// by our players; false for bytes that are no metafile.
bool playMetafile(gdi::HDC dc, const std::string& bytes, const gdi::RECT& rect);

// ---- BMP ------------------------------------------------------------------------------------
// The file bytes of an uncompressed BMP: 24 bits per pixel for colour images, 8 bits with a
// 256-entry colour table for indexed images (QImage::Format_Indexed8); bottom row first.
std::string encodeBmp(const QImage& image);
bool writeBmpFile(const std::string& path, const QImage& image, std::string* error = nullptr);
// Reads an uncompressed (or bit-field) BMP of 1, 4, 8, 16, 24 or 32 bits per pixel, bottom-up
// or top-down, and run-length coded ones (RLE8, RLE4). Every size, offset and count is checked
// against the data before it is used; a file that lies or is cut short gives a null image and
// a reason in `error` (a coded bitmap may end early with its end code: what it leaves undrawn
// is colour 0). No pixel of the result is left unset.
QImage decodeBmp(const std::string& bytes, std::string* error = nullptr);
QImage readBmpFile(const std::string& path, std::string* error = nullptr);

// ---- export area and capture ------------------------------------------------------------------
struct ExportArea {
    int32_t x0 = 0, y0 = 0, w = 1, h = 1;  // device pixels, y up, limited to the canvas
};
// The pixel rectangle of an export request; width or height 0.0 asks for the whole canvas.
ExportArea exportArea(GRAPHICS& canvas, double x, double y, double width, double height, double anchor);
// The context an export reads: the refresh bitmap of a window canvas, else the device's own.
gdi::HDC exportSourceDC(const OBJECTSHAPE& object);
// The area's pixels, upright (first row = the area's top row), 32-bit RGB.
QImage captureArea(gdi::HDC source, const ExportArea& area);

// Fields shared by the three export objects.
class ExportObject : public OBJECTSHAPE {
public:
    ExportObject(GRAPHICS* canvas, double x, double y, double width, double height, std::string file,
                 double anchor = 0.0);
    double x = 0.0, y = 0.0, width = 0.0, height = 0.0;
    std::string fileName;
    uint16_t anchor = 0;
    // Outcome of the last DRAW, for callers that want to know (the canvas methods ignore it).
    bool ok = false;
    std::string error;

protected:
    bool capture(QImage& image);
};

class OBJECTBMPFILE : public ExportObject {
public:
    using ExportObject::ExportObject;
    OBJECTSHAPE& DRAW() override;
};
class OBJECTIMGFILE : public ExportObject {
public:
    using ExportObject::ExportObject;
    OBJECTSHAPE& DRAW() override;
};
class OBJECTGIFFILE : public ExportObject {
public:
    using ExportObject::ExportObject;
    OBJECTSHAPE& DRAW() override;
};

// Canvas methods of the export; each returns the canvas and does nothing on a printer.
GRAPHICS& SETBMPCANVASTOFILE(GRAPHICS& canvas, const std::string& file);
GRAPHICS& SETBMPAREATOFILE(GRAPHICS& canvas, double x, double y, double width, double height,
                           const std::string& file, double anchor = 0.0);
GRAPHICS& SETIMGCANVASTOFILE(GRAPHICS& canvas, const std::string& file);
GRAPHICS& SETIMGAREATOFILE(GRAPHICS& canvas, double x, double y, double width, double height,
                           const std::string& file, double anchor = 0.0);
GRAPHICS& SETGIFCANVASTOFILE(GRAPHICS& canvas, const std::string& file);
GRAPHICS& SETGIFAREATOFILE(GRAPHICS& canvas, double x, double y, double width, double height,
                           const std::string& file, double anchor = 0.0);

// Saves a bitmap in the format its file name's extension names (BMP for ".bmp" and for a name
// without extension, GIF through our writer, any other format Qt writes); FALSE for a format
// that cannot be written. The handles stay the caller's. The palette is not used: our bitmaps
// are true-colour.
bool SAVEIMAGEOLE(const std::string& file, gdi::HBITMAP bitmap, gdi::HGDIOBJ palette = nullptr);

// ---- GIF --------------------------------------------------------------------------------------
uint16_t POW2(int n);
// Fills the 256 colour entries (blue, green, red, 0) with the 20 stock colours, the 6x6x6 cube
// and black.
void FILLHALFTONEPAL(gdi::RGBQUAD* colors);
// GIF87a bytes of an image: an indexed image keeps its own colour table, any other is mapped to
// the half-tone table. Rows are written from the image's top row.
std::string encodeGif(const QImage& image);
// Writes the bitmap as a GIF; its bottom row becomes the GIF's top row. FALSE while another run
// is under way (the file is then not touched) or when the file cannot be written.
bool SAVEIMAGEGIF(const std::string& file, gdi::HDC dc, gdi::HBITMAP bitmap);
// The LZW code stream (9-bit codes, a clear code at each row) of rows of colour indices.
std::vector<uint16_t> gifCodes(const std::vector<std::vector<uint8_t>>& rows);

// ---- loaders ----------------------------------------------------------------------------------
// Any picture format Qt reads (BMP files through our own reader), in its own pixel size, and
// metafiles (enhanced and placeable Windows ones), played by our players into a bitmap of
// their frame's size at the context's resolution. Without a context only the size is reported
// and null returned.
gdi::HBITMAP LOADIMAGEOLE(const std::string& file, int32_t& width, int32_t& height, gdi::HDC dc);
// A BMP file read by our own checked reader, run-length coded ones included.
gdi::HBITMAP LOADIMAGEAPI(const std::string& file, int32_t& width, int32_t& height);
gdi::HBITMAP LOADIMAGEVO(const std::string& file, int32_t& width, int32_t& height, gdi::HDC dc);
// The chain as its callers run it (the file is known to exist).
gdi::HBITMAP loadPictureChain(const std::string& file, int32_t& width, int32_t& height, gdi::HDC dc);
// A resource of the program by name or number. The platform's module instance has no
// counterpart: every resource is the program's own (its Qt resources).
struct RESOURCEID {
    explicit RESOURCEID(std::string resourceName) : name(std::move(resourceName)) {}
    explicit RESOURCEID(const char* resourceName) : name(resourceName) {}
    explicit RESOURCEID(int number) : name(std::to_string(number)) {}
    std::string name;
};
// A bitmap among the program's resources (":/bitmaps/NAME", else ":/NAME"); null when there is
// none. The caller owns the bitmap.
gdi::HBITMAP loadBitmapResource(const std::string& name);

// A bitmap object whose handle is read from a Windows bitmap file; a file that is not one
// leaves a null handle. The object owns its bitmap.
class BMPFROMFILE {
public:
    explicit BMPFROMFILE(const std::string& file);
    ~BMPFROMFILE();
    BMPFROMFILE(const BMPFROMFILE&) = delete;
    BMPFROMFILE& operator=(const BMPFROMFILE&) = delete;
    gdi::HBITMAP HANDLE() const { return handle_; }

private:
    gdi::HBITMAP handle_ = nullptr;
};

}  // namespace gfx
