#!/usr/bin/env bash
# The four conversions of the benchmark table through the built `mirvano` batch, beside
# ogr2ogr, and CSV to CSV beside DuckDB on every core and on one thread, in one run:
#   1. CSV (UTF-8) to dBase (ANSI), the analysis included
#   2. dBase to CSV
#   3. dBase, filter AMOUNT > 50000, sort CITY;AMOUNT, to dBase
#   4. CSV (UTF-8) to CSV, the analysis included
# Prints each time (the fastest of BENCH_RUNS runs, default 3) with the program's start-up
# taken off (measured on a one-row table), and DuckDB's likewise (bench/duckdb.mjs on the
# same one-row table), ours against each peer as a ratio, and the peak memory of every run.
# The table (BENCH_ROWS rows, default 1,000,000, ten columns of German, Polish and
# Scandinavian names and cities, numbers and dates: bench/table.py) is generated once into
# BENCH_DATA (default <build>/bench-data) and kept. DuckDB is the npm package
# @duckdb/node-api, installed with the machine's Node.js into BENCH_DATA/duckdb when it is
# missing; without node or npm, or when npm cannot fetch it, the DuckDB lines are left out.
# MIRVANO_BUILD_DIR chooses the build directory (default build/); the script builds
# `mirvano` there when it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_BUILD_DIR:-$root/build}
rows=${BENCH_ROWS:-1000000}
data=${BENCH_DATA:-$build/bench-data}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

command -v ogr2ogr >/dev/null || { echo "ogr2ogr is missing: install gdal-bin" >&2; exit 1; }
mirvano="$build/app/mirvano"
if [ ! -x "$mirvano" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target mirvano -j "${MIRVANO_JOBS:-4}" >/dev/null
fi

mkdir -p "$data"
# The generator's digest names the table, so a changed generator never times a kept old table.
table="$data/table-$rows-$(md5sum <"$root/bench/table.py" | cut -c1-8).csv"
if [ ! -s "$table" ]; then
  rm -f "$data/table-$rows".csv "$data/table-$rows"-*.csv
  /usr/bin/python3 "$root/bench/table.py" "$table.part" "$rows"
  mv "$table.part" "$table"
fi
head -2 "$table" >"$tmp/tiny.csv"

source "$root/bench/batch_settings.sh"
settings csv2dbf "$csvIn" "$dbfOut"
settings dbf2csv "$dbfIn" "$csvOut"
settings sortfilter "$dbfIn" "$dbfOut" "$sortFilter"
settings csv2csv "$csvIn" "$csvOut"

# Runs a command under /usr/bin/time; prints "<seconds> <peak kB>".
# On a shared machine one run can take half as long again as the next: each command runs
# BENCH_RUNS times (default 3) and the fastest time counts, with the largest peak memory.
runs=${BENCH_RUNS:-3}
measure() {
  local best= peak=0 t m
  for ((k = 0; k < runs; k++)); do
    /usr/bin/time -f '%e %M' -o "$tmp/time" "$@" >/dev/null 2>"$tmp/err" || { cat "$tmp/err" >&2; exit 1; }
    read -r t m <"$tmp/time"
    best=$(awk -v a="${best:-$t}" -v b="$t" 'BEGIN { print (b < a ? b : a) }')
    ((m > peak)) && peak=$m
  done
  echo "$best $peak"
}
# Seconds of a command with a start-up taken off, and its peak memory.
net() {  # <start-up seconds> <command...>
  local s=$1 t m
  shift
  read -r t m < <(measure "$@")
  awk -v t="$t" -v s="$s" -v m="$m" 'BEGIN { d = t - s; if (d < 0) d = 0; printf "%.2f %d\n", d, m }'
}
ours() { net "$startup" "$mirvano" "$2" "$3" "$tmp/$1.mcf"; }  # <settings> <input> <output>
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else printf "-" }'; }

cat "$table" >/dev/null  # from the page cache from here on
read -r startup _ < <(measure "$mirvano" "$tmp/tiny.csv" "$tmp/tiny.dbf" "$tmp/csv2dbf.mcf")

read -r o1 m1 < <(ours csv2dbf "$table" "$tmp/ours.dbf")
read -r o2 m2 < <(ours dbf2csv "$tmp/ours.dbf" "$tmp/ours.csv")
read -r o3 m3 < <(ours sortfilter "$tmp/ours.dbf" "$tmp/sorted.dbf")
read -r o4 m4 < <(ours csv2csv "$table" "$tmp/ours2.csv")

mkdir "$tmp/ogr" "$tmp/ogrs"
csvOpts=(-oo AUTODETECT_TYPE=YES -oo AUTODETECT_WIDTH=YES -oo AUTODETECT_SIZE_LIMIT=0)
read -r g1 n1 < <(measure ogr2ogr -f "ESRI Shapefile" "$tmp/ogr/t.dbf" "$table" "${csvOpts[@]}" -nln t)
read -r g2 n2 < <(measure ogr2ogr -f CSV "$tmp/ogr.csv" "$tmp/ogr/t.dbf")
read -r g3 n3 < <(measure ogr2ogr -f "ESRI Shapefile" "$tmp/ogrs/s.dbf" "$tmp/ogr/t.dbf" \
  -sql "SELECT * FROM t WHERE AMOUNT > 50000 ORDER BY CITY, AMOUNT")
read -r g4 n4 < <(measure ogr2ogr -f CSV "$tmp/ogr2.csv" "$table" "${csvOpts[@]}")

printf 'table            %s rows, CSV %d MB, dBase %d MB; start-up %.2f s (taken off ours)\n' "$rows" \
  "$(( $(stat -c %s "$table") / 1048576 ))" "$(( $(stat -c %s "$tmp/ours.dbf") / 1048576 ))" "$startup"
line() {  # <task> <ours s> <ours kB> <peer> <peer s> <peer kB>
  printf '%-22s ours %6.2f s %7d kB   %-9s %6.2f s %7d kB   ratio %s\n' "$1" "$2" "$3" "$4" "$5" "$6" "$(ratio "$2" "$5")"
}
line "csv -> dbf" "$o1" "$m1" ogr2ogr "$g1" "$n1"
line "dbf -> csv" "$o2" "$m2" ogr2ogr "$g2" "$n2"
line "dbf filter+sort -> dbf" "$o3" "$m3" ogr2ogr "$g3" "$n3"
line "csv -> csv" "$o4" "$m4" ogr2ogr "$g4" "$n4"

duckdir="$data/duckdb"
duck=(node "$root/bench/duckdb.mjs" "$duckdir")  # + <threads> <input> <output>
if [ ! -d "$duckdir/node_modules/@duckdb/node-api" ] && command -v npm >/dev/null; then
  mkdir -p "$duckdir"
  npm install --prefix "$duckdir" --no-audit --no-fund --loglevel=error @duckdb/node-api \
    >"$tmp/npm.log" 2>&1 || true
fi
if command -v node >/dev/null && "${duck[@]}" 1 "$tmp/tiny.csv" "$tmp/duck.csv" >/dev/null 2>&1; then
  starts=()
  for threads in "$(nproc)" 1; do
    read -r ds _ < <(measure "${duck[@]}" "$threads" "$tmp/tiny.csv" "$tmp/duck.csv")
    read -r d4 k4 < <(net "$ds" "${duck[@]}" "$threads" "$table" "$tmp/duck.csv")
    line "csv -> csv" "$o4" "$m4" "duckdb/$threads" "$d4" "$k4"
    starts+=("$(printf '%.2f s on %s thread(s)' "$ds" "$threads")")
  done
  printf 'duckdb start-up   %s, %s (taken off its times)\n' "${starts[0]}" "${starts[1]}"
else
  echo "duckdb: not installed"
fi
