#pragma once
// Drawing devices that are not windows: a printer page, an off-screen bitmap and an enhanced
// metafile. Each owns one canvas and follows the PAINT/PAINTNEW protocol of the graphics
// windows: derive, override PAINT and draw through oGraphics.
//
// A constructor cannot reach a derived class's PAINT, so the "paint on creation" flag is
// honoured by NEWDEVICE, which builds the device and then runs its PAINTNEW. A printer does
// not paint on creation.
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "graphics/canvas/graphics.h"
#include "graphics/files/pictures.h"
#include "platform/gdi/gdi.h"

class QPagedPaintDevice;

namespace gfx {

// A percentage of the printer canvas; empty stands for a value that is not a number.
using Percent = std::optional<double>;

// The page area of a printer canvas in device pixels from percentages of its W x H pixels:
// a missing, zero or negative size takes the whole canvas; a negative x or width with a
// positive y or height borrows the other direction's pixel value (a square area).
struct PageArea {
    int32_t x = 0, y = 0, width = 1, height = 1;
};
PageArea pageAreaOf(int canvasWidth, int canvasHeight, Percent x, Percent y, Percent width, Percent height);

// ---- printer ---------------------------------------------------------------------------------

class GPRINTER : public Device {
public:
    // `printer` is the printing device (a QPrinter, or any paged device such as a PDF writer);
    // it must outlive this object. The page area is given in percent of the printer canvas.
    GPRINTER(QPagedPaintDevice* printer, Percent x = {}, Percent y = {}, Percent width = {}, Percent height = {});
    ~GPRINTER() override;
    GPRINTER(const GPRINTER&) = delete;
    GPRINTER& operator=(const GPRINTER&) = delete;

    virtual void PAINT() {}
    virtual void PAINTNEW();
    // Puts the drawn page onto the printing device (the page is also flushed by DESTROY).
    bool FLUSH();
    virtual void DESTROY();

    DIMENSION canvasAreaSize() const override;
    void DRAW(OBJECTSHAPE& object) override;

    gdi::HDC printerDC() const { return dc_; }
    int32_t nPageX = 0, nPageY = 0, nPageWidth = 1, nPageHeight = 1;
    std::unique_ptr<GRAPHICS> oGraphics;

private:
    QPagedPaintDevice* printer_ = nullptr;
    gdi::HDC dc_ = nullptr;
};

// ---- memory bitmap ----------------------------------------------------------------------------

class GMEMORY : public Device {
public:
    // Source kinds: a picture file (through the picture loader chain), or else the name of a
    // bitmap resource; a bitmap handle that stays the caller's (the device works on a
    // copy); the number 2 for a blank bitmap, 500 pixels in a direction given as 0.
    // Width and height 0 keep the picture's size; otherwise the picture is stretched once.
    GMEMORY(const std::string& source, int width = 0, int height = 0, bool paint = true);
    GMEMORY(const RESOURCEID& resource, int width = 0, int height = 0, bool paint = true);
    GMEMORY(gdi::HBITMAP borrowed, int width = 0, int height = 0, bool paint = true);
    GMEMORY(int number, int width = 0, int height = 0, bool paint = true);
    ~GMEMORY() override;
    GMEMORY(const GMEMORY&) = delete;
    GMEMORY& operator=(const GMEMORY&) = delete;

    virtual void PAINT() {}
    // Does nothing on a device without picture.
    virtual void PAINTNEW();
    virtual void DESTROY();

    DIMENSION canvasAreaSize() const override { return DIMENSION(nPixelWidth, nPixelHeight); }
    BOUNDINGBOX CANVASAREA() const { return BOUNDINGBOX(POINT(0, 0), canvasAreaSize()); }
    void DRAW(OBJECTSHAPE& object) override;
    // An array of drawing objects draws them in order; other values are passed over.
    void DRAW(const rt::Value& items) { drawEach(items, [this](OBJECTSHAPE& o) { DRAW(o); }); }

    // Null when the device has no picture.
    gdi::HDC GETMEMORYDC() const { return _PBITMAPDC; }
    // A copy of the picture as it is at the first call, owned by the device.
    gdi::HBITMAP GETMEMORYHANDLE();
    // A copy of the picture as it is at the first call, owned by the caller from then on
    // (the device never deletes it).
    gdi::HBITMAP GETMEMORYOBJECT();
    // Writes the picture as a BMP file; false when there is no picture or the write failed.
    bool GETMEMORYFILE(const std::string& fileName);

    bool paintOnCreate() const { return lPaint_; }

    std::unique_ptr<GRAPHICS> oGraphics;
    int32_t nPixelWidth = 0;
    int32_t nPixelHeight = 0;

private:
    void init(gdi::HBITMAP bitmap, bool borrowed, int width, int height);
    gdi::HBITMAP copyPicture() const;

    gdi::HBITMAP hOldBitmap = nullptr;
    gdi::HBITMAP hHandleCopy = nullptr;
    gdi::HBITMAP hObjectCopy = nullptr;
    bool lPaint_ = true;
};

// ---- enhanced metafile ------------------------------------------------------------------------

class GENHMETAFILE : public Device {
public:
    // `file` empty: "quillmark.emf" in the working directory. Width and height are the picture
    // frame in millimetres (0: a 500 x 500 pixel canvas without frame). A description with
    // ";" names the application before it and the title after it.
    explicit GENHMETAFILE(const std::string& file = {}, double widthMM = 0, double heightMM = 0,
                          const std::string& description = "Enhanced Meta File", bool paint = true);
    ~GENHMETAFILE() override;
    GENHMETAFILE(const GENHMETAFILE&) = delete;
    GENHMETAFILE& operator=(const GENHMETAFILE&) = delete;

    virtual void PAINT() {}
    virtual void PAINTNEW();
    // Completes the file on disk; drawing afterwards goes nowhere.
    virtual void DESTROY();

    DIMENSION canvasAreaSize() const override { return DIMENSION(nPixelWidth, nPixelHeight); }
    BOUNDINGBOX CANVASAREA() const { return BOUNDINGBOX(POINT(0, 0), canvasAreaSize()); }
    void DRAW(OBJECTSHAPE& object) override;
    // An array of drawing objects draws them in order; other values are passed over.
    void DRAW(const rt::Value& items) { drawEach(items, [this](OBJECTSHAPE& o) { DRAW(o); }); }

    bool paintOnCreate() const { return lPaint_; }
    const std::string& fileName() const { return cFile_; }
    // The description as the metafile header holds it: application, NUL, title, NUL, NUL.
    const std::string& description() const { return cDescription_; }
    // The frame in hundredths of a millimetre; all zero for the default frame.
    const gdi::RECT& frame() const { return frame_; }
    // True when the file was written completely by DESTROY.
    bool written() const { return written_; }

    std::unique_ptr<GRAPHICS> oGraphics;
    int32_t nPixelWidth = 0;
    int32_t nPixelHeight = 0;

private:
    gdi::HBITMAP hRefBitmap = nullptr;
    gdi::HDC hRefDC = nullptr;
    gdi::HBITMAP hOldRefBitmap = nullptr;
    std::string cFile_;
    std::string cDescription_;
    gdi::RECT frame_{0, 0, 0, 0};
    bool lPaint_ = true;
    bool written_ = false;
};

// Builds a device and, when it was asked to paint on creation, runs its full repaint, now that
// the derived class's PAINT is reachable.
template <class T, class... Args>
std::unique_ptr<T> NEWDEVICE(Args&&... args) {
    auto device = std::make_unique<T>(std::forward<Args>(args)...);
    if constexpr (requires { device->paintOnCreate(); }) {
        if (device->paintOnCreate()) device->PAINTNEW();
    }
    return device;
}

}  // namespace gfx
