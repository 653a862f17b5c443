#!/usr/bin/env bash
# Builds a release's Windows Installer package, ondrella-<version>-win32.msi or -win64.msi,
# from installer/ondrella.wxs with Debian's wixl, holding the very exe of that build's zip.
# The same sources always give the same bytes. wixl writes a random package code and the
# time of the build into the summary, and a cabinet with the exe's modification time, so:
# the exe is staged with a fixed time, as the zips' entries are; wixl runs on a clock stopped
# at that time (faketime); the product code is derived from the architecture and the
# version; the package code (which must differ between any two packages that differ) is
# derived from the package itself, written first with an all-zero one.
#
# What wixl leaves out of the package or gets wrong (an upgrade that keeps the settings,
# AUTOSTART=0, ALLUSERS=1, a plain shortcut, among others) is written into its tables here
# with msibuild's SQL, which works the same whatever wixl's version.
#
#   scripts/pack-installer.sh MSI EXE ICON VERSION win32|win64      (absolute paths)
set -euo pipefail

msi_file=$1
exe=$2
icon=$3
version=$4
case $5 in
  win32) arch=x86 template='Intel;1033' ;;
  win64) arch=x64 template='x64;1033' ;;
  *) echo "pack-installer: no such platform: $5" >&2; exit 2 ;;
esac
source_file=$(cd "$(dirname "$0")/.." && pwd)/installer/ondrella.wxs
fixed_time='2026-01-01 00:00:00'

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# A name-based UUID (the form of RFC 4122 version 5) from a SHA-1 in hex.
uuid_from() {
  sed -E 's/^(.{8})(.{4}).(.{3}).(.{3})(.{12}).*/\1-\2-5\3-8\4-\5/' <<<"$1" | tr a-f A-F
}

# The FILEVERSION of the exe's version record, the four numbers after the signature of
# VS_FIXEDFILEINFO: Windows Installer compares it with an installed exe's to decide
# whether to replace it.
file_version() {
  local words
  words=$(od -An -v -tx4 -w4 "$1" | sed -n '/^ feef04bd$/{n;n;N;p;q}' | tr -d ' ' | tr '\n' ' ')
  [ -n "$words" ] || { echo "pack-installer: $1 has no version record" >&2; exit 1; }
  set -- $words
  echo "$((0x$1 >> 16)).$((0x$1 & 0xffff)).$((0x$2 >> 16)).$((0x$2 & 0xffff))"
}

cp "$exe" "$stage/ondrella.exe"
cp "$icon" "$stage/ondrella.ico"
touch -d "$fixed_time UTC" "$stage"/*
product_code=$(uuid_from "$(printf 'Ondrella %s %s' "$5" "$version" | sha1sum)")

# wixl finds the files named in the source in its working folder. It chatters on standard
# error about what it does not implement (see below): shown only when it fails.
if ! said=$(cd "$stage" && TZ=UTC faketime -f "$fixed_time" \
       wixl -a "$arch" -D Platform="$arch" -D Version="$version" -D ProductCode="$product_code" \
       -o "$stage/package.msi" "$source_file" 2>&1); then
  echo "$said" >&2
  exit 1
fi

# What wixl leaves out or gets wrong, written into the tables:
# - the older version is removed after the new one is installed (as WiX's MajorUpgrade with
#   Schedule="afterInstallExecute" does);
# - ALLUSERS=1 sets the install folder before the costs are worked out (wixl would place
#   the action at one point or another from one run to the next);
# - the Start menu shortcut points at the exe: wixl makes every shortcut an advertised one
#   (its target a feature), which Windows would check, and repair the product from, at
#   every start;
# - the Run value goes to HKCU for one user and to HKLM for all (the root -1; wixl writes 4);
# - the Run value only when AUTOSTART is 1;
# - the exe's file version, which Windows Installer compares with an installed exe's.
msibuild "$stage/package.msi" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('InstallExecute', 6500)" \
  -q "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 6550 WHERE \`Action\` = 'RemoveExistingProducts'" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('InstallForAllUsers', 'ALLUSERS = 1', 990)" \
  -q "INSERT INTO \`InstallUISequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('InstallForAllUsers', 'ALLUSERS = 1', 990)" \
  -q "UPDATE \`Shortcut\` SET \`Target\` = '[#ondrella.exe]' WHERE \`Shortcut\` = 'StartMenuShortcut'" \
  -q "UPDATE \`Registry\` SET \`Root\` = -1 WHERE \`Registry\` = 'RunAtSignIn'" \
  -q "UPDATE \`Component\` SET \`Condition\` = 'AUTOSTART = \"1\"' WHERE \`Component\` = 'Autostart'" \
  -q "UPDATE \`File\` SET \`Version\` = '$(file_version "$exe")' WHERE \`File\` = 'ondrella.exe'" \
  -s Ondrella Varnek "$template" '{00000000-0000-0000-0000-000000000000}'
package_code=$(uuid_from "$(sha1sum <"$stage/package.msi")")
msibuild "$stage/package.msi" -s Ondrella Varnek "$template" "{$package_code}"

mv "$stage/package.msi" "$msi_file"
