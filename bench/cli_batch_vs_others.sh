#!/usr/bin/env bash
# Times watermarking 40 photographs of 1024 x 768 with a 300 x 100 mark at the bottom right, half
# and half, JPEG quality 90, three ways over the very same files: `brindor-cli batch` with its
# default jobs, a loop of ImageMagick's composite, and one OpenCV process (when libopencv-dev is
# installed). Prints the best of three passes in files per second of wall-clock time.
# Usage: bench/cli_batch_vs_others.sh [path/to/brindor-cli]
set -euo pipefail

cli=${1:-build/cli/brindor-cli}
count=40
[ -x "$cli" ] || { echo "no brindor-cli at $cli" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/batch_inputs.sh"

now() { date +%s.%N; }
best=0
keep_best() { best=$(awk -v n="$count" -v a="$1" -v b="$2" -v m="$best" 'BEGIN { r = n / (b - a); print (r > m) ? r : m }'); }

best=0
for pass in 1 2 3; do
  rm -rf "$work/in/output"
  start=$(now)
  "$cli" batch "$work/mark.png" "$work/in" --fit1 no --place1 bottomright --bias 50 --quality 90 2>/dev/null
  keep_best "$start" "$(now)"
done
brindor=$best

best=0
mkdir -p "$work/im-out"
for pass in 1 2 3; do
  start=$(now)
  for f in "$work"/in/*.jpg; do
    composite -dissolve 50 -gravity southeast "$work/mark.png" "$f" -quality 90 "$work/im-out/$(basename "$f")"
  done
  keep_best "$start" "$(now)"
done
imagemagick=$best

opencv="n/a (libopencv-dev not installed)"
if pkg-config --exists opencv4; then
  # shellcheck disable=SC2046
  g++ -O2 -std=c++17 -o "$work/opencv_batch" "$(dirname "$0")/opencv_batch.cpp" $(pkg-config --cflags --libs opencv4)
  mkdir -p "$work/cv-out"
  best=0
  for pass in 1 2 3; do
    start=$(now)
    "$work/opencv_batch" "$work/mark.png" "$work/in" "$work/cv-out" >/dev/null
    keep_best "$start" "$(now)"
  done
  opencv=$best
fi

printf '%-34s %s\n' "brindor-cli batch (default jobs)" "$brindor files/s"
printf '%-34s %s\n' "ImageMagick composite loop" "$imagemagick files/s"
printf '%-34s %s\n' "OpenCV, one process" "$opencv files/s"
