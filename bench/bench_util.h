#pragma once
// Timing and memory read-outs shared by the benchmarks.
#include <sys/resource.h>

#include <chrono>

namespace bench {

// Seconds since `since`.
inline double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Peak resident memory of the process so far, in KiB.
inline long peakKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

}  // namespace bench
