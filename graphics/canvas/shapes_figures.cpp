// Rectangles, ellipses, lines, polygons, flood fill and Bezier chains.
#include "graphics/canvas/shapes_figures.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "graphics/canvas/clipping.h"
#include "graphics/canvas/objects.h"

namespace gfx {

namespace {

uint16_t word(Opt v, double fallback) { return static_cast<uint16_t>(whole(v ? *v : fallback)); }
uint32_t dword(Opt v, double fallback) { return static_cast<uint32_t>(whole(v ? *v : fallback)); }

constexpr double kR2D = 180.0 / kPi;

// A row's value i (0-based), 0.0 when the row is shorter.
double val(const std::vector<double>& row, size_t i) { return i < row.size() ? row[i] : 0.0; }

}  // namespace

// ---- pens and brushes -------------------------------------------------------------------------

FillChoice fillChoice(const GRAPHICS& g, uint32_t fillSwitch) {
    FillChoice c;
    if (fillSwitch != 1) return c;
    if (g._NFILLPATTERN == 160) return c;
    c.filled = true;
    if (g._NFILLPATTERN >= 128) {
        c.code = g._NFILLPATTERN - 128;
        c.transparent = true;
    } else {
        c.code = g._NFILLPATTERN;
    }
    return c;
}

FillChoice fillChoiceNo160(const GRAPHICS& g, bool filled) {
    FillChoice c;
    c.filled = filled;
    if (g._NFILLPATTERN >= 128) {
        c.code = g._NFILLPATTERN - 128;
        c.transparent = true;
    } else {
        c.code = g._NFILLPATTERN;
    }
    return c;
}

gdi::HBRUSH makeFillBrush(const GRAPHICS& g, int32_t code) {
    if (code == 32) return gdi::CreateSolidBrush(g._NFILLCOLOR);
    if (code == 64) return OBJECTSHAPE::CREATEBMPBRUSH(g._AFILLPATTERN);
    return gdi::CreateHatchBrush(code, g._NFILLHATCHCOL);
}

FigurePass::FigurePass(const GRAPHICS& g, gdi::HDC dc, const FillChoice& fill, bool withPen) : dc_(dc) {
    brush_ = fill.filled ? makeFillBrush(g, fill.code)
                         : static_cast<gdi::HBRUSH>(gdi::GetStockObject(gdi::NULL_BRUSH));
    // A brush the drawing layer refuses leaves the previous one in effect.
    if (brush_) oldBrush_ = gdi::SelectObject(dc, brush_);
    if (withPen) {
        pen_ = gdi::CreatePen(g._NLINEPATTERN, g._NLINEWIDTH, g._NLINECOLOR);
        if (pen_) oldPen_ = gdi::SelectObject(dc, pen_);
    }
    if (fill.filled && !fill.transparent) {
        oldBkColour_ = gdi::SetBkColor(dc, g._NFILLCOLOR);
        bkColourSet_ = true;
        oldBkMode_ = gdi::SetBkMode(dc, gdi::OPAQUE);
    } else {
        oldBkMode_ = gdi::SetBkMode(dc, gdi::TRANSPARENT);
    }
    oldRop_ = gdi::SetROP2(dc, g._NRASTERMODE);
}

FigurePass::~FigurePass() {
    gdi::SetROP2(dc_, oldRop_);
    gdi::SetBkMode(dc_, oldBkMode_);
    if (bkColourSet_) gdi::SetBkColor(dc_, oldBkColour_);
    if (pen_) {
        gdi::SelectObject(dc_, oldPen_);
        gdi::DeleteObject(pen_);
    }
    if (brush_) {
        gdi::SelectObject(dc_, oldBrush_);
        gdi::DeleteObject(brush_);
    }
}

LinePass::LinePass(const GRAPHICS& g, gdi::HDC dc) : dc_(dc) {
    gdi::LOGBRUSH lb;
    lb.lbStyle = gdi::BS_SOLID;
    lb.lbColor = g._NLINECOLOR;
    lb.lbHatch = 0;
    pen_ = gdi::ExtCreatePen(static_cast<gdi::DWORD>(g._NLINECAP | g._NLINEPATTERN),
                             static_cast<gdi::DWORD>(g._NLINEWIDTH), &lb, 0, nullptr);
    if (pen_) oldPen_ = gdi::SelectObject(dc, pen_);
    oldBkMode_ = gdi::SetBkMode(dc, gdi::TRANSPARENT);
    oldRop_ = gdi::SetROP2(dc, g._NRASTERMODE);
}

LinePass::~LinePass() {
    gdi::SetROP2(dc_, oldRop_);
    gdi::SetBkMode(dc_, oldBkMode_);
    if (pen_) {
        gdi::SelectObject(dc_, oldPen_);
        gdi::DeleteObject(pen_);
    }
}

// ---- rectangles -------------------------------------------------------------------------------

OBJECTRECTANGLE::OBJECTRECTANGLE(GRAPHICS* canvas, double x, double y, double width, double height, Opt fill,
                                 Opt anchor)
    : OBJECTSHAPE(canvas), x_(x), y_(y), width_(width), height_(height), fill_(word(fill, 0)),
      anchor_(word(anchor, 0)) {}

OBJECTSHAPE& OBJECTRECTANGLE::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const DeviceBox box = anchor_ == 100 ? DeviceBox{g.devX(std::min(x_, width_)), g.devY(std::min(y_, height_)),
                                                     g.devX(std::max(x_, width_)), g.devY(std::max(y_, height_))}
                                         : g.placeBox(g.wideX(x_), g.wideY(y_), g.wideW(width_), g.wideH(height_), anchor_);
    const FillChoice fill = fillChoice(g, fill_);
    if (fill_ == 1 && !fill.filled) fill_ = 0;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        FigurePass pass(g, dc, fill);
        gdi::Rectangle(dc, box.left, box.bottom - 1, box.right + 1, box.top);
    }
    return *this;
}

OBJECTRECTANGLEROUNDED::OBJECTRECTANGLEROUNDED(GRAPHICS* canvas, double x, double y, double width,
                                               double height, double cornerWidth, double cornerHeight, Opt fill,
                                               Opt anchor)
    : OBJECTSHAPE(canvas), x_(x), y_(y), width_(width), height_(height), cornerWidth_(cornerWidth),
      cornerHeight_(cornerHeight), fill_(word(fill, 0)), anchor_(word(anchor, 0)) {}

OBJECTSHAPE& OBJECTRECTANGLEROUNDED::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const DeviceBox box = g.placeBox(g.wideX(x_), g.wideY(y_), g.wideW(width_), g.wideH(height_), anchor_);
    const int32_t cw = g.devW(cornerWidth_), ch = g.devH(cornerHeight_);
    const FillChoice fill = fillChoice(g, fill_);
    if (fill_ == 1 && !fill.filled) fill_ = 0;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        FigurePass pass(g, dc, fill);
        gdi::RoundRect(dc, box.left, box.bottom - 1, box.right + 1, box.top, cw, ch);
    }
    return *this;
}

// ---- ellipses -----------------------------------------------------------------------------------

namespace {

// An ellipse in device pixels, worked out in doubles: its centre and radii.
struct WideEllipse {
    double cx = 0, cy = 0, rx = 0, ry = 0;
    WidePoint at(double t) const {
        return WidePoint{std::llround(cx + rx * std::cos(t)), std::llround(cy + ry * std::sin(t))};
    }
};

// The box of the ellipse, when it fits the device range edge by edge.
bool fitsDeviceRange(const WidePoint& corner, int64_t w, int64_t h) {
    const auto inside = [](int64_t v) { return v >= -kDeviceLimit && v <= kDeviceLimit; };
    return inside(corner.x) && inside(corner.x + w) && inside(corner.y) && inside(corner.y + h);
}

// Rim points from parameter ta to tb (y up: the rim runs counterclockwise as t grows), the point
// at ta left out. Where a piece of the rim can come within `reach` it is cut until its chord
// strays less than a quarter pixel from it; elsewhere one chord stands for a whole piece, as
// the piece and its chord lie within the chord's box widened by that straying, away from the
// reach. So an ellipse millions of pixels across costs a few dozen points plus those of the
// rim where it crosses the context.
void rimPoints(const WideEllipse& e, double ta, double tb, const ContextReach& reach, std::vector<WidePoint>& out,
               int depth = 0) {
    const WidePoint a = e.at(ta), b = e.at(tb);
    // 1 - cos(d / 2), written so that it keeps its digits for the tiny steps of a huge rim; a
    // pixel more for the rounding of the two ends.
    const double half = std::sin((tb - ta) / 4.0);
    const double stray = std::max(e.rx, e.ry) * 2.0 * half * half + 1.0;
    const double x0 = double(std::min(a.x, b.x)) - stray, x1 = double(std::max(a.x, b.x)) + stray;
    const double y0 = double(std::min(a.y, b.y)) - stray, y1 = double(std::max(a.y, b.y)) + stray;
    const bool away = !reach.any || x1 < double(reach.left) || x0 > double(reach.right) || y1 < double(reach.low) ||
                      y0 > double(reach.high);
    if (away || stray <= 1.25 || depth >= 64) {
        out.push_back(b);
        return;
    }
    const double tm = (ta + tb) / 2.0;
    rimPoints(e, ta, tm, reach, out, depth + 1);
    rimPoints(e, tm, tb, reach, out, depth + 1);
}

// The rim from t0 over `sweep` (counterclockwise, y up), in pieces of at most a quarter turn.
std::vector<WidePoint> rim(const WideEllipse& e, double t0, double sweep, const ContextReach& reach) {
    std::vector<WidePoint> out{e.at(t0)};
    const int pieces = std::max(1, int(std::ceil(sweep / (kPi / 2.0))));
    for (int i = 0; i < pieces; ++i)
        rimPoints(e, t0 + sweep * i / pieces, t0 + sweep * (i + 1) / pieces, reach, out);
    return out;
}

// Where an ellipse drawn on this context can show: the context's reach widened by the pen.
ContextReach penReach(const GRAPHICS& g, gdi::HDC dc) {
    ContextReach r = reachOf(dc);
    const int64_t pen = 4 * std::min<int64_t>(std::abs(int64_t(g._NLINEWIDTH)), kDeviceLimit) + 8;
    r.left -= pen, r.right += pen, r.low -= pen, r.high += pen;
    return r;
}

}  // namespace

EllipseBox ellipseBox(GRAPHICS& g, double x, double y, double xRadius, double yRadius, uint32_t anchor) {
    const int64_t rx = g.wideW(xRadius), ry = g.wideH(yRadius);
    const WidePoint corner = g.placePoint(g.wideX(x), g.wideY(y), 2 * rx, 2 * ry, anchor);
    return EllipseBox{deviceClamp(corner.x), deviceClamp(corner.y), deviceClamp(corner.x + 2 * rx),
                      deviceClamp(corner.y + 2 * ry)};
}

namespace {

// An ellipse whose box reaches beyond the device range: its centre and radii as they are, so
// that its rim stays where it crosses the device; none when the box fits the range.
std::optional<WideEllipse> heldEllipse(GRAPHICS& g, double x, double y, double xRadius, double yRadius,
                                       uint32_t anchor) {
    const int64_t rx = g.wideW(xRadius), ry = g.wideH(yRadius);
    const WidePoint corner = g.placePoint(g.wideX(x), g.wideY(y), 2 * rx, 2 * ry, anchor);
    if (fitsDeviceRange(corner, 2 * rx, 2 * ry)) return std::nullopt;
    // A box given right to left or top to bottom is the same ellipse.
    return WideEllipse{double(corner.x) + double(rx), double(corner.y) + double(ry), std::abs(double(rx)),
                       std::abs(double(ry))};
}

// Draws a ring of wide points as a polygon, cut to the device range.
void wideRing(gdi::HDC dc, std::vector<WidePoint> ring) {
    if (ring.empty()) return;
    if (ring.back().x != ring.front().x || ring.back().y != ring.front().y) ring.push_back(ring.front());
    std::vector<gdi::POINT> cut;
    if (appendClippedRing(ring.data(), ring.size(), cut) > 0) gdi::Polygon(dc, cut.data(), int(cut.size()));
}

}  // namespace

OBJECTELLIPSE::OBJECTELLIPSE(GRAPHICS* canvas, double x, double y, double xRadius, double yRadius, Opt fill,
                             Opt anchor)
    : OBJECTSHAPE(canvas), x_(x), y_(y), xRadius_(xRadius), yRadius_(yRadius), fill_(dword(fill, 0)),
      anchor_(dword(anchor, 10)) {}

OBJECTSHAPE& OBJECTELLIPSE::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const std::optional<WideEllipse> held = heldEllipse(g, x_, y_, xRadius_, yRadius_, anchor_);
    const EllipseBox b = ellipseBox(g, x_, y_, xRadius_, yRadius_, anchor_);
    const FillChoice fill = fillChoice(g, fill_);
    if (fill_ == 1 && !fill.filled) fill_ = 0;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        FigurePass pass(g, dc, fill);
        if (held) wideRing(dc, rim(*held, 0.0, 2.0 * kPi, penReach(g, dc)));
        else gdi::Ellipse(dc, b.left, b.bottom, b.right, b.top);
    }
    return *this;
}

OBJECTELLIPSEPART::OBJECTELLIPSEPART(GRAPHICS* canvas, double x, double y, double xRadius, double yRadius,
                                     double start, double end, Opt part, Opt fill, Opt anchor)
    : OBJECTSHAPE(canvas), x_(x), y_(y), xRadius_(xRadius), yRadius_(yRadius), start_(start), end_(end),
      part_(word(part, 2)), fill_(word(fill, 0)), anchor_(word(anchor, 10)) {}

OBJECTSHAPE& OBJECTELLIPSEPART::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const std::optional<WideEllipse> held = heldEllipse(g, x_, y_, xRadius_, yRadius_, anchor_);
    const EllipseBox b = ellipseBox(g, x_, y_, xRadius_, yRadius_, anchor_);
    const FillChoice fill = fillChoice(g, fill_);
    if (fill_ == 1 && !fill.filled) fill_ = 0;
    const int32_t cx = b.left + (b.right - b.left) / 2, cy = b.bottom + (b.top - b.bottom) / 2;
    const double s = start_ / kR2D, e = end_ / kR2D;
    const int32_t sdx = whole(1000.0 * std::sin(s)), sdy = whole(1000.0 * std::cos(s));
    const int32_t edx = whole(1000.0 * std::sin(e)), edy = whole(1000.0 * std::cos(e));
    // A held ellipse's part as the platform draws one: from the end bearing counterclockwise
    // to the start bearing, each taken as the parameter of the rim in its direction; the same
    // radial point twice is the whole ellipse.
    std::vector<WidePoint> heldRim;
    double from = 0.0, sweep = 2.0 * kPi;
    if (held) {
        from = std::atan2(double(edy), double(edx));
        const double to = std::atan2(double(sdy), double(sdx));
        if (sdx != edx || sdy != edy) {
            sweep = std::fmod(to - from, 2.0 * kPi);
            if (sweep <= 1e-12) sweep += 2.0 * kPi;
        }
    }
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        FigurePass pass(g, dc, fill);
        if (held) {
            std::vector<WidePoint> points = rim(*held, from, sweep, penReach(g, dc));
            if (part_ == 0) {
                ClippedStrokes strokes(dc);
                strokes.moveTo(points.front());
                for (size_t i = 1; i < points.size(); ++i) strokes.lineTo(points[i]);
            } else {
                if (part_ == 2) points.push_back(WidePoint{std::llround(held->cx), std::llround(held->cy)});
                wideRing(dc, std::move(points));
            }
        } else if (part_ == 0) {
            gdi::Arc(dc, b.left, b.bottom, b.right, b.top, cx + edx, cy + edy, cx + sdx, cy + sdy);
        } else if (part_ == 2) {
            gdi::Pie(dc, b.left, b.bottom, b.right, b.top, cx + edx, cy + edy, cx + sdx, cy + sdy);
        } else {
            gdi::Chord(dc, b.left, b.bottom, b.right, b.top, cx + edx, cy + edy, cx + sdx, cy + sdy);
        }
    }
    return *this;
}

// ---- lines and polygons -------------------------------------------------------------------------

OBJECTSHAPE& OBJECTLINE::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const WidePoint a = g.widePoint(x1_, y1_), b = g.widePoint(x2_, y2_);
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        LinePass pass(g, dc);
        ClippedStrokes strokes(dc);
        strokes.moveTo(a);
        strokes.lineTo(b);
    }
    return *this;
}

OBJECTSHAPE& OBJECTLINIENGROUP::DRAW() {
    if (!points_) return *this;
    GRAPHICS& g = *oCanvas_;
    // Device rows: a segment keeps four values, a point two. Rows of fewer than two values
    // carry no point and are left out; a row of three values is a point (it has no second end).
    struct Row {
        bool segment;
        WidePoint a, b;
    };
    std::vector<Row> rows;
    rows.reserve(points_->size());
    for (const auto& r : *points_) {
        if (r.size() < 2) continue;
        Row d{};
        d.segment = r.size() >= 4;
        d.a = g.widePoint(r[0] + xShift_, r[1] + yShift_);
        if (d.segment) d.b = g.widePoint(r[2] + xShift_, r[3] + yShift_);
        rows.push_back(d);
    }
    if (rows.empty()) return *this;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        LinePass pass(g, dc);
        ClippedStrokes strokes(dc);
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row& d = rows[i];
            if (d.segment) {
                strokes.moveTo(d.a);
                strokes.lineTo(d.b);
            } else if (i == 0) {
                strokes.moveTo(d.a);
            } else {
                strokes.lineTo(d.a);
            }
        }
    }
    return *this;
}

OBJECTSHAPE& OBJECTLINIENGROUP::DESTROY() {
    OBJECTSHAPE::DESTROY();
    points_ = nullptr;
    return *this;
}

OBJECTPOLYGON::OBJECTPOLYGON(GRAPHICS* canvas, const NumberRows& points, Opt fill)
    : OBJECTSHAPE(canvas), points_(&points), fill_(word(fill, 0)) {}

OBJECTSHAPE& OBJECTPOLYGON::DRAW() {
    if (!points_) return *this;
    GRAPHICS& g = *oCanvas_;
    std::vector<WidePoint> ring;
    ring.reserve(points_->size() + 1);
    for (const auto& r : *points_) {
        if (r.size() < 2) continue;  // a row without both coordinates has no point
        ring.push_back(g.widePoint(r[0], r[1]));
    }
    // Nothing to outline or fill without points.
    if (ring.empty()) return *this;
    if (ring.back().x != ring.front().x || ring.back().y != ring.front().y) ring.push_back(ring.front());
    std::vector<gdi::POINT> buffer;
    if (appendClippedRing(ring.data(), ring.size(), buffer) == 0) return *this;
    const FillChoice fill = fillChoiceNo160(g, fill_ == 1);
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        FigurePass pass(g, dc, fill);
        gdi::Polygon(dc, buffer.data(), static_cast<int>(buffer.size()));
    }
    return *this;
}

OBJECTSHAPE& OBJECTPOLYGON::DESTROY() {
    OBJECTSHAPE::DESTROY();
    points_ = nullptr;
    return *this;
}

// ---- flood fill -----------------------------------------------------------------------------------

OBJECTSHAPE& OBJECTFILLING::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const int32_t X = g.devX(x_), Y = g.devY(y_);
    const FillChoice fill = fillChoiceNo160(g, true);
    const bool window = g._ODEVICE && g._ODEVICE->_NDEVICETYP == kWindowDevice;
    gdi::HDC target = SELECTDRAWDC(window ? 2 : 1);
    if (!target) return *this;
    {
        FigurePass pass(g, target, fill, false);
        const gdi::COLORREF surface = gdi::GetPixel(target, X, Y);
        gdi::ExtFloodFill(target, X, Y, surface, gdi::FLOODFILLSURFACE);
    }
    gdi::HDC device = SELECTDRAWDC(1);
    if (device && device != target) {
        const int ox = g._OORIGIN.X(), oy = g._OORIGIN.Y() - 1;
        gdi::BitBlt(device, ox, oy, g._ODIM.WIDTH(), g._ODIM.HEIGHT(), target, ox, oy, gdi::SRCCOPY);
    }
    return *this;
}

// ---- Bezier chains ------------------------------------------------------------------------------

OBJECTBEZIER::OBJECTBEZIER(GRAPHICS* canvas, const NumberRows& points, std::optional<bool> smoothJoins, Opt fill)
    : OBJECTSHAPE(canvas), points_(&points), smooth_(smoothJoins.value_or(false)), fill_(word(fill, 0)) {}

OBJECTSHAPE& OBJECTBEZIER::DRAW() {
    device_.clear();
    if (!points_) return *this;
    GRAPHICS& g = *oCanvas_;
    size_t n = points_->size();
    if (n < 4) return *this;
    n -= (n - 1) % 3;
    device_.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const auto& r = (*points_)[i];
        device_[i] = {g.devX(val(r, 0)), g.devY(val(r, 1))};
    }
    if (smooth_) {
        // 1-based: for every joint i (a multiple of 3), point i+2 mirrors point i through i+1.
        for (size_t i = 3; i + 3 <= n; i += 3) {
            const gdi::POINT& a = device_[i - 1];
            const gdi::POINT& j = device_[i];
            device_[i + 1] = {2 * j.x - a.x, 2 * j.y - a.y};
        }
        if (device_[n - 1].x == device_[0].x && device_[n - 1].y == device_[0].y) {
            const gdi::POINT& a = device_[n - 2];
            device_[1] = {2 * device_[0].x - a.x, 2 * device_[0].y - a.y};
        }
    }
    const FillChoice fill = fillChoice(g, fill_);
    if (fill_ == 1 && !fill.filled) fill_ = 0;
    for (int k = 1; k <= 2; ++k) {
        gdi::HDC dc = SELECTDRAWDC(k);
        if (!dc) break;
        FigurePass pass(g, dc, fill);
        if (fill_ == 1) {
            gdi::BeginPath(dc);
            gdi::PolyBezier(dc, device_.data(), static_cast<gdi::DWORD>(n));
            gdi::EndPath(dc);
            gdi::StrokeAndFillPath(dc);
        } else {
            gdi::PolyBezier(dc, device_.data(), static_cast<gdi::DWORD>(n));
        }
    }
    return *this;
}

OBJECTSHAPE& OBJECTBEZIER::DESTROY() {
    OBJECTSHAPE::DESTROY();
    points_ = nullptr;
    return *this;
}

}  // namespace gfx
