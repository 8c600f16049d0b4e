#!/usr/bin/env bash
# Table engine against cp: appends 1,000,000 records of 10 fields to a new table in a
# temporary directory, reads them back, sorts them through an index file and copies the
# table with cp, printing each time and the peak memory.
# MIRVANO_BUILD_DIR chooses the build directory (default build/); BENCH_RECORDS the count.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_BUILD_DIR:-$root/build}
records=${BENCH_RECORDS:-1000000}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target dbf_bench -j "${MIRVANO_JOBS:-4}"
"$build/bench/dbf_bench" "$tmp" "$records"
