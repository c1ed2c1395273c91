#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the fuzz targets for a bounded time,
# the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer, then the plain build.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

if [ -x fuzz/run.sh ]; then
  echo "== fuzz targets =="
  fuzz/run.sh "${FUZZ_SECONDS:-60}"
fi

echo "== sanitizer build =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DBRINDOR_SANITIZE=ON -DBRINDOR_BENCH=OFF
cmake --build build-asan -j"$jobs"
# Leaks fail a test; the tests take tools/lsan.supp for what system libraries keep until exit.
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j"$jobs")

echo "== release build =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRINDOR_WERROR=ON
cmake --build build -j"$jobs"
cd build && ctest --output-on-failure -j"$jobs"
