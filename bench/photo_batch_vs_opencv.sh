#!/usr/bin/env bash
# Watermarks 40 JPEG photographs of 4000 x 3000 at their own size with a 300 x 100 transparent
# PNG logo at the bottom right, half and half, JPEG quality 90: `brindor-cli batch --canvas
# source2` with its default jobs and with --jobs 1, beside one OpenCV process doing the same
# (bench/opencv_photo_batch.cpp, when libopencv-dev is installed). Prints the best of three passes
# in files per second of wall-clock time, and the peak resident memory of a one-job run, and what
# a second job adds to it, against three times one picture's pixel bytes.
# Usage: bench/photo_batch_vs_opencv.sh [path/to/brindor-cli] [count, default 40]
set -euo pipefail

cli=${1:-build/cli/brindor-cli}
count=${2:-40}
[ -x "$cli" ] || { echo "no brindor-cli at $cli" >&2; exit 1; }
convert_tool=/usr/bin/convert
[ -x "$convert_tool" ] || { echo "ImageMagick is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
width=4000 height=3000

# One textured picture, rolled by a different amount for each photograph.
mkdir -p "$work/in"
"$convert_tool" -size 1000x750 -seed 7 plasma:fractal -resize ${width}x${height}! -attenuate 0.3 +noise Gaussian "$work/base.ppm"
for i in $(seq 1 "$count"); do
  "$convert_tool" "$work/base.ppm" -roll +$((i * 97))+$((i * 53)) -quality 90 "$work/in/photo$((100 + i)).jpg"
done
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
"$convert_tool" -size 300x100 xc:none -font "$font" -fill 'rgba(255,255,255,0.85)' -stroke 'rgba(0,0,0,0.6)' \
  -pointsize 64 -gravity center -annotate +0+0 brindor "$work/logo.png"

now() { date +%s.%N; }
best=0
keep_best() { best=$(awk -v n="$count" -v a="$1" -v b="$2" -v m="$best" 'BEGIN { r = n / (b - a); print (r > m) ? r : m }'); }
opts=(--canvas source2 --fit1 no --place1 bottomright --bias 50 --quality 90)

run_brindor() {  # run_brindor [extra options]: best of three passes
  best=0
  for pass in 1 2 3; do
    rm -rf "$work/out"
    start=$(now)
    "$cli" batch "$work/logo.png" "$work/in" "${opts[@]}" --output-dir "$work/out" "$@" 2>/dev/null
    keep_best "$start" "$(now)"
  done
  echo "$best"
}
brindor=$(run_brindor)
brindor1=$(run_brindor --jobs 1)
rm -rf "$work/out"
/usr/bin/time -v "$cli" batch "$work/logo.png" "$work/in" "${opts[@]}" --output-dir "$work/out" --jobs 1 \
  2>"$work/time.txt" >/dev/null
rss=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
# What one more job adds: two jobs against one, the process's own code and libraries counted once.
rm -rf "$work/out"
/usr/bin/time -v "$cli" batch "$work/logo.png" "$work/in" "${opts[@]}" --output-dir "$work/out" --jobs 2 \
  2>"$work/time.txt" >/dev/null
rss2=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")

opencv="n/a (libopencv-dev not installed)"
opencv_rss="n/a"
if pkg-config --exists opencv4; then
  # shellcheck disable=SC2046
  g++ -O2 -std=c++17 -o "$work/opencv_photo_batch" "$(dirname "$0")/opencv_photo_batch.cpp" $(pkg-config --cflags --libs opencv4)
  mkdir -p "$work/cv-out"
  best=0
  for pass in 1 2 3; do
    start=$(now)
    "$work/opencv_photo_batch" "$work/logo.png" "$work/in" "$work/cv-out" >/dev/null
    keep_best "$start" "$(now)"
  done
  opencv=$best
  /usr/bin/time -v "$work/opencv_photo_batch" "$work/logo.png" "$work/in" "$work/cv-out" 2>"$work/time.txt" >/dev/null
  opencv_rss=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
fi

pixels_kb=$((width * height * 3 / 1024))
printf '%-40s %s files/s\n' "brindor-cli batch (default jobs)" "$brindor"
printf '%-40s %s files/s\n' "brindor-cli batch --jobs 1" "$brindor1"
printf '%-40s %s files/s\n' "OpenCV, one process" "$opencv"
printf '%-40s %s MiB (3 x pixels: %s MiB)\n' "peak RSS, brindor-cli --jobs 1" "$((rss / 1024))" "$((3 * pixels_kb / 1024))"
printf '%-40s %s MiB (3 x pixels: %s MiB)\n' "memory per job (--jobs 2 less --jobs 1)" "$(((rss2 - rss) / 1024))" \
  "$((3 * pixels_kb / 1024))"
printf '%-40s %s KiB\n' "peak RSS, OpenCV" "$opencv_rss"
