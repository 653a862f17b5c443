#!/usr/bin/env bash
# `make test` on a machine made busy on purpose, for the suite's answer must not depend on
# what else the machine is doing: beside the whole run, one busy loop per core and a loop
# that rebuilds the native configuration from scratch in a build folder of its own keep
# every core wanted. Prints how long the run took; ends, like `make test`, with
# "N passed, N failed" and fails when any test failed. The load is stopped by the process
# groups it was started in when the run ends, fails or is interrupted.
#
#   scripts/test-busy.sh        (make test-busy)
#
# ONDRELLA_BUSY_LOOPS (busy loops, one per core by default) and ONDRELLA_BUSY_JOBS (jobs of
# the rebuild, one per core by default; 0 leaves the rebuild out) set the load.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || exit 1
cores=$(nproc 2>/dev/null || echo 2)
loops=${ONDRELLA_BUSY_LOOPS:-$cores}
jobs=${ONDRELLA_BUSY_JOBS:-$cores}
scratch=build/busy-native

load=()
stop_load() {
  local status=$? group
  trap - EXIT INT TERM
  for group in "${load[@]}"; do
    kill -- "-$group" 2>/dev/null
  done
  for group in "${load[@]}"; do
    wait "$group" 2>/dev/null
  done
  exit "$status"
}
trap stop_load EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# setsid makes each loop the leader of a process group of its own, so that a compiler the
# rebuild has running goes with it.
for _ in $(seq "$loops"); do
  setsid yes >/dev/null &
  load+=($!)
done
if [ "$jobs" -gt 0 ]; then
  cmake -S . -B "$scratch" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
  setsid bash -c 'while :; do cmake --build "$0" -j"$1" --clean-first >/dev/null 2>&1; done' \
    "$scratch" "$jobs" &
  load+=($!)
fi
echo "test-busy: the suite runs beside $loops busy loops and a rebuild with $jobs jobs," \
  "on $cores cores" >&2

started=$(date +%s)
bash scripts/test.sh
status=$?
echo "test-busy: the run took $(($(date +%s) - started)) s" >&2
exit $status
