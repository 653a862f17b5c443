# Sourced by the scripts: whether this machine runs 32-bit x86 programs, and how.
#
#   runs_32bit_natively   the kernel itself executes 32-bit programs (none of its binfmt_misc
#                         entries hands them to an emulator)
#   emulation_possible    the kernel can hand 32-bit programs to qemu-i386-static in a
#                         private namespace (user and mount namespaces of its own, with a
#                         binfmt_misc of their own): nothing outside that namespace sees it
#   in_32bit_emulation COMMAND...
#                         runs COMMAND in such a namespace, with qemu-i386-static registered
#                         for 32-bit x86 programs there
#
# The probe is a 93-byte 32-bit program that only calls exit(0).

x86_32_probe() {
  local probe
  probe=$(mktemp "${TMPDIR:-/tmp}/ondrella-i386-probe.XXXXXX") || return 1
  printf '%b' \
    '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
    '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' \
    '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod 0755 "$probe"
  echo "$probe"
}

# An enabled binfmt_misc entry that sends 32-bit x86 programs to an emulator.
x86_32_emulator_registered() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [ -f "$entry" ] || continue
    case "$entry" in */register | */status) continue ;; esac
    grep -qx enabled "$entry" 2>/dev/null || continue
    grep -q '^interpreter .*qemu-i386' "$entry" 2>/dev/null && return 0
  done
  return 1
}

runs_32bit_natively() {
  local probe status
  probe=$(x86_32_probe) || return 1
  "$probe" >/dev/null 2>&1
  status=$?
  rm -f "$probe"
  [ $status -eq 0 ] && ! x86_32_emulator_registered
}

# The registration line for qemu-i386-static: 32-bit little-endian executables and shared
# objects of machine 3 (i386). F opens the emulator now, so it serves in any namespace.
x86_32_qemu_registration=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:FOC'

# Runs "$@" in new user and mount namespaces whose own binfmt_misc sends 32-bit programs
# to qemu (the kernel gives a user namespace a binfmt_misc of its own since Linux 6.7).
in_32bit_emulation() {
  [ -x /usr/bin/qemu-i386-static ] || return 125
  command -v unshare >/dev/null || return 125
  unshare --user --map-root-user --mount -- bash -c '
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null || exit 125
    printf "%s" "$1" >/proc/sys/fs/binfmt_misc/register 2>/dev/null || exit 125
    shift
    exec "$@"' x86_32 "$x86_32_qemu_registration" "$@"
}

emulation_possible() {
  local probe status
  probe=$(x86_32_probe) || return 1
  in_32bit_emulation "$probe" >/dev/null 2>&1
  status=$?
  rm -f "$probe"
  return $status
}
