# Sourced by the screenshot scripts: runs the real desktop program on a private Xvfb screen.
# The caller sets `bin` (the program) and `set -euo pipefail`; this file sets `work` (a scratch
# folder removed on exit), DISPLAY and XDG_CONFIG_HOME (so settings last one run only).
# SCALE=2 runs the program at 200 % (QT_SCALE_FACTOR) on a screen twice as large; the scripts
# give positions at 100 % and `at` scales them. LOOK=210..219 picks the application look (a fresh
# settings store gives 219, System). SCHEME=dark makes the desktop report a dark colour scheme.
SCALE="${SCALE:-1}"

# Screen position of a 100 % position: at X Y.
at() { echo "$(($1 * SCALE)) $(($2 * SCALE))"; }

# Checks the tools, makes the scratch folder and starts a 1400x960 screen (times SCALE) at a
# free-looking display number from $1 up.
xvfb_session_start() {
  [ -x "$bin" ] || { echo "no program at $bin (build the brindor target first)" >&2; exit 1; }
  command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v convert >/dev/null || {
    echo "needs xvfb, xdotool and imagemagick" >&2; exit 1; }
  work="$(mktemp -d)"
  trap 'kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
  local display=":$(($1 + RANDOM % 100))"
  Xvfb "$display" -screen 0 "$((1400 * SCALE))x$((960 * SCALE))x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" QT_SCALE_FACTOR="$SCALE"
  for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
  if [ -n "${LOOK:-}" ]; then
    mkdir -p "$XDG_CONFIG_HOME/Halvard Pixmoor"
    printf '[Workspace]\nApplicationLook=%s\n' "$LOOK" > "$XDG_CONFIG_HOME/Halvard Pixmoor/brindor.conf"
  fi
  # A dark desktop as Qt's KDE platform theme reads it from the colour scheme in kdeglobals.
  if [ "${SCHEME:-light}" = dark ]; then
    mkdir -p "$XDG_CONFIG_HOME"
    printf '%s\n' '[Colors:Button]' 'BackgroundNormal=49,54,59' 'ForegroundNormal=239,240,241' \
      '[Colors:Selection]' 'BackgroundNormal=61,174,233' 'ForegroundNormal=252,252,252' \
      '[Colors:Tooltip]' 'BackgroundNormal=49,54,59' 'ForegroundNormal=239,240,241' \
      '[Colors:View]' 'BackgroundNormal=35,38,41' 'ForegroundNormal=239,240,241' \
      '[Colors:Window]' 'BackgroundNormal=42,46,50' 'ForegroundNormal=239,240,241' \
      > "$XDG_CONFIG_HOME/kdeglobals"
    export QT_QPA_PLATFORMTHEME=kde KDE_SESSION_VERSION=5
  fi
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
  xdotool windowmove "$win" 0 0 windowsize "$win" $(at 1400 960)
  sleep 1
  xdotool mousemove $(at 500 700) click 1
  sleep 0.3
  xdotool key ctrl+o
  sleep 1.5
  xdotool type --delay 20 "$2"
  xdotool key Return
  sleep 2
}
