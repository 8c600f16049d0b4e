// Data preparation for the chart painters: transformed copies and sampled functions.
#include <algorithm>
#include <cmath>

#include "graphics/charts/charts.h"
#include "platform/runtime/numbers.h"

namespace gfx {

namespace {

rt::Value deepCopy(const rt::Value& v) {
    if (!v.isArray()) return v;
    rt::Array copy;
    copy.reserve(v.arr()->size());
    for (const rt::Value& e : *v.arr()) copy.push_back(deepCopy(e));
    return rt::Value::array(std::move(copy));
}

// A result that is no finite number (the logarithm of 0) stays a missing value in its
// place, which the painters leave out.
rt::Value dataResult(const rt::Value& r) {
    double v;
    return chartValue(r, v) ? rt::Value(v) : rt::Value();
}

void apply(const rt::Value& block, const rt::Value& from, rt::Value& to) { to = dataResult(block.eval({from})); }

}  // namespace

rt::Value SETLOGARITHMIC(const rt::Value& aData, const rt::Value& bX, const rt::Value& bY, const rt::Value& nDataKind) {
    if (!aData.isArray() || aData.arr()->empty()) return rt::Value::array();
    const int kind = nDataKind.isNumber() ? rt::toInt32(nDataKind.num()) : 0;
    rt::Value result = deepCopy(aData);
    const rt::Array& src = *aData.arr();
    rt::Array& dst = *result.arr();
    for (size_t i = 0; i < src.size(); ++i) {
        if (!src[i].isArray() || src[i].len() == 0) continue;
        const rt::Array& row = *src[i].arr();
        rt::Array& out = *dst[i].arr();
        if (bX.isBlock()) apply(bX, row[0], out[0]);
        if (!bY.isBlock() || row.size() < 2) continue;
        if (kind == 0 || kind == 3) {
            apply(bY, row[1], out[1]);
        } else if ((kind == 1 || kind == 2 || kind == 4) && row[1].isArray()) {
            const rt::Array& list = *row[1].arr();
            rt::Array& outList = *out[1].arr();
            for (size_t j = 0; j < list.size(); ++j) apply(bY, list[j], outList[j]);
        }
    }
    return result;
}

rt::Value SETMATHGRAPHARRAY(const rt::Value& bFunction, double nFrom, double nTo, double nSteps) {
    const double lo = std::min(nFrom, nTo), hi = std::max(nFrom, nTo);
    const int n = std::clamp(rt::toInt32(nSteps), 0, 65535);
    const double d = n > 1 ? (hi - lo) / (n - 1) : 0.0;
    rt::Array rows;
    rows.reserve(size_t(n));
    for (int i = 1; i <= n; ++i) {
        const double x = lo + (i - 1) * d;
        const rt::Value y = bFunction.eval({rt::Value(x)});
        rows.push_back(rt::Value::array({x, dataResult(y)}));
    }
    return rt::Value::array(std::move(rows));
}

}  // namespace gfx
