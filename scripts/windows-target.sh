# Sourced by the scripts: chooses which Windows build the tests, the demo and the
# benchmarks run, and the Wine loader that runs it. The shipped exe is the 32-bit (i686)
# build, and 32-bit Wine runs it wherever the machine executes 32-bit code natively and
# 32-bit Wine is installed. Elsewhere (a kernel without 32-bit support, where every 32-bit
# program fails with "Exec format error"; 32-bit code that runs only through an emulator,
# a minute per process start; no 32-bit Wine) the same sources built for x86_64 run under
# 64-bit Wine instead, and the 32-bit exe is only built.
#
# Sets: windows_config (cross or cross64, the build folder under build/) and wine_loader.
if [ -z "${windows_config:-}" ]; then
  source "$(dirname "${BASH_SOURCE[0]}")/x86-32.sh"
  if runs_32bit_natively && [ -x /usr/lib/wine/wine ] &&
    /usr/lib/wine/wine --version >/dev/null 2>&1; then
    windows_config=cross
    wine_loader=wine
  else
    windows_config=cross64
    wine_loader=/usr/lib/wine/wine64
    [ -x "$wine_loader" ] || wine_loader=wine64
  fi
fi
export windows_config wine_loader
