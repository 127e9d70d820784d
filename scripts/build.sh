#!/usr/bin/env bash
# Configures and builds everything into build/ (Release, two jobs: the machine has two cores).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build build -j2
