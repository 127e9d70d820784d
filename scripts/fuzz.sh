#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for SECONDS (default
# 600), seeded with files the project itself writes. Findings go to build-fuzz/findings/NAME/;
# the corpus grows in build-fuzz/corpus/NAME/. Not part of CI.
#   bash scripts/fuzz.sh [SECONDS [TARGET...]]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(project volume_file midi_reader audio_file pushed_samples)

bash scripts/install-deps.sh clang libclang-rt-14-dev

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DHUMMWELL_FUZZ=ON -DHUMMWELL_BUILD_TESTS=OFF \
  -DHUMMWELL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j2 --target hummwell-cli make_melody $(printf 'fuzz_%s ' "${targets[@]}")

# Seeds: what the project writes.
seeds=build-fuzz/seeds
mkdir -p "$seeds"/{project,volume_file,midi_reader,audio_file,pushed_samples}
export ASAN_OPTIONS=detect_leaks=0
build-fuzz/examples/make_melody "$seeds/audio_file/melody.wav" 22050 1 >/dev/null
build-fuzz/examples/make_melody "$seeds/audio_file/melody.flac" 8000 2 >/dev/null
cli=build-fuzz/app/hummwell-cli
$cli transcribe "$seeds/audio_file/melody.wav" -o "$seeds/project/melody.hwp" --quiet >/dev/null
$cli transcribe "$seeds/audio_file/melody.wav" -o "$seeds/midi_reader/melody.mid" --quiet >/dev/null
cp tests/app/data/*.mid "$seeds/midi_reader/"
python3 - "$seeds/volume_file/default.hvc" "$seeds/project" <<'PY'
import struct, sys
open(sys.argv[1], "wb").write(b"Sonavent VCF1.0\n" + b"default".ljust(20, b"\0")
                              + struct.pack("<5id", 128, 0, 50, 50, -50, -120.0))
# Larger projects than a take makes, and ones longer than the track (the target's holds 200
# frames): notes of 40 frames with rests between.
header = (b"Sonavent HWP1.0\n" + struct.pack("<i", 1) + b"seed".ljust(20, b"\0")
          + struct.pack("<20i", 2, 0, 0, 0, 1, 9, 115, 4, 127, 9, 115, 3, 100, 100, 5, 0, 68, 3, 0, 0))
for name, n in (("long.hwp", 1000), ("overlong.hwp", 40000)):
    pitch = [60.0 + (i // 50) % 12 if i % 50 < 40 else 0.0 for i in range(n)]
    mark = [1 if i % 50 == 0 else (0 if i % 50 < 40 else -1) for i in range(n)]
    with open(sys.argv[2] + "/" + name, "wb") as f:
        f.write(header + struct.pack("<i", n) + struct.pack("<%dd" % n, *pitch)
                + struct.pack("<%dd" % n, *[64.0 if p else 0.0 for p in pitch])
                + bytes(4 * n) + struct.pack("<%di" % n, *mark) + bytes(4 * n))
PY
head -c 200000 "$seeds/audio_file/melody.wav" | tail -c 100000 > "$seeds/pushed_samples/melody.raw"

for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
  echo "== fuzz_$t for $seconds s"
  extra=()
  # A pushed input of 40 blocks already reaches every stage; longer ones only run slower.
  [ "$t" = pushed_samples ] && extra=(-max_len=20480)
  # Room for the over-long seed of 40,000 frames.
  [ "$t" = project ] && extra=(-max_len=1200000)
  "build-fuzz/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 "${extra[@]}" \
    -artifact_prefix="build-fuzz/findings/$t/" "build-fuzz/corpus/$t" "$seeds/$t" 2>&1 |
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE|ERROR|SUMMARY' || true
  echo "findings: $(ls "build-fuzz/findings/$t" | wc -l)"
done
