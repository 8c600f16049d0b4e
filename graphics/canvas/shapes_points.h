#pragma once
// Single pixels, point groups with colours of their own, and markers of fixed physical size.
#include <cstdint>
#include <vector>

#include "graphics/canvas/graphics.h"

namespace gfx {

class OBJECTPOINT : public OBJECTSHAPE {
public:
    OBJECTPOINT(GRAPHICS* canvas, double x, double y) : OBJECTSHAPE(canvas), x_(x), y_(y) {}
    OBJECTSHAPE& DRAW() override;

private:
    double x_ = 0.0, y_ = 0.0;
};

class OBJECTPOINTGROUP : public OBJECTSHAPE {
public:
    OBJECTPOINTGROUP(GRAPHICS* canvas, const PointRows& points, Opt xShift = {}, Opt yShift = {})
        : OBJECTSHAPE(canvas), points_(&points), xShift_(xShift.value_or(0.0)), yShift_(yShift.value_or(0.0)) {}
    OBJECTSHAPE& DRAW() override;
    OBJECTSHAPE& DESTROY() override;

private:
    const PointRows* points_;
    double xShift_, yShift_;
};

// Device extents of a marker: radius (rx, ry), diagonal (ex, ey), arrow length (ax, ay) and
// arrow barbs (bx, by); each at least one pixel.
struct MarkerExtents {
    int32_t rx = 1, ry = 1, ex = 1, ey = 1, ax = 1, ay = 1, bx = 1, by = 1;
};
MarkerExtents markerExtents(const GRAPHICS& g);
// Draws the figure of a marker kind at device point (x, y) with the pen and brush selected.
void drawMarkerFigure(gdi::HDC dc, int32_t kind, int32_t x, int32_t y, const MarkerExtents& m, uint32_t colour);

class OBJECTMARKER : public OBJECTSHAPE {
public:
    OBJECTMARKER(GRAPHICS* canvas, double x, double y) : OBJECTSHAPE(canvas), x_(x), y_(y) {}
    OBJECTSHAPE& DRAW() override;

private:
    double x_ = 0.0, y_ = 0.0;
};

class OBJECTMARKERGROUP : public OBJECTSHAPE {
public:
    OBJECTMARKERGROUP(GRAPHICS* canvas, const PointRows& points, Opt xShift = {}, Opt yShift = {})
        : OBJECTSHAPE(canvas), points_(&points), xShift_(xShift.value_or(0.0)), yShift_(yShift.value_or(0.0)) {}
    OBJECTSHAPE& DRAW() override;
    OBJECTSHAPE& DESTROY() override;

private:
    const PointRows* points_;
    double xShift_, yShift_;
};

}  // namespace gfx
