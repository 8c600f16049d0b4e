#!/usr/bin/env bash
# Line reader against `wc -l`: generates a 1 GB text file in a temporary directory, builds the
# benchmark, reads the file with both and prints both times and their ratio (target: at most 3).
# MIRVANO_BUILD_DIR chooses the build directory (default build/); BENCH_SIZE_MB the file size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_BUILD_DIR:-$root/build}
size_mb=${BENCH_SIZE_MB:-1024}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if [ ! -x "$build/bench/linereader_bench" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target linereader_bench -j "${MIRVANO_JOBS:-4}"
fi
bench="$build/bench/linereader_bench"

# CSV-like lines of varying length (about 60 bytes on average), CR LF ended.
/usr/bin/python3 - "$tmp/lines.txt" "$size_mb" <<'PY'
import sys, random
path, size = sys.argv[1], int(sys.argv[2]) * 1024 * 1024
random.seed(7)
block = []
for i in range(20000):
    fields = [str(random.randint(0, 10**random.randint(1, 9))) for _ in range(random.randint(2, 8))]
    block.append(";".join(fields) + ";\"Name %d\";%d.%02d\r\n" % (i, random.randint(0, 9999), i % 100))
chunk = "".join(block).encode()
with open(path, "wb") as f:
    written = 0
    while written < size:
        part = chunk[: size - written]
        if len(part) < len(chunk):  # end on a whole line, so both readers count the same
            part = part[: part.rfind(b"\n") + 1]
            if not part:
                break
        f.write(part)
        written += len(part)
PY

file="$tmp/lines.txt"
cat "$file" >/dev/null  # warm the page cache for both readers

now() { date +%s.%N; }
t0=$(now); wc_lines=$(wc -l <"$file"); t1=$(now)
out=$("$bench" "$file" 4096); t2=$(now)
wc_time=$(awk "BEGIN { print $t1 - $t0 }")
reader_time=$(awk "BEGIN { print $t2 - $t1 }")
printf 'file        %s MB\n' "$size_mb"
printf 'wc -l       %s lines  %.3f s\n' "$wc_lines" "$wc_time"
printf 'reader      %s  (wall %.3f s)\n' "$out" "$reader_time"
printf 'ratio       %.2f\n' "$(awk "BEGIN { print $reader_time / $wc_time }")"
