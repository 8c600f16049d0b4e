#!/usr/bin/env bash
# Sorting and filtering a dBase table of 1,000,000 records (BENCH_RECORDS) by a text and a
# date field, ours beside ogr2ogr's SQL on the same table.
# MIRVANO_BUILD_DIR chooses the build directory (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_BUILD_DIR:-$root/build}
records=${BENCH_RECORDS:-1000000}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target sort_bench -j "${MIRVANO_JOBS:-4}"
/usr/bin/time -f "ours total incl. table build: %e s, peak %M KiB" "$build/bench/sort_bench" "$tmp" "$records"
if command -v ogr2ogr >/dev/null; then
    rm -f "$tmp/ogr.dbf"
    /usr/bin/time -f "ogr2ogr: %e s, peak %M KiB" \
        ogr2ogr -f "ESRI Shapefile" "$tmp/ogr.dbf" "$tmp/t.dbf" \
        -sql "SELECT * FROM t WHERE AMOUNT > 500 ORDER BY CITY, BORN"
else
    echo "ogr2ogr not installed"
fi
