#include "graphics/canvas/numeric.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/numbers.h"

namespace gfx {

uint16_t RuntimeLevel = 0;

int32_t whole(double v) { return rt::toInt32(v); }

int64_t wholeWide(double v) {
    if (std::isnan(v)) return 0;
    const double limit = double(kWideLimit);
    return std::llround(std::clamp(v, -limit, limit));
}

const char* runtimeVersionText() { return "Mirvano runtime on Qt"; }

void INITFUNCTION() { GETVOVERSION(); }

uint16_t GETVOVERSION() { return GETVOVERSION(runtimeVersionText()); }

uint16_t GETVOVERSION(const std::string& text) {
    static const struct { const char* marker; uint16_t level; } kMarkers[] = {
        {"2.0", 20}, {"2.5", 25}, {"2.6", 26}, {"2.7", 27}, {"2.8", 28}};
    RuntimeLevel = 27;
    for (const auto& m : kMarkers) {
        if (text.find(m.marker) != std::string::npos) {
            RuntimeLevel = m.level;
            break;
        }
    }
    return RuntimeLevel;
}

double GINTEG(double n) { return n >= 0.0 ? std::floor(n) : std::ceil(n); }

double GATAN2(double y, double x) {
    if (x > 0.0) return std::atan(y / x);
    if (x < 0.0) return y > 0.0 ? std::atan(y / x) + kPi : std::atan(y / x) - kPi;
    if (y > 0.0) return kPi / 2.0;
    if (y < 0.0) return -kPi / 2.0;
    return 0.0;
}

double GASIN(double f) {
    if (f == 1.0) return kPi / 2.0;
    if (f == -1.0) return -kPi / 2.0;
    return std::atan(f / std::sqrt(1.0 - f * f));
}

}  // namespace gfx
