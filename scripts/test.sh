#!/usr/bin/env bash
# Builds both configurations and runs every test: the native tests (with sanitizers), then
# under a private Wine the Windows build of the same platform-free tests, the Win32 tests
# and the end-to-end tests of the exe (the i686 build; the x86_64 one where 32-bit Wine does
# not run natively, see windows-target.sh), then the smoke run of the other exe: both exes
# are started by every run wherever 32-bit Wine runs at all. Both exes and both release
# zips are built either way, for the native tests that read what each holds. Ends with one
# line "N passed, N failed" that counts every test case run, and fails when any failed.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || exit 1
source scripts/windows-target.sh
if [ "$windows_config" = cross ]; then
  { bash scripts/build.sh native cross && bash scripts/build.sh cross64 -- --target dist; } ||
    { echo "0 passed, 1 failed"; exit 1; }
else
  if runs_32bit_natively; then
    reason="32-bit Wine is not installed"
  else
    reason="this machine cannot execute 32-bit code natively"
  fi
  echo "test.sh: $reason: the Windows tests run the x86_64 build of the same sources" \
    "under 64-bit Wine, and the i686 ondrella.exe gets its smoke run after them" >&2
  { bash scripts/build.sh native && bash scripts/build.sh cross -- --target dist &&
    bash scripts/build.sh cross64; } || { echo "0 passed, 1 failed"; exit 1; }
fi

for config in native $windows_config; do
  rm -f build/$config/test-results/*.xml build/$config/Testing/Temporary/LastTestsFailed*.log
done

ctest --test-dir build/native --output-on-failure
native_status=$?
bash scripts/with-wine.sh ctest --test-dir build/$windows_config --output-on-failure -j1
wine_status=$?
# The exe the suite did not run still gets its smoke run, beside planted DLLs, counted as
# one test case: the x86_64 one under 64-bit Wine, or the i686 one under 32-bit Wine where
# that runs at all (through qemu that takes minutes, see start-i686.sh; where it cannot
# run, it says so in one line).
other_passed=0
other_failed=0
if [ "$windows_config" = cross64 ]; then
  bash scripts/start-i686.sh
  case $? in
    0) other_passed=1 ;;
    3) ;;
    *) other_failed=1 ;;
  esac
elif bash scripts/build.sh cross64 -- --target ondrella-smoke planted-marker &&
  bash scripts/with-wine.sh "$wine_loader" build/cross64/ondrella-smoke.exe \
    "$PWD/build/cross64/ondrella.exe" "$PWD/build/cross64/planted-marker.dll"; then
  other_passed=1
else
  other_failed=1
fi

# Counts every test case from the GoogleTest reports. A test binary that failed without
# reporting a failing case, or that wrote no report at all, counts as one failure: a
# program that dies inside a window procedure can end with exit code 0 under Wine.
passed=0
failed=0
count_config() {
  local config=$1
  local failed_log=build/$config/Testing/Temporary/LastTestsFailed.log
  local name report tests failures skipped
  for name in $(ctest --test-dir build/$config -N | sed -n 's/^ *Test *#[0-9]*: //p'); do
    report=build/$config/test-results/$name.xml
    tests=0 failures=0 skipped=0
    if [ -f "$report" ]; then
      local header
      header=$(grep -m1 '<testsuites' "$report")
      tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$header")
      failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$header")
      skipped=$(grep -c '<skipped' "$report")
    fi
    if [ ! -f "$report" ]; then
      echo "test.sh: $name wrote no report" >&2
      failures=1
      tests=1
    elif [ -f "$failed_log" ] && grep -q ":$name\$" "$failed_log" && [ "${failures:-0}" -eq 0 ]; then
      failures=1
      tests=$((tests + 1))
    fi
    passed=$((passed + ${tests:-0} - ${failures:-0} - skipped))
    failed=$((failed + ${failures:-0}))
  done
}
count_config native
count_config $windows_config

passed=$((passed + other_passed))
failed=$((failed + other_failed))
echo "$passed passed, $failed failed"
[ $native_status -eq 0 ] && [ $wine_status -eq 0 ] && [ $failed -eq 0 ]
