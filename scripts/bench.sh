#!/usr/bin/env bash
# Times the frame rebuild natively (Google Benchmark: rebuild, the floor of writing its
# pixels, the per-pixel formula, and their ratios) and in the Windows build under Wine,
# then, under Wine, the drawing of ripples and bursts of presses.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh native -- --target frames-bench
bash scripts/build.sh cross -- --target frames-timing ripple-draw-timing
build/native/frames-bench
bash scripts/with-wine.sh wine build/cross/frames-timing.exe
bash scripts/with-wine.sh wine build/cross/ripple-draw-timing.exe
