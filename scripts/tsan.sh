#!/usr/bin/env bash
# The engine's passes on worker threads under ThreadSanitizer, as CI runs them: builds the
# program `mirvano` and the engine's tests once with clang-14 and -fsanitize=thread into
# build-tsan/, then
#   1. runs the engine's tests (ctest -L engine) on 4 threads with blocks of 64 bytes, so even
#      the small fixtures are cut into many blocks that the workers share, and
#   2. runs the batch without a display on a generated table of 20,000 rows (bench/table.py):
#      CSV (UTF-8) to dBase (ANSI), which analyses the CSV in blocks; dBase to CSV, in blocks
#      of records; CSV to CSV and CSV to SDF, which read, format and recode text in blocks.
# Every report of a process (a test, the batch) goes to a log file of its own (TSAN_OPTIONS
# log_path); all of them are printed at the end, and any report, failed test or failed batch
# step makes the script exit non-zero. scripts/tsan.supp holds the reports that are not ours.
#
#   scripts/tsan.sh [ctest arguments]
#
# MIRVANO_TSAN_BUILD_DIR (default build-tsan), MIRVANO_JOBS (default: all cores).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_TSAN_BUILD_DIR:-$root/build-tsan}
jobs=${MIRVANO_JOBS:-$(nproc)}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

MIRVANO_SETUP_CLANG=1 bash "$root/scripts/setup.sh"
start=$SECONDS
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DMIRVANO_TSAN=ON -DMIRVANO_TESTS=ON -DMIRVANO_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target mirvano tests_engine
echo "tsan: mirvano and the engine's tests built in $((SECONDS - start)) s"

reports="$tmp/reports"
mkdir -p "$reports"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:log_path=$reports/tsan:suppressions=$root/scripts/tsan.supp"
export QT_QPA_PLATFORM=offscreen
export MIRVANO_THREADS=4
status=0

start=$SECONDS
# These tests pin what a pass in sequence shows: a cancel that stops after the current line,
# the progress bar at each record's percent. On blocks of 64 bytes their inputs go to the
# workers, where a cancel or a progress step comes per block, so there they only drive the
# workers (the only engine tests that cancel a pass on them, or cut a dBase input into
# blocks) and count by their reports alone; their own verdict counts in sequence.
sequential='^(CsvAnalysis\.CancelStopsAfterTheCurrentLineAndSuccessRewinds|Loops\.StoppedPreparationAndCancel|Loops\.DbaseToCsvProgressReachesEachPercentOnItsRecord)$'
engine_tests() { (cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 300 -L engine "$@"); }
MIRVANO_BLOCK_BYTES=64 engine_tests -E "$sequential" "$@" || status=1
MIRVANO_BLOCK_BYTES=64 engine_tests -R "$sequential" "$@" >/dev/null 2>&1 || true
engine_tests -R "$sequential" "$@" || status=1
echo "tsan: engine tests ran in $((SECONDS - start)) s"

start=$SECONDS
table="$tmp/table.csv"
/usr/bin/python3 "$root/bench/table.py" "$table" 20000
# The batch runs as bench/compare.sh runs it, on its settings files.
(
  source "$root/bench/batch_settings.sh"
  settings csv2dbf "$csvIn" "$dbfOut"
  settings dbf2csv "$dbfIn" "$csvOut"
  settings csv2csv "$csvIn" "$csvOut"
  settings csv2sdf "$csvIn" "$sdfOut"
  settings csvfilter2dbf "$csvIn" "$dbfOut" "$filter"
  settings dbffilter2dbf "$dbfIn" "$dbfOut" "$filter"
  settings csvsort2dbf "$csvIn" "$dbfOut" "$sortFilter"
  settings dbfsort2dbf "$dbfIn" "$dbfOut" "$sortFilter"
  failed=0
  run() {  # <block bytes> <settings> <input> <output>
    if ! MIRVANO_BLOCK_BYTES=$1 "$build/app/mirvano" "$3" "$4" "$tmp/$2.mcf" >"$tmp/$2.log" 2>&1 || [ ! -s "$4" ]; then
      echo "tsan: the batch $2 failed:" >&2
      cat "$tmp/$2.log" >&2
      failed=1
    fi
  }
  # A text input's blocks are bytes: some 30 of the table's 2 MB. A dBase input's are records:
  # blocks of 65,536 would leave its 20,000 records in one, on the run's thread alone; in 200
  # blocks the workers meet often enough that even 2 cores show a race between them.
  run 65536 csv2dbf "$table" "$tmp/table.dbf"
  run 100 dbf2csv "$tmp/table.dbf" "$tmp/fromdbf.csv"
  run 65536 csv2csv "$table" "$tmp/table2.csv"
  run 65536 csv2sdf "$table" "$tmp/table.sdf"
  # Filters tested on the workers; dBase records built on them and appended in order.
  run 65536 csvfilter2dbf "$table" "$tmp/filtered.dbf"
  run 100 dbffilter2dbf "$tmp/table.dbf" "$tmp/filtered2.dbf"
  # Sorted: the index built on every core, the sorted rewrite and the walk along the index.
  run 65536 csvsort2dbf "$table" "$tmp/sorted.dbf"
  run 100 dbfsort2dbf "$tmp/table.dbf" "$tmp/sorted2.dbf"
  exit $failed
) || status=1
echo "tsan: batch conversions ran in $((SECONDS - start)) s"

found=("$reports"/tsan.*)
if [ -e "${found[0]}" ]; then
  for f in "${found[@]}"; do
    echo "tsan: report of process ${f##*.}:"
    cat "$f"
  done
  echo "tsan: ${#found[@]} process(es) reported" >&2
  status=1
fi
exit $status
