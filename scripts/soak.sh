#!/usr/bin/env bash
# Builds ondrella.exe and the soak driver and runs the soak in the private Wine desktop:
# at least 2,000 presses (or the number given) at the heaviest settings, then its figures.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh cross -- --target ondrella ondrella-soak
bash scripts/with-wine.sh wine build/cross/ondrella-soak.exe "$@"
