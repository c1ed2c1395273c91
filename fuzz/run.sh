#!/usr/bin/env bash
# Builds every fuzz target with clang, AddressSanitizer and UndefinedBehaviorSanitizer, writes the
# seeds and runs each target for SECONDS (default 60). Exits non-zero when any target finds a fault;
# the input that caused it is left in fuzz/artifacts/.
#   fuzz/run.sh [SECONDS] [TARGET...]
# Seeds: every fuzz/make_seeds*.py is run with fuzz/corpus as its argument and writes
# fuzz/corpus/<target>/; committed seeds in fuzz/seeds/<target>/ and a dictionary
# fuzz/<target>.dict are used when present.
set -euo pipefail
seconds=${1:-60}
shift || true
cd "$(dirname "$0")/.."
build=build-fuzz
jobs=$(nproc)

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRINDOR_FUZZ=ON -DBRINDOR_SANITIZE=ON -DBRINDOR_GUI=OFF -DBRINDOR_TESTS=OFF -DBRINDOR_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]}"

mkdir -p fuzz/corpus fuzz/artifacts
for script in fuzz/make_seeds*.py; do
  [ -e "$script" ] && python3 "$script" fuzz/corpus
done

status=0
for target in "${targets[@]}"; do
  corpus=(fuzz/corpus/"$target")
  mkdir -p "${corpus[0]}"
  [ -d fuzz/seeds/"$target" ] && corpus+=(fuzz/seeds/"$target")
  options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1
    -artifact_prefix=fuzz/artifacts/"$target"-)
  [ -f fuzz/"$target".dict ] && options+=(-dict=fuzz/"$target".dict)
  # A fixed seed under CI, so a run there retraces the one checked before submitting.
  [ -n "${CI:-}" ] && options+=(-seed=1)
  echo "== $target for ${seconds}s =="
  log=fuzz/artifacts/"$target".log
  if ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/$target" "${options[@]}" "${corpus[@]}" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^Done' "$log" || tail -3 "$log"
  else
    tail -60 "$log"
    echo "FAIL: $target found a fault (see fuzz/artifacts/$target-*)"
    status=1
  fi
done
exit $status
