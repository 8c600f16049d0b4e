#!/usr/bin/env bash
# Starts the program on a virtual X server (Xvfb) and saves what a user sees there: the shell
# with its title page and the settings form, once in German and once in English. Then runs
# the tests that show the notice boxes, the form and the shell on that X server too.
#
#   scripts/screenshots.sh [output directory]      (default: build/screenshots)
#
# MIRVANO_DISPLAY picks the X display (default :15); the program is build/app/mirvano.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
display=${MIRVANO_DISPLAY:-:15}
out=${1:-$root/build/screenshots}
program=$root/build/app/mirvano
mkdir -p "$out"

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() { kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
for _ in $(seq 50); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && break
    sleep 0.1
done

for language in deutsch english; do
    case $language in
        deutsch) locale=de_DE.UTF-8 ;;
        *) locale=en_US.UTF-8 ;;
    esac
    # A data directory of its own, whose program INI chooses the language.
    data=$(mktemp -d)
    mkdir -p "$data/mirvano"
    printf '[Config]\r\nLanguage=%s\r\n' "$language" >"$data/mirvano/MIRVANO.INI"
    APPDATA=$data XDG_RUNTIME_DIR=$data LANG=$locale LANGUAGE= LC_ALL=$locale DISPLAY=$display QT_QPA_PLATFORM=xcb "$program" &
    pid=$!
    # The title page stands for a second before the form covers it.
    sleep 0.7
    import -display "$display" -window root "$out/shell-$language.png"
    sleep 2.5
    import -display "$display" -window root "$out/form-$language.png"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -rf "$data"
done

# The boxes, the form and the shell's size limits measured, grabbed and clicked on a real
# X server too.
runtime=$(mktemp -d)
run_on_x() {
    if [ -x "$1" ]; then
        DISPLAY=$display QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$runtime "$1" --gtest_filter="$2"
    fi
}
run_on_x "$root/build/tests/widgets/tests_widgets" 'NoticeBoxOnScreen.*'
run_on_x "$root/build/tests/mainwindow/tests_mainwindow" 'FormTest.OnScreen*'
run_on_x "$root/build/tests/app/tests_app" 'Shell.Resized*'
rm -rf "$runtime"
echo "screenshots in $out"
