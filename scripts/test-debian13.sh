#!/usr/bin/env bash
# `make test` on Debian 13 (GCC 14, Wine 10), whatever Debian this machine runs: in a root
# file system of the project's own, made once with debootstrap from the package mirror this
# machine's apt uses and kept under /var/cache, entered in a mount namespace of its own so
# that the /proc, /dev and /sys bound into it never outlive the run. Inside, a clone of the
# repository's committed HEAD (not the work tree's changes) runs the README's `make test`,
# which installs what it needs there; the root keeps those packages for the next run.
# Nothing of the machine itself changes: no apt source, no Debian 13 package.
#
#   scripts/test-debian13.sh              (make test-debian13)
#   scripts/test-debian13.sh --prepare    only the root, the clone and the packages
#
# --prepare does the part that waits on the network, so that .ci/run can overlap it with
# the run on this machine; the run after it then starts the tests at once. Ends with one
# line "N passed, N failed", the suite's own, or "0 passed, 1 failed" when the leg could not
# run (no root privileges, the mirror or debootstrap failed: loudly, never as a pass), and
# fails when any test failed.
#
# A root whose making was interrupted has no mark of completion and is made anew, as is one
# made from other settings (suite, mirror, packages); one older than a week is brought up to
# date first. Needs root privileges: debootstrap, chroot and the mount namespace need them.
# ONDRELLA_DEBIAN13_ROOT sets the root's place, ONDRELLA_DEBIAN_MIRROR the mirror.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

prepare_only=0
[ "${1:-}" = --prepare ] && prepare_only=1

suite=trixie
root=${ONDRELLA_DEBIAN13_ROOT:-/var/cache/ondrella/debian13}
clone=/srv/ondrella
refresh_days=7

fail() {
  echo "test-debian13: $*" >&2
  echo "0 passed, 1 failed"
  exit 1
}

[ "$(id -u)" -eq 0 ] || fail "needs root privileges (debootstrap, chroot, a mount namespace)"
bash "$here/scripts/install-deps.sh" debootstrap || fail "debootstrap could not be installed"

# The mirror and security mirror this machine's apt takes its own release from.
host_codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
mirror_of() {
  apt-get indextargets --format '$(CODENAME) $(BASE_URI)' 2>/dev/null |
    awk -v suite="$1" '$1 == suite { sub("/dists/.*", "", $2); print $2; exit }'
}
mirror=${ONDRELLA_DEBIAN_MIRROR:-$(mirror_of "$host_codename")}
security_mirror=$(mirror_of "$host_codename-security")
[ -n "$mirror" ] || fail "no Debian mirror found in this machine's apt sources; set ONDRELLA_DEBIAN_MIRROR"
security_mirror=${security_mirror:-${mirror%/debian}/debian-security}
included=make
settings="$suite $mirror $security_mirror minbase $included"

# Runs a command in the root with /proc, /dev and /sys bound inside, in a mount namespace of
# its own: the binds end with the command. The environment is a login's, not this one's.
in_root() {
  local environment=(HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive
                     PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
  local name
  for name in http_proxy https_proxy no_proxy; do
    [ -n "${!name:-}" ] && environment+=("$name=${!name}")
  done
  unshare --mount --propagation private -- bash -c '
    root=$1; shift
    for fs in proc dev sys; do mount --rbind "/$fs" "$root/$fs" || exit 1; done
    exec chroot "$root" /usr/bin/env -i "$@"' in_root "$root" "${environment[@]}" bash -c "$1"
}

# Refuses to remove a tree that something still has mounted inside.
remove_tree() {
  if awk -v tree="$1/" 'index($5 "/", tree) == 1 { found = 1 } END { exit !found }' \
    /proc/self/mountinfo; then
    fail "$1 has file systems mounted inside: not removed"
  fi
  rm -rf --one-file-system "$1"
}

make_root() {
  local partial=$root.partial attempt
  remove_tree "$partial"
  mkdir -p "$(dirname "$root")"
  echo "test-debian13: making the Debian 13 root $root from $mirror (once, a few minutes)" >&2
  for attempt in 1 2; do
    # Its own mount namespace, for debootstrap mounts /proc and /sys inside the new root.
    unshare --mount --propagation private -- \
      debootstrap --variant=minbase --include="$included" "$suite" "$partial" "$mirror" \
      >"$partial.log" 2>&1 && break
    echo "test-debian13: debootstrap failed (attempt $attempt), the end of its log:" >&2
    tail -n 15 "$partial.log" >&2
    remove_tree "$partial"
    [ $attempt -eq 2 ] && fail "could not make the Debian 13 root from $mirror"
    sleep 20
  done
  cat >"$partial/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security_mirror $suite-security main
EOF
  echo "$settings" >"$partial/.ondrella-root"
  mv "$partial.log" "$partial/var/log/ondrella-debootstrap.log"
  mv "$partial" "$root"
}

prepare_root() {
  if [ -d "$root" ] && [ "$(cat "$root/.ondrella-root" 2>/dev/null)" != "$settings" ]; then
    echo "test-debian13: $root is unfinished or was made from other settings: making it anew" >&2
    remove_tree "$root"
  fi
  [ -d "$root" ] || make_root
  rm -f "$root/etc/resolv.conf"
  cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null
  # A package installation interrupted in an earlier run is finished first.
  in_root 'dpkg --configure -a' >&2 || fail "dpkg in the root could not finish what it had begun"
  if [ -n "$(find "$root/.ondrella-root" -mtime +$refresh_days)" ]; then
    echo "test-debian13: the root is over $refresh_days days old: updating its packages" >&2
    if in_root 'apt-get update -qq && apt-get -y -qq dist-upgrade >/dev/null' >&2; then
      touch "$root/.ondrella-root"
    else
      echo "test-debian13: the update failed; the tests run on the packages at hand" >&2
    fi
  fi
}

# A clone of HEAD in the root, unless it already holds that very commit.
prepare_clone() {
  local head
  head=$(git -C "$here" rev-parse HEAD) || fail "$here is not a git repository"
  [ -n "$(git -C "$here" status --porcelain --untracked-files=no)" ] &&
    echo "test-debian13: the work tree has uncommitted changes; Debian 13 tests the commit ${head:0:12}" >&2
  [ "$(cat "$root$clone/.ondrella-commit" 2>/dev/null)" = "$head" ] && return 0
  remove_tree "$root$clone"
  mkdir -p "$root$clone"
  git -C "$root$clone" init -q &&
    git -C "$root$clone" fetch -q --depth=1 "$here" HEAD &&
    git -C "$root$clone" checkout -q --detach FETCH_HEAD ||
    fail "could not clone $here into the root"
  [ "$(git -C "$root$clone" rev-parse HEAD)" = "$head" ] || fail "the clone is not at HEAD ${head:0:12}"
  echo "$head" >"$root$clone/.ondrella-commit"
}

# One run at a time uses the root.
mkdir -p "$(dirname "$root")" && exec 9>"$root.lock" || fail "cannot write beside $root"
flock 9
prepare_root
prepare_clone
in_root "cd $clone && bash scripts/install-deps.sh" >&2 ||
  fail "the packages the tests need could not be installed in the Debian 13 root"
[ $prepare_only -eq 1 ] && exit 0

echo "test-debian13: make test on Debian 13, at $(git -C "$here" rev-parse --short=12 HEAD)" >&2
log=$(mktemp)
in_root "cd $clone && make test" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
closing=$(grep -Ex '[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
rm -f "$log"
[ -n "$closing" ] || fail "make test on Debian 13 ended without its closing line (exit code $status)"
# The suite's line last, after make's own word on a failure.
[ "$status" -eq 0 ] || echo "$closing"
exit "$status"
