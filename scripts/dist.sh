#!/usr/bin/env bash
# Builds the release zip and puts it in dist/: dist/ondrella-<version>-win32.zip with
# ondrella.exe, README.txt and LICENSE. The same commit always gives the same bytes; the
# zip's SHA-256 is printed last, to compare with another build or a published figure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh cross -- --target dist
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/cross/CMakeCache.txt)
zip_name=ondrella-$version-win32.zip
mkdir -p dist
cp "build/cross/$zip_name" "dist/$zip_name"
(cd dist && sha256sum "$zip_name")
