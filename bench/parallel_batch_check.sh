#!/usr/bin/env bash
# Checks the README's GNU parallel recipe: a few hundred small photographs watermarked by
# `parallel -j 2` running `brindor-cli batch --files-from - --output-dir` over pieces of the list
# give byte for byte the outputs of one `brindor-cli batch` over the folder.
# Usage: bench/parallel_batch_check.sh [path/to/brindor-cli] [file count, default 300]
set -euo pipefail

cli=$(realpath "${1:-build/cli/brindor-cli}")
count=${2:-300}
[ -x "$cli" ] || { echo "no brindor-cli at $cli" >&2; exit 1; }
command -v parallel >/dev/null || { echo "GNU parallel is not installed (apt-get install parallel)" >&2; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make() { python3 "$here/../tests/cli/bmp_pixel.py" --make "$@"; }
mkdir -p "$work/photos"
make "$work/mark.bmp" 60 20 0 200 0
"$cli" convert "$work/mark.bmp" "$work/mark.png" 2>/dev/null
# Sizes and colours vary, and so do the formats, so that the fitted placements differ too.
for i in $(seq 1 "$count"); do
  make "$work/p.bmp" $((120 + i % 97)) $((80 + i % 61)) $((i % 256)) $((i * 7 % 256)) $((i * 13 % 256))
  case $((i % 3)) in
    0) ext=jpg ;; 1) ext=png ;; 2) ext=tga ;;
  esac
  "$cli" convert "$work/p.bmp" "$work/photos/img$i.$ext" 2>/dev/null
done
opts=(--canvas 320x240 --fit1 no --place1 bottomright --bias 50 --quality 90)

"$cli" batch "$work/mark.png" "$work/photos" "${opts[@]}" 2>/dev/null
# The recipe: the list in pieces of 50 lines, two processes at a time, one thread each.
find "$work/photos" -maxdepth 1 -type f | \
  parallel -j 2 --pipe -N 50 "$cli" batch "$work/mark.png" --files-from - --output-dir "$work/shared" \
    --jobs 1 "${opts[@]}" 2>/dev/null

one=$(ls "$work/photos/output" | wc -l)
shared=$(ls "$work/shared" | wc -l)
differ=0
for f in "$work"/photos/output/*; do
  cmp -s "$f" "$work/shared/$(basename "$f")" || { echo "differs: $(basename "$f")"; differ=$((differ + 1)); }
done
echo "$one outputs from one batch, $shared from parallel -j 2, $differ differing"
[ "$one" -eq "$count" ] && [ "$shared" -eq "$count" ] && [ "$differ" -eq 0 ]
