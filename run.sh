#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program. With no display it runs on a private
# X server, saves a screenshot, closes the program with EXIT and tells where its settings went.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null
program=build/linux/HV-TEST-PROCESS-V1

if [[ -n "${DISPLAY:-}" ]]; then
  exec "$program"
fi

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t 10 display_number <&3
export DISPLAY=":$display_number"
openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
trap 'kill "$wm_pid" "$xvfb_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done

"$program" &
program_pid=$!
window=$(timeout 10 xdotool search --sync --name '^HALVERD - TEST PROCESS - ')
for _ in $(seq 50); do xprop -id "$window" _NET_FRAME_EXTENTS | grep -q '=' && break; sleep 0.05; done
import -window root build/screenshot.png
echo "Screenshot: $PWD/build/screenshot.png"

# EXIT sits at 272,224 (185 x 33 px) in the window's client area.
xdotool mousemove --window "$window" 364 240 click 1
wait "$program_pid"
echo "Settings: ${XDG_CONFIG_HOME:-$HOME/.config}/HV_TEST_PROCESS/settings.ini"
cat "${XDG_CONFIG_HOME:-$HOME/.config}/HV_TEST_PROCESS/settings.ini"
