#!/usr/bin/env bash
# Packs a release zip: ondrella.exe, README.txt and LICENSE, in that order, with nothing
# in it that depends on when, where or by whom it was packed, so that the same sources
# always give the same bytes. Every entry has the same fixed time and mode, and zip leaves
# out the extra fields that would carry the files' real times and owners. README.txt gets
# the line that says which Windows this build is for, and the texts get Windows line ends,
# for Notepad before Windows 10.
#
#   scripts/pack-release.sh ZIP EXE README LICENSE win32|win64      (absolute paths)
set -euo pipefail

zip_file=$1
exe=$2
readme=$3
license=$4
case $5 in
  win32) which_windows='This is the 32-bit build. It runs on Windows 7 and later, 32-bit or 64-bit.' ;;
  win64) which_windows='This is the 64-bit build, for 64-bit Windows 7 and later. On 32-bit Windows,\n'
         which_windows+='use the 32-bit build (the zip whose name ends in -win32.zip).' ;;
  *) echo "pack-release: no such platform: $5" >&2; exit 2 ;;
esac

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

cp "$exe" "$stage/ondrella.exe"
sed "s|^@WHICH_WINDOWS@\$|$which_windows|" "$readme" | sed 's/\r*$/\r/' >"$stage/README.txt"
sed 's/\r*$/\r/' "$license" >"$stage/LICENSE"
chmod 0755 "$stage/ondrella.exe"
chmod 0644 "$stage/README.txt" "$stage/LICENSE"
touch -d '2026-01-01 00:00:00 UTC' "$stage"/*

# zip adds to an existing archive: start from none.
rm -f "$zip_file" "$zip_file.part"
(cd "$stage" && TZ=UTC zip -q -X -9 "$zip_file.part" ondrella.exe README.txt LICENSE)
mv "$zip_file.part" "$zip_file"
