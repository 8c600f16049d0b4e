#include "widgets/progressbar.h"

#include <climits>
#include <cmath>

#include "platform/gui/application.h"
#include "platform/runtime/numbers.h"

namespace widgets {

namespace {
struct Pacing {
    uint16_t timerId = 0;
    bool tick = true;  // TRUE at start, so the first TIMEOK of the first run answers at once
    double maximum = 100.0;
    uint32_t intervalMs = 25;
};
Pacing& pacing() {
    static Pacing p;
    return p;
}

uint32_t toUInt32(double v) {
    if (std::isnan(v) || v <= 0) return 0;
    if (v >= 4294967295.0) return UINT32_MAX;
    return static_cast<uint32_t>(std::floor(v + 0.5));
}

void stopTimer() {
    Pacing& p = pacing();
    if (p.timerId != 0 && gui::KillThreadTimer(p.timerId)) p.timerId = 0;
}
}  // namespace

long TIMERPROGRESS(void*, unsigned, unsigned, unsigned long) {
    pacing().tick = true;
    return 0;
}

PROGRESSBAR::~PROGRESSBAR() {
    // A bar that goes with its form stops the progress timer like an explicit DESTROY.
    if (!destroyed_) PROGRESSBAR::DESTROY();
}

PROGRESSBAR& PROGRESSBAR::START() {
    RANGE(gui::RANGE(0, 100));
    POSITION(0);
    return *this;
}

PROGRESSBAR& PROGRESSBAR::SETMAX(const rt::Value& maximum, const rt::Value& intervalMs) {
    Pacing& p = pacing();
    p.intervalMs = intervalMs.isNumber() ? toUInt32(intervalMs.num()) : 25;
    p.maximum = maximum.isNumber() ? maximum.num() : 100.0;
    if (p.timerId == 0) {
        // A running timer keeps its interval; a failed start leaves the id 0 for the next try.
        unsigned id = gui::SetThreadTimer(p.intervalMs, [] { TIMERPROGRESS(); });
        p.timerId = static_cast<uint16_t>(id);
    }
    return *this;
}

bool PROGRESSBAR::TIMEOK() {
    Pacing& p = pacing();
    if (!p.tick) return false;
    p.tick = false;
    return true;
}

PROGRESSBAR& PROGRESSBAR::UPDATE(double current) {
    double maximum = pacing().maximum;
    if (maximum == 0.0 || std::isnan(maximum) || std::isnan(current)) return *this;
    double share = current / maximum * 100.0;
    // Whole percent, truncated; negative shares count as 0, huge ones stop at INT_MAX.
    int position = share <= 0 ? 0 : (share >= double(INT_MAX) ? INT_MAX : static_cast<int>(share));
    if (position != OLDPOSITION()) POSITION(position);
    return *this;
}

PROGRESSBAR& PROGRESSBAR::FINISH() {
    stopTimer();
    POSITION(100);
    pacing().tick = false;
    return *this;
}

void PROGRESSBAR::DESTROY() {
    destroyed_ = true;
    gui::PROGRESSBAR::DESTROY();
    stopTimer();
}

ProgressPacing progressPacing() {
    const Pacing& p = pacing();
    return ProgressPacing{p.timerId, p.tick, p.maximum, p.intervalMs};
}

void resetProgressPacing() {
    Pacing& p = pacing();
    if (p.timerId != 0) gui::KillThreadTimer(p.timerId);
    p = Pacing{};
}

}  // namespace widgets
