#!/usr/bin/env bash
# Builds the libraries that read outside input (files, the serial port), and their tests,
# with AddressSanitizer and UndefinedBehaviorSanitizer, and runs those tests.
#
#   scripts/sanitize.sh [extra ctest arguments]
#
# MIRVANO_SANITIZE_BUILD_DIR (default build-asan), MIRVANO_JOBS (default: all cores),
# MIRVANO_SANITIZE_LABELS (default: the readers' test folders).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_SANITIZE_BUILD_DIR:-$root/build-asan}
jobs=${MIRVANO_JOBS:-$(nproc)}
labels=${MIRVANO_SANITIZE_LABELS:-"platform/win platform/runtime platform/db functions engine graphics/files widgets"}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRVANO_SANITIZE=ON \
  -DMIRVANO_BENCH=OFF >/dev/null

targets=()
regex=()
for l in $labels; do
  targets+=("tests_${l//\//_}")
  regex+=("^${l}\$")
done
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
# Leak reports of Qt's and fontconfig's process-wide caches are no faults of ours.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
label_regex=$(IFS='|'; echo "${regex[*]}")
ctest --output-on-failure -j "$jobs" -L "$label_regex" "$@"
