#!/usr/bin/env bash
# Converts the sample table people.csv to a dBase table and that table back to CSV with the
# program's command-line batch, and shows where the outputs went. Sets up and builds first
# when the program is not built yet. OUT chooses the output directory (default examples/out).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MIRVANO_BUILD_DIR:-$root/build}
out=${OUT:-$root/examples/out}
if [ ! -x "$build/app/mirvano" ]; then
  bash "$root/scripts/build.sh"
fi
mkdir -p "$out"
cp "$root/examples/people.csv" "$out/people.csv"
cd "$out"
# The window shows itself while a batch runs; without a display it runs offscreen.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then export QT_QPA_PLATFORM=offscreen; fi
"$build/app/mirvano" people.csv people.dbf "$root/examples/csv2dbf.mcf"
"$build/app/mirvano" people.dbf people_back.csv "$root/examples/dbf2csv.mcf"
echo
echo "dBase table:      $out/people.dbf"
echo "back to CSV:      $out/people_back.csv (UTF-8)"
echo
cat "$out/people_back.csv"
