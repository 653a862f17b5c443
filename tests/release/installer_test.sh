#!/usr/bin/env bash
# Runs the installer test (installer_test.cpp) in a Wine of its own, after building with the
# release's script the next version's installer of each build, from the same exe and
# source: the test installs it over the release's.
#
#   tests/release/installer_test.sh BUILD_ROOT NEXT_VERSION COMMAND [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build_root=$1
next_version=$2
shift 2
for build in cross:win32 cross64:win64; do
  folder=$build_root/${build%:*}
  mkdir -p "$folder/installer-test"
  bash "$here/scripts/pack-installer.sh" \
    "$folder/installer-test/ondrella-$next_version-${build#*:}.msi" "$folder/ondrella.exe" \
    "$here/res/ondrella.ico" "$next_version" "${build#*:}"
done
# A failed run can leave behind what the next run would take for its own doing: that one
# starts from a new prefix.
status=0
bash "$here/scripts/with-wine.sh" --own-prefix installer "$@" || status=$?
[ $status -eq 0 ] || rm -rf "${ONDRELLA_BUILD:-$here/build}/wineprefix-installer"
exit $status
