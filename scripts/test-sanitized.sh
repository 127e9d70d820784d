#!/usr/bin/env bash
# Builds the tests with a sanitizer (thread, the default, or address) into build-SANITIZER/
# and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
sanitizer="${1:-thread}"
bash scripts/install-deps.sh
cmake -S . -B "build-$sanitizer" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DHUMMWELL_SANITIZE="$sanitizer" -DHUMMWELL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "build-$sanitizer" -j2
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp ${TSAN_OPTIONS:-}"
# Qt's own threads (its image and font workers, event posting) synchronise inside libraries
# that ThreadSanitizer cannot see into, so every widget test would report them. The widget
# tests run in the ordinary and the AddressSanitizer builds; the threads of a recording are
# covered here through the GUI-free view state.
skip=()
[ "$sanitizer" = thread ] && skip=(-LE gui)
ctest --test-dir "build-$sanitizer" --output-on-failure -j2 "${skip[@]}"
