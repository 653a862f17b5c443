#!/usr/bin/env bash
# Starts the shipped i686 ondrella.exe before it ships, under 32-bit Wine in a prefix of its
# own (with-wine.sh --i686): the smoke run (tools/smoke) drives it end to end beside DLLs
# planted under the names of those it loads, which must never run in it, and the i686
# build of the platform-free tests runs there too, whose frames must be the very bits the
# other builds make. The smoke driver is the x86_64 build: only the program under test
# needs 32-bit Wine. Where the kernel runs 32-bit code only through qemu (x86-32.sh), the
# whole run happens inside in_32bit_emulation and takes minutes: every 32-bit Wine process
# needs about a minute to start there, and the prefix about 4.5 minutes to be made, once.
#
#   scripts/start-i686.sh
#
# Builds what it runs. Exit code 0 when everything passed, 1 when something failed, 3 when
# 32-bit Wine cannot run here: then nothing was started and the one line on standard
# output says why. Everything else goes to standard error.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
source scripts/x86-32.sh

exe=build/cross/ondrella.exe
smoke=build/cross64/ondrella-smoke.exe
marker=build/cross/planted-marker.dll
core_tests=build/cross/tests/core_tests_i686.exe

# The part that runs in the i686 prefix, under with-wine.sh.
if [ "${1:-}" = --in-prefix ]; then
  "$wine_loader" "$smoke" "$here/$exe" "$here/$marker" || exit 1
  "$wine_loader" "$core_tests" --gtest_brief=1 || exit 1
  exit 0
fi

not_started() {
  echo "start-i686: the i686 ondrella.exe was not started here: $1"
  exit 3
}
[ -x /usr/lib/wine/wine ] || not_started "32-bit Wine (wine32:i386) is not installed"
if runs_32bit_natively; then
  how=natively
  run=()
elif emulation_possible; then
  how="through qemu-i386, in a namespace of its own"
  run=(in_32bit_emulation)
else
  not_started "32-bit programs run here neither natively nor through qemu-i386"
fi

{ bash scripts/build.sh cross -- --target ondrella planted-marker core_tests_i686 &&
  bash scripts/build.sh cross64 -- --target ondrella-smoke; } >&2 || exit 1
echo "start-i686: starting the i686 exe under 32-bit Wine, 32-bit code running $how" >&2
started=$SECONDS
# The time-out is far above a run under emulation with the prefix still to be made.
"${run[@]}" timeout 3600 bash scripts/with-wine.sh --i686 bash scripts/start-i686.sh --in-prefix >&2
status=$?
if [ $status -ne 0 ]; then
  echo "start-i686: FAILED (exit code $status) after $((SECONDS - started)) s" >&2
  exit 1
fi
echo "start-i686: passed in $((SECONDS - started)) s" >&2
