// Series painters of the axis charts: bars, polylines and spline curves.
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "graphics/charts/charts.h"
#include "platform/runtime/numbers.h"

namespace gfx {

namespace {

bool isColour(const rt::Value& v) { return v.isNumber() || v.isObject(); }

// The rows of a series in order; a row whose x or y is missing keeps its place as an
// empty point, so that the bars keep their width and lines break there.
using SeriesPoints = std::vector<std::optional<std::array<double, 2>>>;
SeriesPoints seriesPoints(const rt::Value& rows, const ChartAxis& xa, const ChartAxis& ya) {
    SeriesPoints out;
    if (!rows.isArray()) return out;
    for (const rt::Value& r : *rows.arr()) {
        if (!r.isArray() || r.len() < 2) continue;
        const rt::Array& a = *r.arr();
        double x, y;
        if (chartValue(a[0], x) && chartValue(a[1], y)) out.push_back(std::array<double, 2>{xa.position(x), ya.position(y)});
        else out.push_back(std::nullopt);
    }
    return out;
}

// The runs of present points between missing ones.
std::vector<NumberRows> presentRuns(const SeriesPoints& points) {
    std::vector<NumberRows> runs(1);
    for (const auto& p : points) {
        if (p) runs.back().push_back({(*p)[0], (*p)[1]});
        else if (!runs.back().empty()) runs.emplace_back();
    }
    if (runs.back().empty()) runs.pop_back();
    return runs;
}

void paintMarkers(GRAPHICS& g, const rt::Value& p, const NumberRows& points) {
    if (points.empty()) return;
    if (rt::toInt32(p.at(54).num()) == 1) g.SETFILLCOLOR(chartColorArg(p.at(53)));
    else g.SETFILLCOLOR(15);
    PointRows marks;
    marks.reserve(points.size());
    for (const auto& pt : points) marks.push_back(PointRow{pt[0], pt[1]});
    g.PAINTMARKERGROUP(marks);
}

bool wantsMarkers(const rt::Value& nMarker) { return nMarker.isNumber() && nMarker.num() == 1.0; }

}  // namespace

GRAPHICS& PAINTCHARTBAR(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                        const rt::Value& xColour) {
    const uint32_t savedFill = g._NFILLCOLOR, savedLine = g._NLINECOLOR;
    const ColorArg fill = isColour(xColour) ? chartColorArg(xColour) : ColorArg(g.CHANGERGB2COLOR(g._NFILLCOLOR));
    g.SETFILLCOLOR(fill);
    g.SETLINECOLOR(chartColorArg(aParam.at(12)));

    const ChartAxis xa = chartAxis(aParam, 0, nX), ya = chartAxis(aParam, 1, nY);
    if (aRows.isArray()) {
        std::vector<const rt::Array*> rows;
        for (const rt::Value& r : *aRows.arr())
            if (r.isArray() && r.len() >= 2) rows.push_back(r.arr().get());
        const double W = rows.empty() ? 0.0 : (xa.max - xa.min) / static_cast<double>(rows.size()) * 0.6;
        for (const rt::Array* r : rows) {
            double vx, vy;
            if (!chartValue((*r)[0], vx) || !chartValue((*r)[1], vy)) continue;
            const double x = xa.position(vx), y = ya.position(vy);
            double w = W;
            if (r->size() >= 3 && (*r)[2].isNumber() && (*r)[2].num() >= 0.0) w = (*r)[2].num();
            g.PAINTRECTANGLEALIGNED(x - w / 2.0, nY, x + w / 2.0, y, 1);
        }
    }
    g._NFILLCOLOR = savedFill;
    g._NLINECOLOR = savedLine;
    return g;
}

GRAPHICS& PAINTCHARTLINE(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                         const rt::Value& nMarker, const rt::Value& xColour) {
    const uint32_t savedFill = g._NFILLCOLOR, savedLine = g._NLINECOLOR;
    g.SETLINECOLOR(isColour(xColour) ? chartColorArg(xColour) : ColorArg(g.CHANGERGB2COLOR(g._NLINECOLOR)));

    const std::vector<NumberRows> runs =
        presentRuns(seriesPoints(aRows, chartAxis(aParam, 0, nX), chartAxis(aParam, 1, nY)));
    if (!runs.empty()) {
        NumberRows group, pts;
        for (const NumberRows& run : runs) {
            // A zero-length segment puts the pen on the first point of each run.
            group.push_back({run[0][0], run[0][1], run[0][0], run[0][1]});
            group.insert(group.end(), run.begin() + 1, run.end());
            pts.insert(pts.end(), run.begin(), run.end());
        }
        g.PAINTLINEGROUP(group);
        if (wantsMarkers(nMarker)) paintMarkers(g, aParam, pts);
    }
    g._NFILLCOLOR = savedFill;
    g._NLINECOLOR = savedLine;
    return g;
}

GRAPHICS& PAINTCHARTSPLINE(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                           const rt::Value& fSmooth, const rt::Value& nMarker, const rt::Value& xColour) {
    const uint32_t savedFill = g._NFILLCOLOR, savedLine = g._NLINECOLOR;
    g.SETLINECOLOR(isColour(xColour) ? chartColorArg(xColour) : ColorArg(g.CHANGERGB2COLOR(g._NLINECOLOR)));

    std::vector<NumberRows> runs =
        presentRuns(seriesPoints(aRows, chartAxis(aParam, 0, nX), chartAxis(aParam, 1, nY)));
    if (!runs.empty()) {
        if (runs.front().front()[0] > runs.back().back()[0]) {
            std::reverse(runs.begin(), runs.end());
            for (NumberRows& run : runs) std::reverse(run.begin(), run.end());
        }
        NumberRows pts;
        for (const NumberRows& run : runs) {
            g.PAINTSPLINE(run, fSmooth.isNumber() ? Opt(fSmooth.num()) : Opt());
            pts.insert(pts.end(), run.begin(), run.end());
        }
        if (wantsMarkers(nMarker)) paintMarkers(g, aParam, pts);
    }
    g._NFILLCOLOR = savedFill;
    g._NLINECOLOR = savedLine;
    return g;
}

}  // namespace gfx
