// Normalisation of the chart parameter array and the axis mapping shared by every painter.
#include <algorithm>
#include <cmath>

#include "graphics/charts/charts.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/strings.h"

namespace gfx {

rt::Value makeColorValue(const gui::COLOR& c) { return rt::Value(rt::ObjectRef(std::make_shared<ChartColor>(c))); }

rt::Value makeDimensionValue(int width, int height) {
    return rt::Value(rt::ObjectRef(std::make_shared<ChartDimension>(width, height)));
}

ColorArg chartColorArg(const rt::Value& v) {
    if (v.isNumber()) return ColorArg(v.num());
    if (v.isObject())
        if (auto* c = dynamic_cast<const ChartColor*>(v.obj().get())) return ColorArg(c->colour);
    return ColorArg(16);
}

namespace {

// Reads and repairs one entry after the other; entries are 1-based.
class Normalizer {
public:
    Normalizer(GRAPHICS& g, rt::Array& a) : g_(g), a_(a) {}

    rt::Value& at(size_t k) { return a_[k - 1]; }

    static bool finite(const rt::Value& v) { return v.isNumber() && std::isfinite(v.num()); }

    double real(size_t k, double lo, double hi, double def) {
        const rt::Value& v = at(k);
        if (finite(v) && v.num() >= lo && v.num() <= hi) return v.num();
        at(k) = def;
        return def;
    }
    int integer(size_t k, int lo, int hi, int def) {
        const rt::Value& v = at(k);
        if (finite(v)) {
            const int n = rt::toInt32(v.num());
            if (n >= lo && n <= hi) return n;
        }
        at(k) = def;
        return def;
    }
    void colour(size_t k, uint32_t rgbDefault) {
        const rt::Value& v = at(k);
        if (v.isNumber() || v.isObject()) return;
        at(k) = makeColorValue(g_.CHANGERGB2COLOR(rgbDefault));
    }
    void colourNumber(size_t k, int number) {
        const rt::Value& v = at(k);
        if (v.isNumber() || v.isObject()) return;
        at(k) = number;
    }
    void fontSize(size_t k, int w, int h) {
        const rt::Value& v = at(k);
        if (finite(v)) {
            const int n = rt::toInt32(v.num());
            if (n >= 2 && n <= 50) return;
        } else if (v.isObject()) {
            if (auto* d = dynamic_cast<const ChartDimension*>(v.obj().get())) {
                const int dw = d->size.WIDTH(), dh = d->size.HEIGHT();
                if (dw >= 2 && dw <= 50 && dh >= 2 && dh <= 50) return;
            }
        }
        at(k) = makeDimensionValue(w, h);
    }
    void formatter(size_t k) {
        if (at(k).isBlock()) return;
        at(k) = rt::Value::block([](const std::vector<rt::Value>& args) -> rt::Value {
            const double v = args.empty() ? 0.0 : args[0].num();
            return rt::Value(rt::LTrim(rt::Str(v, 10)));
        });
    }
    std::string text(size_t k) {
        if (!at(k).isString()) at(k) = "";
        return at(k).str();
    }

    void axis(size_t b, bool isX) {  // b = 0 for X, 24 for Y
        const double e1 = real(b + 1, -1e9, 1e9, -100.0);
        const double e2 = real(b + 2, -1e9, 1e9, e1 + 200.0);
        const double mn = std::min(e1, e2), mx = std::max(e1, e2);
        const double vs = real(b + 3, -1e9, 1e9, mn);
        const double ve = real(b + 4, -1e9, 1e9, mx);
        const double d = std::abs(ve - vs);
        real(b + 5, d / 1000.0, d, d / 10.0);
        integer(b + 6, 0, 3, isX ? 2 : 1);
        real(b + 7, 0.0, 1000.0, 10.0);
        integer(b + 8, 0, 2, 0);
        integer(b + 9, 0, 3, 3);
        integer(b + 10, 0, 1, 0);
        formatter(b + 11);
        colour(b + 12, g_._NTEXTCOLOR);
        fontSize(b + 13, 6, 9);
        real(b + 14, -1e9, 1e9, 0.0);
        const bool noTitle = rt::Empty(rt::Value(text(b + 15)));
        // Title side: 0, 1, 2 or 4.
        {
            const rt::Value& v = at(b + 16);
            const int n = finite(v) ? rt::toInt32(v.num()) : -1;
            if (!(n == 0 || n == 1 || n == 2 || n == 4)) at(b + 16) = noTitle ? 0 : 4;
        }
        integer(b + 17, 0, 4, noTitle ? 0 : 4);
        if (rt::toInt32(at(b + 16).num()) == 0 || rt::toInt32(at(b + 17).num()) == 0) {
            at(b + 16) = 0;
            at(b + 17) = 0;
        }
        colour(b + 18, g_._NTEXTCOLOR);
        fontSize(b + 19, 8, 12);
        integer(b + 20, 0, 1, 0);
        at(b + 21) = e1 > e2 ? 1 : 0;
        colour(b + 22, g_._NLINECOLOR);
        integer(b + 23, 0, 3, 0);
        colourNumber(b + 24, 2);
    }

    void run() {
        axis(0, true);
        axis(24, false);
        integer(49, 0, 50, 1);
        colour(50, g_._NLINECOLOR);
        integer(51, 0, 1, 0);
        integer(52, 0, 3, 0);
        colour(53, g_._NFILLCOLOR);
        integer(54, 0, 1, 0);
        at(55) = rt::Value::array();
        integer(56, 0, 2, 0);
        colour(57, g_._NLINECOLOR);
        const auto mode = [&](size_t k) {
            const rt::Value& v = at(k);
            const int n = finite(v) ? rt::toInt32(v.num()) : 0;
            if (n != 4 && n != 5) at(k) = 4;
        };
        mode(58);
        mode(59);
    }

private:
    GRAPHICS& g_;
    rt::Array& a_;
};

}  // namespace

void NORMALIZECHARTPARAMETERS(GRAPHICS& g, rt::Value& aParam) {
    if (!aParam.isArray()) aParam = rt::Value::array();
    rt::Array& a = *aParam.arr();
    if (a.size() < kChartParameterCount) a.resize(kChartParameterCount);
    Normalizer(g, a).run();
}

double ChartAxis::position(double v) const {
    const double range = ve - vs;
    if (range == 0.0 || !std::isfinite(range)) return start();
    return o + sign() * (min + (v - vs) * (max - min) / range);
}

ChartAxis chartAxis(const rt::Value& aParam, int axis, double o) {
    const size_t b = axis == 0 ? 0 : 24;
    ChartAxis a;
    a.o = o;
    const double e1 = aParam.at(b + 1).num(), e2 = aParam.at(b + 2).num();
    a.min = std::min(e1, e2);
    a.max = std::max(e1, e2);
    a.vs = aParam.at(b + 3).num();
    a.ve = aParam.at(b + 4).num();
    a.mirrored = rt::toInt32(aParam.at(b + 21).num()) == 1;
    return a;
}

ChartTicks chartTicks(const rt::Value& aParam, int axis, double o) {
    const size_t b = axis == 0 ? 0 : 24;
    const ChartAxis a = chartAxis(aParam, axis, o);
    const double L = a.max - a.min;
    const double S = a.start();
    ChartTicks ticks;
    const double range = a.ve - a.vs;
    const double k = range != 0.0 ? L / range : 0.0;
    const double t = std::abs(aParam.at(b + 5).num() * k);
    if (!(t > 0.0) || !std::isfinite(t) || !(L > 0.0)) {
        // No scale or no length: one tick at the start point, nothing to step through.
        ticks.positions.push_back(S);
        ticks.values.push_back(a.vs);
        return ticks;
    }
    const auto frac = [](double x) { return x - rt::Integer(x); };
    const int anchoring = rt::toInt32(aParam.at(b + 8).num());
    double f0 = 0.0;
    if (anchoring != 2) f0 = (a.mirrored ? frac((S - o) / t) : frac((o - S) / t)) * t;
    const double n = rt::Integer(L / t);
    for (double i = 0; i <= n + 1; i += 1.0) {
        const double f = f0 + i * t;
        if (f < -0.000001 || f > L + 0.000001) continue;
        ticks.positions.push_back(a.mirrored ? S - f : S + f);
        ticks.values.push_back(f / k + a.vs);
    }
    return ticks;
}

}  // namespace gfx
