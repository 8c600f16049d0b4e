#!/usr/bin/env bash
# Sets up what is missing, then configures and builds the project into build/ (or
# $MIRVANO_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
build=${MIRVANO_BUILD_DIR:-$root/build}
jobs=${MIRVANO_JOBS:-$(nproc)}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${MIRVANO_BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
cmake --build "$build" -j "$jobs"
