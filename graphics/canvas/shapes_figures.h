#pragma once
// The figure objects: rectangles, ellipses and their parts, lines, line groups, polygons,
// flood fill and Bezier chains, with the two rules by which they make pens and brushes
// from the canvas attributes.
#include <cstdint>
#include <optional>
#include <vector>

#include "graphics/canvas/graphics.h"

namespace gfx {

// The fill code of a filled figure: which brush, and whether the background behind hatch
// lines and pen gaps stays transparent.
struct FillChoice {
    bool filled = false;
    int32_t code = 32;
    bool transparent = false;
};

// The reading of the rectangles, ellipses and Bezier chains: code 160 means outline only.
FillChoice fillChoice(const GRAPHICS& g, uint32_t fillSwitch);
// The reading of the polygon and the flood fill: 160 is a transparent solid fill.
FillChoice fillChoiceNo160(const GRAPHICS& g, bool filled);

// Selects brush, pen, background and mix mode of a filled figure into one context and puts
// everything back (and deletes what it made) when it goes out of scope.
class FigurePass {
public:
    FigurePass(const GRAPHICS& g, gdi::HDC dc, const FillChoice& fill, bool withPen = true);
    ~FigurePass();
    FigurePass(const FigurePass&) = delete;
    FigurePass& operator=(const FigurePass&) = delete;

private:
    gdi::HDC dc_;
    gdi::HBRUSH brush_ = nullptr;
    gdi::HPEN pen_ = nullptr;
    gdi::HGDIOBJ oldBrush_ = nullptr;
    gdi::HGDIOBJ oldPen_ = nullptr;
    bool bkColourSet_ = false;
    gdi::COLORREF oldBkColour_ = 0;
    int oldBkMode_ = 0;
    int oldRop_ = 0;
};

// The line pen (extended pen with the canvas's line cap), transparent background and mix mode.
class LinePass {
public:
    LinePass(const GRAPHICS& g, gdi::HDC dc);
    ~LinePass();
    LinePass(const LinePass&) = delete;
    LinePass& operator=(const LinePass&) = delete;

private:
    gdi::HDC dc_;
    gdi::HPEN pen_ = nullptr;
    gdi::HGDIOBJ oldPen_ = nullptr;
    int oldBkMode_ = 0;
    int oldRop_ = 0;
};

// The brush of a fill code: 32 solid fill colour, 64 the 8x8 pattern, else a hatch style.
gdi::HBRUSH makeFillBrush(const GRAPHICS& g, int32_t code);

class OBJECTRECTANGLE : public OBJECTSHAPE {
public:
    // Anchor 100: (x, y) and (width, height) are two opposite corners.
    OBJECTRECTANGLE(GRAPHICS* canvas, double x, double y, double width, double height, Opt fill = {},
                    Opt anchor = {});
    OBJECTSHAPE& DRAW() override;

private:
    double x_ = 0.0, y_ = 0.0, width_ = 0.0, height_ = 0.0;
    uint16_t fill_, anchor_;
};

class OBJECTRECTANGLEROUNDED : public OBJECTSHAPE {
public:
    OBJECTRECTANGLEROUNDED(GRAPHICS* canvas, double x, double y, double width, double height,
                           double cornerWidth, double cornerHeight, Opt fill = {}, Opt anchor = {});
    OBJECTSHAPE& DRAW() override;

private:
    double x_ = 0.0, y_ = 0.0, width_ = 0.0, height_ = 0.0, cornerWidth_ = 0.0, cornerHeight_ = 0.0;
    uint16_t fill_, anchor_;
};

// Device box of an ellipse: (left, bottom) to (right, top).
struct EllipseBox {
    int32_t left, bottom, right, top;
};
EllipseBox ellipseBox(GRAPHICS& g, double x, double y, double xRadius, double yRadius, uint32_t anchor);

class OBJECTELLIPSE : public OBJECTSHAPE {
public:
    OBJECTELLIPSE(GRAPHICS* canvas, double x, double y, double xRadius, double yRadius, Opt fill = {},
                  Opt anchor = {});
    OBJECTSHAPE& DRAW() override;

private:
    double x_ = 0.0, y_ = 0.0, xRadius_ = 0.0, yRadius_ = 0.0;
    uint32_t fill_, anchor_;
};

// Arc (part code 0), pie (2) or chord (any other) from the start bearing clockwise to the end
// bearing; bearings in degrees, 0 up, 90 right.
class OBJECTELLIPSEPART : public OBJECTSHAPE {
public:
    OBJECTELLIPSEPART(GRAPHICS* canvas, double x, double y, double xRadius, double yRadius, double start,
                      double end, Opt part = {}, Opt fill = {}, Opt anchor = {});
    OBJECTSHAPE& DRAW() override;

private:
    double x_ = 0.0, y_ = 0.0, xRadius_ = 0.0, yRadius_ = 0.0, start_ = 0.0, end_ = 0.0;
    uint16_t part_, fill_, anchor_;
};

class OBJECTLINE : public OBJECTSHAPE {
public:
    OBJECTLINE(GRAPHICS* canvas, double x1, double y1, double x2, double y2)
        : OBJECTSHAPE(canvas), x1_(x1), y1_(y1), x2_(x2), y2_(y2) {}
    OBJECTSHAPE& DRAW() override;

private:
    double x1_ = 0.0, y1_ = 0.0, x2_ = 0.0, y2_ = 0.0;
};

// Point rows {x, y} form polylines, segment rows {x1, y1, x2, y2} are drawn on their own.
class OBJECTLINIENGROUP : public OBJECTSHAPE {
public:
    OBJECTLINIENGROUP(GRAPHICS* canvas, const NumberRows& points, Opt xShift = {}, Opt yShift = {})
        : OBJECTSHAPE(canvas), points_(&points), xShift_(xShift.value_or(0.0)), yShift_(yShift.value_or(0.0)) {}
    OBJECTSHAPE& DRAW() override;
    OBJECTSHAPE& DESTROY() override;

private:
    const NumberRows* points_;
    double xShift_, yShift_;
};

class OBJECTPOLYGON : public OBJECTSHAPE {
public:
    OBJECTPOLYGON(GRAPHICS* canvas, const NumberRows& points, Opt fill = {});
    OBJECTSHAPE& DRAW() override;
    OBJECTSHAPE& DESTROY() override;

private:
    const NumberRows* points_;
    uint16_t fill_;
};

// Fills the connected area of the seed's colour; on a window it fills the refresh bitmap
// and copies the canvas from there to the window.
class OBJECTFILLING : public OBJECTSHAPE {
public:
    OBJECTFILLING(GRAPHICS* canvas, double x, double y) : OBJECTSHAPE(canvas), x_(x), y_(y) {}
    OBJECTSHAPE& DRAW() override;

private:
    double x_ = 0.0, y_ = 0.0;
};

// A chain of cubic Bezier segments: start point, then per segment two control points and
// the end point.
class OBJECTBEZIER : public OBJECTSHAPE {
public:
    OBJECTBEZIER(GRAPHICS* canvas, const NumberRows& points, std::optional<bool> smoothJoins = {}, Opt fill = {});
    OBJECTSHAPE& DRAW() override;
    OBJECTSHAPE& DESTROY() override;
    // The device points of the last DRAW, after smoothing.
    const std::vector<gdi::POINT>& devicePoints() const { return device_; }

private:
    const NumberRows* points_;
    bool smooth_;
    uint16_t fill_;
    std::vector<gdi::POINT> device_;
};

}  // namespace gfx
