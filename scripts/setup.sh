#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
# Idempotent and quiet; run as root on a Debian machine.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev libgtest-dev
  fonts-dejavu-core fonts-liberation2
  # the libraries' real outputs: EMF records, freedesktop event sounds, Qt's own German texts
  libuemf-dev libcanberra-dev qt6-translations-l10n
  # outside tools the format tests compare against; Miller writes the SDF reports the
  # differential test reads
  python3-dbfread python3-dbf gdal-bin miller
  # memcheck over the picture readers (scripts/memcheck.sh)
  valgrind
)
if [[ "${MIRVANO_SETUP_GUI:-0}" == 1 ]]; then
  packages+=(xvfb x11-apps imagemagick)
fi
# clang and its runtime (libFuzzer, the sanitizers) for the sanitizer and fuzz build
if [[ "${MIRVANO_SETUP_CLANG:-0}" == 1 ]]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  if [[ $(id -u) -ne 0 ]]; then
    echo "setup: need root to install packages" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
