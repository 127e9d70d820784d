#!/usr/bin/env bash
# Note accuracy on sung and played melodies: writes the corpus (make_note_corpus) into
# build/note-corpus, or build/note-corpus-quick with --quick, and scores hummwell-cli's note
# finders and aubionotes on it (bench/notes/score_notes.py), printing the table. Other
# arguments go to the scorer, e.g. --systems live,aubio, --filter voice, --baseline OLD.json.
# The scores are also written to the corpus folder as scores.json. Not part of CI.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=()
corpus=build/note-corpus
scorer_args=()
for arg in "$@"; do
  if [ "$arg" = "--quick" ]; then
    quick=(--quick)
    corpus=build/note-corpus-quick
  else
    scorer_args+=("$arg")
  fi
done

bash scripts/install-deps.sh python3-mir-eval python3-numpy aubio-tools fluidsynth \
  festival festvox-kallpc16k festvox-kdlpc16k
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2 --target make_note_corpus hummwell-cli

# The files of an earlier corpus go first, so that none of them is scored by mistake.
rm -rf "$corpus"
build/bench/make_note_corpus "$corpus" "${quick[@]}"
# Debian's python, which the python3-* packages install into, whatever python3 is first on PATH.
/usr/bin/python3 bench/notes/score_notes.py "$corpus" --cli build/app/hummwell-cli \
  --json "$corpus/scores.json" --jobs 2 "${scorer_args[@]}"
