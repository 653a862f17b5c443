#!/usr/bin/env bash
# The installer run of the release's packages (ondrella-smoke --installer, see
# tools/smoke/smoke.h) in a Wine prefix of its own, as nothing else installs software into
# the others: the win64 package, and the win32 one where 32-bit Wine runs natively (under
# an emulator every 32-bit process needs a minute to start). Each is upgraded in the run by
# its next version, built here from the same exe and source as next-version.msi beside it.
#
#   scripts/check-installers.sh                  the installer runs (make dist)
#   scripts/check-installers.sh COMMAND [ARGS]   COMMAND instead, in the same Wine (the tests)
#
# Builds only the next versions. A failed run can leave behind what the next one would
# take for its own doing: that one starts from a new prefix.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
source scripts/windows-target.sh
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/cross/CMakeCache.txt)
package() { echo "$here/build/$1/ondrella-$version-$2.msi"; }

if [ "${1:-}" = --in-prefix ]; then
  status=0
  "$wine_loader" build/cross64/ondrella-smoke.exe --installer win64 "$(package cross64 win64)" \
    build/cross64/next-version.msi "$(package cross win32)" || status=1
  if [ "$windows_config" = cross ]; then
    "$wine_loader" build/cross64/ondrella-smoke.exe --installer win32 "$(package cross win32)" \
      build/cross/next-version.msi "$(package cross64 win64)" || status=1
  else
    echo "check-installers: the win32 package was not tried: 32-bit Wine does not run natively here" >&2
  fi
  exit $status
fi

for build in cross:win32 cross64:win64; do
  bash scripts/pack-installer.sh "$here/build/${build%:*}/next-version.msi" \
    "$here/build/${build%:*}/ondrella.exe" "$here/res/ondrella.ico" "$((${version%%.*} + 1)).0" \
    "${build#*:}" || exit 1
done
[ $# -gt 0 ] || set -- bash "$0" --in-prefix
bash scripts/with-wine.sh --own-prefix installer "$@" ||
  { status=$?; rm -rf "${ONDRELLA_BUILD:-$here/build}/wineprefix-installer"; exit $status; }
