#!/usr/bin/env bash
# The picture readers under valgrind's memcheck, which sees what the sanitizers cannot: a pixel
# made of memory that nothing wrote (a cut file's missing rows). The normal build makes the
# BMP, picture-chain and metafile fuzz targets as plain programs (fuzz/replay_main.cpp); each
# runs its seed corpus once, showing every pixel it loads to the kernel, and any memcheck
# error fails the step. About a minute on two cores.
#
#   scripts/memcheck.sh      (after scripts/build.sh or scripts/test.sh)
#
# MIRVANO_BUILD_DIR (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_BUILD_DIR:-$root/build}
if ! command -v valgrind >/dev/null; then
  echo "memcheck: valgrind is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi
export QT_QPA_PLATFORM=offscreen
start=$SECONDS
for target in bmp pictures emf; do
  valgrind --tool=memcheck --error-exitcode=99 --leak-check=no --track-origins=yes --quiet \
    "$build/fuzz/replay_$target" "$root/fuzz/corpus/$target"
done
echo "memcheck: the picture readers' corpora ran clean in $((SECONDS - start)) s"
