#pragma once
// Axis charts drawn on a canvas: the 59-entry parameter array, its normalisation, the empty
// chart (background, axes, ticks, grid, labels, titles, frame) and the series painters.
//
// The chart methods are free functions taking the canvas as their first argument; each
// draws through the canvas's own drawing methods and returns the canvas. Parameter arrays
// and data rows are dynamic runtime values, because a client fills them loosely and the
// normalisation writes every default back into the client's array.
#include <cmath>
#include <vector>

#include "graphics/canvas/graphics.h"
#include "platform/runtime/value.h"

namespace gfx {

// A colour object that may stand in a parameter array (besides a colour number).
class ChartColor : public rt::Object {
public:
    explicit ChartColor(gui::COLOR c) : colour(c) {}
    std::string className() const override { return "COLOR"; }
    gui::COLOR colour;
};

// A width/height pair that may stand in a font-size entry (besides a number).
class ChartDimension : public rt::Object {
public:
    ChartDimension(int w, int h) : size(w, h) {}
    std::string className() const override { return "DIMENSION"; }
    DIMENSION size;
};

rt::Value makeColorValue(const gui::COLOR& c);
rt::Value makeDimensionValue(int width, int height);
// A colour entry as a canvas colour argument: a number is a colour number, a COLOR object
// gives its channels; anything else gives colour number 16 (black).
ColorArg chartColorArg(const rt::Value& v);
// A data value of a chart row: a finite number. Anything else (nil where a transformation
// had no result, not a number, infinite) is a missing value, for which nothing is drawn.
inline bool chartValue(const rt::Value& v, double& out) {
    if (!v.isNumber() || !std::isfinite(v.num())) return false;
    out = v.num();
    return true;
}

inline constexpr size_t kChartParameterCount = 59;

// Normalises the parameter array in place (creating it when nil, lengthening it to 59
// entries): every absent, mistyped or out-of-range entry takes its default, written back.
// Entry 55 becomes a new empty array.
void NORMALIZECHARTPARAMETERS(GRAPHICS& g, rt::Value& aParam);

// Where an axis value lies in world units: o + sign * (min + (v - vs) * (max - min) / (ve - vs)).
struct ChartAxis {
    double o = 0.0;
    double min = 0.0, max = 0.0;
    double vs = 0.0, ve = 0.0;
    bool mirrored = false;
    double sign() const { return mirrored ? -1.0 : 1.0; }
    double start() const { return o + sign() * min; }
    double end() const { return o + sign() * max; }
    // An axis without a value range puts every value on its start point.
    double position(double v) const;
};
// axis 0 is X (entries 1..4, 21), axis 1 is Y (entries 25..28, 45); o is nX or nY.
ChartAxis chartAxis(const rt::Value& aParam, int axis, double o);

// Tick positions (world) and tick values of one axis, from its start point on.
struct ChartTicks {
    std::vector<double> positions;
    std::vector<double> values;
};
ChartTicks chartTicks(const rt::Value& aParam, int axis, double o);

GRAPHICS& PAINTCHARTEMPTY(GRAPHICS& g, double nX, double nY, rt::Value& aParam);

// Series painters; aParam must have been through PAINTCHARTEMPTY. Rows are arrays
// {x, y[, width]} of axis values; rows with fewer than two numbers are passed over.
GRAPHICS& PAINTCHARTBAR(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                        const rt::Value& xColour = {});
GRAPHICS& PAINTCHARTLINE(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                         const rt::Value& nMarker = {}, const rt::Value& xColour = {});
GRAPHICS& PAINTCHARTSPLINE(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                           const rt::Value& fSmooth = {}, const rt::Value& nMarker = {},
                           const rt::Value& xColour = {});

}  // namespace gfx

namespace gfx {

// A pie of rows {value, label, colour, exploded} around (nX, nY); rows are normalised in
// place. A label's "%" (percentage mode) or "#" (value mode) is replaced by the slice's
// percentage or value. Rows that are not arrays or whose value is not a number count as 0.
GRAPHICS& PAINTCHARTPIE(GRAPHICS& g, double nX, double nY, double nRadius, const rt::Value& aRows,
                        const rt::Value& nBorder = {}, const rt::Value& xTextColour = {});

}  // namespace gfx

namespace gfx {

// Stacked columns of rows {x, {v1, v2, ...}[, width]}: segment k reaches from the top of
// segment k - 1 (from nY for the first) to vk. aColours (nil or an array) is completed in
// place to the longest value list with the current fill colour.
GRAPHICS& PAINTCHARTPILLAR(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                           rt::Value aColours = {});
// Groups of bars standing on nY, centred on each row's x; nOverlap from -1 to 1 sets how
// far neighbouring bars overlap (0 touching, 1 all on one place, -1 a bar width apart).
GRAPHICS& PAINTCHARTMULTIBAR(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                             rt::Value aColours = {}, const rt::Value& nOverlap = {});
// One pixel (marker kind 1) or one marker per row {x, y[, colour]} in the current settings.
GRAPHICS& PAINTCHARTSCATTER(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows);

}  // namespace gfx

namespace gfx {

// Rounded value ranges and tick steps from chart data, written into entries 3..5 (X) and
// 27..29 (Y) of aParam; an axis whose data reach below zero gets new extent offsets and its
// origin (when given) moves to where the value 0 falls. nDataKind: 0 {x, y}; 1 and 4
// {x, {values}} by row sums; 2 every listed value; 3 {x, y}; kinds 1 to 4 include zero.
// An interval count not above 0 leaves its axis alone; empty data change nothing.
GRAPHICS& SETAUTOSCALE(GRAPHICS& g, rt::Value& aParam, const rt::Value& aData, const rt::Value& nIntervalsX,
                       const rt::Value& nIntervalsY, const rt::Value& nDataKind = {}, double* nX = nullptr,
                       double* nY = nullptr);

}  // namespace gfx

namespace gfx {

inline constexpr size_t kLegendParameterCount = 7;

// A legend of rows {text, line colour[, line pattern]}, first row on top, each a sample
// line and its text, optionally in a framed and filled box; aLegendParam (7 entries) is
// normalised in place. nOrigin names the box's point (nX, nY) stands for. No rows, no box.
GRAPHICS& PAINTCHARTLEGEND(GRAPHICS& g, double nX, double nY, rt::Value& aLegendParam, const rt::Value& aRows,
                           const rt::Value& nOrigin = {});

}  // namespace gfx

namespace gfx {

// Stacked bands of rows {x, {y1, ..., yk}} (y1 the bottom series), each band filled down
// to nY. Shorter value lists are padded with 0 in place; colours left out are picked from
// ColorTable by a generator seeded with 0 and written into aColours.
GRAPHICS& PAINTCHARTINTEGRAL(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                             rt::Value aColours = {}, const rt::Value& nLines = {}, const rt::Value& nMarkers = {});

}  // namespace gfx

namespace gfx {

// A transformed deep copy of chart data: bX applied to every x, bY to every y (position 2,
// or every element of the list there for kinds 1, 2 and 4). A result that is not a finite
// number (the logarithm of 0) becomes a missing value, nil, which the painters leave out.
rt::Value SETLOGARITHMIC(const rt::Value& aData, const rt::Value& bX = {}, const rt::Value& bY = {},
                         const rt::Value& nDataKind = {});
// nSteps rows {x, f(x)} evenly spaced from the smaller to the larger end (at most 65535;
// one step gives the row at the smaller end).
rt::Value SETMATHGRAPHARRAY(const rt::Value& bFunction, double nFrom, double nTo, double nSteps);

}  // namespace gfx
