// Chart legend: sample lines and texts, optionally boxed.
#include <algorithm>
#include <cmath>

#include "graphics/charts/charts.h"
#include "platform/runtime/numbers.h"

namespace gfx {

namespace {

bool finiteNumber(const rt::Value& v) { return v.isNumber() && std::isfinite(v.num()); }

int integerEntry(rt::Array& a, size_t k, int lo, int hi, int def) {
    if (finiteNumber(a[k - 1])) {
        const int n = rt::toInt32(a[k - 1].num());
        if (n >= lo && n <= hi) return n;
    }
    a[k - 1] = def;
    return def;
}

}  // namespace

GRAPHICS& PAINTCHARTLEGEND(GRAPHICS& g, double nX, double nY, rt::Value& aLegendParam, const rt::Value& aRows,
                           const rt::Value& nOrigin) {
    if (!aLegendParam.isArray()) aLegendParam = rt::Value::array();
    rt::Array& p = *aLegendParam.arr();
    if (p.size() < kLegendParameterCount) p.resize(kLegendParameterCount);
    const int thickness = integerEntry(p, 1, 1, 10, 5);
    DIMENSION font(6, 9);
    {
        rt::Value& v = p[1];
        bool ok = false;
        if (finiteNumber(v)) {
            const int n = rt::toInt32(v.num());
            ok = n >= 2 && n <= 50;
            if (ok) font = DIMENSION(n, n);
        } else if (v.isObject()) {
            if (auto* d = dynamic_cast<const ChartDimension*>(v.obj().get())) {
                ok = d->size.WIDTH() >= 2 && d->size.WIDTH() <= 50 && d->size.HEIGHT() >= 2 && d->size.HEIGHT() <= 50;
                if (ok) font = d->size;
            }
        }
        if (!ok) v = makeDimensionValue(6, 9);
    }
    const int frameWidth = integerEntry(p, 3, 0, 50, 1);
    if (!(p[3].isNumber() || p[3].isObject())) p[3] = makeColorValue(g.CHANGERGB2COLOR(g._NLINECOLOR));
    const bool frame = integerEntry(p, 5, 0, 1, 0) == 1;
    if (!(p[5].isNumber() || p[5].isObject())) p[5] = makeColorValue(g.CHANGERGB2COLOR(g._NFILLCOLOR));
    const bool filled = integerEntry(p, 7, 0, 1, 0) == 1;

    struct Row {
        std::string text;
        rt::Value colour;
        rt::Value pattern;
        bool hasPattern = false;
    };
    std::vector<Row> rows;
    if (aRows.isArray())
        for (const rt::Value& r : *aRows.arr()) {
            if (!r.isArray()) continue;
            Row row;
            row.text = r.at(1).isString() ? r.at(1).str() : std::string();
            row.colour = r.at(2);
            row.hasPattern = r.len() > 2;
            row.pattern = r.at(3);
            rows.push_back(std::move(row));
        }
    if (rows.empty()) return g;

    const uint32_t savedText = g._NTEXTCOLOR, savedLine = g._NLINECOLOR;
    const int32_t savedWidth = g._NLINEWIDTH, savedPattern = g._NLINEPATTERN;
    const gdi::HFONT savedFont = g._PFONT;
    g._PFONT = nullptr;

    g.SETSTRINGFONT(FontFace(32), font.WIDTH(), font.HEIGHT(), 0, 4, 0.0);
    double W = 0.0;
    for (const Row& r : rows) W = std::max(W, g.GETSTRINGWIDTH(r.text));
    const double h = g.GETSTRINGHEIGHT("A") * 0.75, u = h / 2.0;
    const double n = double(rows.size());
    const double boxW = frame ? 11 * u + W : 9 * u + W;
    const double boxH = frame ? 2 * u + (n - 1) * u + n * h : (n - 1) * u + n * h;
    double x = nX, y = nY;
    if (nOrigin.isNumber() && nOrigin.num() > 0) g.GETORIGINPOINT(x, y, boxW, boxH, nOrigin.num());
    const double x0 = frame ? x + u : x, y0 = frame ? y + u : y;

    if (frame || filled) {
        int fill = 0;
        if (frame) {
            g.SETLINEWIDTH(frameWidth);
            g.SETLINECOLOR(chartColorArg(p[3]));
        }
        if (filled) {
            if (!frame) g.SETLINECOLOR(chartColorArg(p[5]));
            g.SETFILLCOLOR(chartColorArg(p[5]));
            fill = 1;
        }
        g.PAINTRECTANGLE(x, y, boxW, boxH, fill);
        g._NLINEWIDTH = savedWidth;
        g._NLINECOLOR = savedLine;
    }
    g.SETLINEWIDTH(std::max(thickness / 10.0 * h * g._FFACTORY, 1.0));
    g.SETSTRINGCOLOR(ColorArg(g.CHANGERGB2COLOR(0)));
    double ly = y0 + u;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it, ly += 3 * u) {
        g.SETLINECOLOR(chartColorArg(it->colour));
        if (it->hasPattern) g._NLINEPATTERN = rt::toInt32(it->pattern.num());
        g.PAINTLINE(x0, ly, x0 + 8 * u, ly);
        g.PAINTSTRING(x0 + 9 * u, ly, it->text, 1);
    }

    g._NLINEWIDTH = savedWidth;
    g._NTEXTCOLOR = savedText;
    g._NLINECOLOR = savedLine;
    g._NLINEPATTERN = savedPattern;
    if (g._PFONT) gdi::DeleteObject(g._PFONT);
    g._PFONT = savedFont;
    return g;
}

}  // namespace gfx
