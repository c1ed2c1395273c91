# Sourced by the screenshot scripts: runs the real desktop program on a private Xvfb screen.
# The caller sets `bin` (the program) and `set -euo pipefail`; this file sets `work` (a scratch
# folder removed on exit), DISPLAY and XDG_CONFIG_HOME (so settings last one run only).

# Checks the tools, makes the scratch folder and starts a 1400x960 screen at a free-looking
# display number from $1 up.
xvfb_session_start() {
  [ -x "$bin" ] || { echo "no program at $bin (build the brindor target first)" >&2; exit 1; }
  command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v convert >/dev/null || {
    echo "needs xvfb, xdotool and imagemagick" >&2; exit 1; }
  work="$(mktemp -d)"
  trap 'kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
  local display=":$(($1 + RANDOM % 100))"
  Xvfb "$display" -screen 0 1400x960x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config"
  for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
}

# Starts the program on picture $1, fills the screen with its window and opens picture $2 as
# the second source through File > Open Image, typing the path into the file dialog.
xvfb_session_open() {
  "$bin" "$1" &
  app_pid=$!
  local win=""
  for _ in $(seq 100); do
    win="$(xdotool search --onlyvisible --name '^Brindor' 2>/dev/null | head -1 || true)"
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || { echo "the window did not appear" >&2; exit 1; }
  xdotool windowmove "$win" 0 0 windowsize "$win" 1400 960
  sleep 1
  xdotool mousemove 500 700 click 1
  sleep 0.3
  xdotool key ctrl+o
  sleep 1.5
  xdotool type --delay 20 "$2"
  xdotool key Return
  sleep 2
}
