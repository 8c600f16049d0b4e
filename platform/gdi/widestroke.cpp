// Strokes of pens wider than one pixel.
//
// A stroke is the union of convex pieces: a quadrilateral along each segment, and at its
// corners and ends a disc (round), a triangle (bevel), a quadrilateral or pentagon (miter) or
// a longer segment (square end). Only the pieces that can reach the area are made, and they
// are laid in row by row, so the work grows with the area's rows and the segments near it,
// never with the pen's width or the length of the figure: a pen a billion pixels wide (a
// metafile can ask for one through its mapping) costs what one as wide as the area costs,
// where an outline of the whole stroke would hold millions of points.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "platform/gdi/gdi_internal.h"

namespace gdi::detail {

namespace {

// A miter runs along the outer edges at most this many pen widths past its corner; a sharper
// corner is cut off there, as the outline stroker of narrower pens cuts it.
constexpr double kMiterLimit = 2.0;
// How far from its figure a piece can reach, in half widths: the corners of a cut miter.
const double kReach = std::hypot(1.0, 2 * kMiterLimit);

struct Piece {
    double top = 0, bottom = 0;  // the rows it spans, [top, bottom)
    std::array<QPointF, 5> corner;
    int corners = 0;  // none: a disc around corner[0]
    double radius = 0;
};

bool touches(const Piece& p, const QRect& box);
bool covers(const Piece& p, const QRect& box);

// The pieces of a stroke that can reach an area. Once one covers the whole area, the rest
// cannot add to it and are not kept.
class Pieces {
public:
    Pieces(double halfWidth, const QRect& box) : r_(halfWidth), box_(box) {}

    void disc(const QPointF& c) {
        Piece p;
        p.corner[0] = c;
        p.radius = r_;
        p.top = c.y() - r_;
        p.bottom = c.y() + r_;
        keep(p);
    }
    void polygon(std::initializer_list<QPointF> points) {
        Piece p;
        p.top = std::numeric_limits<double>::infinity();
        p.bottom = -p.top;
        for (const QPointF& q : points) {
            p.corner[std::size_t(p.corners++)] = q;
            p.top = std::min(p.top, q.y());
            p.bottom = std::max(p.bottom, q.y());
        }
        keep(p);
    }
    // The body of a segment part from a to b (direction u), square ends lengthening it.
    void body(QPointF a, QPointF b, const QPointF& u, bool squareStart, bool squareEnd) {
        if (squareStart) a -= r_ * u;
        if (squareEnd) b += r_ * u;
        const QPointF n(-u.y() * r_, u.x() * r_);
        polygon({a + n, b + n, b - n, a - n});
    }
    void cap(const QPointF& at, const QPointF& u, Qt::PenCapStyle style) {
        if (style == Qt::RoundCap) disc(at);
        else if (style == Qt::SquareCap) body(at, at, u, true, true);
    }
    // The corner between a segment of direction u1 and the next of direction u2.
    void join(const QPointF& v, const QPointF& u1, const QPointF& u2, Qt::PenJoinStyle style) {
        if (style == Qt::RoundJoin) {
            disc(v);
            return;
        }
        const QPointF n1(-u1.y(), u1.x()), n2(-u2.y(), u2.x());
        const double turn = u2.x() * n1.x() + u2.y() * n1.y();
        if (std::abs(turn) < 1e-12) return;  // straight on, or straight back: nothing sticks out
        const double side = turn > 0 ? -r_ : r_;  // the outer side of the corner
        const QPointF a = v + side * n1, b = v + side * n2;
        const double c = n1.x() * n2.x() + n1.y() * n2.y();
        if (style == Qt::MiterJoin) {
            const double limit = kMiterLimit * 2 * r_;
            const QPointF tip = 1 + c > 1e-12 ? v + side / (1 + c) * (n1 + n2) : v + limit * 2 * u1;
            const double run = (tip - a).x() * u1.x() + (tip - a).y() * u1.y();
            if (run <= limit) polygon({v, a, tip, b});
            else polygon({v, a, a + limit * u1, b - limit * u2, b});
            return;
        }
        polygon({v, a, b});
    }

    std::vector<Piece> list;
    bool whole = false;  // one piece covers the whole area

private:
    void keep(const Piece& p) {
        if (whole || !touches(p, box_)) return;
        if (covers(p, box_)) {
            whole = true;
            list.clear();
            return;
        }
        list.push_back(p);
    }

    double r_;
    QRect box_;
};

// The pixels of a piece on row y, [xa, xb) before rounding up, by the rule of polygon fills:
// a pixel is inside when its centre is, left and top edges included.
bool rowOf(const Piece& p, double y, double& xa, double& xb) {
    if (y < p.top || y >= p.bottom) return false;
    if (p.corners == 0) {
        const double dy = std::abs(y - p.corner[0].y());
        const double half = std::sqrt((p.radius - dy) * (p.radius + dy));
        xa = p.corner[0].x() - half;
        xb = p.corner[0].x() + half;
        return xa < xb;
    }
    xa = std::numeric_limits<double>::infinity();
    xb = -xa;
    for (int i = 0; i < p.corners; ++i) {
        const QPointF& a = p.corner[std::size_t(i)];
        const QPointF& b = p.corner[std::size_t((i + 1) % p.corners)];
        if (a.y() == b.y() || y < std::min(a.y(), b.y()) || y >= std::max(a.y(), b.y())) continue;
        const double x = a.x() + (y - a.y()) * (b.x() - a.x()) / (b.y() - a.y());
        xa = std::min(xa, x);
        xb = std::max(xb, x);
    }
    return xa < xb;
}

// Whether a piece reaches into the area (one pixel around it counted, for rounding): a
// separating line of the area and a convex piece is one of the area's sides or of the piece's.
bool touches(const Piece& p, const QRect& box) {
    const double l = box.left() - 1, r = box.right() + 1, t = box.top() - 1, b = box.bottom() + 1;
    if (p.bottom < t || p.top > b) return false;
    if (p.corners == 0) {
        const QPointF& c = p.corner[0];
        const double dx = std::max({l - c.x(), 0.0, c.x() - r}), dy = std::max({t - c.y(), 0.0, c.y() - b});
        return std::hypot(dx, dy) <= p.radius;
    }
    const QPointF area[] = {QPointF(l, t), QPointF(r, t), QPointF(r, b), QPointF(l, b)};
    double left = p.corner[0].x(), right = left;
    for (int i = 1; i < p.corners; ++i) {
        left = std::min(left, p.corner[std::size_t(i)].x());
        right = std::max(right, p.corner[std::size_t(i)].x());
    }
    if (right < l || left > r) return false;
    for (int i = 0; i < p.corners; ++i) {
        const QPointF& a = p.corner[std::size_t(i)];
        const QPointF& e = p.corner[std::size_t((i + 1) % p.corners)];
        const QPointF normal(a.y() - e.y(), e.x() - a.x());
        auto along = [&](const QPointF& q) { return normal.x() * q.x() + normal.y() * q.y(); };
        double pieceLo = along(p.corner[0]), pieceHi = pieceLo;
        for (int k = 1; k < p.corners; ++k) {
            const double v = along(p.corner[std::size_t(k)]);
            pieceLo = std::min(pieceLo, v);
            pieceHi = std::max(pieceHi, v);
        }
        double areaLo = along(area[0]), areaHi = areaLo;
        for (const QPointF& q : area) {
            areaLo = std::min(areaLo, along(q));
            areaHi = std::max(areaHi, along(q));
        }
        if (pieceHi < areaLo || areaHi < pieceLo) return false;
    }
    return true;
}

// Whether a piece covers every pixel of the area (its corners one pixel out included).
bool covers(const Piece& p, const QRect& box) {
    if (p.top >= box.top() - 1 || p.bottom <= box.bottom() + 1) return false;
    const QPointF corners[] = {QPointF(box.left() - 1, box.top() - 1), QPointF(box.right() + 1, box.top() - 1),
                               QPointF(box.right() + 1, box.bottom() + 1), QPointF(box.left() - 1, box.bottom() + 1)};
    for (const QPointF& q : corners) {
        if (p.corners == 0) {
            if (std::hypot(q.x() - p.corner[0].x(), q.y() - p.corner[0].y()) >= p.radius) return false;
            continue;
        }
        int sign = 0;
        for (int i = 0; i < p.corners; ++i) {
            const QPointF& a = p.corner[std::size_t(i)];
            const QPointF& b = p.corner[std::size_t((i + 1) % p.corners)];
            const double cross = (b.x() - a.x()) * (q.y() - a.y()) - (b.y() - a.y()) * (q.x() - a.x());
            const int s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
            if (s == 0 || (sign != 0 && s != sign)) return false;
            sign = s;
        }
    }
    return true;
}

// The part [t0, t1] of the segment a + t (b - a), 0 <= t <= 1, inside the rectangle; false when
// none.
bool clipSegment(const QPointF& a, const QPointF& b, const QRectF& r, double& t0, double& t1) {
    t0 = 0;
    t1 = 1;
    const double d[2] = {b.x() - a.x(), b.y() - a.y()};
    const double lo[2] = {r.left() - a.x(), r.top() - a.y()};
    const double hi[2] = {r.right() - a.x(), r.bottom() - a.y()};
    for (int k = 0; k < 2; ++k) {
        if (d[k] == 0) {
            if (lo[k] > 0 || hi[k] < 0) return false;
            continue;
        }
        double e0 = lo[k] / d[k], e1 = hi[k] / d[k];
        if (e0 > e1) std::swap(e0, e1);
        t0 = std::max(t0, e0);
        t1 = std::min(t1, e1);
        if (t0 > t1) return false;
    }
    return true;
}

// Where a dash pattern stands at a distance along a figure.
struct DashState {
    std::size_t index = 0;
    double left = 0;  // of the current entry
};

DashState dashAt(const std::vector<double>& dashes, double period, double at) {
    DashState s;
    double p = std::fmod(std::max(0.0, at), period);
    for (s.index = 0; s.index < dashes.size(); ++s.index) {
        if (p < dashes[s.index]) break;
        p -= dashes[s.index];
    }
    if (s.index == dashes.size()) s.index = 0, p = 0;
    s.left = dashes[s.index] - p;
    return s;
}

// The pieces of one figure that can reach `reach`.
void figurePieces(Pieces& out, std::vector<QPointF> pts, bool closed, const WidePen& pen, const QRectF& reach) {
    pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
    if (closed && pts.size() > 1 && pts.front() == pts.back()) pts.pop_back();
    if (pts.empty()) return;
    const bool dashed = !pen.dashes.empty();
    if (pts.size() == 1) {
        // A figure of one point shows its ends only, as a dot.
        if (!closed && reach.contains(pts[0])) out.cap(pts[0], QPointF(1, 0), pen.cap);
        return;
    }
    double period = 0;
    for (double d : pen.dashes) period += d;
    const std::size_t segments = closed ? pts.size() : pts.size() - 1;
    std::vector<QPointF> dir(segments);
    std::vector<double> length(segments), start(segments);
    double along = 0;
    for (std::size_t i = 0; i < segments; ++i) {
        const QPointF d = pts[(i + 1) % pts.size()] - pts[i];
        length[i] = std::hypot(d.x(), d.y());
        dir[i] = length[i] > 0 ? d / length[i] : QPointF(1, 0);
        start[i] = along;
        along += length[i];
    }
    auto on = [&](double at) { return !dashed || dashAt(pen.dashes, period, at).index % 2 == 0; };

    for (std::size_t i = 0; i < segments && !out.whole; ++i) {
        const QPointF a = pts[i], b = pts[(i + 1) % pts.size()];
        // The corner at the segment's end, when it is near enough and the pen is down there.
        const bool cornerAtEnd = closed || i + 1 < segments;
        if (cornerAtEnd && reach.contains(b) && on(start[i] + length[i]))
            out.join(b, dir[i], dir[(i + 1) % segments], pen.join);
        double t0, t1;
        if (!clipSegment(a, b, reach, t0, t1)) continue;
        const double from = start[i] + t0 * length[i], to = start[i] + t1 * length[i];
        const bool figureStart = !closed && i == 0 && t0 == 0;
        const bool figureEnd = !closed && i + 1 == segments && t1 == 1;
        auto point = [&](double at) { return a + (at - start[i]) * dir[i]; };
        // Each dash is an open piece with the pen's ends; where the pen stays down across a
        // corner, the corner joins the two instead. Within the reach lie only a few periods of
        // the pattern; without one the pen is down all along.
        DashState s = dashed ? dashAt(pen.dashes, period, from) : DashState{0, std::numeric_limits<double>::infinity()};
        double at = from;
        while (at < to) {
            double end = std::min(to, at + s.left);
            // An entry too short to move along a figure this long: the rest keeps its state.
            if (!(end > at)) end = to;
            if (s.index % 2 == 0 && end > at) {
                const bool capStart = at > from || figureStart, capEnd = end < to || figureEnd;
                out.body(point(at), point(end), dir[i], capStart && pen.cap == Qt::SquareCap,
                         capEnd && pen.cap == Qt::SquareCap);
                if (capStart && pen.cap == Qt::RoundCap) out.disc(point(at));
                if (capEnd && pen.cap == Qt::RoundCap) out.disc(point(end));
            }
            s.left -= end - at;
            at = end;
            if (s.left <= 0 && dashed) {
                s.index = (s.index + 1) % pen.dashes.size();
                s.left = pen.dashes[s.index];
            }
        }
    }
}

// Dashes are laid in only within the reach, but a path may pass it again and again: where more
// than 65536 dashes would lie within the reach, the pen is laid solid, which bounds the pieces.
// What a path runs far off the area counts for nothing, so that a long dashed line keeps its
// dashes where it crosses the area.
WidePen dashesWithinBound(const WidePen& pen, const std::vector<std::vector<QPointF>>& strokes,
                          const std::vector<bool>& closed, const QRectF& reach) {
    if (pen.dashes.empty()) return pen;
    double period = 0;
    for (double d : pen.dashes) period += d;
    double near = 0;
    for (std::size_t k = 0; k < strokes.size(); ++k) {
        const std::vector<QPointF>& pts = strokes[k];
        const std::size_t n = pts.size();
        const std::size_t segments = n < 2 ? 0 : closed[k] ? n : n - 1;
        for (std::size_t i = 0; i < segments; ++i) {
            const QPointF a = pts[i], b = pts[(i + 1) % n];
            double t0, t1;
            if (clipSegment(a, b, reach, t0, t1)) near += (t1 - t0) * std::hypot(b.x() - a.x(), b.y() - a.y());
        }
    }
    if (near / period * double(pen.dashes.size() / 2) <= 65536.0) return pen;
    WidePen solid = pen;
    solid.dashes.clear();
    return solid;
}

// The pixels of one row of the area that the pieces cover, counted run by run. The pieces meet
// edge to edge: a pixel whose centre lies on a seam, left out by the pieces on both sides
// within rounding, belongs to the stroke all the same.
class RowCover {
public:
    RowCover(int left, int width)
        : left_(left), width_(width), depth_(std::size_t(width) + 1), seam_(std::size_t(width)) {}

    void clear() {
        full = false;
        std::fill(depth_.begin(), depth_.end(), 0);
        std::fill(seam_.begin(), seam_.end(), 0);
    }
    // Pixels from xa to xb, by the rule of rowOf.
    void add(double xa, double xb) {
        if (xb < left_ - 1 || xa > left_ + width_ + 1) return;
        if (xa <= left_ && xb > left_ + width_ - 1) {
            full = true;  // the others cannot add to it
            return;
        }
        const double a = std::max(xa, double(left_) - 1), b = std::min(xb, double(left_ + width_) + 1);
        const int x0 = std::clamp(int(std::ceil(a)), left_, left_ + width_);
        const int x1 = std::clamp(int(std::ceil(b)), left_, left_ + width_);
        if (x1 > x0) {
            ++depth_[std::size_t(x0 - left_)];
            --depth_[std::size_t(x1 - left_)];
        }
        if (x1 - b < kSeam && x1 < left_ + width_) seam_[std::size_t(x1 - left_)] |= kEndsAt;
        const double below = std::floor(a);
        if (a - below > 0 && a - below < kSeam && below >= left_ && below < left_ + width_)
            seam_[std::size_t(below - left_)] |= kStartsAfter;
    }
    void spans(int y, const std::function<void(int, int, int)>& span) const {
        if (full) {
            span(y, left_, left_ + width_);
            return;
        }
        int count = 0, start = -1;
        for (int i = 0; i <= width_; ++i) {
            const bool in =
                i < width_ && ((count += depth_[std::size_t(i)]) > 0 || seam_[std::size_t(i)] == (kEndsAt | kStartsAfter));
            if (in && start < 0) start = i;
            if (!in && start >= 0) {
                span(y, left_ + start, left_ + i);
                start = -1;
            }
        }
    }

    bool full = false;

private:
    static constexpr double kSeam = 1e-6;
    static constexpr std::uint8_t kEndsAt = 1, kStartsAfter = 2;
    int left_, width_;
    std::vector<int> depth_;
    std::vector<std::uint8_t> seam_;
};

}  // namespace

void wideStrokeSpans(const QRect& box, const WidePen& pen, const std::vector<std::vector<QPointF>>& strokes,
                     const std::vector<bool>& closed, const std::function<void(int, int, int)>& span) {
    if (box.isEmpty() || !(pen.width > 0)) return;
    const double r = pen.width / 2;
    // No piece reaches farther from its figure than a miter; what lies farther from the area
    // than that cannot touch it.
    const double far = kReach * r + 2;
    const QRectF reach(QPointF(box.left() - far, box.top() - far), QPointF(box.right() + far, box.bottom() + far));
    Pieces pieces(r, box);
    const WidePen laid = dashesWithinBound(pen, strokes, closed, reach);
    for (std::size_t k = 0; k < strokes.size() && !pieces.whole; ++k)
        figurePieces(pieces, strokes[k], closed[k], laid, reach);
    if (pieces.whole) {
        for (int y = box.top(); y <= box.bottom(); ++y) span(y, box.left(), box.right() + 1);
        return;
    }
    // Band by band of rows over the pieces whose rows reach into the band, each laid into the
    // rows it spans.
    std::vector<const Piece*> order, active;
    for (const Piece& p : pieces.list) order.push_back(&p);
    std::sort(order.begin(), order.end(), [](const Piece* a, const Piece* b) { return a->top < b->top; });
    std::size_t next = 0;
    constexpr int kBand = 32;
    std::vector<RowCover> band(std::size_t(std::min(kBand, box.height())), RowCover(box.left(), box.width()));
    for (int y0 = box.top(); y0 <= box.bottom(); y0 += kBand) {
        const int y1 = std::min(box.bottom(), y0 + kBand - 1);
        while (next < order.size() && order[next]->top <= y1) active.push_back(order[next++]);
        active.erase(std::remove_if(active.begin(), active.end(), [y0](const Piece* p) { return p->bottom <= y0; }),
                     active.end());
        if (active.empty()) continue;
        for (int y = y0; y <= y1; ++y) band[std::size_t(y - y0)].clear();
        for (const Piece* p : active) {
            const int from = std::max(y0, int(std::ceil(std::max(p->top, double(y0) - 1))));
            const int to = std::min(y1, int(std::ceil(std::min(p->bottom, double(y1) + 1))) - 1);
            for (int y = from; y <= to; ++y) {
                RowCover& row = band[std::size_t(y - y0)];
                double xa, xb;
                if (!row.full && rowOf(*p, y, xa, xb)) row.add(xa, xb);
            }
        }
        for (int y = y0; y <= y1; ++y) band[std::size_t(y - y0)].spans(y, span);
    }
}

}  // namespace gdi::detail
