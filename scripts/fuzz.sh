#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on, the libraries instrumented for coverage) and runs each for a
# given number of seconds, starting from its seed corpus in fuzz/corpus/<target>/.
#
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
#
# MIRVANO_FUZZ_BUILD_DIR (default build-fuzz), MIRVANO_JOBS (build jobs, default 4),
# MIRVANO_FUZZ_PARALLEL (targets run at once, default 3). The corpus grown by a run and any
# crashing input stay in the build directory (corpus/<target>/, artifacts/<target>/); the
# seeds in the repository are not touched. Exits non-zero when any target found a fault.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
jobs=${MIRVANO_JOBS:-4}
parallel=${MIRVANO_FUZZ_PARALLEL:-3}

# clang and its runtime (libFuzzer, the sanitizers) from Debian.
missing=()
for p in clang-14 libclang-rt-14-dev; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "fuzz: installing ${missing[*]}"
  if [[ $(id -u) -ne 0 ]]; then
    echo "fuzz: need root to install packages" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
bash "$root/scripts/setup.sh"

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DMIRVANO_FUZZ=ON -DMIRVANO_TESTS=OFF -DMIRVANO_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_all -j "$jobs"

if (($# == 0)); then
  set -- $(cd "$root/fuzz" && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//')
fi

run_one() {
  local t=$1
  local corpus="$build/corpus/$t" artifacts="$build/artifacts/$t/"
  mkdir -p "$corpus" "$artifacts"
  if [[ -d "$root/fuzz/corpus/$t" ]]; then
    cp -n "$root/fuzz/corpus/$t"/* "$corpus"/ 2>/dev/null || true
  fi
  # The 30 MB lines of the malformed-input tests are covered there; here inputs stay small
  # so that many of them run.
  QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" >"$build/fuzz_$t.log" 2>&1
  local rc=$?
  local runs cov
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz_$t.log" | grep -o '[0-9]*$' || echo '?')
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$build/fuzz_$t.log" | tail -1 || echo 'cov: ?')
  if ((rc == 0)); then
    echo "fuzz: $t: ${runs} runs, ${cov}, corpus $(ls "$corpus" | wc -l), no finding"
  else
    echo "fuzz: $t: FINDING after ${runs} runs (exit $rc), see $build/fuzz_$t.log and $artifacts"
  fi
  return $rc
}
export -f run_one
export root build seconds

status=0
printf '%s\n' "$@" | xargs -P "$parallel" -I{} bash -c 'run_one "$@"' _ {} || status=1
exit $status
