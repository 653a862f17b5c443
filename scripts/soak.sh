#!/usr/bin/env bash
# Builds ondrella.exe and the soak driver and runs the soak in the private Wine desktop:
# at least 2,000 presses (or the number given) at the heaviest settings, then its figures.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
source scripts/windows-target.sh
bash scripts/build.sh $windows_config -- --target ondrella ondrella-soak
bash scripts/with-wine.sh "$wine_loader" build/$windows_config/ondrella-soak.exe "$@"
