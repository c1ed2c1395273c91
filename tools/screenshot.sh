#!/usr/bin/env bash
# Starts the real desktop program under Xvfb, loads two generated pictures and saves a
# screenshot of the whole screen.
# Usage: [SCALE=2] [LOOK=210..219] [SCHEME=light|dark] tools/screenshot.sh [output.png] [brindor binary]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$here/build/screenshot.png}"
bin="${2:-$here/build/app/brindor}"
. "$here/tools/xvfb_session.sh"
xvfb_session_start 90

# Two pictures to merge: a sunset gradient with circles, and a checker with a label.
convert -size 900x640 gradient:'#ff9a3c-#3a1c71' -fill '#ffe46b' -draw 'circle 450,380 450,260' \
  -fill '#2a2a40' -draw 'rectangle 0,520 900,640' "$work/sunset.png"
convert -size 800x600 pattern:checkerboard -scale 800% -crop 800x600+0+0 +repage \
  -fill '#2f6fd0' -colorize 35% -gravity center -font DejaVu-Sans -pointsize 90 -fill white \
  -annotate 0 'brindor' "$work/checker.jpg"

xvfb_session_open "$work/sunset.png" "$work/checker.jpg"
# A blend zone drawn with the left button, as a user would.
xdotool mousemove $(at 600 380) mousedown 1 mousemove $(at 700 450) mousemove $(at 760 520) mouseup 1
sleep 0.5
xdotool mousemove $(at 620 940)
sleep 0.5
mkdir -p "$(dirname "$out")"
import -window root "$out"
echo "screenshot: $out"
