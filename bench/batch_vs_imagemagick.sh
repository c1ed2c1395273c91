#!/usr/bin/env bash
# Times a batch merge of 40 photographs of 1024 x 768 with a 300 x 100 watermark at the bottom
# right, half and half, JPEG quality 90: brindor's batch on one thread against a loop of
# ImageMagick's composite over the very same files. Prints both rates in files per second.
# Usage: bench/batch_vs_imagemagick.sh [path/to/brindor-gbench]
set -euo pipefail

gbench=${1:-build/bench/brindor-gbench}
count=40
convert_tool=/usr/bin/convert
[ -x "$gbench" ] || { echo "no benchmark program at $gbench" >&2; exit 1; }
command -v composite >/dev/null && [ -x "$convert_tool" ] || { echo "ImageMagick is not installed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/im-out"

"$convert_tool" -size 300x100 pattern:checkerboard -fill white -pointsize 40 -annotate +20+65 brindor "$work/mark.png"
for i in $(seq 1 $count); do
  "$convert_tool" -size 1024x768 -seed "$i" plasma:fractal -quality 90 "$work/in/photo$((100 + i)).jpg"
done

rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.1f", n / s }'; }

# Best of three passes for each side, so a busy machine penalises neither.
best_im=0
for pass in 1 2 3; do
  start=$(date +%s.%N)
  for f in "$work"/in/*.jpg; do
    composite -dissolve 50 -gravity southeast "$work/mark.png" "$f" -quality 90 "$work/im-out/$(basename "$f")"
  done
  end=$(date +%s.%N)
  r=$(rate "$count" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')")
  best_im=$(awk -v a="$best_im" -v b="$r" 'BEGIN { print (b > a) ? b : a }')
done

json=$(BRINDOR_BATCH_DIR="$work/in" BRINDOR_BATCH_MARK="$work/mark.png" "$gbench" \
  --benchmark_filter='^BM_BatchMerge' --benchmark_repetitions=3 --benchmark_format=json 2>/dev/null)
best_brindor=$(printf '%s\n' "$json" | awk -F': ' '/"files_per_second"/ { gsub(/[,]/, "", $2); if ($2 + 0 > best) best = $2 + 0 } END { printf "%.1f", best }')

echo "ImageMagick composite loop: $best_im files/s"
echo "brindor batch (one thread): $best_brindor files/s"
echo "ratio: $(awk -v a="$best_brindor" -v b="$best_im" 'BEGIN { printf "%.2f", a / b }')"
