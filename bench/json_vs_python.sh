#!/usr/bin/env bash
# Reads one getAddresses reply two ways and prints both times: CJsonValue
# (parse, then walk every node and read every leaf) and Python's json.loads,
# both starting from decoded text. Also prints the reader's peak heap as a
# multiple of the UTF-16 text's size.
#   bench/json_vs_python.sh [CONTACTS]      (default 100000)
# BUILD names the build folder (default: build); the benchmark is built there.
set -euo pipefail
cd "$(dirname "$0")/.."
contacts=${1:-100000}
build=${BUILD:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 tools/gen/make_addresses_reply.py --contacts "$contacts" --out "$work/reply.json"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if ! cmake --build "$build" --target bench_json_parse >"$work/build.log" 2>&1; then
  cat "$work/build.log" >&2
  exit 1
fi

QN_JSON_REPLY="$work/reply.json" "$build/bin/bench_json_parse" \
  --benchmark_repetitions=3 --benchmark_format=json --benchmark_out="$work/bench.json" >/dev/null

python3 - "$work/reply.json" "$work/bench.json" <<'PY'
import gc, json, sys, time

reply_path, bench_path = sys.argv[1], sys.argv[2]
with open(reply_path, encoding="utf-8") as f:
    text = f.read()
best = None
for _ in range(3):
    start = time.perf_counter()
    json.loads(text)
    elapsed = time.perf_counter() - start
    best = elapsed if best is None else min(best, elapsed)
    gc.collect()

with open(bench_path) as f:
    runs = [r for r in json.load(f)["benchmarks"] if r.get("run_type") == "iteration"]
for r in runs:
    if r.get("error_occurred"):
        sys.exit("benchmark failed: " + r.get("error_message", ""))
run = min(runs, key=lambda r: r["real_time"])
factor = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run["time_unit"]]
reader_ms = run["real_time"] * factor
print("reply: %d bytes UTF-8, %.1f MB as UTF-16, %d nodes"
      % (len(text.encode("utf-8")), run["text_MB"], run["nodes"]))
print("CJsonValue parse + walk: %8.1f ms  (best of 3)" % reader_ms)
print("Python json.loads:       %8.1f ms  (best of 3)" % (best * 1e3))
print("speed-up:                %8.2f x" % (best * 1e3 / reader_ms))
print("reader peak heap: %.2f x the UTF-16 text with the text, %.2f x without"
      % (run["peak_x_text"], run["reader_x_text"]))
PY
