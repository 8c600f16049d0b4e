#!/usr/bin/env bash
# Conversion against ogr2ogr: generates a CSV of BENCH_ROWS rows (default 1,000,000) and ten
# columns (texts, numbers with decimals, dates, logicals) in a temporary directory, converts
# it to a dBase table and that table back to CSV, once through the engine core and once with
# ogr2ogr, and prints the times, their ratio (target: at most 0.25) and the peak memory of
# each run (target: under 64 MB for ours).
# MIRVANO_BUILD_DIR chooses the build directory (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_BUILD_DIR:-$root/build}
rows=${BENCH_ROWS:-1000000}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if ! command -v ogr2ogr >/dev/null; then
  echo "ogr2ogr is missing: install gdal-bin" >&2
  exit 1
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target convert_bench -j "${MIRVANO_JOBS:-4}" >/dev/null
bench="$build/bench/convert_bench"

/usr/bin/python3 "$root/bench/table.py" "$tmp/in.csv" "$rows"
cat "$tmp/in.csv" >/dev/null

# Runs a command under /usr/bin/time; prints "<seconds> <peak kB>".
measure() {
  /usr/bin/time -f '%e %M' -o "$tmp/time" "$@" >/dev/null 2>"$tmp/err" || { cat "$tmp/err" >&2; exit 1; }
  cat "$tmp/time"
}

read -r our1 mem1 < <(measure "$bench" csv2dbf "$tmp/in.csv" "$tmp/ours.dbf")
read -r our2 mem2 < <(measure "$bench" dbf2csv "$tmp/ours.dbf" "$tmp/ours.csv")
mkdir "$tmp/ogr"
read -r ogr1 omem1 < <(measure ogr2ogr -f "ESRI Shapefile" "$tmp/ogr/ogr.dbf" "$tmp/in.csv" \
  -oo AUTODETECT_TYPE=YES -oo AUTODETECT_WIDTH=YES -oo AUTODETECT_SIZE_LIMIT=0)
read -r ogr2 omem2 < <(measure ogr2ogr -f CSV "$tmp/ogr.csv" "$tmp/ogr/ogr.dbf")

printf 'input            %s rows, %s MB\n' "$rows" "$(( $(stat -c %s "$tmp/in.csv") / 1048576 ))"
printf 'csv -> dbf       ours %6.2f s %6d kB   ogr2ogr %6.2f s %6d kB   ratio %.3f\n' \
  "$our1" "$mem1" "$ogr1" "$omem1" "$(awk "BEGIN { print $our1 / $ogr1 }")"
printf 'dbf -> csv       ours %6.2f s %6d kB   ogr2ogr %6.2f s %6d kB   ratio %.3f\n' \
  "$our2" "$mem2" "$ogr2" "$omem2" "$(awk "BEGIN { print $our2 / $ogr2 }")"
