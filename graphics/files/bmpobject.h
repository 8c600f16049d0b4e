#pragma once
// The bitmap drawing object: a picture file or a caller's bitmap put on the canvas in its own
// size, stretched into a box, stretched over or tiled across the canvas, optionally turned,
// mirrored or colour-inverted first, with one colour optionally left transparent.
#include <QImage>
#include <cstdint>
#include <string>

#include "graphics/canvas/graphics.h"
#include "graphics/files/pictures.h"

namespace gfx {

// Where the bitmap comes from: a picture file that exists, else a bitmap resource of that
// name; a resource named by RESOURCEID (name or number); or a bitmap that stays the caller's
// (never changed or released by the drawing). Anything else draws nothing.
struct BmpSource {
    BmpSource() = default;
    BmpSource(std::string f) : file(std::move(f)) {}
    BmpSource(const char* f) : file(f) {}
    BmpSource(const RESOURCEID& r) : file(r.name), resource(true) {}
    BmpSource(gdi::HBITMAP b) : bitmap(b) {}
    std::string file;
    bool resource = false;  // `file` names a resource, never a file
    gdi::HBITMAP bitmap = nullptr;
};

// Placement codes beyond the anchor codes.
constexpr uint16_t kBmpRestore = 101, kBmpTile = 102, kBmpCanvas = 103;
// Transparent colour meaning "the colour of the picture's top-left pixel".
constexpr uint32_t kBmpCornerColour = 9999;

class OBJECTSOURCEBMP : public OBJECTSHAPE {
public:
    OBJECTSOURCEBMP(GRAPHICS* canvas, double x, double y, double width, double height, BmpSource source,
                    double placement = 0, bool transparent = false, uint32_t transparentColour = kBmpCornerColour,
                    double mode = 0);
    OBJECTSHAPE& DRAW() override;

    // The mode transform of a picture (0 none, 1 turn right, 2 half turn, 3 turn left, 4 upside
    // down, 5 mirrored; 10 and more also inverts the colours).
    static QImage transformed(const QImage& image, int mode);

private:
    double x_, y_, width_, height_;
    BmpSource source_;
    uint16_t placement_, mode_;
    bool transparent_;
    uint32_t colour_;
};

GRAPHICS& PAINTBMPORIGINAL(GRAPHICS& g, double x, double y, const BmpSource& source, double anchor = 0,
                           bool transparent = false, uint32_t colour = kBmpCornerColour, double mode = 0);
GRAPHICS& PAINTBMPSTRETCHED(GRAPHICS& g, double x, double y, double width, double height, const BmpSource& source,
                            double anchor = 0, bool transparent = false, uint32_t colour = kBmpCornerColour,
                            double mode = 0);
GRAPHICS& PAINTBMPCANVAS(GRAPHICS& g, const BmpSource& source, bool transparent = false,
                         uint32_t colour = kBmpCornerColour, double mode = 0);
GRAPHICS& PAINTBMPREPEAT(GRAPHICS& g, const BmpSource& source, bool transparent = false,
                         uint32_t colour = kBmpCornerColour, double mode = 0);
GRAPHICS& PAINTBMPRESTORE(GRAPHICS& g, const BmpSource& source, bool transparent = false,
                          uint32_t colour = kBmpCornerColour, double mode = 0);

}  // namespace gfx

namespace gfx {

// A picture file drawn straight into a box (its own size at the device's resolution when the
// width or height is 0), and an enhanced metafile played into a box or over the whole canvas.
class OBJECTDIRECTBMP : public OBJECTSHAPE {
public:
    OBJECTDIRECTBMP(GRAPHICS* canvas, double x, double y, double width, double height, std::string file, double anchor = 0);
    OBJECTSHAPE& DRAW() override;

protected:
    double x_, y_, width_, height_;
    std::string file_;
    uint32_t anchor_;
};
class OBJECTENHMETA : public OBJECTDIRECTBMP {
public:
    using OBJECTDIRECTBMP::OBJECTDIRECTBMP;
    OBJECTSHAPE& DRAW() override;
};

GRAPHICS& PAINTBMPDIRECT(GRAPHICS& g, double x, double y, double width, double height, const std::string& file,
                         double anchor = 0);
GRAPHICS& PAINTENHMETAAREA(GRAPHICS& g, double x, double y, double width, double height, const std::string& file,
                           double anchor = 0);
GRAPHICS& PAINTENHMETACANVAS(GRAPHICS& g, const std::string& file);

}  // namespace gfx
