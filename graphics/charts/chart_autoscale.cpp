// Automatic axis scaling from chart data.
#include <algorithm>
#include <cmath>
#include <optional>

#include "graphics/charts/charts.h"
#include "platform/runtime/numbers.h"

namespace gfx {

namespace {

double exponent(double v) { return v == 0.0 ? 0.0 : rt::Integer(std::log10(std::abs(v))); }

// The values of one axis; non-numeric values and rows that are not arrays are passed over.
std::vector<double> axisValues(const rt::Array& data, bool isX, int kind) {
    std::vector<double> out;
    for (const rt::Value& r : data) {
        if (!r.isArray()) continue;
        if (isX || kind == 0 || kind == 3) {
            const rt::Value v = r.at(isX ? 1 : 2);
            if (v.isNumber() && std::isfinite(v.num())) out.push_back(v.num());
            continue;
        }
        const rt::Value list = r.at(2);
        if (!list.isArray()) continue;
        double sum = 0.0;
        for (const rt::Value& v : *list.arr()) {
            if (!v.isNumber() || !std::isfinite(v.num())) continue;
            if (kind == 2) out.push_back(v.num());
            else sum += v.num();
        }
        if (kind != 2) out.push_back(sum);
    }
    return out;
}

void scaleAxis(rt::Array& p, const std::vector<double>& values, int n, bool addZero, size_t b, double* origin) {
    if (values.empty()) return;
    double mn = values[0], mx = values[0];
    for (size_t i = 1; i < values.size(); ++i) {
        if (values[i] > mx) mx = values[i];
        else if (values[i] < mn) mn = values[i];
    }
    if (addZero) {
        if (mn > 0.0) mn = 0.0;
        else if (mx < 0.0) mx = 0.0;
    }
    if (mx == mn) {
        if (mn > 0.0) mn /= 2.0, mx *= 2.0;
        else mn *= 2.0, mx /= 2.0;
    }
    const double eMax = exponent(mx), eMin = exponent(mn);
    if (((mn > 0.0 && mx > 0.0) || (mn < 0.0 && mx < 0.0)) && mn / mx < 1.0 / n) mn = 0.0;
    double pw = std::pow(10.0, eMin);
    mn = mn >= 0.0 ? rt::Integer(mn / pw) * pw : rt::Round(mn / pw - 0.1, 1) * pw;
    pw = std::pow(10.0, eMax);
    mx = mx >= 0.0 ? rt::Round(mx / pw + 0.1, 1) * pw : rt::Integer(mx / pw) * pw;
    double s = (mx - mn) / n;
    const double e = s > 0.0 ? rt::Integer(std::log10(s)) : 0.0;
    s = rt::Round(s / std::pow(10.0, e) + 0.5, 0) * std::pow(10.0, e);

    if (mn < 0.0) {
        const double e1 = p[b].isNumber() ? p[b].num() : -100.0;
        const double e2 = p[b + 1].isNumber() ? p[b + 1].num() : e1 + 200.0;
        const double L = e2 - e1;
        const double M = std::max(mx, 0.0);
        const double d = L / ((M - mn) / mn);
        if (origin) *origin = *origin + (e1 - d);
        p[b] = d;
        p[b + 1] = L - std::abs(d);
    }
    p[b + 2] = mn;
    p[b + 3] = mx;
    p[b + 4] = s;
}

}  // namespace

GRAPHICS& SETAUTOSCALE(GRAPHICS& g, rt::Value& aParam, const rt::Value& aData, const rt::Value& nIntervalsX,
                       const rt::Value& nIntervalsY, const rt::Value& nDataKind, double* nX, double* nY) {
    if (!aData.isArray() || aData.arr()->empty()) return g;
    if (!aParam.isArray()) aParam = rt::Value::array();
    rt::Array& p = *aParam.arr();
    if (p.size() < kChartParameterCount) p.resize(kChartParameterCount);
    int kind = nDataKind.isNumber() ? rt::toInt32(nDataKind.num()) : 0;
    if (kind < 0 || kind > 4) kind = 0;  // an unknown layout is read as plain {x, y} rows
    const rt::Array& data = *aData.arr();
    const int nx = nIntervalsX.isNumber() ? rt::toInt32(nIntervalsX.num()) : 0;
    const int ny = nIntervalsY.isNumber() ? rt::toInt32(nIntervalsY.num()) : 0;
    if (nx > 0) scaleAxis(p, axisValues(data, true, kind), nx, false, 0, nX);
    if (ny > 0) scaleAxis(p, axisValues(data, false, kind), ny, kind != 0, 24, nY);
    return g;
}

}  // namespace gfx
