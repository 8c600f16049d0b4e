// Series painters of the axis charts: bars, polylines and spline curves.
#include <algorithm>
#include <cmath>

#include "graphics/charts/charts.h"
#include "platform/runtime/numbers.h"

namespace gfx {

namespace {

bool isColour(const rt::Value& v) { return v.isNumber() || v.isObject(); }

// Rows holding at least two numbers; anything else is passed over rather than failing.
std::vector<const rt::Array*> usableRows(const rt::Value& rows) {
    std::vector<const rt::Array*> out;
    if (!rows.isArray()) return out;
    for (const rt::Value& r : *rows.arr()) {
        if (!r.isArray()) continue;
        const rt::Array& a = *r.arr();
        if (a.size() < 2 || !a[0].isNumber() || !a[1].isNumber()) continue;
        out.push_back(&a);
    }
    return out;
}

NumberRows worldPoints(const std::vector<const rt::Array*>& rows, const ChartAxis& xa, const ChartAxis& ya) {
    NumberRows p;
    p.reserve(rows.size());
    for (const rt::Array* r : rows) p.push_back({xa.position((*r)[0].num()), ya.position((*r)[1].num())});
    return p;
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
    const auto rows = usableRows(aRows);
    if (!rows.empty()) {
        const double W = (xa.max - xa.min) / static_cast<double>(rows.size()) * 0.6;
        for (const rt::Array* r : rows) {
            const double x = xa.position((*r)[0].num()), y = ya.position((*r)[1].num());
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

    const NumberRows pts =
        worldPoints(usableRows(aRows), chartAxis(aParam, 0, nX), chartAxis(aParam, 1, nY));
    if (!pts.empty()) {
        NumberRows group = pts;
        // A zero-length segment puts the pen on the first point.
        group[0] = {pts[0][0], pts[0][1], pts[0][0], pts[0][1]};
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

    NumberRows pts = worldPoints(usableRows(aRows), chartAxis(aParam, 0, nX), chartAxis(aParam, 1, nY));
    if (!pts.empty()) {
        if (pts.front()[0] > pts.back()[0]) std::reverse(pts.begin(), pts.end());
        g.PAINTSPLINE(pts, fSmooth.isNumber() ? Opt(fSmooth.num()) : Opt());
        if (wantsMarkers(nMarker)) paintMarkers(g, aParam, pts);
    }
    g._NFILLCOLOR = savedFill;
    g._NLINECOLOR = savedLine;
    return g;
}

}  // namespace gfx
