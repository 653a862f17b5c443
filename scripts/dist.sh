#!/usr/bin/env bash
# Builds the two release zips and puts them in dist/: ondrella-<version>-win32.zip (the
# i686 exe, for every Windows) and ondrella-<version>-win64.zip (the x86_64 exe, for 64-bit
# Windows), each with ondrella.exe, README.txt and LICENSE, and beside them the installers
# of the same exes, ondrella-<version>-win32.msi and -win64.msi. The same commit always
# gives the same bytes; the SHA-256 sums of all four are printed last, to compare with
# another build or a published figure.
#
# Each exe is started before it ships (the smoke run of tools/smoke, beside DLLs planted
# under the names of those it loads): the x86_64 one under 64-bit Wine, the i686 one under
# 32-bit Wine (start-i686.sh); each installer is then installed, upgraded and removed under
# Wine, and its installed exe started (check-installers.sh; the win32 one where 32-bit Wine
# runs natively). When a run fails, no zip or installer is written. Where
# 32-bit Wine cannot run, the release says so in a file beside the zips,
# dist/ondrella-<version>-win32.not-started.txt: the zips and installers themselves stay
# the same bytes wherever they are built.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
source scripts/windows-target.sh
bash scripts/build.sh cross -- --target dist
bash scripts/build.sh cross64 -- --target dist ondrella-smoke planted-marker
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/cross/CMakeCache.txt)
files=(build/cross/ondrella-$version-win32.zip build/cross64/ondrella-$version-win64.zip
      build/cross/ondrella-$version-win32.msi build/cross64/ondrella-$version-win64.msi)
not_started=dist/ondrella-$version-win32.not-started.txt

mkdir -p dist
# A failed run leaves no zip or installer of this version behind that could pass for its
# release.
for file in "${files[@]}"; do
  rm -f "dist/${file##*/}"
done
rm -f "$not_started"
no_release() {
  echo "dist: $1: no release written" >&2
  exit 1
}

bash scripts/with-wine.sh "$wine_loader" build/cross64/ondrella-smoke.exe \
  "$PWD/build/cross64/ondrella.exe" "$PWD/build/cross64/planted-marker.dll" >&2 ||
  no_release "the x86_64 exe failed its smoke run"
set +e
why=$(bash scripts/start-i686.sh)
status=$?
set -e
case $status in
  0) ;;
  3)
    echo "dist: ${why#start-i686: }; see $not_started" >&2
    echo "The ondrella.exe of ondrella-$version-win32.zip (i686) was not started before it" \
      "was packed: ${why##*: }. The ondrella.exe of ondrella-$version-win64.zip (x86_64)" \
      "passed its smoke run under 64-bit Wine." >"$not_started"
    ;;
  *) no_release "the i686 exe failed under 32-bit Wine" ;;
esac

bash scripts/check-installers.sh >&2 || no_release "an installer failed its installer run"

for file in "${files[@]}"; do
  cp "$file" dist/
done
(cd dist && sha256sum "${files[@]##*/}")
