#!/usr/bin/env bash
# Times a batch merge of 40 photographs of 1024 x 768 with a 300 x 100 watermark at the bottom
# right, half and half, JPEG quality 90: the window's batch (RunBatchMerge, one thread) against a
# loop of ImageMagick's composite and one OpenCV process (bench/opencv_batch.cpp, when
# libopencv-dev is installed) over the very same files. Prints both rates in files per second of
# wall-clock time and, since a shared machine inflates wall-clock time, per second of CPU time.
# Usage: bench/batch_vs_imagemagick.sh [path/to/brindor-gbench]
set -euo pipefail

gbench=${1:-build/bench/brindor-gbench}
count=40
[ -x "$gbench" ] || { echo "no benchmark program at $gbench" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/im-out"
. "$(dirname "$0")/batch_inputs.sh"

rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.1f", n / s }'; }

max() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a) ? b : a }'; }
# CPU seconds (user + system) of this shell's finished children so far. `times` must run in this
# shell itself, not in a command substitution's subshell, which has no children of its own.
child_cpu() {
  awk 'NR == 2 { split($1, u, /[ms]/); split($2, s, /[ms]/); print u[1] * 60 + u[2] + s[1] * 60 + s[2] }' "$work/times"
}

# Best of three passes for each side, so a busy machine penalises neither.
best_im=0
best_im_cpu=0
for pass in 1 2 3; do
  start=$(date +%s.%N)
  times > "$work/times"
  cpu_start=$(child_cpu)
  for f in "$work"/in/*.jpg; do
    composite -dissolve 50 -gravity southeast "$work/mark.png" "$f" -quality 90 "$work/im-out/$(basename "$f")"
  done
  end=$(date +%s.%N)
  times > "$work/times"
  cpu_end=$(child_cpu)
  best_im=$(max "$best_im" "$(rate "$count" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')")")
  best_im_cpu=$(max "$best_im_cpu" "$(rate "$count" "$(awk -v a="$cpu_start" -v b="$cpu_end" 'BEGIN { print b - a }')")")
done

best_cv=n/a
best_cv_cpu=n/a
if pkg-config --exists opencv4; then
  # shellcheck disable=SC2046
  g++ -O2 -std=c++17 -o "$work/opencv_batch" "$(dirname "$0")/opencv_batch.cpp" $(pkg-config --cflags --libs opencv4)
  mkdir -p "$work/cv-out"
  best_cv=0
  best_cv_cpu=0
  for pass in 1 2 3; do
    start=$(date +%s.%N)
    times > "$work/times"
    cpu_start=$(child_cpu)
    "$work/opencv_batch" "$work/mark.png" "$work/in" "$work/cv-out" >/dev/null
    end=$(date +%s.%N)
    times > "$work/times"
    cpu_end=$(child_cpu)
    best_cv=$(max "$best_cv" "$(rate "$count" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')")")
    best_cv_cpu=$(max "$best_cv_cpu" "$(rate "$count" "$(awk -v a="$cpu_start" -v b="$cpu_end" 'BEGIN { print b - a }')")")
  done
fi

json=$(BRINDOR_BATCH_DIR="$work/in" BRINDOR_BATCH_MARK="$work/mark.png" "$gbench" \
  --benchmark_filter='^BM_BatchMerge' --benchmark_repetitions=3 --benchmark_format=json 2>/dev/null)
best_brindor=$(printf '%s\n' "$json" | awk -F': ' '/"files_per_second"/ { gsub(/[,]/, "", $2); if ($2 + 0 > best) best = $2 + 0 } END { printf "%.1f", best }')
# cpu_time is milliseconds per run of the whole folder.
best_brindor_cpu=$(printf '%s\n' "$json" | awk -F': ' -v n="$count" '/"run_type": "iteration"/ { it = 1 } /"cpu_time"/ && it { gsub(/[,]/, "", $2); r = n * 1000 / $2; if (r > best) best = r; it = 0 } END { printf "%.1f", best }')

# The same files only decoded and encoded in memory: the JPEG library's share, a ceiling for any
# batch built on it.
floor_json=$(BRINDOR_BATCH_DIR="$work/in" "$gbench" --benchmark_filter='^BM_BatchCodecFloor' \
  --benchmark_repetitions=3 --benchmark_format=json 2>/dev/null)
best_floor=$(printf '%s\n' "$floor_json" | awk -F': ' '/"files_per_second"/ { gsub(/[,]/, "", $2); if ($2 + 0 > best) best = $2 + 0 } END { printf "%.1f", best }')

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-30s %10s %14s\n' "" "files/s" "files/CPU-s"
printf '%-30s %10s %14s\n' "ImageMagick composite loop" "$best_im" "$best_im_cpu"
printf '%-30s %10s %14s\n' "brindor batch (one thread)" "$best_brindor" "$best_brindor_cpu"
printf '%-30s %10s %14s\n' "ratio" "$(ratio "$best_brindor" "$best_im")" "$(ratio "$best_brindor_cpu" "$best_im_cpu")"
printf '%-30s %10s %14s\n' "OpenCV, one process" "$best_cv" "$best_cv_cpu"
[ "$best_cv" = n/a ] || printf '%-30s %10s %14s\n' "brindor / OpenCV" "$(ratio "$best_brindor" "$best_cv")" "$(ratio "$best_brindor_cpu" "$best_cv_cpu")"
printf '%-30s %10s\n' "JPEG decode + encode alone" "$best_floor"
[ "$best_cv" = n/a ] || printf '%-30s %10s\n' "alone / OpenCV" "$(ratio "$best_floor" "$best_cv")"
