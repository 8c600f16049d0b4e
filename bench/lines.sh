#!/usr/bin/env bash
# Long line segments on a canvas: 20,000 segments across a 1200 x 800 canvas (BENCH_SEGMENTS)
# drawn one by one and as one polyline through the same points.
# MIRVANO_BUILD_DIR chooses the build directory (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target lines_bench -j "${MIRVANO_JOBS:-4}"
"$build/bench/lines_bench" "${BENCH_SEGMENTS:-20000}"
