// Our rasteriser: lines, figures, fills, pixels, blits, flood fill and paths.
//
// Every figure is first laid into a coverage mask over the part of the surface it can touch
// (brush, pen ink, pen gap), then each covered pixel is written exactly once through the
// context's clip region and raster operation, so XOR drawing and dashed outlines come out as
// the platform draws them.
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

#include "platform/gdi/emf_record.h"
#include "platform/gdi/gdi_internal.h"

namespace gdi {
namespace detail {

namespace {

constexpr std::uint8_t kNone = 0, kBrush = 1, kInk = 2, kGap = 3;

// The mask keeps each row over the columns that row touches only, so that its cost follows the
// pixels a figure covers, not its box: a long thin line across a surface touches a pixel or two
// a row of a box that spans the whole surface. The rows' cells lie in one pool; a row that
// outgrows its place moves to the pool's end with room for as much again, so growing costs no
// more than the cells a row ends up with.
struct Mask {
    struct Row {
        int c0 = 0, c1 = 0;  // the columns [c0, c1) the row has cells for
        std::size_t base = 0;
    };
    QRect box;
    std::vector<Row> rows;
    std::vector<std::uint8_t> pool;
    explicit Mask(const QRect& b) : box(b.isValid() ? b : QRect()) {
        if (!box.isEmpty()) rows.resize(std::size_t(box.height()));
    }
    bool empty() const { return box.isEmpty(); }
    const Row& row(int y) const { return rows[std::size_t(y - box.top())]; }
    const std::uint8_t* cells(const Row& r) const { return pool.data() + r.base; }
    // The cells of row y from x0 to x1 (inside the box), which the row is made to cover.
    std::uint8_t* cover(int y, int x0, int x1) {
        Row& r = rows[std::size_t(y - box.top())];
        if (x0 < r.c0 || x1 > r.c1) {
            const int size = r.c1 - r.c0;
            const int n0 = size == 0 ? x0 : std::max(box.left(), std::min(x0, r.c0 - size));
            const int n1 = size == 0 ? x1 : std::min(box.right() + 1, std::max(x1, r.c1 + size));
            const std::size_t base = pool.size();
            pool.resize(base + std::size_t(n1 - n0), kNone);
            if (size > 0) std::copy_n(pool.data() + r.base, size, pool.data() + base + (r.c0 - n0));
            r = Row{n0, n1, base};
        }
        return pool.data() + r.base + (x0 - r.c0);
    }
    void set(int x, int y, std::uint8_t v) {
        if (x < box.left() || x > box.right() || y < box.top() || y > box.bottom()) return;
        *cover(y, x, x + 1) = v;
    }
    std::uint8_t at(int x, int y) const {
        const Row& r = row(y);
        return x < r.c0 || x >= r.c1 ? kNone : pool[r.base + std::size_t(x - r.c0)];
    }
    void span(int y, int x0, int x1, std::uint8_t v) {  // [x0, x1)
        if (y < box.top() || y > box.bottom()) return;
        x0 = std::max(x0, box.left());
        x1 = std::min(x1, box.right() + 1);
        if (x0 >= x1) return;
        std::fill_n(cover(y, x0, x1), x1 - x0, v);
    }
};

// 8 x 8 hatch patterns, one byte per row, the most significant bit the leftmost pixel.
constexpr std::uint8_t kHatch[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF},  // horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0xFF},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};

inline int posMod(long long a, int m) {
    long long r = a % m;
    return int(r < 0 ? r + m : r);
}

// The colour a brush gives at a device pixel; -1: leave the pixel alone.
long long brushPixel(const DC& dc, const Brush& b, int x, int y) {
    switch (b.style) {
    case BS_SOLID: return toPixel(b.color);
    case BS_HATCHED: {
        const int row = posMod((long long)y - dc.s.brushOrg.y, 8);
        const int col = posMod((long long)x - dc.s.brushOrg.x, 8);
        const bool ink = b.hatch >= 0 && b.hatch < 6 && (kHatch[b.hatch][row] & (0x80 >> col));
        if (ink) return toPixel(b.color);
        return dc.s.bkMode == OPAQUE ? (long long)toPixel(dc.s.bkColor) : -1;
    }
    case BS_PATTERN:
    case BS_DIBPATTERNPT: {
        if (b.pattern.isNull()) return -1;
        const int px = posMod((long long)x - dc.s.brushOrg.x, b.pattern.width());
        const int py = posMod((long long)y - dc.s.brushOrg.y, b.pattern.height());
        const std::uint32_t p = b.pattern.pixel(px, py) | 0xFF000000u;
        if (b.monoPattern) return toPixel((p & 0xFFFFFF) ? dc.s.bkColor : dc.s.textColor);
        return p;
    }
    default: return -1;
    }
}

// Writes one pixel through the raster operation.
inline void put(QImage& img, bool mono, int x, int y, std::uint32_t color, int rop2) {
    auto* line = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
    std::uint32_t r = rop2 == R2_COPYPEN ? (0xFF000000u | color) : rop2Apply(rop2, color, line[x]);
    line[x] = mono ? monoize(r) : r;
}

std::vector<QRect> clipRects(DC& dc, const QRect& box) {
    std::vector<QRect> out;
    if (box.isEmpty()) return out;
    if (!dc.s.clip) {
        out.push_back(box);
        return out;
    }
    const QRegion r = dc.s.clip->intersected(box);
    for (const QRect& q : r) out.push_back(q);
    return out;
}

void composite(DC& dc, const Mask& mask, const Brush* brush, COLORREF penColor) {
    QImage* img = dc.surface();
    if (!img || mask.empty()) return;
    const bool mono = dc.mono();
    const std::uint32_t ink = toPixel(penColor);
    const bool opaque = dc.s.bkMode == OPAQUE;
    const std::uint32_t bk = toPixel(dc.s.bkColor);
    const int rop = dc.s.rop2;
    for (const QRect& r : clipRects(dc, mask.box)) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const Mask::Row& row = mask.row(y);
            const std::uint8_t* cells = mask.cells(row);
            const int x1 = std::min(r.right(), row.c1 - 1);
            for (int x = std::max(r.left(), row.c0); x <= x1; ++x) {
                switch (cells[x - row.c0]) {
                case kBrush:
                    if (brush) {
                        const long long c = brushPixel(dc, *brush, x, y);
                        if (c >= 0) put(*img, mono, x, y, std::uint32_t(c), rop);
                    }
                    break;
                case kInk: put(*img, mono, x, y, ink, rop); break;
                case kGap:
                    if (opaque) put(*img, mono, x, y, bk, rop);
                    break;
                default: break;
                }
            }
        }
    }
    dc.noteDrawn(mask.box);
}

// ---------------------------------------------------------------------------------------------
// Pens.

struct PenInfo {
    bool null = true;
    bool wide = false;
    double width = 1;
    COLORREF color = 0;
    std::vector<int> dashes;  // thin pens: on/off lengths in pixels; wide: in pen widths
    Qt::PenCapStyle cap = Qt::RoundCap;
    Qt::PenJoinStyle join = Qt::RoundJoin;
    bool insideFrame = false;
};

PenInfo penInfo(const DC& dc) {
    PenInfo pi;
    const Pen* p = dc.s.pen.get();
    if (!p || p->style == PS_NULL) return pi;
    pi.null = false;
    pi.color = p->color;
    const double w = p->width * dc.scaleX();
    pi.width = std::max(1.0, std::round(w));
    pi.wide = pi.width > 1;
    pi.insideFrame = p->style == PS_INSIDEFRAME;
    if (p->geometric) {
        pi.cap = p->endcap == PS_ENDCAP_FLAT ? Qt::FlatCap : p->endcap == PS_ENDCAP_SQUARE ? Qt::SquareCap : Qt::RoundCap;
        pi.join = p->join == PS_JOIN_BEVEL ? Qt::BevelJoin : p->join == PS_JOIN_MITER ? Qt::MiterJoin : Qt::RoundJoin;
    }
    if (!pi.wide) {
        switch (p->style) {
        case PS_DASH: pi.dashes = {18, 6}; break;
        case PS_DOT: pi.dashes = {3, 3}; break;
        case PS_DASHDOT: pi.dashes = {9, 6, 3, 6}; break;
        case PS_DASHDOTDOT: pi.dashes = {9, 3, 3, 3, 3, 3}; break;
        case PS_ALTERNATE: pi.dashes = {1, 1}; break;
        case PS_USERSTYLE: pi.dashes = p->userStyle; break;
        default: break;
        }
    } else if (p->geometric) {
        switch (p->style) {
        case PS_DASH: pi.dashes = {3, 1}; break;
        case PS_DOT: pi.dashes = {1, 1}; break;
        case PS_DASHDOT: pi.dashes = {3, 1, 1, 1}; break;
        case PS_DASHDOTDOT: pi.dashes = {3, 1, 1, 1, 1, 1}; break;
        case PS_USERSTYLE: pi.dashes = p->userStyle; break;
        default: break;
        }
    }
    if (pi.dashes.size() % 2) pi.dashes.insert(pi.dashes.end(), pi.dashes.begin(), pi.dashes.end());
    long long total = 0;
    for (int d : pi.dashes) total += std::max(0, d);
    if (total <= 0) pi.dashes.clear();
    return pi;
}

bool dashOn(const std::vector<int>& dashes, long long pos) {
    if (dashes.empty()) return true;
    long long total = 0;
    for (int d : dashes) total += std::max(0, d);
    long long p = pos % total;
    for (std::size_t i = 0; i < dashes.size(); ++i) {
        if (p < dashes[i]) return i % 2 == 0;
        p -= std::max(0, dashes[i]);
    }
    return true;
}

// A one-pixel line from a to b, the end pixel left out unless asked for.
void thinLine(Mask& mask, POINT a, POINT b, const std::vector<int>& dashes, long long& dashPos,
              bool includeEnd, std::uint8_t onValue = kInk) {
    const long long dx = (long long)b.x - a.x;
    const long long dy = (long long)b.y - a.y;
    const long long adx = std::llabs(dx), ady = std::llabs(dy);
    const long long n = std::max(adx, ady);
    if (n == 0) {
        if (includeEnd) mask.set(a.x, a.y, onValue);
        return;
    }
    const long long last = includeEnd ? n : n - 1;
    const bool xMajor = adx >= ady;
    const int sMajor = xMajor ? (dx < 0 ? -1 : 1) : (dy < 0 ? -1 : 1);
    const int sMinor = xMajor ? (dy < 0 ? -1 : 1) : (dx < 0 ? -1 : 1);
    const long long major0 = xMajor ? a.x : a.y;
    const long long minor0 = xMajor ? a.y : a.x;
    const long long dMajor = xMajor ? adx : ady;
    const long long dMinor = xMajor ? ady : adx;
    // Only the steps whose major coordinate falls inside the mask need visiting.
    const long long lo = xMajor ? mask.box.left() : mask.box.top();
    const long long hi = xMajor ? mask.box.right() : mask.box.bottom();
    long long i0 = 0, i1 = last;
    if (sMajor > 0) {
        i0 = std::max(i0, lo - major0);
        i1 = std::min(i1, hi - major0);
    } else {
        i0 = std::max(i0, major0 - hi);
        i1 = std::min(i1, major0 - lo);
    }
    for (long long i = i0; i <= i1; ++i) {
        const long long major = major0 + sMajor * i;
        const long long minor = minor0 + sMinor * ((2 * i * dMinor + dMajor - 1) / (2 * dMajor));
        const std::uint8_t v = dashOn(dashes, dashPos + i) ? onValue : kGap;
        if (xMajor) mask.set(int(major), int(minor), v);
        else mask.set(int(minor), int(major), v);
    }
    dashPos += n;
}

// Scan conversion in pixel-index space with the top-left rule.
void fillPolys(Mask& mask, const std::vector<std::vector<QPointF>>& polys, int fillMode, std::uint8_t v) {
    if (mask.empty()) return;
    struct Edge {
        double x0, y0, x1, y1;
        int dir;
    };
    std::vector<Edge> edges;
    double minY = 1e18, maxY = -1e18;
    for (const auto& poly : polys) {
        const std::size_t n = poly.size();
        if (n < 2) continue;
        for (std::size_t i = 0; i < n; ++i) {
            const QPointF& p = poly[i];
            const QPointF& q = poly[(i + 1) % n];
            if (p.y() == q.y()) continue;
            if (p.y() < q.y()) edges.push_back({p.x(), p.y(), q.x(), q.y(), 1});
            else edges.push_back({q.x(), q.y(), p.x(), p.y(), -1});
            minY = std::min(minY, std::min(p.y(), q.y()));
            maxY = std::max(maxY, std::max(p.y(), q.y()));
        }
    }
    if (edges.empty()) return;
    // Vertices far outside any surface are held to the reach of an int.
    const int y0 = std::max(mask.box.top(), int(std::ceil(std::clamp(minY, -1e9, 1e9))));
    const int y1 = std::min(mask.box.bottom(), int(std::ceil(std::clamp(maxY, -1e9, 1e9))) - 1);
    std::vector<std::pair<double, int>> xs;
    for (int y = y0; y <= y1; ++y) {
        xs.clear();
        for (const Edge& e : edges) {
            if (y < e.y0 || y >= e.y1) continue;
            const double x = e.x0 + (y - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0);
            xs.emplace_back(x, e.dir);
        }
        std::sort(xs.begin(), xs.end());
        int winding = 0;
        for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
            winding += fillMode == WINDING ? xs[i].second : 1;
            const bool inside = fillMode == WINDING ? winding != 0 : (winding & 1);
            if (!inside) continue;
            const double lo = double(mask.box.left()) - 1, hi = double(mask.box.right()) + 2;
            const double xa = std::clamp(xs[i].first, lo, hi);
            const double xb = std::clamp(xs[i + 1].first, lo, hi);
            mask.span(y, int(std::ceil(xa)), int(std::ceil(xb)), v);
        }
    }
}

struct ScanEdge {
    double x0, y0, x1, y1;
    int dir;
};

std::vector<ScanEdge> scanEdges(const std::vector<std::vector<QPointF>>& polys) {
    std::vector<ScanEdge> edges;
    for (const auto& poly : polys) {
        const std::size_t n = poly.size();
        if (n < 2) continue;
        for (std::size_t i = 0; i < n; ++i) {
            const QPointF& p = poly[i];
            const QPointF& q = poly[(i + 1) % n];
            if (p.y() == q.y()) continue;
            if (p.y() < q.y()) edges.push_back({p.x(), p.y(), q.x(), q.y(), 1});
            else edges.push_back({q.x(), q.y(), p.x(), p.y(), -1});
        }
    }
    std::sort(edges.begin(), edges.end(), [](const ScanEdge& a, const ScanEdge& b) { return a.y0 < b.y0; });
    return edges;
}

// Rows of a polygon fill as one-row rectangles, with an active edge list.
QRegion spanRegion(const std::vector<std::vector<QPointF>>& polys, int fillMode, const QRect& box) {
    const std::vector<ScanEdge> edges = scanEdges(polys);
    QList<QRect> rects;
    std::vector<const ScanEdge*> active;
    std::vector<std::pair<double, int>> xs;
    std::size_t next = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        while (next < edges.size() && edges[next].y0 <= y) active.push_back(&edges[next++]);
        active.erase(std::remove_if(active.begin(), active.end(), [y](const ScanEdge* e) { return y >= e->y1; }),
                     active.end());
        if (active.empty()) {
            if (next >= edges.size()) break;
            continue;
        }
        xs.clear();
        for (const ScanEdge* e : active) xs.emplace_back(e->x0 + (y - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0), e->dir);
        std::sort(xs.begin(), xs.end());
        int winding = 0;
        int lastEnd = INT32_MIN;
        for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
            winding += fillMode == WINDING ? xs[i].second : 1;
            const bool inside = fillMode == WINDING ? winding != 0 : (winding & 1);
            if (!inside) continue;
            int x0 = int(std::ceil(std::clamp(xs[i].first, double(box.left()), double(box.right()) + 1)));
            const int x1 = int(std::ceil(std::clamp(xs[i + 1].first, double(box.left()), double(box.right()) + 1)));
            x0 = std::max(x0, lastEnd);
            if (x1 <= x0) continue;
            if (!rects.isEmpty() && rects.back().top() == y && rects.back().right() + 1 == x0)
                rects.back().setRight(x1 - 1);
            else
                rects << QRect(x0, y, x1 - x0, 1);
            lastEnd = x1;
        }
    }
    QRegion r;
    r.setRects(rects.constData(), int(rects.size()));
    return r;
}

QRect polysBounds(const std::vector<std::vector<QPointF>>& polys, double margin) {
    double x0 = 1e18, y0 = 1e18, x1 = -1e18, y1 = -1e18;
    for (const auto& poly : polys)
        for (const QPointF& p : poly) {
            x0 = std::min(x0, p.x());
            y0 = std::min(y0, p.y());
            x1 = std::max(x1, p.x());
            y1 = std::max(y1, p.y());
        }
    if (x0 > x1) return {};
    auto clampi = [](double v) { return int(std::clamp(v, -1e9, 1e9)); };
    return QRect(QPoint(clampi(std::floor(x0 - margin)), clampi(std::floor(y0 - margin))),
                 QPoint(clampi(std::ceil(x1 + margin)), clampi(std::ceil(y1 + margin))));
}

std::vector<POINT> rounded(const std::vector<QPointF>& pts) {
    std::vector<POINT> out;
    for (const QPointF& p : pts) {
        POINT q{LONG(std::lround(std::clamp(p.x(), -1e9, 1e9))), LONG(std::lround(std::clamp(p.y(), -1e9, 1e9)))};
        if (!out.empty() && out.back().x == q.x && out.back().y == q.y) continue;
        out.push_back(q);
    }
    return out;
}

// A figure ready for the mask: brush areas and pen strokes, in device pixel-index space.
struct Figure {
    std::vector<std::vector<QPointF>> fill;
    bool fillBoundary = false;  // the brush also covers the outline's own pixels
    std::vector<std::vector<QPointF>> strokes;
    std::vector<bool> closed;
    bool continueDash = false;
};

void strokeInto(Mask& mask, DC& dc, const PenInfo& pi, const Figure& f) {
    if (pi.null) return;
    if (!pi.wide) {
        long long pos = f.continueDash ? dc.dashPos : 0;
        for (std::size_t k = 0; k < f.strokes.size(); ++k) {
            std::vector<POINT> pts = rounded(f.strokes[k]);
            if (pts.empty()) continue;
            if (f.closed[k] && pts.size() > 1 && (pts.front().x != pts.back().x || pts.front().y != pts.back().y))
                pts.push_back(pts.front());
            if (pts.size() == 1) continue;
            for (std::size_t i = 0; i + 1 < pts.size(); ++i) thinLine(mask, pts[i], pts[i + 1], pi.dashes, pos, false);
        }
        if (f.continueDash) dc.dashPos = pos;
        return;
    }
    WidePen wide{pi.width, pi.cap, pi.join, {}};
    for (int d : pi.dashes) wide.dashes.push_back(std::max(0.01, double(d)) * pi.width);
    wideStrokeSpans(mask.box, wide, f.strokes, f.closed, [&](int y, int x0, int x1) { mask.span(y, x0, x1, kInk); });
}

bool render(DC& dc, const Figure& f, bool useBrush) {
    QImage* img = dc.surface();
    if (!img) return dc.type == DCType::Screen;
    const PenInfo pi = penInfo(dc);
    const Brush* brush = useBrush && dc.s.brush && dc.s.brush->style != BS_NULL ? dc.s.brush.get() : nullptr;
    const double margin = pi.null ? 1 : pi.width / 2 + 2;
    QRect box = polysBounds(f.fill, 1) | polysBounds(f.strokes, margin);
    box &= dc.clipBounds();
    Mask mask(box);
    if (mask.empty()) return true;
    if (brush && !f.fill.empty()) {
        fillPolys(mask, f.fill, dc.s.fillMode, kBrush);
        if (f.fillBoundary) {
            long long pos = 0;
            for (const auto& poly : f.fill) {
                std::vector<POINT> pts = rounded(poly);
                if (pts.empty()) continue;
                pts.push_back(pts.front());
                for (std::size_t i = 0; i + 1 < pts.size(); ++i) thinLine(mask, pts[i], pts[i + 1], {}, pos, true, kBrush);
            }
        }
    }
    strokeInto(mask, dc, pi, f);
    composite(dc, mask, brush, pi.color);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Geometry helpers.

std::vector<QPointF> ellipsePoints(const QRectF& r) {
    QPainterPath p;
    p.addEllipse(r);
    QPolygonF poly = p.toFillPolygon();
    std::vector<QPointF> out(poly.begin(), poly.end());
    if (out.size() > 1 && out.front() == out.back()) out.pop_back();
    return out;
}

// The index-space box of a figure given in logical corners; empty when it has no area.
QRect figureBox(const DC& dc, int l, int t, int r, int b) { return dc.deviceRect(l, t, r, b); }

QRectF insetForPen(const QRect& box, const PenInfo& pi) {
    QRectF r(box.left(), box.top(), box.width() - 1, box.height() - 1);
    if (pi.insideFrame && pi.wide) {
        const double d = (pi.width - 1) / 2.0;
        r.adjust(d, d, -d, -d);
        if (r.width() < 0 || r.height() < 0) r = QRectF(r.center(), QSizeF(0, 0));
    }
    return r;
}

QPointF dev(const DC& dc, const POINT& p) {
    const POINT d = dc.toDevice(p.x, p.y);
    return QPointF(d.x, d.y);
}

// Halving stops at this many pieces a call, however many curves reach in and out.
constexpr std::size_t kMaxBezierCuts = 8192;

// A cubic Bezier (device pixel-index space) and the number of points it is flattened into.
struct BezierPiece {
    QPointF p0, p1, p2, p3;
    double points = 0;
};

// Cuts a cubic Bezier into pieces to flatten: about one point every two pixels of a piece's
// control polygon, up to 2000. A part whose control points all lie outside `reach` (the
// surface with the pen's reach around it) cannot show, as the curve lies within them: a few
// points keep its course and length. A curve reaching in and out is halved until its parts are
// one or the other, so that the work follows what can reach the surface: a file can make a
// curve billions of pixels long.
void cutBezier(std::vector<BezierPiece>& out, const QPointF& p0, const QPointF& p1, const QPointF& p2,
               const QPointF& p3, const QRectF& reach, int depth = 0) {
    const double len = std::hypot(p1.x() - p0.x(), p1.y() - p0.y()) + std::hypot(p2.x() - p1.x(), p2.y() - p1.y()) +
                       std::hypot(p3.x() - p2.x(), p3.y() - p2.y());
    const double x0 = std::min({p0.x(), p1.x(), p2.x(), p3.x()}), x1 = std::max({p0.x(), p1.x(), p2.x(), p3.x()});
    const double y0 = std::min({p0.y(), p1.y(), p2.y(), p3.y()}), y1 = std::max({p0.y(), p1.y(), p2.y(), p3.y()});
    const bool outside = x1 < reach.left() || x0 > reach.right() || y1 < reach.top() || y0 > reach.bottom();
    const bool inside = x0 >= reach.left() && x1 <= reach.right() && y0 >= reach.top() && y1 <= reach.bottom();
    if (outside) {
        out.push_back({p0, p1, p2, p3, std::clamp(len / 64.0, 4.0, 32.0)});
    } else if (!inside && len > 128 && depth < 48 && out.size() < kMaxBezierCuts) {
        const QPointF a = (p0 + p1) / 2, b = (p1 + p2) / 2, c = (p2 + p3) / 2;
        const QPointF ab = (a + b) / 2, bc = (b + c) / 2, mid = (ab + bc) / 2;
        cutBezier(out, p0, a, ab, mid, reach, depth + 1);
        cutBezier(out, mid, bc, c, p3, reach, depth + 1);
    } else {
        out.push_back({p0, p1, p2, p3, std::clamp(len / 2.0, 4.0, 2000.0)});
    }
}

// The points of a chain of Bezier pieces after its first point. A chain of them all within
// reach asks for no more than 65536 points in all: beyond, each piece gets its share, so that
// no call flattens into more, however many curves a file gives it.
void flattenBeziers(std::vector<QPointF>& out, const std::vector<BezierPiece>& pieces) {
    constexpr double kMaxPoints = 65536;
    double wanted = 0;
    for (const BezierPiece& b : pieces) wanted += b.points;
    const double share = wanted > kMaxPoints ? kMaxPoints / wanted : 1.0;
    for (const BezierPiece& b : pieces) {
        const int n = std::max(1, int(b.points * share));
        for (int i = 1; i <= n; ++i) {
            const double t = double(i) / n, u = 1 - t;
            out.emplace_back(u * u * u * b.p0.x() + 3 * u * u * t * b.p1.x() + 3 * u * t * t * b.p2.x() + t * t * t * b.p3.x(),
                             u * u * u * b.p0.y() + 3 * u * u * t * b.p1.y() + 3 * u * t * t * b.p2.y() + t * t * t * b.p3.y());
        }
    }
}

// Where a curve can show on a context: its surface, with the selected pen's reach around it.
QRectF curveReach(DC& dc) {
    const QImage* surface = dc.surface();
    if (!surface) return {};
    const double pen = dc.s.pen ? dc.s.pen->width * dc.scaleX() : 1;
    const double margin = std::min(1e9, 4.2 * std::max(1.0, pen) + 4);
    return QRectF(surface->rect()).adjusted(-margin, -margin, margin, margin);
}

// Appends the flattened curves of logical control points (three a curve) to points that end
// where the first curve starts.
void bezierPoints(DC& dc, std::vector<QPointF>& pts, const POINT* control, DWORD count) {
    const QRectF reach = curveReach(dc);
    std::vector<BezierPiece> pieces;
    QPointF from = pts.back();
    for (DWORD i = 0; i + 2 < count; i += 3) {
        const QPointF to = dev(dc, control[i + 2]);
        cutBezier(pieces, from, dev(dc, control[i]), dev(dc, control[i + 1]), to, reach);
        from = to;
    }
    flattenBeziers(pts, pieces);
}

// Path building.
void pathMoveTo(DC& dc, const QPointF& p) {
    dc.path.push_back(PathFigure{{p}, false});
}

void pathLineTo(DC& dc, const QPointF& p) {
    if (dc.path.empty() || dc.path.back().closed) {
        pathMoveTo(dc, dev(dc, dc.s.current));
    }
    dc.path.back().points.push_back(p);
}

enum class ArcKind { Arc, Chord, Pie };

BOOL arcFigure(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye, ArcKind kind) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    // We draw an arc's direction as seen on the device, as the platform's compatible mode does;
    // other players read a metafile's arc records in the file's logical space. Where the mapping
    // mirrors an axis the two are opposite turns, so the record names the radials the other way
    // round and every player draws the same part (our player turns them back).
    if (dc->emf) {
        const DWORD type = kind == ArcKind::Arc ? EMR_ARC : kind == ArcKind::Chord ? EMR_CHORD : EMR_PIE;
        if (dc->mirrors()) dc->emf->arc(type, l, t, r, b, xe, ye, xs, ys);
        else dc->emf->arc(type, l, t, r, b, xs, ys, xe, ye);
    }
    const QRect box = figureBox(*dc, l, t, r, b);
    if (box.width() <= 0 || box.height() <= 0) return TRUE;
    const PenInfo pi = penInfo(*dc);
    const QRectF e = insetForPen(box, pi);
    const double cx = e.center().x(), cy = e.center().y();
    const double ax = e.width() / 2, ay = e.height() / 2;
    const QPointF s = dev(*dc, POINT{xs, ys});
    const QPointF en = dev(*dc, POINT{xe, ye});
    // Angles as seen on the device, counterclockwise positive (device y grows downwards).
    double a0 = std::atan2(-(s.y() - cy), s.x() - cx);
    double a1 = std::atan2(-(en.y() - cy), en.x() - cx);
    const bool ccw = dc->s.arcDirection == AD_COUNTERCLOCKWISE;
    double sweep = ccw ? a1 - a0 : a0 - a1;
    while (sweep <= 1e-12) sweep += 2 * M_PI;
    if (std::abs(a1 - a0) < 1e-12 || (s.x() == en.x() && s.y() == en.y())) sweep = 2 * M_PI;
    const bool whole = sweep >= 2 * M_PI;
    const int steps = int(std::clamp((ax + ay) * sweep / 2.0, 8.0, 4000.0));
    std::vector<QPointF> arc;
    if (whole) arc = ellipsePoints(e);
    for (int i = 0; !whole && i <= steps; ++i) {
        const double a = a0 + (ccw ? 1 : -1) * sweep * i / steps;
        arc.emplace_back(cx + ax * std::cos(a), cy - ay * std::sin(a));
    }
    Figure f;
    if (kind == ArcKind::Arc) {
        f.strokes.push_back(arc);
        f.closed.push_back(whole);
        return render(*dc, f, false) ? TRUE : FALSE;
    }
    std::vector<QPointF> shape = arc;
    if (kind == ArcKind::Pie) shape.emplace_back(cx, cy);
    f.fill.push_back(shape);
    f.fillBoundary = pi.null;
    f.strokes.push_back(shape);
    f.closed.push_back(true);
    return render(*dc, f, true) ? TRUE : FALSE;
}

}  // namespace

QRegion polygonRegion(const std::vector<std::vector<QPointF>>& polys, int fillMode, bool withBoundary) {
    QRect box = polysBounds(polys, 1);
    if (box.isEmpty()) return {};
    if ((long long)box.width() * box.height() > (16LL << 20)) {
        // Too large for a coverage mask: scan rows straight into rectangles, within the reach
        // of any surface.
        box &= QRect(-(1 << 16), -(1 << 16), 1 << 17, 1 << 17);
        return spanRegion(polys, fillMode, box);
    }
    Mask mask(box);
    if (mask.empty()) return {};
    fillPolys(mask, polys, fillMode, kBrush);
    if (withBoundary) {
        long long pos = 0;
        for (const auto& poly : polys) {
            std::vector<POINT> pts = rounded(poly);
            if (pts.empty()) continue;
            pts.push_back(pts.front());
            for (std::size_t i = 0; i + 1 < pts.size(); ++i) thinLine(mask, pts[i], pts[i + 1], {}, pos, true, kBrush);
        }
    }
    QList<QRect> rects;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        int x = box.left();
        while (x <= box.right()) {
            while (x <= box.right() && mask.at(x, y) == kNone) ++x;
            const int start = x;
            while (x <= box.right() && mask.at(x, y) != kNone) ++x;
            if (x > start) rects << QRect(start, y, x - start, 1);
        }
    }
    QRegion r;
    r.setRects(rects.constData(), int(rects.size()));
    return r;
}

}  // namespace detail

using namespace detail;

// ---------------------------------------------------------------------------------------------
// Lines.

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (dc->emf) dc->emf->fields(EMR_MOVETOEX, {x, y});
    if (previous) *previous = dc->s.current;
    dc->s.current = POINT{x, y};
    dc->dashPos = 0;
    if (dc->inPath) pathMoveTo(*dc, dev(*dc, dc->s.current));
    return TRUE;
}

namespace {
BOOL polyline(DC& dc, const std::vector<QPointF>& pts, bool continueDash) {
    if (dc.inPath) {
        for (std::size_t i = 0; i < pts.size(); ++i) {
            if (i == 0 && !continueDash) pathMoveTo(dc, pts[0]);
            else pathLineTo(dc, pts[i]);
        }
        return TRUE;
    }
    Figure f;
    f.strokes.push_back(pts);
    f.closed.push_back(false);
    f.continueDash = continueDash;
    return render(dc, f, false) ? TRUE : FALSE;
}
}  // namespace

BOOL LineTo(HDC hdc, int x, int y) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (dc->emf) dc->emf->fields(EMR_LINETO, {x, y});
    const std::vector<QPointF> pts{dev(*dc, dc->s.current), dev(*dc, POINT{x, y})};
    BOOL ok = polyline(*dc, pts, true);
    dc->s.current = POINT{x, y};
    return ok;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !points || count < 2) return FALSE;
    if (dc->emf) dc->emf->points(EMR_POLYLINE, points, DWORD(count));
    std::vector<QPointF> pts;
    for (int i = 0; i < count; ++i) pts.push_back(dev(*dc, points[i]));
    return polyline(*dc, pts, false);
}

BOOL PolylineTo(HDC hdc, const POINT* points, int count) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !points || count < 1) return FALSE;
    if (dc->emf) dc->emf->points(EMR_POLYLINETO, points, DWORD(count));
    std::vector<QPointF> pts{dev(*dc, dc->s.current)};
    for (int i = 0; i < count; ++i) pts.push_back(dev(*dc, points[i]));
    BOOL ok = polyline(*dc, pts, true);
    dc->s.current = points[count - 1];
    return ok;
}

BOOL PolyPolyline(HDC hdc, const POINT* points, const DWORD* counts, DWORD polylines) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !points || !counts) return FALSE;
    if (std::any_of(counts, counts + polylines, [](DWORD n) { return n < 2; })) return FALSE;
    if (dc->emf) dc->emf->polyPoly(EMR_POLYPOLYLINE, points, counts, polylines);
    std::size_t at = 0;
    for (DWORD k = 0; k < polylines; ++k) {
        if (counts[k] < 2) return FALSE;
        std::vector<QPointF> pts;
        for (DWORD i = 0; i < counts[k]; ++i) pts.push_back(dev(*dc, points[at + i]));
        at += counts[k];
        polyline(*dc, pts, false);
    }
    return TRUE;
}

BOOL PolyBezier(HDC hdc, const POINT* points, DWORD count) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !points || count < 4 || (count - 1) % 3) return FALSE;
    if (dc->emf) dc->emf->points(EMR_POLYBEZIER, points, count);
    std::vector<QPointF> pts{dev(*dc, points[0])};
    bezierPoints(*dc, pts, points + 1, count - 1);
    return polyline(*dc, pts, false);
}

BOOL PolyBezierTo(HDC hdc, const POINT* points, DWORD count) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !points || count < 3 || count % 3) return FALSE;
    if (dc->emf) dc->emf->points(EMR_POLYBEZIERTO, points, count);
    std::vector<QPointF> pts{dev(*dc, dc->s.current)};
    bezierPoints(*dc, pts, points, count);
    BOOL ok = polyline(*dc, pts, true);
    dc->s.current = points[count - 1];
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Figures.

BOOL Polygon(HDC hdc, const POINT* points, int count) {
    return PolyPolygon(hdc, points, &count, 1);
}

BOOL PolyPolygon(HDC hdc, const POINT* points, const int* counts, int polygons) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !points || !counts || polygons < 1) return FALSE;
    if (std::any_of(counts, counts + polygons, [](int n) { return n < 2; })) return FALSE;
    if (dc->emf) {
        if (polygons == 1) {
            dc->emf->points(EMR_POLYGON, points, DWORD(counts[0]));
        } else {
            const std::vector<DWORD> n(counts, counts + polygons);
            dc->emf->polyPoly(EMR_POLYPOLYGON, points, n.data(), DWORD(polygons));
        }
    }
    Figure f;
    std::size_t at = 0;
    for (int k = 0; k < polygons; ++k) {
        if (counts[k] < 2) return FALSE;
        std::vector<QPointF> pts;
        for (int i = 0; i < counts[k]; ++i) pts.push_back(dev(*dc, points[at + std::size_t(i)]));
        at += std::size_t(counts[k]);
        if (dc->inPath) {
            dc->path.push_back(PathFigure{pts, true});
            continue;
        }
        f.fill.push_back(pts);
        f.strokes.push_back(pts);
        f.closed.push_back(true);
    }
    if (dc->inPath) return TRUE;
    return render(*dc, f, true) ? TRUE : FALSE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (dc->emf) dc->emf->box(EMR_RECTANGLE, left, top, right, bottom);
    const QRect box = figureBox(*dc, left, top, right, bottom);
    if (box.width() <= 0 || box.height() <= 0) return TRUE;
    const PenInfo pi = penInfo(*dc);
    const QRectF e = insetForPen(box, pi);
    const std::vector<QPointF> outline{e.topLeft(), e.topRight(), e.bottomRight(), e.bottomLeft()};
    if (dc->inPath) {
        dc->path.push_back(PathFigure{outline, true});
        return TRUE;
    }
    Figure f;
    // The brush covers the whole box without a pen, the inside of the outline with one.
    const QRectF inner = pi.null ? QRectF(box) : QRectF(box).adjusted(1, 1, -1, -1);
    if (inner.width() > 0 && inner.height() > 0)
        f.fill.push_back({inner.topLeft(), inner.topRight(), inner.bottomRight(), inner.bottomLeft()});
    f.strokes.push_back(outline);
    f.closed.push_back(true);
    return render(*dc, f, true) ? TRUE : FALSE;
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (dc->emf) dc->emf->fields(EMR_ROUNDRECT, {left, top, right, bottom, width, height});
    const QRect box = figureBox(*dc, left, top, right, bottom);
    if (box.width() <= 0 || box.height() <= 0) return TRUE;
    const PenInfo pi = penInfo(*dc);
    const QRectF e = insetForPen(box, pi);
    const double rx = std::min(std::abs(width * dc->scaleX()) / 2, e.width() / 2);
    const double ry = std::min(std::abs(height * dc->scaleY()) / 2, e.height() / 2);
    QPainterPath p;
    p.addRoundedRect(e, rx, ry, Qt::AbsoluteSize);
    QPolygonF poly = p.toFillPolygon();
    std::vector<QPointF> pts(poly.begin(), poly.end());
    if (pts.size() > 1 && pts.front() == pts.back()) pts.pop_back();
    Figure f;
    f.fill.push_back(pts);
    f.fillBoundary = pi.null;
    f.strokes.push_back(pts);
    f.closed.push_back(true);
    return render(*dc, f, true) ? TRUE : FALSE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (dc->emf) dc->emf->box(EMR_ELLIPSE, left, top, right, bottom);
    const QRect box = figureBox(*dc, left, top, right, bottom);
    if (box.width() <= 0 || box.height() <= 0) return TRUE;
    const PenInfo pi = penInfo(*dc);
    const std::vector<QPointF> pts = ellipsePoints(insetForPen(box, pi));
    if (dc->inPath) {
        dc->path.push_back(PathFigure{pts, true});
        return TRUE;
    }
    Figure f;
    f.fill.push_back(pts);
    f.fillBoundary = pi.null;
    f.strokes.push_back(pts);
    f.closed.push_back(true);
    return render(*dc, f, true) ? TRUE : FALSE;
}

BOOL Arc(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return arcFigure(hdc, l, t, r, b, xs, ys, xe, ye, ArcKind::Arc);
}
BOOL Chord(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return arcFigure(hdc, l, t, r, b, xs, ys, xe, ye, ArcKind::Chord);
}
BOOL Pie(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return arcFigure(hdc, l, t, r, b, xs, ys, xe, ye, ArcKind::Pie);
}

// ---------------------------------------------------------------------------------------------
// Pixels.

namespace {
bool visible(DC& dc, int x, int y) {
    QImage* img = dc.surface();
    if (!img || x < 0 || y < 0 || x >= img->width() || y >= img->height()) return false;
    return !dc.s.clip || dc.s.clip->contains(QPoint(x, y));
}
}  // namespace

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return CLR_INVALID;
    if (dc->emf) dc->emf->fields(EMR_SETPIXELV, {x, y, std::int32_t(color & 0xFFFFFF)});
    const POINT d = dc->toDevice(x, y);
    if (!visible(*dc, d.x, d.y)) return CLR_INVALID;
    QImage& img = *dc->surface();
    std::uint32_t p = toPixel(color);
    if (dc->mono()) p = monoize(p);
    reinterpret_cast<std::uint32_t*>(img.scanLine(d.y))[d.x] = p;
    dc->noteDrawn(QRect(d.x, d.y, 1, 1));
    return toColor(p);
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) {
    return SetPixel(hdc, x, y, color) != CLR_INVALID ? TRUE : FALSE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return CLR_INVALID;
    const POINT d = dc->toDevice(x, y);
    if (!visible(*dc, d.x, d.y)) return CLR_INVALID;
    return toColor(reinterpret_cast<const std::uint32_t*>(dc->surface()->constScanLine(d.y))[d.x]);
}

// ---------------------------------------------------------------------------------------------
// Fills and pattern blits.

namespace {

// Applies a ternary raster operation with the brush as pattern over a device rectangle.
void patternFill(DC& dc, const QRect& area, const Brush* brush, DWORD rop) {
    QImage* img = dc.surface();
    if (!img) return;
    const QRect box = area & dc.clipBounds();
    if (box.isEmpty()) return;
    const bool mono = dc.mono();
    if (rop == PATCOPY && brush && brush->style == BS_SOLID) {
        // The common background fill: one colour, whole runs.
        const std::uint32_t c = mono ? monoize(toPixel(brush->color)) : toPixel(brush->color);
        for (const QRect& r : clipRects(dc, box))
            for (int y = r.top(); y <= r.bottom(); ++y) {
                auto* line = reinterpret_cast<std::uint32_t*>(img->scanLine(y));
                std::fill(line + r.left(), line + r.right() + 1, c);
            }
        dc.noteDrawn(box);
        return;
    }
    for (const QRect& r : clipRects(dc, box)) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(img->scanLine(y));
            for (int x = r.left(); x <= r.right(); ++x) {
                long long pat = 0;
                if (brush) {
                    pat = brushPixel(dc, *brush, x, y);
                    if (pat < 0) {
                        if (rop == PATCOPY) continue;
                        pat = toPixel(dc.s.bkColor);
                    }
                }
                const std::uint32_t out = rop3Apply(rop, std::uint32_t(pat), 0, line[x]);
                line[x] = mono ? monoize(out) : out;
            }
        }
    }
    dc.noteDrawn(box);
}

bool ropNeedsSource(DWORD rop) {
    const unsigned t = (rop >> 16) & 0xFF;
    return ((t >> 2) ^ t) & 0x33;
}

bool ropNeedsPattern(DWORD rop) {
    const unsigned t = (rop >> 16) & 0xFF;
    return ((t >> 4) ^ t) & 0x0F;
}

// A device rectangle as the logical rectangle a metafile records for it.
RECT logicalRect(const DC& dc, const QRect& r) {
    const POINT a = dc.toLogical(r.left(), r.top());
    const POINT b = dc.toLogical(r.right() + 1, r.bottom() + 1);
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

}  // namespace

int FillRect(HDC hdc, const RECT* rect, HBRUSH hbrush) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    auto brush = get<Brush>(hbrush, Kind::Brush);
    if (!dc || !rect || !brush) return 0;
    if (brush->style == BS_NULL) return 1;
    if (dc->emf) dc->emf->fill(*dc, *rect, brush);
    patternFill(*dc, dc->deviceRect(rect->left, rect->top, rect->right, rect->bottom), brush.get(), PATCOPY);
    return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH hbrush) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    auto brush = get<Brush>(hbrush, Kind::Brush);
    if (!dc || !rect || !brush) return 0;
    const QRect r = dc->deviceRect(rect->left, rect->top, rect->right, rect->bottom);
    if (r.isEmpty() || brush->style == BS_NULL) return 1;
    std::vector<QRect> edges{QRect(r.left(), r.top(), r.width(), 1)};
    if (r.height() > 1) edges.emplace_back(r.left(), r.bottom(), r.width(), 1);
    if (r.height() > 2) {
        edges.emplace_back(r.left(), r.top() + 1, 1, r.height() - 2);
        if (r.width() > 1) edges.emplace_back(r.right(), r.top() + 1, 1, r.height() - 2);
    }
    for (const QRect& e : edges) {
        if (dc->emf) dc->emf->fill(*dc, logicalRect(*dc, e), brush);
        patternFill(*dc, e, brush.get(), PATCOPY);
    }
    return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !rect) return FALSE;
    if (dc->emf) dc->emf->patBlt(*dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
    patternFill(*dc, dc->deviceRect(rect->left, rect->top, rect->right, rect->bottom), nullptr, DSTINVERT);
    return TRUE;
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || ropNeedsSource(rop)) return FALSE;
    const Brush* brush = dc->s.brush && dc->s.brush->style != BS_NULL ? dc->s.brush.get() : nullptr;
    if (ropNeedsPattern(rop) && !brush) return TRUE;  // a hollow brush paints nothing
    if (dc->emf) dc->emf->patBlt(*dc, x, y, width, height, rop);
    patternFill(*dc, dc->deviceRect(x, y, addClamped(x, width), addClamped(y, height)), brush, rop);
    return TRUE;
}

BOOL FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbrush) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    auto rgn = get<Region>(hrgn, Kind::Region);
    auto brush = get<Brush>(hbrush, Kind::Brush);
    if (!dc || !rgn || !brush) return FALSE;
    if (brush->style == BS_NULL) return TRUE;
    for (const QRect& r : rgn->region) {
        if (dc->emf) dc->emf->fill(*dc, logicalRect(*dc, r), brush);
        patternFill(*dc, r, brush.get(), PATCOPY);
    }
    return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Blits.

namespace {

BOOL blit(DC& d, int x, int y, int w, int h, DC* s, int sx, int sy, int sw, int sh, DWORD rop, bool mirror) {
    QImage* dimg = d.surface();
    if (!dimg) return d.type == DCType::Screen ? TRUE : FALSE;
    const bool needSrc = ropNeedsSource(rop);
    if (needSrc && !s) return FALSE;
    const POINT p0 = d.toDevice(x, y), p1 = d.toDevice(addClamped(x, w), addClamped(y, h));
    long long dw = (long long)p1.x - p0.x, dh = (long long)p1.y - p0.y;
    const QRect D(std::min(p0.x, p1.x), std::min(p0.y, p1.y), int(std::llabs(dw)), int(std::llabs(dh)));
    if (D.isEmpty()) return TRUE;
    QRect S;
    bool flipX = false, flipY = false;
    QImage src;
    QPoint srcOrigin;  // where src's first pixel lies on the source surface
    QRect avail;
    bool srcMono = false;
    COLORREF srcBk = 0;
    if (needSrc) {
        QImage* simg = s->surface();
        if (!simg) return FALSE;
        const POINT q0 = s->toDevice(sx, sy), q1 = s->toDevice(addClamped(sx, sw), addClamped(sy, sh));
        const long long sdw = (long long)q1.x - q0.x, sdh = (long long)q1.y - q0.y;
        S = QRect(std::min(q0.x, q1.x), std::min(q0.y, q1.y), int(std::llabs(sdw)), int(std::llabs(sdh)));
        if (S.isEmpty()) return TRUE;
        if (mirror) {
            flipX = (dw < 0) != (sdw < 0);
            flipY = (dh < 0) != (sdh < 0);
        }
        // A source that is the destination's surface is copied first, only the part on the
        // surface (the rectangle may reach far past it); any other is read where it is: a blit
        // out of a large picture costs what the destination shows, not the picture's size.
        avail = S & simg->rect();
        if (avail.isEmpty()) return TRUE;
        if (simg == dimg || simg->constBits() == dimg->constBits()) {
            src = simg->copy(avail);
            srcOrigin = avail.topLeft();
        } else {
            src = *simg;
        }
        srcMono = s->mono();
        srcBk = s->s.bkColor;
    }
    const QRect box = D & d.clipBounds();
    if (box.isEmpty()) return TRUE;
    const bool dmono = d.mono();
    const Brush* brush = d.s.brush && d.s.brush->style != BS_NULL ? d.s.brush.get() : nullptr;
    const bool needPat = ropNeedsPattern(rop);
    const std::uint32_t textPix = toPixel(d.s.textColor), bkPix = toPixel(d.s.bkColor);
    const std::uint32_t srcBkPix = toPixel(srcBk) & 0xFFFFFF;
    for (const QRect& r : clipRects(d, box)) {
        for (int Y = r.top(); Y <= r.bottom(); ++Y) {
            auto* line = reinterpret_cast<std::uint32_t*>(dimg->scanLine(Y));
            const std::uint32_t* srow = nullptr;
            if (needSrc) {
                long long j = Y - D.top();
                if (flipY) j = D.height() - 1 - j;
                const long long syy = ((2 * j + 1) * S.height()) / (2LL * D.height());
                // A source rectangle reaching past its surface leaves those pixels alone.
                const int absY = S.top() + int(syy);
                if (absY < 0 || absY >= s->surface()->height()) continue;
                if (absY < avail.top() || absY > avail.bottom()) continue;
                srow = reinterpret_cast<const std::uint32_t*>(src.constScanLine(absY - srcOrigin.y()));
            }
            for (int X = r.left(); X <= r.right(); ++X) {
                std::uint32_t sp = 0;
                if (needSrc) {
                    long long i = X - D.left();
                    if (flipX) i = D.width() - 1 - i;
                    const long long sxx = ((2 * i + 1) * S.width()) / (2LL * D.width());
                    const int absX = S.left() + int(sxx);
                    if (absX < 0 || absX >= s->surface()->width()) continue;
                    if (absX < avail.left() || absX > avail.right()) continue;
                    sp = srow[absX - srcOrigin.x()] & 0xFFFFFF;
                    if (srcMono && !dmono) sp = sp ? bkPix : textPix;
                    else if (dmono && !srcMono) sp = sp == srcBkPix ? 0xFFFFFFu : 0u;
                    sp &= 0xFFFFFF;
                }
                std::uint32_t pat = 0;
                if (needPat && brush) {
                    const long long c = brushPixel(d, *brush, X, Y);
                    pat = c < 0 ? bkPix : std::uint32_t(c);
                }
                const std::uint32_t out = rop3Apply(rop, pat, sp, line[X]);
                line[X] = dmono ? monoize(out) : out;
            }
        }
    }
    d.noteDrawn(box);
    return TRUE;
}

// A blit onto a metafile context: the source pixels go into the file as a picture, in the
// colours the blit gives a monochrome source.
void recordBlit(DC& d, int x, int y, int w, int h, DC* s, int sx, int sy, int sw, int sh, DWORD rop, bool mirror) {
    if (!ropNeedsSource(rop)) {
        d.emf->patBlt(d, x, y, w, h, rop);
        return;
    }
    QImage* simg = s ? s->surface() : nullptr;
    if (!simg) return;
    const POINT q0 = s->toDevice(sx, sy), q1 = s->toDevice(addClamped(sx, sw), addClamped(sy, sh));
    const QRect S(std::min(q0.x, q1.x), std::min(q0.y, q1.y), std::abs(q1.x - q0.x), std::abs(q1.y - q0.y));
    if (S.isEmpty() || (long long)S.width() * S.height() > (1LL << 26)) return;
    QImage picture = simg->copy(S).convertToFormat(QImage::Format_RGB32);
    if (s->mono() && !d.mono()) {
        const std::uint32_t text = toPixel(d.s.textColor), bk = toPixel(d.s.bkColor);
        for (int j = 0; j < picture.height(); ++j) {
            auto* line = reinterpret_cast<std::uint32_t*>(picture.scanLine(j));
            for (int i = 0; i < picture.width(); ++i) line[i] = (line[i] & 0xFFFFFF) ? bk : text;
        }
    }
    // A picture played onto the recorded rectangle is mirrored where the rectangle's device
    // extents are negative; it goes in so that it comes out as this blit draws it.
    const POINT p0 = d.toDevice(x, y), p1 = d.toDevice(addClamped(x, w), addClamped(y, h));
    const bool flipX = mirror ? q1.x < q0.x : p1.x < p0.x;
    const bool flipY = mirror ? q1.y < q0.y : p1.y < p0.y;
    if (flipX || flipY) picture = picture.mirrored(flipX, flipY);
    d.emf->image(x, y, w, h, picture, 0, 0, picture.width(), picture.height(), rop);
}

}  // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, DWORD rop) {
    Guard g(lock());
    auto d = dcOf(dest);
    if (!d) return FALSE;
    auto s = dcOf(src);
    if (src && !s) return FALSE;
    if (d->emf) recordBlit(*d, x, y, width, height, s.get(), xSrc, ySrc, width, height, rop, false);
    return blit(*d, x, y, width, height, s.get(), xSrc, ySrc, width, height, rop, false);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int widthSrc,
                int heightSrc, DWORD rop) {
    Guard g(lock());
    auto d = dcOf(dest);
    if (!d) return FALSE;
    auto s = dcOf(src);
    if (src && !s) return FALSE;
    if (d->emf) recordBlit(*d, x, y, width, height, s.get(), xSrc, ySrc, widthSrc, heightSrc, rop, true);
    return blit(*d, x, y, width, height, s.get(), xSrc, ySrc, widthSrc, heightSrc, rop, true);
}

namespace detail {
BOOL drawImageInto(HDC hdc, const QImage& image, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                   DWORD rop) {
    auto d = dcOf(hdc);
    if (!d || image.isNull()) return FALSE;
    DC tmp;
    tmp.type = DCType::Metafile;
    tmp.own = image.convertToFormat(QImage::Format_RGB32);
    return blit(*d, x, y, w, h, &tmp, sx, sy, sw, sh, rop, true);
}
}  // namespace detail

// ---------------------------------------------------------------------------------------------
// Flood fill.

BOOL ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (dc->emf) dc->emf->fields(EMR_EXTFLOODFILL, {x, y, std::int32_t(color & 0xFFFFFF), std::int32_t(type)});
    const POINT seed = dc->toDevice(x, y);
    if (!visible(*dc, seed.x, seed.y)) return FALSE;
    QImage& img = *dc->surface();
    const QRect box = dc->clipBounds();
    const std::uint32_t ref = toPixel(color) & 0xFFFFFF;
    auto pix = [&](int px, int py) {
        return reinterpret_cast<const std::uint32_t*>(img.constScanLine(py))[px] & 0xFFFFFF;
    };
    auto wanted = [&](int px, int py) {
        const bool same = pix(px, py) == ref;
        return type == FLOODFILLSURFACE ? same : !same;
    };
    if (!wanted(seed.x, seed.y)) return FALSE;
    Mask mask(box);
    const QRegion* clip = dc->s.clip ? &*dc->s.clip : nullptr;
    std::vector<std::pair<int, int>> stack{{seed.x, seed.y}};
    // Scan-line fill: each popped seed fills its whole run and queues the runs above and below.
    while (!stack.empty()) {
        const int sx = stack.back().first;
        const int sy = stack.back().second;
        stack.pop_back();
        if (mask.at(sx, sy) != kNone || !wanted(sx, sy)) continue;
        auto ok = [&](int px) {
            return px >= box.left() && px <= box.right() && mask.at(px, sy) == kNone && wanted(px, sy) &&
                   (!clip || clip->contains(QPoint(px, sy)));
        };
        int x0 = sx, x1 = sx;
        while (ok(x0 - 1)) --x0;
        while (ok(x1 + 1)) ++x1;
        mask.span(sy, x0, x1 + 1, kBrush);
        for (int ny : {sy - 1, sy + 1}) {
            if (ny < box.top() || ny > box.bottom()) continue;
            bool inRun = false;
            for (int px = x0; px <= x1; ++px) {
                const bool can = mask.at(px, ny) == kNone && wanted(px, ny) && (!clip || clip->contains(QPoint(px, ny)));
                if (can && !inRun) stack.emplace_back(px, ny);
                inRun = can;
            }
        }
    }
    const Brush* brush = dc->s.brush && dc->s.brush->style != BS_NULL ? dc->s.brush.get() : nullptr;
    composite(*dc, mask, brush, 0);
    return TRUE;
}

BOOL FloodFill(HDC hdc, int x, int y, COLORREF color) { return ExtFloodFill(hdc, x, y, color, FLOODFILLBORDER); }

// ---------------------------------------------------------------------------------------------
// Paths.

BOOL BeginPath(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (dc->emf) dc->emf->fields(EMR_BEGINPATH, {});
    dc->inPath = true;
    dc->pathDone = false;
    dc->path.clear();
    return TRUE;
}

BOOL EndPath(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !dc->inPath) return FALSE;
    if (dc->emf) dc->emf->fields(EMR_ENDPATH, {});
    dc->inPath = false;
    dc->pathDone = true;
    return TRUE;
}

BOOL AbortPath(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc) return FALSE;
    if (dc->emf) dc->emf->fields(EMR_ABORTPATH, {});
    dc->inPath = false;
    dc->pathDone = false;
    dc->path.clear();
    return TRUE;
}

BOOL CloseFigure(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !dc->inPath || dc->path.empty()) return FALSE;
    if (dc->emf) dc->emf->fields(EMR_CLOSEFIGURE, {});
    dc->path.back().closed = true;
    return TRUE;
}

namespace {
BOOL drawPath(HDC hdc, bool fill, bool stroke) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !dc->pathDone) return FALSE;
    if (dc->emf)
        dc->emf->fields(fill && stroke ? EMR_STROKEANDFILLPATH : fill ? EMR_FILLPATH : EMR_STROKEPATH, {0, 0, -1, -1});
    Figure f;
    for (const PathFigure& pf : dc->path) {
        if (pf.points.empty()) continue;
        if (fill) f.fill.push_back(pf.points);
        if (stroke) {
            f.strokes.push_back(pf.points);
            // Filling closes every figure; so does its outline then.
            f.closed.push_back(pf.closed || fill);
        }
    }
    dc->path.clear();
    dc->pathDone = false;
    if (!stroke) {
        // A fill alone has no pen.
        auto keep = dc->s.pen;
        dc->s.pen = std::static_pointer_cast<Pen>(stockObject(NULL_PEN));
        render(*dc, f, true);
        dc->s.pen = keep;
        return TRUE;
    }
    return render(*dc, f, fill) ? TRUE : FALSE;
}
}  // namespace

BOOL StrokePath(HDC hdc) { return drawPath(hdc, false, true); }
BOOL FillPath(HDC hdc) { return drawPath(hdc, true, false); }
BOOL StrokeAndFillPath(HDC hdc) { return drawPath(hdc, true, true); }

}  // namespace gdi
