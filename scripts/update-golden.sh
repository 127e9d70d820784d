#!/usr/bin/env bash
# Rewrites the reference files under tests/app/data from the current writers, then shows what
# changed. Review the difference before committing it: a reference is only as right as the
# bytes it was made from. BUILD_DIR picks another build folder (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target hummwell_core_tests
HUMMWELL_UPDATE_GOLDEN=1 "$build/tests/hummwell_core_tests" --gtest_filter='*Golden*'
git status --short -- tests/app/data
