#!/usr/bin/env bash
# Runs brindor-bench's w1 workload at both canvas sizes and on the quick path, on one and on two
# threads, each beside its OpenCV peer (bench/opencv_w1.cpp, built here when libopencv-dev is
# installed), and prints the median milliseconds of each.
# usage: bench/run_w1.sh [BUILD_DIR] [ITERS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
iters="${2:-30}"
bench="$build/bench/brindor-bench"
inputs="$build/w1-inputs"
[ -x "$bench" ] || { echo "no $bench: build the brindor-bench target first" >&2; exit 1; }
[ -f "$inputs/w1_src2.bmp" ] || python3 "$here/make_w1_inputs.py" "$inputs"
peer="$build/bench/opencv_w1"
if pkg-config --exists opencv4; then
  if [ ! -x "$peer" ] || [ "$here/opencv_w1.cpp" -nt "$peer" ]; then
    # shellcheck disable=SC2046
    g++ -O2 -std=c++17 -o "$peer" "$here/opencv_w1.cpp" $(pkg-config --cflags --libs opencv4)
  fi
else
  peer=""
fi
# "median (best)" of the iter_ms lines: on a busy machine the best shows what a free core gives.
stats() { awk '$1 == "iter_ms" {print $2}' | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)] " (" v[1] ")"}'; }
run() {
  local label="$1"; shift
  local out m cv="n/a (no libopencv-dev)"
  out=$("$bench" w1 "$@" --iters "$iters" "$inputs/w1_src1.bmp" "$inputs/w1_src2.bmp" 2>&1)
  m=$(stats <<<"$out")
  if [ -n "$peer" ]; then
    cv=$("$peer" "$@" --iters "$iters" "$inputs/w1_src1.bmp" "$inputs/w1_src2.bmp" 2>/dev/null | stats)
  fi
  printf '%-28s brindor %18s ms, processor %7s ms   OpenCV %18s ms\n' "$label" "$m" \
    "$(awk '$1 == "median_ms" {print $4}' <<<"$out")" "$cv"
}
echo "median (best) wall-clock milliseconds per recompute; processor time of the process, median"

for threads in 1 2; do
  run "full 2048x1536, $threads thread(s)" --canvas 2048x1536 --threads "$threads"
  run "full 1024x768, $threads thread(s)" --canvas 1024x768 --threads "$threads"
  run "quick 2048x1536, $threads thread(s)" --canvas 2048x1536 --quick --threads "$threads"
done
