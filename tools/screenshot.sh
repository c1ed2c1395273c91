#!/usr/bin/env bash
# Starts the real desktop program under Xvfb, loads two generated pictures and saves a
# screenshot of the whole screen.
# Usage: tools/screenshot.sh [output.png] [brindor binary]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$here/build/screenshot.png}"
bin="${2:-$here/build/app/brindor}"
[ -x "$bin" ] || { echo "no program at $bin (build the brindor target first)" >&2; exit 1; }
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v convert >/dev/null || {
  echo "needs xvfb, xdotool and imagemagick" >&2; exit 1; }

work="$(mktemp -d)"
trap 'kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1400x960x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display" QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# Two pictures to merge: a sunset gradient with circles, and a checker with a label.
convert -size 900x640 gradient:'#ff9a3c-#3a1c71' -fill '#ffe46b' -draw 'circle 450,380 450,260' \
  -fill '#2a2a40' -draw 'rectangle 0,520 900,640' "$work/sunset.png"
convert -size 800x600 pattern:checkerboard -scale 800% -crop 800x600+0+0 +repage \
  -fill '#2f6fd0' -colorize 35% -gravity center -pointsize 90 -fill white \
  -annotate 0 'brindor' "$work/checker.jpg"

# Settings of this run only; LOOK=210..218 picks the application look.
export XDG_CONFIG_HOME="$work/config"
if [ -n "${LOOK:-}" ]; then
  mkdir -p "$XDG_CONFIG_HOME/Halvard Pixmoor"
  printf '[Workspace]\nApplicationLook=%s\n' "$LOOK" > "$XDG_CONFIG_HOME/Halvard Pixmoor/brindor.conf"
fi
"$bin" "$work/sunset.png" &
app_pid=$!
win=""
for _ in $(seq 100); do
  win="$(xdotool search --onlyvisible --name '^Brindor' 2>/dev/null | head -1 || true)"
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "the window did not appear" >&2; exit 1; }
xdotool windowmove "$win" 0 0 windowsize "$win" 1400 960
sleep 1
# Second source through File > Open Image: type the path into the file dialog.
xdotool mousemove 500 700 click 1
sleep 0.3
xdotool key ctrl+o
sleep 1.5
xdotool type --delay 20 "$work/checker.jpg"
xdotool key Return
sleep 2
# A blend zone drawn with the left button, as a user would.
xdotool mousemove 600 380 mousedown 1 mousemove 700 450 mousemove 760 520 mouseup 1
sleep 0.5
xdotool mousemove 620 940
sleep 0.5
mkdir -p "$(dirname "$out")"
import -window root "$out"
echo "screenshot: $out"
