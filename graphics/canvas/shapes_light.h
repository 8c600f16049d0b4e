#pragma once
// The light spot over the canvas, and text laid out along a circle.
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas/graphics.h"

namespace gfx {

// Light from one corner (modes 4 top-right, 5 bottom-right, 6 bottom-left, 7 top-left, any
// other as 7), or one of the plain gradients (modes 0 to 3).
class OBJECTSPOTCANVAS : public OBJECTSHAPE {
public:
    OBJECTSPOTCANVAS(GRAPHICS* canvas, Opt intensity = {}, Opt mode = {});
    OBJECTSHAPE& DRAW() override;

private:
    double intensity_;
    uint16_t mode_;
};

// Characters placed one by one along a circle, each in a font turned along the circle.
class OBJECTSTRINGRING : public OBJECTSHAPE {
public:
    OBJECTSTRINGRING(GRAPHICS* canvas, double x, double y, double radius, double angle, Opt align, Opt direction,
                     std::string text, Opt anchor = {});
    OBJECTSHAPE& DRAW() override;

    // Where the last DRAW put each character on the first surface: its reference point in
    // device pixels and the escapement of its font in tenths of a degree.
    struct Placement {
        char character;
        int32_t x, y;
        int32_t escapement;
    };
    const std::vector<Placement>& placements() const { return placed_; }

private:
    double x_ = 0.0, y_ = 0.0, radius_ = 0.0, angle_ = 0.0;
    std::string text_;
    uint16_t anchor_, align_, direction_;
    std::vector<Placement> placed_;
};

}  // namespace gfx
