// How periodic the audio just before a point is at a given pitch, and at the octaves around it:
// the note finder's evidence of voicing beside the engine's pitch. A sung vowel or a played
// note repeats itself period after period (close to 1 even 10 dB under white noise), noise
// and rumble do not (close to 0), and a voiced consonant lies between. A pitch read an octave
// low repeats just as well at half its period; one read an octave high hardly at its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hummwell {

// Kept beside every frame of a take, so in floats.
struct Periodicity {
    float atPitch = 0.0f;     // normalised autocorrelation at the pitch's period, -1 .. 1
    float octaveUp = 0.0f;    // at half that period
    float octaveDown = 0.0f;  // at twice that period
};

// The normalised autocorrelation of the samples before `end`, of which `available` may be
// read, at the period of `midiPitch` (44,100 Hz samples; the best lag within 1.5 % of it) and
// at half and twice that period. Summed over two periods of the pitch or 1,024 samples,
// whichever is longer. Nothing (all zero) when the pitch is none or too few samples are there.
Periodicity periodicityAt(const int16_t* end, size_t available, double midiPitch);

// The samples a block's measure may look back over, for a caller that keeps only the newest.
inline constexpr size_t kPeriodicityReach = 8192;

}  // namespace hummwell
