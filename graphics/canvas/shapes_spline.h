#pragma once
// A cubic curve y(x) through or near a list of points: natural interpolating spline,
// smoothing spline (Reinsch, in de Boor's formulation) or polyline, by the smoothing value.
#include <array>
#include <cstdint>
#include <vector>

#include "graphics/canvas/graphics.h"

namespace gfx {

class OBJECTSPLINE : public OBJECTSHAPE {
public:
    OBJECTSPLINE(GRAPHICS* canvas, const NumberRows& points, Opt smoothing = {})
        : OBJECTSHAPE(canvas), S_(smoothing.value_or(0.0)), points_(&points) {}
    OBJECTSHAPE& DRAW() override;
    OBJECTSHAPE& DESTROY() override;

    // Loads the usable points (device x strictly rising, right of device x 0) into X, Y and
    // DY; returns their count.
    int32_t LOADPOINTS();
    void CALCULATESPLINE();
    void INITSPLINE();
    void SUBSTITUTION(double p);
    // The curve's device y at device x, rounded to the nearest whole number.
    int32_t GETCOORDINATE(double x) const;
    // The curve's value at device x, not rounded.
    double VALUEAT(double x) const;

    double smoothing() const { return S_; }
    int32_t count() const { return n_; }
    // 1-based like the point rows: X(1) is the first point.
    double X(int i) const { return X_[i]; }
    double Y(int i) const { return Y_[i]; }

private:
    double h(int i) const { return X_[i + 1] - X_[i]; }

    double S_;
    int32_t n_ = 0;
    const NumberRows* points_;
    // Index 0 unused: the formulas count from 1.
    std::vector<double> X_, Y_, DY_, A_, B_, C_, D_;
    std::vector<std::array<double, 8>> W_;
};

}  // namespace gfx
