// Pixels, point groups and markers.
#include "graphics/canvas/shapes_points.h"

#include <algorithm>

namespace gfx {

namespace {

uint32_t rowColour(const ColorArg& c) { return c.isNumber() ? num2rgb(c.number()) : arg2rgb(c); }

void stroke(gdi::HDC dc, int32_t a, int32_t b, int32_t c, int32_t d) {
    gdi::MoveToEx(dc, a, b, nullptr);
    gdi::LineTo(dc, c, d);
}

// Marker brush of kinds 5 and above: the fill colour for the filled circle and square,
// hollow for the others. Selected for the lifetime of the object.
class MarkerBrush {
public:
    MarkerBrush(const GRAPHICS& g, gdi::HDC dc, int32_t kind) : dc_(dc) {
        if (kind < 5) return;
        brush_ = (kind == 6 || kind == 8) ? gdi::CreateSolidBrush(g._NFILLCOLOR)
                                          : static_cast<gdi::HBRUSH>(gdi::GetStockObject(gdi::NULL_BRUSH));
        if (brush_) old_ = gdi::SelectObject(dc, brush_);
    }
    ~MarkerBrush() {
        if (!brush_) return;
        gdi::SelectObject(dc_, old_);
        gdi::DeleteObject(brush_);
    }
    MarkerBrush(const MarkerBrush&) = delete;
    MarkerBrush& operator=(const MarkerBrush&) = delete;

private:
    gdi::HDC dc_;
    gdi::HBRUSH brush_ = nullptr;
    gdi::HGDIOBJ old_ = nullptr;
};

// The kinds that draw strokes, circles or squares with a pen.
bool penKind(int32_t kind) { return kind >= 2 && kind <= 14; }

}  // namespace

// ---- points ---------------------------------------------------------------------------------------

OBJECTSHAPE& OBJECTPOINT::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const int32_t X = g.devX(x_), Y = g.devY(y_);
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        const int old = gdi::SetROP2(dc, g._NRASTERMODE);
        gdi::SetPixelV(dc, X, Y, g._NLINECOLOR);
        gdi::SetROP2(dc, old);
    }
    return *this;
}

OBJECTSHAPE& OBJECTPOINTGROUP::DRAW() {
    if (!points_ || points_->empty()) return *this;
    GRAPHICS& g = *oCanvas_;
    struct Entry {
        int32_t x, y;
        uint32_t colour;
    };
    std::vector<Entry> entries;
    entries.reserve(points_->size());
    uint32_t inForce = g._NLINECOLOR;
    for (const PointRow& r : *points_) {
        if (r.colour) inForce = rowColour(*r.colour);
        entries.push_back({g.devX(r.x + xShift_), g.devY(r.y + yShift_), inForce});
    }
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        const int old = gdi::SetROP2(dc, g._NRASTERMODE);
        for (const Entry& e : entries) gdi::SetPixelV(dc, e.x, e.y, e.colour);
        gdi::SetROP2(dc, old);
    }
    return *this;
}

OBJECTSHAPE& OBJECTPOINTGROUP::DESTROY() {
    OBJECTSHAPE::DESTROY();
    points_ = nullptr;
    return *this;
}

// ---- markers --------------------------------------------------------------------------------------

MarkerExtents markerExtents(const GRAPHICS& g) {
    MarkerExtents m;
    const double h = g._FMARKERSIZE / 2.0;
    const double hx = g._NPIXPROINCHX * h / 72.0, hy = g._NPIXPROINCHY * h / 72.0;
    // At least one pixel, and no more than reaches across the device range from any point of
    // it, so that the figure's corners stay within 32 bits however large the size.
    const auto extent = [](double v) { return std::clamp(whole(v), 1, 2 * kDeviceLimit); };
    m.rx = extent(hx);
    m.ry = extent(hy);
    m.ex = extent(hx * 0.707);
    m.ey = extent(hy * 0.707);
    m.ax = extent(hx * 2.0);
    m.ay = extent(hy * 2.0);
    m.bx = extent(hx * 0.707 * 2.0);
    m.by = extent(hy * 0.707 * 2.0);
    return m;
}

void drawMarkerFigure(gdi::HDC dc, int32_t kind, int32_t x, int32_t y, const MarkerExtents& m, uint32_t colour) {
    const int32_t rx = m.rx, ry = m.ry, ex = m.ex, ey = m.ey, ax = m.ax, ay = m.ay, bx = m.bx, by = m.by;
    switch (kind) {
    case 1:
        gdi::SetPixelV(dc, x, y, colour);
        break;
    case 2:
        stroke(dc, x - rx, y, x + rx, y);
        stroke(dc, x, y - ry, x, y + ry);
        break;
    case 3:
        stroke(dc, x - ex, y + ey, x + ex, y - ey);
        stroke(dc, x + ex, y + ey, x - ex, y - ey);
        break;
    case 4:
        stroke(dc, x - rx, y, x + rx, y);
        stroke(dc, x, y - ry, x, y + ry);
        stroke(dc, x - ex, y + ey, x + ex, y - ey);
        stroke(dc, x + ex, y + ey, x - ex, y - ey);
        break;
    case 5:
    case 6:
        gdi::Ellipse(dc, x - rx, y - ry, x + rx, y + ry);
        break;
    case 7:
    case 8:
        gdi::Rectangle(dc, x - ex, y - ey - 1, x + ex + 1, y + ey);
        break;
    case 9:
        stroke(dc, x - rx, y, x + rx, y);
        break;
    case 10:
        stroke(dc, x, y - ry, x, y + ry);
        break;
    case 11:
        stroke(dc, x, y, x - bx, y + by);
        stroke(dc, x, y, x - bx, y - by);
        stroke(dc, x, y, x - ax, y);
        break;
    case 12:
        stroke(dc, x, y, x + bx, y + by);
        stroke(dc, x, y, x + bx, y - by);
        stroke(dc, x, y, x + ax, y);
        break;
    case 13:
        stroke(dc, x, y, x - bx, y - by);
        stroke(dc, x, y, x + bx, y - by);
        stroke(dc, x, y, x, y - ay);
        break;
    case 14:
        stroke(dc, x, y, x - bx, y + by);
        stroke(dc, x, y, x + bx, y + by);
        stroke(dc, x, y, x, y + ay);
        break;
    default:
        break;
    }
}

OBJECTSHAPE& OBJECTMARKER::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const int32_t X = g.devX(x_), Y = g.devY(y_);
    const int32_t kind = g._NMARKERSURF;
    const MarkerExtents m = markerExtents(g);
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        MarkerBrush brush(g, dc, kind);
        gdi::HPEN pen = nullptr;
        gdi::HGDIOBJ oldPen = nullptr;
        if (kind != 1) {
            pen = gdi::CreatePen(gdi::PS_SOLID, g._NMARKERLINEWIDTH, g._NLINECOLOR);
            if (pen) oldPen = gdi::SelectObject(dc, pen);
        }
        const int oldRop = gdi::SetROP2(dc, g._NRASTERMODE);
        drawMarkerFigure(dc, kind, X, Y, m, g._NLINECOLOR);
        gdi::SetROP2(dc, oldRop);
        if (pen) {
            gdi::SelectObject(dc, oldPen);
            gdi::DeleteObject(pen);
        }
    }
    return *this;
}

OBJECTSHAPE& OBJECTMARKERGROUP::DRAW() {
    // An empty list has no marker to draw.
    if (!points_ || points_->empty()) return *this;
    GRAPHICS& g = *oCanvas_;
    struct Entry {
        int32_t x, y;
        bool hasColour;
        uint32_t colour;
    };
    std::vector<Entry> entries;
    entries.reserve(points_->size());
    for (const PointRow& r : *points_) {
        Entry e{g.devX(r.x + xShift_), g.devY(r.y + yShift_),
                r.colour.has_value(), r.colour ? rowColour(*r.colour) : 0u};
        entries.push_back(e);
    }
    if (!entries.front().hasColour) {
        entries.front().hasColour = true;
        entries.front().colour = g._NLINECOLOR;
    }
    const int32_t kind = g._NMARKERSURF;
    const MarkerExtents m = markerExtents(g);
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        MarkerBrush brush(g, dc, kind);
        const int oldRop = gdi::SetROP2(dc, g._NRASTERMODE);
        if (kind == 1) {
            uint32_t inForce = g._NLINECOLOR;
            for (const Entry& e : entries) {
                if (e.hasColour) inForce = e.colour;
                gdi::SetPixelV(dc, e.x, e.y, inForce);
            }
        } else if (penKind(kind)) {
            // One pen per row that carries a colour; the rows after it keep that pen.
            gdi::HPEN pen = nullptr;
            gdi::HGDIOBJ oldPen = nullptr;
            bool oldKept = false;
            for (const Entry& e : entries) {
                if (e.hasColour) {
                    gdi::HPEN next = gdi::CreatePen(gdi::PS_SOLID, g._NMARKERLINEWIDTH, e.colour);
                    if (next) {
                        gdi::HGDIOBJ replaced = gdi::SelectObject(dc, next);
                        if (!oldKept) {
                            oldPen = replaced;
                            oldKept = true;
                        }
                        if (pen) gdi::DeleteObject(pen);
                        pen = next;
                    }
                }
                drawMarkerFigure(dc, kind, e.x, e.y, m, e.colour);
            }
            if (oldKept) gdi::SelectObject(dc, oldPen);
            if (pen) gdi::DeleteObject(pen);
        }
        gdi::SetROP2(dc, oldRop);
    }
    return *this;
}

OBJECTSHAPE& OBJECTMARKERGROUP::DESTROY() {
    OBJECTSHAPE::DESTROY();
    points_ = nullptr;
    return *this;
}

}  // namespace gfx
