#!/usr/bin/env bash
# The main job: builds the programs and runs the headless front end on the
# bundled sample data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec bash scripts/demo.sh build
