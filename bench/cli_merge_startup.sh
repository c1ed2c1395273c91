#!/usr/bin/env bash
# One whole `brindor-cli merge` process of a 1024 x 768 JPEG photograph with a 300 x 100 PNG mark
# at the bottom right (half and half, JPEG quality 90), start-up to exit, beside one OpenCV
# process doing the same merge (bench/opencv_batch.cpp over a folder of that one photograph:
# imread, weighted sum over the mark's region, imwrite), when libopencv-dev is installed. Runs
# alternate; prints the median wall-clock and processor (user + system) milliseconds of each.
# Usage: bench/cli_merge_startup.sh [path/to/brindor-cli] [RUNS]
set -euo pipefail

cli=${1:-build/cli/brindor-cli}
runs=${2:-30}
[ -x "$cli" ] || { echo "no brindor-cli at $cli" >&2; exit 1; }
[ -x /usr/bin/convert ] || { echo "ImageMagick is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"
photo="$work/in/photo.jpg"
/usr/bin/convert -size 1024x768 -seed 7 plasma:fractal -quality 90 "$photo"
/usr/bin/convert -size 300x100 pattern:checkerboard "$work/mark.png"

peer=""
if pkg-config --exists opencv4; then
  # shellcheck disable=SC2046
  g++ -O2 -std=c++17 -o "$work/opencv_batch" "$(dirname "$0")/opencv_batch.cpp" $(pkg-config --cflags --libs opencv4)
  mkdir -p "$work/cv-out"
  peer="$work/opencv_batch"
fi

# Appends "wall processor" in milliseconds of the command to file $1: the wall clock of one
# plain run, and the processor time of a second run under perf where it is installed (the
# shell's own is counted in whole clock ticks).
timed() {
  local file="$1"; shift
  local start end cpu=n/a
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  if command -v perf >/dev/null; then
    perf stat -x, -e task-clock -o "$work/t" "$@" >/dev/null 2>&1
    cpu=$(awk -F, '$3 == "task-clock" {printf "%.1f", $1}' "$work/t")
  fi
  echo "$(( (end - start) / 100 )) $cpu" | awk '{printf "%.1f %s\n", $1 / 10000, $2}' >>"$file"
}
for _ in $(seq "$runs"); do
  timed "$work/ours" "$cli" merge "$photo" "$work/mark.png" -o "$work/out.jpg" --fit2 no --place2 bottomright \
    --bias 50 --quality 90
  [ -z "$peer" ] || timed "$work/peer" "$peer" "$work/mark.png" "$work/in" "$work/cv-out"
done
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
report() {
  printf '%-34s wall %7s ms   processor %7s ms\n' "$1" "$(cut -d' ' -f1 "$2" | median)" "$(cut -d' ' -f2 "$2" | median)"
}
report "brindor-cli merge" "$work/ours"
if [ -n "$peer" ]; then report "OpenCV, one process" "$work/peer"; else echo "OpenCV: n/a (libopencv-dev not installed)"; fi
