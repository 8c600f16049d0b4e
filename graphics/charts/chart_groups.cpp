// Series painters with several values per row (stacked columns, bar groups) and scatter.
#include <algorithm>
#include <cmath>
#include <optional>

#include "graphics/charts/charts.h"

namespace gfx {

namespace {

struct GroupRow {
    double x = 0.0;
    std::vector<double> values;
    const rt::Value* width = nullptr;
};

// Rows {x, {values}[, width]}; a row without a numeric x or a value list is passed over. A
// missing value keeps its place as NaN and draws nothing.
std::vector<GroupRow> groupRows(const rt::Value& rows) {
    std::vector<GroupRow> out;
    if (!rows.isArray()) return out;
    for (const rt::Value& r : *rows.arr()) {
        if (!r.isArray()) continue;
        const rt::Array& a = *r.arr();
        GroupRow g;
        if (a.size() < 2 || !chartValue(a[0], g.x) || !a[1].isArray()) continue;
        for (const rt::Value& v : *a[1].arr()) {
            double value;
            g.values.push_back(chartValue(v, value) ? value : std::nan(""));
        }
        if (a.size() >= 3) g.width = &a[2];
        out.push_back(std::move(g));
    }
    return out;
}

double rowWidth(const GroupRow& r, double def) {
    if (r.width && r.width->isNumber() && r.width->num() >= 0.0) return r.width->num();
    return def;
}

void completeColours(GRAPHICS& g, rt::Value& colours, size_t nMax) {
    if (!colours.isArray()) colours = rt::Value::array();
    rt::Array& c = *colours.arr();
    if (c.size() < nMax) c.resize(nMax);
    for (size_t k = 0; k < nMax; ++k)
        if (!(c[k].isNumber() || c[k].isObject())) c[k] = makeColorValue(g.CHANGERGB2COLOR(g._NFILLCOLOR));
}

}  // namespace

GRAPHICS& PAINTCHARTPILLAR(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                           rt::Value aColours) {
    const uint32_t savedFill = g._NFILLCOLOR, savedLine = g._NLINECOLOR;
    const auto rows = groupRows(aRows);
    size_t nMax = 0;
    for (const auto& r : rows) nMax = std::max(nMax, r.values.size());
    completeColours(g, aColours, nMax);
    g.SETLINECOLOR(chartColorArg(aParam.at(12)));
    const ChartAxis xa = chartAxis(aParam, 0, nX), ya = chartAxis(aParam, 1, nY);
    if (!rows.empty()) {
        const double W = (xa.max - xa.min) / double(rows.size()) * 0.6;
        for (const auto& r : rows) {
            const double x = xa.position(r.x), w = rowWidth(r, W);
            double base = nY;
            for (size_t k = 0; k < r.values.size(); ++k) {
                if (std::isnan(r.values[k])) continue;
                g.SETFILLCOLOR(chartColorArg(aColours.at(k + 1)));
                const double y = ya.position(r.values[k]);
                g.PAINTRECTANGLEALIGNED(x - w / 2.0, base, x + w / 2.0, y, 1);
                base = y;
            }
        }
    }
    g._NFILLCOLOR = savedFill;
    g._NLINECOLOR = savedLine;
    return g;
}

GRAPHICS& PAINTCHARTMULTIBAR(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                             rt::Value aColours, const rt::Value& nOverlap) {
    const uint32_t savedFill = g._NFILLCOLOR, savedLine = g._NLINECOLOR;
    const auto rows = groupRows(aRows);
    size_t nMax = 0;
    for (const auto& r : rows) nMax = std::max(nMax, r.values.size());
    completeColours(g, aColours, nMax);
    g.SETLINECOLOR(chartColorArg(aParam.at(12)));
    double f = 0.0;
    if (nOverlap.isNumber() && nOverlap.num() >= -1.0 && nOverlap.num() <= 1.0) f = 1.0 - nOverlap.num();
    const ChartAxis xa = chartAxis(aParam, 0, nX), ya = chartAxis(aParam, 1, nY);
    if (!rows.empty()) {
        const double gaps = (nMax > 0 ? double(nMax - 1) : 0.0) * f + 1.0 + 1.33333333;
        const double W = (xa.max - xa.min) / double(rows.size()) / gaps;
        for (const auto& r : rows) {
            const double x = xa.position(r.x), w = rowWidth(r, W);
            const double n = double(r.values.size());
            double c = x - (n - 1.0) * w * f / 2.0;
            for (size_t k = 0; k < r.values.size(); ++k, c += w * f) {
                if (std::isnan(r.values[k])) continue;
                g.SETFILLCOLOR(chartColorArg(aColours.at(k + 1)));
                g.PAINTRECTANGLEALIGNED(c - w / 2.0, nY, c + w / 2.0, ya.position(r.values[k]), 1);
            }
        }
    }
    g._NFILLCOLOR = savedFill;
    g._NLINECOLOR = savedLine;
    return g;
}

GRAPHICS& PAINTCHARTSCATTER(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows) {
    if (!aRows.isArray()) return g;
    const ChartAxis xa = chartAxis(aParam, 0, nX), ya = chartAxis(aParam, 1, nY);
    PointRows points;
    // The colour of a row left out as missing still holds for the rows after it.
    std::optional<ColorArg> carried;
    for (const rt::Value& r : *aRows.arr()) {
        if (!r.isArray()) continue;
        const rt::Array& a = *r.arr();
        std::optional<ColorArg> colour;
        if (a.size() >= 3 && (a[2].isNumber() || a[2].isObject())) colour = chartColorArg(a[2]);
        double x, y;
        if (a.size() < 2 || !chartValue(a[0], x) || !chartValue(a[1], y)) {
            if (colour) carried = colour;
            continue;
        }
        PointRow p{xa.position(x), ya.position(y)};
        p.colour = colour ? colour : carried;
        carried.reset();
        points.push_back(p);
    }
    if (g._NMARKERSURF == 1) g.PAINTPOINTGROUP(points);
    else g.PAINTMARKERGROUP(points);
    return g;
}

}  // namespace gfx
