# Sourced by scripts/sanitize.sh and scripts/fuzz.sh: installs clang when it is missing and
# configures the one sanitizer build they share. clang-14 with AddressSanitizer,
# UndefinedBehaviorSanitizer (every finding fatal) and libFuzzer's coverage hooks on every
# object, so that the readers' tests and the fuzz targets link the same libraries.
# Sets `build` (MIRVANO_SANITIZE_BUILD_DIR, default build-sanitize) and `jobs`.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
build=${MIRVANO_SANITIZE_BUILD_DIR:-$root/build-sanitize}
jobs=${MIRVANO_JOBS:-$(nproc)}

MIRVANO_SETUP_CLANG=1 bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DMIRVANO_SANITIZE=ON -DMIRVANO_FUZZ=ON -DMIRVANO_TESTS=ON -DMIRVANO_BENCH=OFF >/dev/null
