#pragma once
// Paced progress bars: a record loop asks TIMEOK after every record and calls UPDATE only
// when a tick of the one process-wide progress timer has come since it last asked.
//
// The pacing state (timer id, tick flag, maximum, interval) is one set per process, shared
// by every progress bar: two bars that run at once share the maximum (the later SETMAX
// wins), the tick (the first TIMEOK takes it) and the timer.
#include <cstdint>

#include "platform/gui/controls.h"
#include "platform/runtime/value.h"

namespace widgets {

class PROGRESSBAR : public gui::PROGRESSBAR {
public:
    using gui::PROGRESSBAR::PROGRESSBAR;
    ~PROGRESSBAR() override;

    // RANGE 0..100 and POSITION 0; the pacing state is not touched.
    PROGRESSBAR& START();
    // Stores the maximum (100.0 unless numeric) and the interval (25 ms unless numeric);
    // starts the progress timer when none runs (a running timer keeps its interval).
    PROGRESSBAR& SETMAX(const rt::Value& maximum = rt::Value(), const rt::Value& intervalMs = rt::Value());
    // TRUE once per tick: clears the tick flag when it is set.
    bool TIMEOK();
    // Sets POSITION to the value's share of the maximum in whole percent (truncated; above
    // 100 when the value exceeds the maximum) when that differs from OLDPOSITION. With a
    // maximum of 0 nothing is set.
    PROGRESSBAR& UPDATE(double current);
    // Stops the progress timer, POSITION 100, clears the tick flag.
    PROGRESSBAR& FINISH();
    // Destroys the control, then stops the progress timer. A bar deleted without it (with
    // its form) does the same once.
    void DESTROY() override;

private:
    bool destroyed_ = false;
};

// The progress timer's procedure: raises the tick flag; returns 0.
long TIMERPROGRESS(void* window = nullptr, unsigned message = 0, unsigned timerId = 0, unsigned long time = 0);

// The process-wide pacing state, for tests and diagnostics.
struct ProgressPacing {
    uint16_t timerId;
    bool tick;
    double maximum;
    uint32_t intervalMs;
};
ProgressPacing progressPacing();
// Back to the state at process start (no timer, tick TRUE, maximum 100.0), stopping a
// running timer.
void resetProgressPacing();

}  // namespace widgets
