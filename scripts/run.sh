#!/usr/bin/env bash
# Builds ondrella.exe and starts it in the private Wine virtual desktop. With a display
# ($DISPLAY set) the Wine desktop window appears there, with the applet's tray icon in its
# taskbar, and this returns when the applet quits. Without one, a scripted demo runs on a
# private Xvfb: it starts the applet, presses some buttons, saves a screenshot of the
# desktop under build/, quits the applet through its "Quit" command and prints the exit
# code and the screenshot's path.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
source scripts/windows-target.sh
bash scripts/build.sh $windows_config -- --target ondrella ondrella-demo
exe=$PWD/build/$windows_config/ondrella.exe

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting Ondrella in a Wine desktop window; quit it from its tray icon's menu." >&2
  exec bash scripts/with-wine.sh --display-from-env "$wine_loader" "$exe"
fi

shot=$PWD/build/demo.png
signals=$(mktemp -d)
demo() {
  "$wine_loader" build/$windows_config/ondrella-demo.exe "Z:$(sed 's|/|\\|g' <<<"$signals")" &
  local demo_pid=$!
  # The demo says when the ripples are on screen and waits for the picture.
  for _ in $(seq 600); do
    [ -f "$signals/ready" ] && break
    kill -0 $demo_pid 2>/dev/null || break
    sleep 0.1
  done
  if [ -f "$signals/ready" ]; then
    import -window root "$shot"
  fi
  touch "$signals/taken"
  wait $demo_pid
}
export -f demo
export signals shot
set +e
bash scripts/with-wine.sh bash -c demo
status=$?
set -e
rm -rf "$signals"
[ $status -eq 0 ] || exit $status
echo "screenshot: $shot"
