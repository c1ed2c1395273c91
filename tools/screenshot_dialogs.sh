#!/usr/bin/env bash
# Starts the real desktop program under Xvfb with two generated pictures, then saves a screenshot
# of the properties pane and of each dialog: rotate, target size, change source, blend options,
# replace source, text entry, batch merging.
# Usage: [SCALE=2] [LOOK=210..219] [SCHEME=light|dark] tools/screenshot_dialogs.sh [output folder] [brindor binary]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$here/build/screenshots}"
bin="${2:-$here/build/app/brindor}"
. "$here/tools/xvfb_session.sh"
xvfb_session_start 190

convert -size 900x640 gradient:'#7ad3ff-#1b3a6b' -fill '#fff3a0' -draw 'circle 450,300 450,200' "$work/sky.png"
convert -size 700x500 pattern:checkerboard -scale 800% -crop 700x500+0+0 +repage \
  -fill '#d05a2f' -colorize 40% "$work/tiles.png"

xvfb_session_open "$work/sky.png" "$work/tiles.png"
mkdir -p "$out"

shot() { sleep "${2:-1.2}"; import -window root "$out/$1.png"; echo "screenshot: $out/$1.png"; }

xdotool mousemove $(at 500 900)
shot pane 0.5
# The merge method row's drop-down list, opened in place.
xdotool mousemove $(at "${LIST_X:-1310}" "${LIST_Y:-463}") click 1
shot grid_list
xdotool key Escape
sleep 0.3
xdotool key Escape
sleep 0.3
# Edit menu: "Batch merge..." and "Target Image Size..." by their places in the opened menu.
xdotool mousemove $(at 68 9) click 1
sleep 0.5
xdotool mousemove $(at 130 140) click 1
shot canvas_size
xdotool key Escape
sleep 0.5
xdotool mousemove $(at 68 9) click 1
sleep 0.5
xdotool mousemove $(at 130 96) click 1
shot batch_merge
xdotool key Escape
sleep 0.5
xdotool mousemove $(at 500 700) click 1
xdotool key ctrl+r
sleep 1
shot rotate
xdotool key Escape
sleep 0.5
xdotool mousemove $(at 500 700) click 1
xdotool key t
shot replace_source
xdotool key Escape
sleep 0.5
# The pane's buttons under its selector: "Change Src 1", then "Blend Setup".
xdotool mousemove $(at "${CHANGE_X:-1195}" "${BUTTONS_Y:-93}") click 1
shot modify_source
xdotool key Return
sleep 0.5
xdotool mousemove $(at "${SETUP_X:-1315}" "${BUTTONS_Y:-93}") click 1
shot blend_options
# "Rectangle" checked: the longest shape text.
xdotool key Tab space
shot blend_options_rectangle 0.6
xdotool key Escape
sleep 0.5
xdotool mousemove $(at 500 700) click 1
xdotool key t
sleep 1
xdotool key Tab space
shot text_entry
xdotool key Escape
