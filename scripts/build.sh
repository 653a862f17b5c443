#!/usr/bin/env bash
# Configures and builds one or both configurations: `build.sh native`, `build.sh cross`,
# or `build.sh` for both. Extra arguments after `--` go to `cmake --build`.
set -euo pipefail
cd "$(dirname "$0")/.."

configs=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do configs+=("$1"); shift; done
[ "${1:-}" = -- ] && shift
[ ${#configs[@]} -eq 0 ] && configs=(native cross)

jobs=$(nproc 2>/dev/null || echo 2)
for config in "${configs[@]}"; do
  if [ ! -f "build/$config/CMakeCache.txt" ]; then
    cmake --preset "$config" >/dev/null
  fi
  cmake --build "build/$config" -j"$jobs" "$@"
done
