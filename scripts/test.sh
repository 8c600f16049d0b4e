#!/usr/bin/env bash
# Sets up, builds and runs every test, with Qt on its offscreen platform.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_BUILD_DIR:-$root/build}
bash "$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j "${MIRVANO_JOBS:-$(nproc)}" "$@"
