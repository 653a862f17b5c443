#!/usr/bin/env bash
# Builds the two release zips and puts them in dist/: ondrella-<version>-win32.zip (the
# i686 exe, for every Windows) and ondrella-<version>-win64.zip (the x86_64 exe, for 64-bit
# Windows), each with ondrella.exe, README.txt and LICENSE. The same commit always gives
# the same bytes; the zips' SHA-256 sums are printed last, to compare with another build
# or a published figure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh cross -- --target dist
bash scripts/build.sh cross64 -- --target dist
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/cross/CMakeCache.txt)
zips=(build/cross/ondrella-$version-win32.zip build/cross64/ondrella-$version-win64.zip)

mkdir -p dist
for zip in "${zips[@]}"; do
  cp "$zip" dist/
done
(cd dist && sha256sum "${zips[@]##*/}")
