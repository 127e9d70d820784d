// How the look-ahead path hears a whole take: the levels it is analysed with come from the
// take's own audio, not from the live gate, which was set for deciding notes as they arrive.
// A file on the command line and a take kept in the program go through these same steps, so
// both give the note finder the same evidence.
#pragma once

#include "Periodicity.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace hummwell {

inline constexpr int kBlockSamples = 512;  // one frame at 44,100 Hz

// A block's level as the engine reports it (library dB): 20 ln of half its peak-to-peak, the
// samples scaled by 1 / 32767; minus infinity for a constant block.
double blockLevel(const int16_t* block);

// The levels of the quietest and of the loud blocks of a take (library dB; the second and
// the ninetieth percentile of its block levels, -200 for digital silence).
struct InputLevels {
    double quiet;
    double loud;
};
// Of `count` samples (a partial last block counts, completed with silence).
InputLevels inputLevels(const int16_t* samples, size_t count);
// Of what `read` gives, block by block, at most `maxBlocks` (fewer samples: the end).
using SampleReader = std::function<size_t(int16_t* out, size_t count)>;
InputLevels inputLevels(const SampleReader& read, size_t maxBlocks);

// The engine analyses the take a little above its quietest blocks, since the note finder tells
// a sung pitch from noise by its periodicity where a live decision only has the level.
inline constexpr double kLookAheadGateAboveFloor = 10.0;  // library dB
inline constexpr int kLookAheadPitchLevel = 20;           // finest: noise close under the singing
inline constexpr int kLookAheadCleanPitchLevel = 35;      // strictest: far above the noise

// The pitch detection level: finest where the loud blocks stand 30 dB or less above the quiet
// ones, strictest from 60 dB, in between in proportion.
int lookAheadPitchLevel(const InputLevels& levels);

// The gate and pitch detection level a take is analysed with.
struct AnalysisLevels {
    double noiseGate;  // library dB
    int peakLevel;
};
// 10 dB over the take's quietest blocks, or the live gate when that is lower still.
AnalysisLevels lookAheadLevels(const InputLevels& levels, double liveGate);

// A sample of the engine's record (scaled by 1 / 32767) as the 16-bit sample it was.
inline int16_t takeSample(double scaled) {
    const double v = scaled < -1.0 ? -1.0 : (scaled > 1.0 ? 1.0 : scaled);
    return static_cast<int16_t>(v >= 0.0 ? v * 32767.0 + 0.5 : v * 32767.0 - 0.5);
}

// What the engine said of one block.
struct HeardBlock {
    double level = -200.0;  // library dB
    double pitch = 0.0;     // fractional MIDI note; 0.0 none
    double clarity = 0.0;
    Periodicity periodicity;  // of the audio up to the block's end, at its pitch
};

}  // namespace hummwell
