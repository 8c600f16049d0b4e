// The empty chart: background, both axes with grid, arrow, ticks, labels and title, frame.
#include <algorithm>
#include <cmath>

#include "graphics/charts/charts.h"
#include "platform/runtime/numbers.h"

namespace gfx {

namespace {

int entryInt(const rt::Value& p, size_t k) { return rt::toInt32(p.at(k).num()); }

DIMENSION fontSize(const rt::Value& v) {
    if (v.isObject())
        if (auto* d = dynamic_cast<const ChartDimension*>(v.obj().get())) return d->size;
    const int n = rt::toInt32(v.num());
    return DIMENSION(n, n);
}

void setChartFont(GRAPHICS& g, const rt::Value& size, int mode, double angle) {
    const DIMENSION d = fontSize(size);
    g.SETSTRINGFONT(FontFace(32), d.WIDTH(), d.HEIGHT(), 0, mode, angle);
}

// Labels and titles turned a quarter read upwards. Text turns counterclockwise, so the feet
// of their letters face right, and the anchor of every side keeps them on the outer side of
// the axis.
constexpr double kUpright = 90.0;

// Labels and title of one axis, after its tick marks.
void paintAxisTexts(GRAPHICS& g, double nX, double nY, const rt::Value& p, bool isX, const ChartAxis& a,
                    const ChartTicks& ticks) {
    const size_t b = isX ? 0 : 24;
    const int t = entryInt(p, b + 6);
    int l = entryInt(p, b + 9);
    const int orientation = entryInt(p, b + 10);
    const double s = p.at(b + 7).num();
    const double z = std::abs(p.at(b + 14).num());
    const double o = isX ? nX : nY;
    int titleSide = entryInt(p, b + 16);
    int place = entryInt(p, b + 17);

    if (t == 1 && l != 0) l = 1;
    else if (t == 2 && l != 0) l = 2;
    else if ((t == 3 || t == 0) && l == 3) l = isX ? 2 : 1;

    double D = 0.0;
    if (t != 0 && titleSide != 0) D = s;
    if (titleSide == 4) titleSide = (l == 1 || l == 2) ? l : (isX ? 2 : 1);
    const bool opposite = (titleSide == 2 && l == 1) || (titleSide == 1 && l == 2);
    if (opposite) D = t == 3 ? s : 0.0;

    if (l != 0) {
        double e;
        int anchor;
        if (isX) {
            e = l == 1 ? s : -s;
            anchor = l == 1 ? (orientation == 0 ? 7 : 1) : (orientation == 0 ? 3 : 5);
        } else {
            e = l == 1 ? -s : s;
            anchor = l == 1 ? (orientation == 0 ? 7 : 5) : (orientation == 0 ? 3 : 1);
        }
        const double angle = orientation == 0 ? (isX ? 0.0 : kUpright) : (isX ? kUpright : 0.0);
        setChartFont(g, p.at(b + 13), entryInt(p, 58), angle);
        const uint32_t savedText = g._NTEXTCOLOR;
        g.SETSTRINGCOLOR(chartColorArg(p.at(b + 12)));
        const rt::Value formatter = p.at(b + 11);
        double W = 0.0;
        for (size_t i = 0; i < ticks.positions.size(); ++i) {
            const double pos = ticks.positions[i];
            if (z > 0.0 && std::abs(o - pos) < z) continue;
            const rt::Value r = formatter.eval({rt::Value(ticks.values[i])});
            const std::string text = r.isString() ? r.str() : std::string();
            if (isX) g.PAINTSTRING(pos, nY + e, text, anchor);
            else g.PAINTSTRING(nX + e, pos, text, anchor);
            if (titleSide != 0 && !opposite && orientation == 1) W = std::max(W, g.GETSTRINGWIDTH(text));
        }
        g._NTEXTCOLOR = savedText;
        if (titleSide != 0 && !opposite) {
            if (orientation == 0) W = g.GETSTRINGHEIGHT("A");
            D = s + W;
        }
    }

    if (titleSide == 0 || place == 0) return;
    setChartFont(g, p.at(b + 19), entryInt(p, 59), isX ? 0.0 : kUpright);
    D += g.GETSTRINGHEIGHT("A") / 4.0;
    if (place == 4) place = isX ? (a.mirrored ? 1 : 2) : (a.mirrored ? 2 : 1);
    const double lo = std::min(a.start(), a.end()), hi = std::max(a.start(), a.end());
    const double mid = (a.start() + a.end()) / 2.0;
    double x, y;
    int anchor;
    if (isX) {
        y = titleSide == 1 ? nY + D : nY - D;
        x = place == 1 ? lo : place == 2 ? hi : mid;
        static const int anchors[2][3] = {{0, 6, 7}, {2, 4, 3}};
        anchor = anchors[titleSide == 1 ? 0 : 1][place - 1];
    } else {
        x = titleSide == 1 ? nX - D : nX + D;
        y = place == 1 ? hi : place == 2 ? lo : mid;
        static const int anchors[2][3] = {{6, 0, 7}, {4, 2, 3}};
        anchor = anchors[titleSide == 1 ? 0 : 1][place - 1];
    }
    const uint32_t savedText = g._NTEXTCOLOR;
    g.SETSTRINGCOLOR(chartColorArg(p.at(b + 18)));
    g.PAINTSTRING(x, y, p.at(b + 15).str(), anchor);
    g._NTEXTCOLOR = savedText;
}

void paintAxis(GRAPHICS& g, double nX, double nY, rt::Value& p, bool isX, const ChartAxis& xa,
               const ChartAxis& ya) {
    const size_t b = isX ? 0 : 24;
    if (entryInt(p, b + 20) == 1) return;
    const ChartAxis& a = isX ? xa : ya;
    const ChartTicks ticks = chartTicks(p, isX ? 0 : 1, a.o);

    const int output = entryInt(p, 56);
    if (output == 1 || output == 2) {
        rt::Array list;
        for (size_t i = 0; i < ticks.positions.size(); ++i)
            list.emplace_back(output == 1 ? ticks.positions[i] - a.o : ticks.values[i]);
        p.at(55).arr()->push_back(rt::Value::array(std::move(list)));
    }

    const int grid = entryInt(p, 52);
    if (grid != 0) {
        g.SETLINECOLOR(chartColorArg(p.at(57)));
        if (isX && (grid == 1 || grid == 3)) {
            for (double pos : ticks.positions)
                if (pos != nX) g.PAINTLINE(pos, ya.start(), pos, ya.end());
        } else if (!isX && (grid == 2 || grid == 3)) {
            for (double pos : ticks.positions)
                if (pos != nY) g.PAINTLINE(xa.start(), pos, xa.end(), pos);
        }
    }

    g.SETLINECOLOR(chartColorArg(p.at(b + 22)));
    if (isX) g.PAINTLINE(a.start(), nY, a.end(), nY);
    else g.PAINTLINE(nX, a.start(), nX, a.end());

    const double s = p.at(b + 7).num();
    int arrow = entryInt(p, b + 23);
    if (arrow != 0) {
        if (arrow == 1) arrow = a.mirrored ? 3 : 2;
        double at, d;
        if (arrow == 2) {
            at = a.mirrored ? a.start() : a.end();
            d = s;
        } else {
            at = a.mirrored ? a.end() : a.start();
            d = -s;
        }
        NumberRows tri;
        if (isX) tri = {{at, nY - 0.75 * s}, {at, nY + 0.75 * s}, {at + 1.5 * d, nY}};
        else tri = {{nX - 0.75 * s, at}, {nX + 0.75 * s, at}, {nX, at + 1.5 * d}};
        const uint32_t savedFill = g._NFILLCOLOR;
        g.SETFILLCOLOR(chartColorArg(p.at(b + 24)));
        g.PAINTPOLYGON(tri, 1);
        g._NFILLCOLOR = savedFill;
    }

    const int side = entryInt(p, b + 6);
    if (side != 0) {
        const double e1 = side == 2 ? 0.0 : s, e2 = side == 1 ? 0.0 : s;
        const bool skipOrigin = entryInt(p, b + 8) == 1;
        for (double pos : ticks.positions) {
            if (isX) {
                if (skipOrigin && std::abs(pos - nX) < 1.0) continue;
                g.PAINTLINE(pos, nY + e1, pos, nY - e2);
            } else {
                if (skipOrigin && std::abs(pos - nY) < 1.0) continue;
                g.PAINTLINE(nX - e1, pos, nX + e2, pos);
            }
        }
    }

    paintAxisTexts(g, nX, nY, p, isX, a, ticks);
}

}  // namespace

GRAPHICS& PAINTCHARTEMPTY(GRAPHICS& g, double nX, double nY, rt::Value& aParam) {
    NORMALIZECHARTPARAMETERS(g, aParam);
    rt::Value& p = aParam;

    const uint32_t savedText = g._NTEXTCOLOR, savedFill = g._NFILLCOLOR, savedLine = g._NLINECOLOR;
    const int32_t savedWidth = g._NLINEWIDTH;
    const gdi::HFONT savedFont = g._PFONT;
    g._PFONT = nullptr;  // our font changes must not delete the caller's font

    const ChartAxis xa = chartAxis(p, 0, nX), ya = chartAxis(p, 1, nY);

    if (entryInt(p, 54) == 1) {
        g.SETLINECOLOR(chartColorArg(p.at(53)));
        g.SETFILLCOLOR(chartColorArg(p.at(53)));
        g.PAINTRECTANGLEALIGNED(xa.start(), ya.start(), xa.end(), ya.end(), 1);
        g._NFILLCOLOR = savedFill;
        g._NLINECOLOR = savedLine;
    }

    paintAxis(g, nX, nY, p, true, xa, ya);
    paintAxis(g, nX, nY, p, false, xa, ya);

    if (entryInt(p, 51) == 1) {
        g.SETLINEWIDTH(p.at(49).num());
        g.SETLINECOLOR(chartColorArg(p.at(50)));
        g.PAINTRECTANGLEALIGNED(xa.start(), ya.start(), xa.end(), ya.end(), 0);
    }

    g._NLINEWIDTH = savedWidth;
    g._NTEXTCOLOR = savedText;
    g._NFILLCOLOR = savedFill;
    g._NLINECOLOR = savedLine;
    if (g._PFONT) gdi::DeleteObject(g._PFONT);
    g._PFONT = savedFont;
    return g;
}

}  // namespace gfx
