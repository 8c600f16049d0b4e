// Integral (stacked area) chart.
#include <algorithm>
#include <cmath>
#include <random>

#include "graphics/charts/charts.h"
#include "platform/runtime/numbers.h"

namespace gfx {

GRAPHICS& PAINTCHARTINTEGRAL(GRAPHICS& g, double nX, double nY, const rt::Value& aParam, const rt::Value& aRows,
                             rt::Value aColours, const rt::Value& nLines, const rt::Value& nMarkers) {
    if (!aRows.isArray()) return g;
    const ChartAxis xa = chartAxis(aParam, 0, nX), ya = chartAxis(aParam, 1, nY);
    const uint32_t savedFill = g._NFILLCOLOR, savedLine = g._NLINECOLOR;
    const int32_t savedPattern = g._NLINEPATTERN, savedWidth = g._NLINEWIDTH;

    // Rows with an x and a value list; other rows, and rows whose x is missing, are passed over.
    std::vector<const rt::Array*> rows;
    size_t k = 0;
    double x;
    for (const rt::Value& r : *aRows.arr()) {
        if (!r.isArray() || r.len() < 2 || !chartValue(r.at(1), x) || !r.at(2).isArray()) continue;
        rows.push_back(r.arr().get());
        k = std::max(k, r.at(2).len());
    }
    for (const rt::Array* r : rows) {
        rt::Array& list = *(*r)[1].arr();
        if (list.size() < k) list.resize(k, rt::Value(0.0));
    }

    if (!aColours.isArray()) aColours = rt::Value::array();
    rt::Array& colours = *aColours.arr();
    if (colours.size() < k) colours.resize(k);
    std::mt19937 random(0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (size_t s = 0; s < k; ++s)
        if (!(colours[s].isNumber() || colours[s].isObject()))
            colours[s] = std::max(1.0, GINTEG(uniform(random) * double(ColorTable.size())));

    // A missing value leaves its row out of every band stacked on it: the bands above run
    // straight past that row instead of dropping to a value the data do not hold. Each row
    // keeps the sum of its values up to the band being drawn, as far as they are all there.
    std::vector<size_t> present;  // the values of a row before its first missing one
    std::vector<double> sums;
    for (const rt::Array* r : rows) {
        const rt::Array& values = *(*r)[1].arr();
        size_t n = 0;
        double sum = 0.0, v;
        while (n < k && chartValue(values[n], v)) sum += v, ++n;
        present.push_back(n);
        sums.push_back(sum);
    }

    for (size_t s = 1; s <= k && !rows.empty(); ++s) {
        const size_t top = k - s + 1;  // the series this band reaches up to
        NumberRows points;
        bool unordered = false;
        for (size_t i = 0; i < rows.size(); ++i) {
            if (top > present[i]) continue;
            const double px = xa.position((*rows[i])[0].num());
            if (!points.empty() && (xa.mirrored ? px > points.back()[0] : px < points.back()[0])) unordered = true;
            points.push_back({px, ya.position(sums[i])});
            sums[i] -= (*rows[i])[1].at(top).num();
        }
        if (points.empty()) continue;
        if (unordered) {
            if (xa.mirrored)
                std::stable_sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a[0] > b[0]; });
            else
                std::stable_sort(points.begin(), points.end(), [](const auto& a, const auto& b) { return a[0] < b[0]; });
        }
        const size_t count = points.size();
        NumberRows polygon = points;
        polygon.push_back({points.back()[0], nY});
        polygon.push_back({points.front()[0], nY});
        polygon.push_back(points.front());
        const ColorArg colour = chartColorArg(colours[s - 1]);
        g.SETLINECOLOR(colour);
        g.SETFILLCOLOR(colour);
        g.PAINTPOLYGON(polygon, 1);
        points.resize(count);
        if (nLines.isNumber() && nLines.num() == 1.0) {
            g._NLINECOLOR = savedLine;
            g.SETLINEWIDTH(1);
            g.SETLINEPATTERN(0);
            g.PAINTLINEGROUP(points);
        }
        if (nMarkers.isNumber() && nMarkers.num() == 1.0) {
            if (rt::toInt32(aParam.at(54).num()) == 1) g.SETFILLCOLOR(chartColorArg(aParam.at(53)));
            else g.SETFILLCOLOR(15);
            PointRows marks;
            for (const auto& pt : points) marks.push_back(PointRow{pt[0], pt[1]});
            g.PAINTMARKERGROUP(marks);
        }
    }

    g._NFILLCOLOR = savedFill;
    g._NLINECOLOR = savedLine;
    g._NLINEPATTERN = savedPattern;
    g._NLINEWIDTH = savedWidth;
    return g;
}

}  // namespace gfx
