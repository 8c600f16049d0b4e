// The canvas methods that draw figures, points, markers and curves, and the spot light.
#include <cmath>

#include "graphics/canvas/graphics.h"
#include "graphics/canvas/objects.h"
#include "graphics/canvas/shapes_figures.h"
#include "graphics/canvas/shapes_light.h"
#include "graphics/canvas/shapes_points.h"
#include "graphics/canvas/shapes_spline.h"

namespace gfx {

namespace {

// The scalar arguments as given, the omitted ones left out.
std::vector<double> args(std::initializer_list<double> fixed, std::initializer_list<Opt> optional = {}) {
    std::vector<double> out(fixed);
    for (const Opt& v : optional)
        if (v) out.push_back(*v);
    return out;
}

std::vector<std::vector<double>> rowsOf(const PointRows& points) {
    std::vector<std::vector<double>> rows;
    rows.reserve(points.size());
    for (const PointRow& r : points) {
        std::vector<double> row{r.x, r.y};
        if (r.colour) row.push_back(r.colour->isNumber() ? r.colour->number() : arg2rgb(*r.colour));
        rows.push_back(std::move(row));
    }
    return rows;
}

constexpr double kSin45 = 0.7071067811865476;  // sin 45 degrees
constexpr double kR2D = 180.0 / kPi;

}  // namespace

void GRAPHICS::traceRows(const char* method, std::vector<double> values,
                         std::vector<std::vector<double>> rows) const {
    if (!trace_) return;
    DrawCall call{method, std::move(values), {}};
    call.rows = std::move(rows);
    trace_(call);
}

// ---- rectangles and ellipses ------------------------------------------------------------------

GRAPHICS& GRAPHICS::PAINTRECTANGLE(double x, double y, double width, double height, Opt fill, Opt anchor) {
    trace("PAINTRECTANGLE", args({x, y, width, height}, {fill, anchor}));
    OBJECTRECTANGLE o(this, x, y, width, height, fill, anchor);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTRECTANGLEALIGNED(double x1, double y1, double x2, double y2, Opt fill) {
    trace("PAINTRECTANGLEALIGNED", args({x1, y1, x2, y2}, {fill}));
    OBJECTRECTANGLE o(this, x1, y1, x2, y2, fill, 100.0);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTRECTANGLEROUNDED(double x, double y, double width, double height, double cornerWidth,
                                          double cornerHeight, Opt fill, Opt anchor) {
    trace("PAINTRECTANGLEROUNDED", args({x, y, width, height, cornerWidth, cornerHeight}, {fill, anchor}));
    OBJECTRECTANGLEROUNDED o(this, x, y, width, height, cornerWidth, cornerHeight, fill, anchor);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTELLIPSE(double x, double y, double xRadius, double yRadius, Opt fill, Opt anchor) {
    trace("PAINTELLIPSE", args({x, y, xRadius, yRadius}, {fill, anchor}));
    OBJECTELLIPSE o(this, x, y, xRadius, yRadius, fill, anchor);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTELLIPSECURVE(double x, double y, double xRadius, double yRadius, double start, double end,
                                      Opt anchor) {
    trace("PAINTELLIPSECURVE", args({x, y, xRadius, yRadius, start, end}, {anchor}));
    OBJECTELLIPSEPART o(this, x, y, xRadius, yRadius, start, end, 0.0, 0.0, anchor);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTELLIPSESECTOR(double x, double y, double xRadius, double yRadius, double start, double end,
                                       Opt fill, Opt anchor) {
    trace("PAINTELLIPSESECTOR", args({x, y, xRadius, yRadius, start, end}, {fill, anchor}));
    OBJECTELLIPSEPART o(this, x, y, xRadius, yRadius, start, end, 2.0, fill, anchor);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTELLIPSESEGMENT(double x, double y, double xRadius, double yRadius, double start,
                                        double end, Opt fill, Opt anchor) {
    trace("PAINTELLIPSESEGMENT", args({x, y, xRadius, yRadius, start, end}, {fill, anchor}));
    OBJECTELLIPSEPART o(this, x, y, xRadius, yRadius, start, end, 1.0, fill, anchor);
    return drawObject(o);
}

// ---- lines, polygons, flood fill ----------------------------------------------------------------

GRAPHICS& GRAPHICS::PAINTLINE(double x1, double y1, double x2, double y2) {
    trace("PAINTLINE", {x1, y1, x2, y2});
    OBJECTLINE o(this, x1, y1, x2, y2);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTLINEGROUP(const NumberRows& points, Opt xShift, Opt yShift) {
    traceRows("PAINTLINEGROUP", args({}, {xShift, yShift}), points);
    OBJECTLINIENGROUP o(this, points, xShift, yShift);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTPOLYGON(const NumberRows& points, Opt fill) {
    traceRows("PAINTPOLYGON", args({}, {fill}), points);
    OBJECTPOLYGON o(this, points, fill);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTFLOODFILL(double x, double y) {
    trace("PAINTFLOODFILL", {x, y});
    if (_ODEVICE && _ODEVICE->_NDEVICETYP == kPrinterDevice) return *this;
    OBJECTFILLING o(this, x, y);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTCONTROLAREA(const POINT& origin, const DIMENSION& size, double shape, Opt fill) {
    if (!_ODEVICE || _ODEVICE->_NDEVICETYP != kWindowDevice) return *this;
    const int32_t keptOriginX = _NORIGINX, keptOriginY = _NORIGINY;
    const int32_t keptOffsetX = _NOFFSETX, keptOffsetY = _NOFFSETY;
    const double keptFactorX = _FFACTORX, keptFactorY = _FFACTORY;
    _NORIGINX = _NORIGINY = 0;
    _NOFFSETX = _OORIGIN.X();
    _NOFFSETY = _OORIGIN.Y();
    _FFACTORX = _FFACTORY = 1.0;

    const double w = size.WIDTH(), h = size.HEIGHT();
    const double cx = whole(origin.X() + std::floor(w / 2.0));
    const double cy = whole(origin.Y() + std::floor(h / 2.0));
    switch (whole(shape)) {
    case 0: {
        const double r = whole(std::min(w, h) / 2.0);
        PAINTRECTANGLEROUNDED(cx, cy, whole(w - r + r / kSin45), whole(h - r + r / kSin45), r, r, fill, 10.0);
        break;
    }
    case 1:
        PAINTELLIPSE(cx, cy, whole(w / 2.0 / kSin45), whole(h / 2.0 / kSin45), fill, 10.0);
        break;
    case 2: {
        const double r = whole(std::max(w / 2.0, h / 2.0) / kSin45);
        PAINTELLIPSE(cx, cy, r, r, fill, 10.0);
        break;
    }
    case 3:
    case 4: {
        const int count = whole(shape) == 3 ? 12 : 24;
        const double step = whole(shape) == 3 ? 30.0 : 15.0;
        const double R = std::max(w, h);
        const double outer = R * std::cos(30.0 / kR2D);
        const double inner = R * std::cos(30.0 / kR2D) / 2.0 / std::cos(30.0 / kR2D);
        NumberRows vertices;
        vertices.reserve(count);
        for (int i = 0; i < count; ++i) {
            const double bearing = i * step / kR2D;
            const double radius = i % 2 == 0 ? outer : inner;
            vertices.push_back({cx + radius * std::sin(bearing), cy + radius * std::cos(bearing)});
        }
        PAINTPOLYGON(vertices, fill);
        break;
    }
    default:
        break;
    }

    _NORIGINX = keptOriginX, _NORIGINY = keptOriginY;
    _NOFFSETX = keptOffsetX, _NOFFSETY = keptOffsetY;
    _FFACTORX = keptFactorX, _FFACTORY = keptFactorY;
    return *this;
}

// ---- spot light and text on a circle --------------------------------------------------------------

GRAPHICS& GRAPHICS::PAINTSPOTCANVAS(Opt intensity, Opt mode) {
    trace("PAINTSPOTCANVAS", args({}, {intensity, mode}));
    const uint32_t keptBackground = _NBACKGRCOLOR;
    if (_LBLACKWHITE) {
        intensity = 5.0;
        _NBACKGRCOLOR = 16777215u;
    }
    OBJECTSPOTCANVAS o(this, intensity, mode);
    if (_ODEVICE) _ODEVICE->DRAW(o);
    if (_LBLACKWHITE) _NBACKGRCOLOR = keptBackground;
    o.DESTROY();
    return *this;
}

GRAPHICS& GRAPHICS::PAINTSPOTAREA(double x, double y, double width, double height, Opt intensity, Opt anchor,
                                  Opt mode) {
    trace("PAINTSPOTAREA", args({x, y, width, height}, {intensity, anchor, mode}));
    const SavedClip kept = savedClip();
    const double unit = (_FFACTORX != 1.0 || _FFACTORY != 1.0) ? 1.0 : 0.0;
    SETCLIPREGION(x, y, width, height, unit, anchor);
    PAINTSPOTCANVAS(intensity, mode);
    return restoreClip(kept);
}

GRAPHICS& GRAPHICS::PAINTSTRINGRING(double x, double y, double radius, double angle, Opt align, Opt direction,
                                    const std::string& text, Opt anchor) {
    std::vector<double> values{x, y, radius, angle};
    // Omitted align and direction are recorded as their defaults, so positions stay readable.
    values.push_back(align.value_or(2.0));
    values.push_back(direction.value_or(3.0));
    if (anchor) values.push_back(*anchor);
    trace("PAINTSTRINGRING", std::move(values), text);
    OBJECTSTRINGRING o(this, x, y, radius, angle, align, direction, text, anchor);
    return drawObject(o);
}

// ---- points, markers, curves ----------------------------------------------------------------------

GRAPHICS& GRAPHICS::PAINTPOINT(double x, double y) {
    trace("PAINTPOINT", {x, y});
    OBJECTPOINT o(this, x, y);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTPOINTGROUP(const PointRows& points, Opt xShift, Opt yShift) {
    traceRows("PAINTPOINTGROUP", args({}, {xShift, yShift}), rowsOf(points));
    OBJECTPOINTGROUP o(this, points, xShift, yShift);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::SETMARKERSURFACE(double kind) {
    _NMARKERSURF = whole(kind);
    return *this;
}

GRAPHICS& GRAPHICS::SETMARKERSIZE(double size) {
    _FMARKERSIZE = size;
    return *this;
}

GRAPHICS& GRAPHICS::SETMARKERLINEWIDTH(double width) {
    _NMARKERLINEWIDTH = whole(width);
    return *this;
}

GRAPHICS& GRAPHICS::PAINTMARKER(double x, double y) {
    trace("PAINTMARKER", {x, y});
    OBJECTMARKER o(this, x, y);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTMARKERGROUP(const PointRows& points, Opt xShift, Opt yShift) {
    traceRows("PAINTMARKERGROUP", args({}, {xShift, yShift}), rowsOf(points));
    OBJECTMARKERGROUP o(this, points, xShift, yShift);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTSPLINE(const NumberRows& points, Opt smoothing) {
    traceRows("PAINTSPLINE", args({}, {smoothing}), points);
    OBJECTSPLINE o(this, points, smoothing);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTBEZIER(const NumberRows& points, std::optional<bool> smoothJoins, Opt fill) {
    std::vector<double> values;
    if (smoothJoins) values.push_back(*smoothJoins ? 1.0 : 0.0);
    if (fill) values.push_back(*fill);
    traceRows("PAINTBEZIER", std::move(values), points);
    OBJECTBEZIER o(this, points, smoothJoins, fill);
    return drawObject(o);
}

}  // namespace gfx
