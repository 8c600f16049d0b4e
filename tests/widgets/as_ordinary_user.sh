#!/usr/bin/env bash
# Runs a test executable as a user who is not root (nobody), so that what binds ordinary
# users binds the test too: a terminal's exclusive mode, file permissions. Root passes by
# both, and CI runs as root. The executable is copied where that user can reach it.
#
#   as_ordinary_user.sh <test executable> [its arguments]
set -euo pipefail
exe=$1
shift
if [[ $(id -u) -ne 0 ]]; then
  exec "$exe" "$@"
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
mkdir -m 700 "$dir/run"
chown 65534:65534 "$dir/run"
cp "$exe" "$dir/"
status=0
setpriv --reuid=65534 --regid=65534 --clear-groups \
  env HOME="$dir/run" XDG_RUNTIME_DIR="$dir/run" "$dir/$(basename "$exe")" "$@" || status=$?
exit "$status"
