#!/usr/bin/env bash
# Builds the JSON reader's libFuzzer target with clang into build-fuzz, with
# AddressSanitizer, UndefinedBehaviorSanitizer and the standard library's bounds
# checks, and runs it from the seed corpus for a bounded number of runs, a
# minute at most. Any crash, leak or failed check fails the script. FUZZ_RUNS
# overrides the number of runs.
set -euo pipefail
cd "$(dirname "$0")/.."

out=build-fuzz
runs=${FUZZ_RUNS:-200000}
mkdir -p "$out/corpus-json"

clang++ -std=c++20 -O1 -g -Wall -Wextra -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -D_GLIBCXX_ASSERTIONS -I. \
  fuzz/json_fuzz.cpp monitor/Common/JsonValue.cpp platform/Text.cpp \
  -o "$out/json_fuzz"

# New inputs go to the build folder's corpus; the seeds in the tree stay as they are.
"$out/json_fuzz" -runs="$runs" -max_total_time=60 -max_len=8192 -timeout=10 \
  -print_final_stats=1 "$out/corpus-json" fuzz/corpus/json
