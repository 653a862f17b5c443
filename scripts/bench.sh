#!/usr/bin/env bash
# Times the frame rebuild natively (Google Benchmark: rebuild, the floor of writing its
# pixels, the per-pixel formula, and their ratios) and in the Windows build under Wine;
# then the longest slider message of the panel at its largest settings; then, under Wine,
# the drawing of ripples and bursts of presses, and the pace of the frames at each speed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
source scripts/windows-target.sh
bash scripts/build.sh native -- --target frames-bench
bash scripts/build.sh $windows_config -- --target frames-timing
build/native/frames-bench
bash scripts/with-wine.sh "$wine_loader" build/$windows_config/frames-timing.exe
# The slider messages of the panel at its largest settings, as the applet's thread serves them.
bash scripts/build.sh $windows_config -- --target panel-timing
bash scripts/with-wine.sh "$wine_loader" build/$windows_config/panel-timing.exe
# One ripple draw, and bursts of presses with how long the hook waits meanwhile.
bash scripts/build.sh $windows_config -- --target ripple-draw-timing
bash scripts/with-wine.sh "$wine_loader" build/$windows_config/ripple-draw-timing.exe
# The pace of the frames at each of the panel's speeds, from the applet's relay trace.
bash scripts/build.sh $windows_config -- --target frame-pace
trace=build/$windows_config/frame-pace-trace.txt
bash scripts/with-wine.sh "$wine_loader" build/$windows_config/frame-pace.exe "$PWD/$trace" 2>"$trace"
