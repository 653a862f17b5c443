#!/usr/bin/env bash
# Installs the Debian packages that building and testing Ondrella needs: the native
# toolchain and test libraries, the i686 MinGW-w64 cross compiler, 32-bit Wine and a
# private X server, and zip and unzip for the release. A second run finds everything
# present and does nothing.
set -euo pipefail

packages=(cmake make g++ pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
          libpng-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64 wine wine32 wine64 xvfb
          x11-utils imagemagick clang-format
          zip unzip)

missing=()
for p in "${packages[@]}"; do
  # wine32 is an i386 package: ask for it by its architecture.
  name=$p
  [ "$p" = wine32 ] && name=wine32:i386
  if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q '^install ok installed'; then
    missing+=("$p")
  fi
done
need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

if [ ${#missing[@]} -eq 0 ] && [ $need_i386 -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  as_root=(sudo)
else
  echo "ondrella: missing packages: ${missing[*]}" >&2
  echo "ondrella: run as root:  dpkg --add-architecture i386 && apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi

echo "ondrella: installing ${missing[*]}" >&2
if [ $need_i386 -eq 1 ]; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
