#!/usr/bin/env bash
# Installs what is missing, builds the viewer and runs it in the folder that holds its
# textures. Without a display it runs under Xvfb for a few seconds, saves a screenshot as
# PNG, closes the window (SIGTERM arrives as WM_CLOSE) and prints where the picture is.
# ORBIQUE_PROFILE picks the emulated machine (see the README).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)

tools/install_deps.sh viewer

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs" --target orbique
viewer="$root/build/viewer/orbique"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  cd "$root/assets"
  exec "$viewer"
fi

# No display: our own X server, a few seconds of frames, a screenshot, a clean close.
display_number=$((90 + RANDOM % 100))
Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
export DISPLAY=":$display_number"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Fall-back message boxes go to standard error only, so nothing waits for a click.
export ORBIQUE_NO_MODAL_BOXES=1
(cd "$root/assets" && exec "$viewer") &
viewer_pid=$!
sleep "${ORBIQUE_RUN_SECONDS:-4}"

screenshot="$root/build/screenshot.png"
if kill -0 "$viewer_pid" 2>/dev/null; then
  import -window root -crop 1024x768+0+0 "$screenshot"
  kill -TERM "$viewer_pid"
fi
status=0
wait "$viewer_pid" || status=$?
echo "Viewer exited with code $status."
if [ -f "$screenshot" ]; then echo "Screenshot: $screenshot"; fi
exit "$status"
