#include "graphics/canvas/clipping.h"

#include <array>
#include <cmath>

namespace gfx {

namespace {

constexpr double kLimit = kDeviceLimit;

bool inRange(const WidePoint& p) {
    return p.x >= -kDeviceLimit && p.x <= kDeviceLimit && p.y >= -kDeviceLimit && p.y <= kDeviceLimit;
}

gdi::POINT devicePoint(const WidePoint& p) { return gdi::POINT{deviceClamp(p.x), deviceClamp(p.y)}; }

// A point on the segment, made whole and held to the range (rounding may step half a pixel out).
WidePoint along(double x0, double y0, double dx, double dy, double t) {
    return WidePoint{deviceClamp(std::llround(x0 + t * dx)), deviceClamp(std::llround(y0 + t * dy))};
}

// Liang-Barsky against the square of the device range. `cutA` and `cutB` tell which ends moved.
bool cut(WidePoint& a, WidePoint& b, bool& cutA, bool& cutB) {
    cutA = cutB = false;
    if (inRange(a) && inRange(b)) return true;
    const double x0 = double(a.x), y0 = double(a.y);
    const double dx = double(b.x) - x0, dy = double(b.y) - y0;
    double t0 = 0.0, t1 = 1.0;
    const std::array<double, 4> p{-dx, dx, -dy, dy};
    const std::array<double, 4> q{x0 + kLimit, kLimit - x0, y0 + kLimit, kLimit - y0};
    for (size_t i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0.0) {
            if (r > t1) return false;
            if (r > t0) t0 = r;
        } else {
            if (r < t0) return false;
            if (r < t1) t1 = r;
        }
    }
    if (t0 > 0.0) {
        cutA = true;
        a = along(x0, y0, dx, dy, t0);
    }
    if (t1 < 1.0) {
        cutB = true;
        b = along(x0, y0, dx, dy, t1);
    }
    return true;
}

using Vertex = std::array<double, 2>;

// One step of Sutherland-Hodgman: keeps the part of the ring on the inner side of the line
// coordinate[axis] = bound (inner side below it when `below`).
void clipAgainst(const std::vector<Vertex>& in, std::vector<Vertex>& out, int axis, double bound, bool below) {
    out.clear();
    if (in.empty()) return;
    const auto inside = [&](const Vertex& v) { return below ? v[axis] <= bound : v[axis] >= bound; };
    const auto crossing = [&](const Vertex& p, const Vertex& q) {
        const double t = (bound - p[axis]) / (q[axis] - p[axis]);
        Vertex v;
        v[axis] = bound;
        v[1 - axis] = p[1 - axis] + t * (q[1 - axis] - p[1 - axis]);
        return v;
    };
    Vertex previous = in.back();
    for (const Vertex& current : in) {
        if (inside(current)) {
            if (!inside(previous)) out.push_back(crossing(previous, current));
            out.push_back(current);
        } else if (inside(previous)) {
            out.push_back(crossing(previous, current));
        }
        previous = current;
    }
}

}  // namespace

bool clipSegment(WidePoint& a, WidePoint& b) {
    bool cutA, cutB;
    return cut(a, b, cutA, cutB);
}

size_t appendClippedRing(const WidePoint* ring, size_t count, std::vector<gdi::POINT>& out) {
    bool all = true;
    for (size_t i = 0; i < count && all; ++i) all = inRange(ring[i]);
    if (all) {
        for (size_t i = 0; i < count; ++i) out.push_back(devicePoint(ring[i]));
        return count;
    }
    std::vector<Vertex> a, b;
    a.reserve(count + 4);
    for (size_t i = 0; i < count; ++i) a.push_back({double(ring[i].x), double(ring[i].y)});
    clipAgainst(a, b, 0, -kLimit, false);
    clipAgainst(b, a, 0, kLimit, true);
    clipAgainst(a, b, 1, -kLimit, false);
    clipAgainst(b, a, 1, kLimit, true);
    for (const Vertex& v : a) out.push_back(gdi::POINT{deviceClamp(std::llround(v[0])), deviceClamp(std::llround(v[1]))});
    return a.size();
}

void appendClippedPolyline(const WidePoint* points, size_t count, std::vector<gdi::POINT>& out,
                           std::vector<int32_t>& counts) {
    bool open = false;  // the last run ends where the next segment starts
    for (size_t i = 0; i + 1 < count; ++i) {
        WidePoint a = points[i], b = points[i + 1];
        bool cutA, cutB;
        if (!cut(a, b, cutA, cutB)) {
            open = false;
            continue;
        }
        if (!open || cutA) {
            out.push_back(devicePoint(a));
            counts.push_back(1);
        }
        out.push_back(devicePoint(b));
        ++counts.back();
        open = !cutB;
    }
}

void ClippedStrokes::lineTo(WidePoint p) {
    WidePoint a = from_, b = p;
    from_ = p;
    bool cutA, cutB;
    if (!cut(a, b, cutA, cutB)) {
        moved_ = true;
        return;
    }
    const gdi::POINT start = devicePoint(a), end = devicePoint(b);
    if (moved_ || cutA || start.x != at_.x || start.y != at_.y) gdi::MoveToEx(dc_, start.x, start.y, nullptr);
    gdi::LineTo(dc_, end.x, end.y);
    at_ = end;
    moved_ = cutB;
}

}  // namespace gfx
