#!/usr/bin/env bash
# Builds and runs the main job: transcribes the bundled sung melody to melody.mid and describes
# the result. Needs no microphone. Arguments are passed on: scripts/run.sh --quantize note
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
build/app/hummwell-cli transcribe examples/melody/sung-melody.flac -o melody.mid "$@"
build/app/hummwell-cli info melody.mid
