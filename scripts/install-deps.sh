#!/usr/bin/env bash
# Installs the Debian packages that building and testing Ondrella needs: the native
# toolchain and test libraries, the MinGW-w64 cross compilers, 64-bit Wine and a private X
# server, and for the release zip and unzip, and wixl, msitools and faketime for its
# installers. Where 32-bit programs run (natively, or through qemu-user-static in a
# namespace of their own, see x86-32.sh) it also installs 32-bit Wine, which starts the
# shipped i686 exe; when that cannot be had, it says so in one line and the 64-bit build
# serves. A second run finds everything present and does nothing.
#
#   scripts/install-deps.sh [PACKAGE...]
#
# A mirror in the middle of a sync can fail one index of `apt-get update` while the others
# are fresh: the update is retried, and then the installation goes on with what it has.
# When the index that fails is the i386 half of the security suite, the amd64 libraries on
# the machine can be newer than any i386 twin apt knows of, and apt refuses 32-bit Wine:
# see install_wine32 for the way around it.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/scripts/x86-32.sh"

packages=(cmake make g++ pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
          libpng-dev libgif-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64 wine wine64
          xvfb x11-utils imagemagick clang-format zip unzip wixl msitools faketime)
# Packages named as arguments are installed instead, and nothing else (the Debian 13 leg's
# debootstrap, see test-debian13.sh).
only_named=0
[ $# -gt 0 ] && packages=("$@") && only_named=1

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed'
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

# 32-bit Wine is of use only where 32-bit code runs; without a native way, the emulator
# has to be there first to tell.
native_32bit=0
runs_32bit_natively && native_32bit=1
want_qemu=0
[ $native_32bit -eq 0 ] && ! installed qemu-user-static && want_qemu=1
want_wine32=0
installed wine32:i386 || want_wine32=1
# A refusal is remembered for a day, so that each run does not wait for it again.
refused_mark=${ONDRELLA_BUILD:-$here/build}/.wine32-not-installable
if [ $want_wine32 -eq 1 ] && [ -n "$(find "$refused_mark" -mmin -1440 2>/dev/null)" ]; then
  want_wine32=0
fi
[ $only_named -eq 1 ] && want_qemu=0 && want_wine32=0

if [ ${#missing[@]} -eq 0 ] && [ $want_qemu -eq 0 ] && [ $want_wine32 -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  as_root=(sudo)
elif [ ${#missing[@]} -eq 0 ]; then
  echo "ondrella: 32-bit Wine is not installed and cannot be without root: the tests run the x86_64 build" >&2
  exit 0
else
  echo "ondrella: missing packages: ${missing[*]}" >&2
  echo "ondrella: run as root:  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
update_index() {
  local attempt status
  for attempt in 1 2 3; do
    "${as_root[@]}" apt-get update -qq && return 0
    status=$?
    [ $attempt -lt 3 ] && sleep $((attempt * 5))
  done
  echo "ondrella: apt-get update failed (exit code $status) three times; going on with the package lists at hand" >&2
}
install_packages() {
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# Installs wine32:i386, each attempt simulated first. The plain install comes first; when
# apt refuses it, the install is taken from the release suite (the machine's codename), and
# every i386 library apt says it cannot install there whose amd64 twin is Multi-Arch: same
# and installed at another version gets that twin pinned to the i386 version: the two must
# be equal, and only the release suite is whole for i386. apt's answer to each simulation
# names the next libraries in the way. A simulation that would remove a package ends the
# attempt. On failure, wine32_refusal says why in a few words.
wine32_refusal=
install_wine32() {
  local native codename suite=() wanted=(wine32:i386) simulation removed downgraded
  local name pinned twin multi_arch version added
  native=$(dpkg --print-architecture)
  codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
  for _ in 1 2 3 4 5 6 7 8; do
    if simulation=$(apt-get install -s --no-install-recommends --allow-downgrades \
                      "${suite[@]}" "${wanted[@]}" 2>&1); then
      removed=$(sed -n 's/^Remv \([^ ]*\).*/\1/p' <<<"$simulation")
      if [ -n "$removed" ]; then
        wine32_refusal="installing it would remove $(echo $removed)"
        return 1
      fi
      install_packages --allow-downgrades "${suite[@]}" "${wanted[@]}" || {
        wine32_refusal="apt-get install failed after its simulation passed"
        return 1
      }
      downgraded=$(awk '/^The following packages will be DOWNGRADED/ { listing = 1; next }
                        listing && /^ / { print; next } { listing = 0 }' <<<"$simulation")
      [ -z "$downgraded" ] ||
        echo "ondrella: 32-bit Wine installed from $codename; downgraded to the version of their i386 twins:" $downgraded >&2
      return 0
    fi
    if [ ${#suite[@]} -eq 0 ]; then
      [ -n "$codename" ] || { wine32_refusal="apt refused it and the Debian codename is unknown"; return 1; }
      suite=(-t "$codename")
      continue
    fi
    added=0
    for name in $(sed -n 's/.*Depends: \([^ :]*\):i386 .*but it is not going to be installed.*/\1/p' \
                    <<<"$simulation" | sort -u); do
      pinned=" ${wanted[*]} "
      [[ $pinned == *" $name:i386 "* ]] && continue
      read -r twin multi_arch < <(dpkg-query -W -f='${Version} ${Multi-Arch}\n' "$name:$native" 2>/dev/null)
      version=$(apt-cache -o APT::Default-Release="$codename" policy "$name:i386" |
                sed -n 's/^ *Candidate: //p')
      if [ "${multi_arch:-}" = same ] && [ -n "$version" ] && [ "$version" != "(none)" ] &&
        [ "$twin" != "$version" ]; then
        wanted+=("$name:i386" "$name:$native=$version")
        added=1
      fi
    done
    if [ $added -eq 0 ]; then
      wine32_refusal=$(grep -m1 -E ' : Depends: |^E: ' <<<"$simulation" | sed 's/^ *//')
      return 1
    fi
  done
  wine32_refusal="apt still refused it after eight rounds of pins"
  return 1
}

if [ $want_wine32 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
update_index

if [ ${#missing[@]} -gt 0 ]; then
  echo "ondrella: installing ${missing[*]}" >&2
  install_packages "${missing[@]}" || {
    echo "ondrella: could not install ${missing[*]}" >&2
    exit 1
  }
fi

if [ $want_qemu -eq 1 ]; then
  install_packages qemu-user-static ||
    echo "ondrella: qemu-user-static could not be installed: 32-bit programs cannot be emulated here" >&2
fi

if [ $want_wine32 -eq 1 ]; then
  if [ $native_32bit -eq 0 ] && ! emulation_possible; then
    echo "ondrella: 32-bit programs run here neither natively nor emulated: 32-bit Wine is not installed" >&2
  elif install_wine32; then
    rm -f "$refused_mark"
  else
    echo "ondrella: 32-bit Wine (wine32:i386) could not be installed ($wine32_refusal): the i686 exe is not started here, the tests run the x86_64 build" >&2
    mkdir -p "$(dirname "$refused_mark")" && touch "$refused_mark"
  fi
fi
exit 0
