#pragma once
// Lines and polygon edges whose ends lie far off the device, cut back to the device range.
//
// Holding each end of a line to the device range on its own would turn the line toward the
// nearest corner of that range. Cutting the line where it leaves the range keeps its
// direction, so every pixel of it that the device shows is where it belongs; a polygon cut
// the same way covers the device pixels it covered before.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/canvas/graphics.h"

namespace gfx {

// Cuts the segment a-b to the device range; false when no part of it lies in the range.
bool clipSegment(WidePoint& a, WidePoint& b);

// Appends the closed ring of `count` points cut to the device range (its edges along the
// range's border where it left the range); returns the number of points appended.
size_t appendClippedRing(const WidePoint* ring, size_t count, std::vector<gdi::POINT>& out);

// Appends the parts of an open polyline that lie in the device range, one run of points per
// part, and each run's point count to `counts`.
void appendClippedPolyline(const WidePoint* points, size_t count, std::vector<gdi::POINT>& out,
                           std::vector<int32_t>& counts);

// Draws strokes on one context as MoveToEx and LineTo would, each cut to the device range: a
// line that goes on from where the last one ended continues it (and its dash pattern), one
// after a move starts afresh.
class ClippedStrokes {
public:
    explicit ClippedStrokes(gdi::HDC dc) : dc_(dc) {}
    void moveTo(WidePoint p) {
        from_ = p;
        moved_ = true;
    }
    void lineTo(WidePoint p);

private:
    gdi::HDC dc_;
    WidePoint from_{};
    bool moved_ = true;
    gdi::POINT at_{};
};

}  // namespace gfx
