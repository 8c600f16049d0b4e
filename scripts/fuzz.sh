#!/usr/bin/env bash
# Runs the libFuzzer targets of fuzz/, each for a given number of seconds, starting from its
# seed corpus in fuzz/corpus/<target>/. They are built in the sanitizer build that
# scripts/sanitize.sh shares (clang, AddressSanitizer and UndefinedBehaviorSanitizer on, the
# libraries instrumented for coverage).
#
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
#
# MIRVANO_SANITIZE_BUILD_DIR (default build-sanitize), MIRVANO_JOBS (build jobs, default: all
# cores), MIRVANO_FUZZ_PARALLEL (targets run at once, default: the cores, at most 3),
# MIRVANO_FUZZ_TIMEOUT (seconds one input may take before it counts as a hang, default 1: a
# reader's work on one input stays bounded, whatever the input asks for). An input that ran
# over that limit is run again alone three times with the same limit: it is a finding only when
# it runs over it each time, so that a machine busy with other work does not make a sound
# input a finding, while a slow input still is one. A crash is a finding at once. The
# corpus grown by a run and any crashing input stay in the build directory (corpus/<target>/,
# artifacts/<target>/); the seeds in the repository are not touched. Prints each target's
# executions and coverage, and exits non-zero when any target found a fault.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
source "$root/scripts/sanitize_build.sh"
cores=$(nproc)
parallel=${MIRVANO_FUZZ_PARALLEL:-$((cores < 3 ? cores : 3))}
unit_timeout=${MIRVANO_FUZZ_TIMEOUT:-1}
cmake --build "$build" --target fuzz_all -j "$jobs"

if (($# == 0)); then
  set -- $(cd "$root/fuzz" && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//')
fi

run_one() {
  local t=$1
  local corpus="$build/corpus/$t" artifacts="$build/artifacts/$t/" log="$build/fuzz_$t.log"
  mkdir -p "$corpus" "$artifacts"
  if [[ -d "$root/fuzz/corpus/$t" ]]; then
    cp -n "$root/fuzz/corpus/$t"/* "$corpus"/ 2>/dev/null || true
  fi
  # The 30 MB lines of the malformed-input tests are covered there; here inputs stay small
  # so that many of them run.
  QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=65536 -timeout="$unit_timeout" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" >"$log" 2>&1
  local rc=$?
  local slow
  slow=$(grep -o 'Test unit written to .*timeout-[0-9a-f]*' "$log" | head -n 1 | sed 's/^Test unit written to //' || true)
  if ((rc != 0)) && [[ -n $slow && -f $slow ]] && grep -q 'ERROR: libFuzzer: timeout' "$log"; then
    if confirm_timeout "$t" "$slow"; then
      echo "fuzz: $t: an input ran over ${unit_timeout}s once but not when run again alone three times ($slow); not a finding" >&2
      rc=0
    else
      echo "fuzz: $t: the input ran over ${unit_timeout}s again in each of three runs alone" >>"$log"
    fi
  fi
  local runs speed cov
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  speed=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || echo 'cov: ?')
  if ((rc == 0)); then
    echo "fuzz: $t: ${runs} runs (${speed}/s), ${cov}, corpus $(ls "$corpus" | wc -l), no finding"
  else
    # The report goes into the log of the run, so that CI shows the fault itself.
    {
      echo "fuzz: $t: FINDING after ${runs} runs (exit $rc); input kept in $artifacts"
      grep -v '^#[0-9]' "$log" | tail -n 60
    } >&2
  fi
  return $rc
}
# Runs a slow input alone three times with the same limit; succeeds (it is no finding) when any
# of the runs stays within the limit.
confirm_timeout() {
  local t=$1 input=$2 k
  for k in 1 2 3; do
    if QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
      "$build/fuzz/fuzz_$t" -timeout="$unit_timeout" -rss_limit_mb=2048 "$input" >/dev/null 2>&1; then
      return 0
    fi
  done
  return 1
}
export -f run_one confirm_timeout
export root build seconds unit_timeout
# The targets write each input to a file: keep those files in memory when the machine can.
if [[ -z ${TMPDIR:-} && -d /dev/shm && -w /dev/shm ]]; then
  export TMPDIR=/dev/shm
fi

printf '%s\n' "$@" | xargs -P "$parallel" -I{} bash -c 'run_one "$@"' _ {}
