#!/usr/bin/env bash
# Builds and runs the main job: transcribes the bundled sung melody to melody.mid and describes
# the result. Needs no microphone. Arguments are passed on: scripts/run.sh --quantize note
set -euo pipefail
cd "$(dirname "$0")/.."
# Only what the main job needs: the tests, benchmarks and the program come with build.sh.
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target hummwell-cli
build/app/hummwell-cli transcribe examples/melody/sung-melody.flac -o melody.mid "$@"
build/app/hummwell-cli info melody.mid
