#!/usr/bin/env bash
# Runs brindor-bench's w1 workload at both canvas sizes and on the quick path, and prints the
# median milliseconds of each. usage: bench/run_w1.sh [BUILD_DIR] [ITERS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build}"
iters="${2:-30}"
bench="$build/bench/brindor-bench"
inputs="$build/w1-inputs"
[ -x "$bench" ] || { echo "no $bench: build the brindor-bench target first" >&2; exit 1; }
[ -f "$inputs/w1_src2.bmp" ] || python3 "$here/make_w1_inputs.py" "$inputs"
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
run() {
  local label="$1"; shift
  local out m
  out=$("$bench" w1 "$@" --iters "$iters" "$inputs/w1_src1.bmp" "$inputs/w1_src2.bmp" 2>&1)
  m=$(awk '$1 == "iter_ms" {print $2}' <<<"$out" | median)
  printf '%-18s median %8s ms   (processor time: %s ms)\n' "$label" "$m" \
    "$(awk '$1 == "median_ms" {print $4}' <<<"$out")"
}
run "full 2048x1536" --canvas 2048x1536
run "full 1024x768" --canvas 1024x768
run "quick 2048x1536" --canvas 2048x1536 --quick
