// Pie chart: one sector per row, optionally pulled out, with optional labels.
#include <cmath>
#include <numbers>

#include "graphics/charts/charts.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/strings.h"

namespace gfx {

namespace {

std::string replaceAll(std::string text, char what, const std::string& with) {
    std::string out;
    for (char ch : text) {
        if (ch == what) out += with;
        else out += ch;
    }
    return out;
}

std::string valueText(double v) {
    const bool whole = v == std::trunc(v);
    return rt::LTrim(whole ? rt::Str(v, 10) : rt::Str(v, 13, 2));
}

}  // namespace

GRAPHICS& PAINTCHARTPIE(GRAPHICS& g, double nX, double nY, double nRadius, const rt::Value& aRows,
                        const rt::Value& nBorder, const rt::Value& xTextColour) {
    if (!aRows.isArray()) return g;
    int border = 0;
    if (nBorder.isNumber() && nBorder.num() >= 0.0 && nBorder.num() <= 1.0) border = rt::toInt32(nBorder.num());
    const double R = nRadius;

    const uint32_t savedText = g._NTEXTCOLOR, savedFill = g._NFILLCOLOR, savedLine = g._NLINECOLOR;
    const gdi::HFONT savedFont = g._PFONT;
    g._PFONT = nullptr;

    enum Mode { kNone, kPercent, kValue } mode = kNone;
    std::vector<double> values;
    std::vector<rt::Array*> rows;
    for (const rt::Value& rv : *aRows.arr()) {
        if (!rv.isArray()) continue;
        rt::Array& row = *rv.arr();
        if (row.size() < 4) row.resize(4);
        if (!row[1].isString()) row[1] = "";
        if (!(row[2].isNumber() || row[2].isObject())) row[2] = makeColorValue(g.CHANGERGB2COLOR(g._NFILLCOLOR));
        if (!row[3].isLogical()) row[3] = false;
        const std::string& label = row[1].str();
        if (mode == kNone) {
            if (label.find('%') != std::string::npos) mode = kPercent;
            else if (label.find('#') != std::string::npos) mode = kValue;
        }
        values.push_back(row[0].isNumber() && std::isfinite(row[0].num()) ? row[0].num() : 0.0);
        rows.push_back(&row);
    }
    double sum = 0.0;
    for (double v : values) sum += v;

    // Without a positive total there are no shares to draw.
    if (!rows.empty() && sum > 0.0 && std::isfinite(sum)) {
        std::vector<std::pair<double, double>> bounds;
        double a = 0.0;
        for (double v : values) {
            const double end = a + rt::toInt32(v / sum * 360.0);
            bounds.emplace_back(a, end);
            a = end;
        }
        bounds.back().second = 360.0;
        std::vector<int> percent(values.size(), 0);
        if (mode == kPercent) {
            int others = 0;
            for (size_t i = 0; i + 1 < values.size(); ++i) others += percent[i] = rt::toInt32(values[i] / sum * 100.0);
            percent.back() = 100 - others;
        }
        const double b = GATAN2(g._ODIM.WIDTH(), g._ODIM.HEIGHT());
        for (size_t i = 0; i < rows.size(); ++i) {
            const auto [start, end] = bounds[i];
            if (start >= end) continue;
            rt::Array& row = *rows[i];
            const std::string label = row[1].str();
            const bool exploded = row[3].log();
            g.SETFILLCOLOR(chartColorArg(row[2]));
            if (border == 0) g.SETLINECOLOR(chartColorArg(row[2]));
            double A = 0.0;
            const double m = (start + end) / 2.0 * std::numbers::pi / 180.0;
            if (exploded || !label.empty()) A = GATAN2(std::sin(m) / std::sin(b), std::cos(m) / std::cos(b));
            double cx = nX, cy = nY;
            if (exploded) cx = nX + R / 5.0 * std::sin(A), cy = nY + R / 5.0 * std::cos(A);
            g.PAINTELLIPSESECTOR(cx, cy, R, R, start, end, 1, 10);
            if (label.empty()) continue;

            const bool bare = (mode == kPercent && label == "%") || (mode == kValue && label == "#");
            const double dist = bare ? R / 1.25 : R / 1.05;
            const double tx = cx + dist * std::sin(A), ty = cy + dist * std::cos(A);
            double t = (start + end) / 2.0 - 90.0;
            if (t < 0.0) t += 360.0;
            int anchor;
            if (bare) {
                t = 0.0;
                anchor = 10;
            } else if (t > 90.0 && t < 270.0) {
                t = std::fmod(t + 180.0, 360.0);
                anchor = 1;
            } else {
                anchor = 5;
            }
            std::string text = label;
            if (mode == kPercent && label.find('%') != std::string::npos)
                text = replaceAll(label, '%', rt::LTrim(rt::Str(percent[i], 3)) + "%");
            else if (mode == kValue && label.find('#') != std::string::npos)
                text = replaceAll(label, '#', valueText(values[i]));
            if (xTextColour.isObject()) g._NTEXTCOLOR = g.CHANGECOLOR2RGB(chartColorArg(xTextColour));
            else if (xTextColour.isNumber()) g._NTEXTCOLOR = g.CHANGENUM2RGB(xTextColour.num());
            else g._NTEXTCOLOR = g.CHANGERGB2INVERT(g._NFILLCOLOR);
            // The label runs along the radius, turned clockwise by t; text turns
            // counterclockwise, so that is the angle 360 - t.
            g.SETSTRINGFONT(FontFace(32), R / 20.0, 1.5 * R / 20.0, 0, 1, t == 0.0 ? 0.0 : 360.0 - t);
            g.PAINTSTRING(tx, ty, text, anchor);
        }
    }

    g._NTEXTCOLOR = savedText;
    g._NFILLCOLOR = savedFill;
    g._NLINECOLOR = savedLine;
    if (g._PFONT) gdi::DeleteObject(g._PFONT);
    g._PFONT = savedFont;
    return g;
}

}  // namespace gfx
