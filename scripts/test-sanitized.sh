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
# The widget tests run here too, the window's recording path among them. Qt's own pooled
# threads work inside Qt's libraries, which are not built with ThreadSanitizer; the
# suppressions ignore only what Qt's code itself calls (tests/tsan.supp). The one test that
# starts a second program forks a process that already runs threads, which ThreadSanitizer
# does not support; it runs in the ordinary and the AddressSanitizer builds.
skip=()
[ "$sanitizer" = thread ] && skip=(-E '^SecondInstance\.')
ctest --test-dir "build-$sanitizer" --output-on-failure -j2 "${skip[@]}"
