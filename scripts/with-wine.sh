#!/usr/bin/env bash
# Runs a command against a private Wine: its own prefix under the build folder, whose
# default desktop is a 1024 x 768 virtual desktop (so that every click goes through Wine
# and programs' exit codes pass through), on its own Xvfb display, always, so nothing
# ever draws on the user's screen. Everything started here is stopped by its process id
# when the command ends, fails or is interrupted.
#
#   scripts/with-wine.sh [--display-from-env] [--depth BITS] [--dpi DPI] [--own-prefix NAME]
#                        [--i686] COMMAND [ARGS...]
#
# The command finds the Wine loader for the Windows build in use in $wine_loader (see
# windows-target.sh).
#
# --display-from-env uses $DISPLAY instead of a private Xvfb (for `make run` on a desktop).
# --depth gives the Xvfb screen another colour depth than 24 bits, --dpi scales the Wine
# desktop (Wine scales DPI-unaware programs only with both LogPixels and DpiScalingVer set).
# --own-prefix gives a run that changes the prefix for good (installs software) one apart.
# --i686 is for 32-bit programs under 32-bit Wine, which has to be installed, and 32-bit
# code has to run: natively, or with this whole call inside in_32bit_emulation (x86-32.sh).
# The prefix is made with both Wines, so that 64-bit programs run in it beside 32-bit ones
# and can drive them; $wine_loader is the 64-bit loader, which hands 32-bit programs to the
# 32-bit one beside it.
# Each of these gives the run a prefix of its own, so such a run can also be started from
# inside a plain one.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/windows-target.sh"
build=${ONDRELLA_BUILD:-$here/build}
use_env_display=0
depth=24
dpi=
prefix=wineprefix
while [ $# -gt 0 ]; do
  case "$1" in
    --display-from-env) use_env_display=1; shift ;;
    --depth) depth=$2; prefix+=-depth$2; shift 2 ;;
    --dpi) dpi=$2; prefix+=-dpi$2; shift 2 ;;
    --own-prefix) prefix+=-$2; shift 2 ;;
    --i686)
      if [ ! -x /usr/lib/wine/wine ]; then
        echo "with-wine: --i686 needs 32-bit Wine, /usr/lib/wine/wine" >&2
        exit 1
      fi
      wine_loader=/usr/lib/wine/wine64
      export WINELOADER=$wine_loader
      prefix+=-i686; shift ;;
    *) break ;;
  esac
done

export WINEPREFIX=$build/$prefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts: nothing here uses .NET or HTML.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset WINESERVER

xvfb_pid=
cleanup() {
  local status=$?
  trap - EXIT INT TERM
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ $use_env_display -eq 0 ] || [ -z "${DISPLAY:-}" ]; then
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "1024x768x$depth" -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "with-wine: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
  done
  export DISPLAY=:$(head -n1 "$display_file")
  rm -f "$display_file"
fi

mkdir -p "$build"
if [ ! -f "$WINEPREFIX/.ondrella-ready" ]; then
  echo "with-wine: creating the Wine prefix $WINEPREFIX (once)" >&2
  "$wine_loader" wineboot -i >/dev/null 2>&1
  "$wine_loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine_loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  if [ -n "$dpi" ]; then
    "$wine_loader" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    "$wine_loader" reg add 'HKCU\Control Panel\Desktop' /v DpiScalingVer /t REG_DWORD /d 4096 /f >/dev/null 2>&1
  fi
  wineserver -w
  touch "$WINEPREFIX/.ondrella-ready"
fi
# A program that crashes gets Wine's debugger, which prints where in a backtrace and then
# shows a dialog that waits for a click nobody gives: the test would hang until its time-out.
# Without the dialog the debugger ends the program as soon as the backtrace is out.
if [ ! -f "$WINEPREFIX/.ondrella-no-crash-dialog" ]; then
  "$wine_loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.ondrella-no-crash-dialog"
fi

set +e
"$@"
status=$?
set -e
exit $status
