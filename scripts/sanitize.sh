#!/usr/bin/env bash
# The readers of outside input under AddressSanitizer and UndefinedBehaviorSanitizer, as CI
# runs them: builds their libraries, their tests (tests/CMakeLists.txt names the folders) and
# the fuzz targets of fuzz/ once, with clang, into build-sanitize/; runs those tests; then
# runs each fuzz target for a while on its seed corpus (scripts/fuzz.sh). Exits non-zero on a
# failed test or on any finding.
#
#   scripts/sanitize.sh [seconds per fuzz target, default 20; 0 runs no fuzz target] [ctest arguments]
#
# MIRVANO_SANITIZE_BUILD_DIR (default build-sanitize), MIRVANO_JOBS (default: all cores),
# MIRVANO_FUZZ_PARALLEL (fuzz targets run at once, default: the cores, at most 3).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
shift || true
source "$root/scripts/sanitize_build.sh"

start=$SECONDS
cmake --build "$build" -j "$jobs" --target reader_tests fuzz_all
echo "sanitize: readers, their tests and the fuzz targets built in $((SECONDS - start)) s"

export QT_QPA_PLATFORM=offscreen
# Leak reports of Qt's and fontconfig's process-wide caches are no faults of ours.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
start=$SECONDS
(cd "$build" && ctest --output-on-failure -j "$jobs" -L "$(cat reader_labels)" "$@")
echo "sanitize: reader tests passed in $((SECONDS - start)) s"

if ((seconds > 0)); then
  start=$SECONDS
  bash "$root/scripts/fuzz.sh" "$seconds"
  echo "sanitize: fuzz targets ran in $((SECONDS - start)) s"
fi
