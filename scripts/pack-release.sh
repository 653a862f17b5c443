#!/usr/bin/env bash
# Packs the release zip: ondrella.exe, README.txt and LICENSE, in that order, with nothing
# in it that depends on when, where or by whom it was packed, so that the same sources
# always give the same bytes. Every entry has the same fixed time and mode, and zip leaves
# out the extra fields that would carry the files' real times and owners. The texts get
# Windows line ends, for Notepad before Windows 10.
#
#   scripts/pack-release.sh ZIP EXE README LICENSE      (absolute paths)
set -euo pipefail

zip_file=$1
exe=$2
readme=$3
license=$4

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

cp "$exe" "$stage/ondrella.exe"
sed 's/\r*$/\r/' "$readme" >"$stage/README.txt"
sed 's/\r*$/\r/' "$license" >"$stage/LICENSE"
chmod 0755 "$stage/ondrella.exe"
chmod 0644 "$stage/README.txt" "$stage/LICENSE"
touch -d '2026-01-01 00:00:00 UTC' "$stage"/*

# zip adds to an existing archive: start from none.
rm -f "$zip_file" "$zip_file.part"
(cd "$stage" && TZ=UTC zip -q -X -9 "$zip_file.part" ondrella.exe README.txt LICENSE)
mv "$zip_file.part" "$zip_file"
