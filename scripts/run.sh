#!/usr/bin/env bash
# Builds and runs the main job: the engine demo, which pushes a generated sung-like tone
# through tonik and prints what it reports per block. Needs no microphone.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
build/examples/tonik_demo "$@"
