#!/usr/bin/env bash
# Runs every test: the whole suite, the bounded fuzzing of the JSON reader, and the
# suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

jobs=$(nproc)
echo "== build"
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== tests"
(cd build && ctest --output-on-failure -j"$jobs")

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzzing"
  bash scripts/fuzz.sh
fi

echo "== sanitizer build"
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DQN_SANITIZE=ON -DQN_BENCH=OFF
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j"$jobs")
