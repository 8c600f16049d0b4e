#!/usr/bin/env bash
# Input analysis against `wc -l`: generates a CSV file of 1,000,000 lines and 10 columns
# (about 100 MB) in a temporary directory, builds the benchmark, analyses the file and counts
# its lines, and prints both times and their ratio (target: at most 5).
# MIRVANO_BUILD_DIR chooses the build directory (default build/); BENCH_LINES the line count.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_BUILD_DIR:-$root/build}
lines=${BENCH_LINES:-1000000}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target analysis_bench -j "${MIRVANO_JOBS:-4}" >/dev/null
bench="$build/bench/analysis_bench"

# Ten columns: numbers with and without decimals, quoted texts, dates, logicals.
/usr/bin/python3 - "$tmp/data.csv" "$lines" <<'PY'
import sys, random
path, count = sys.argv[1], int(sys.argv[2])
random.seed(11)
with open(path, "w", newline="") as f:
    f.write("ID;AMOUNT;NAME;CITY;BORN;ACTIVE;QTY;PRICE;CODE;NOTE\r\n")
    for i in range(count):
        f.write('%d;%d.%02d;"Name %d";"City %s";%02d.%02d.%04d;%s;%d;%d.%d;C%05d;"note %s"\r\n' % (
            i, random.randint(0, 99999), i % 100, random.randint(0, 10**6), random.choice("ABCDEFGH") * random.randint(1, 12),
            1 + i % 28, 1 + i % 12, 1950 + i % 70, ".T." if i % 3 else ".F.", random.randint(0, 5000),
            random.randint(0, 999), random.randint(0, 9), i % 100000, "x" * random.randint(0, 20)))
PY

file="$tmp/data.csv"
cat "$file" >/dev/null  # warm the page cache for both

now() { date +%s.%N; }
t0=$(now); wc_lines=$(wc -l <"$file"); t1=$(now)
out=$("$bench" "$file"); t2=$(now)
wc_time=$(awk "BEGIN { print $t1 - $t0 }")
analysis_time=$(awk "BEGIN { print $t2 - $t1 }")
printf 'file        %s bytes, %s lines\n' "$(stat -c %s "$file")" "$wc_lines"
printf 'wc -l       %.3f s\n' "$wc_time"
printf 'analysis    %.3f s  (%s)\n' "$analysis_time" "$out"
printf 'ratio       %.2f\n' "$(awk "BEGIN { print $analysis_time / $wc_time }")"
