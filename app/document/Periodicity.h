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
    float octaveDown = 0.0f;  // at twice that period; 0 where the pitch repeats well (0.7 or
                              // more), since a pitch read an octave high never does
};

// The samples a measure may look back over from the end of its block.
inline constexpr size_t kPeriodicityReach = 8192;

// Measures it on a stream of samples (44,100 Hz) as they arrive, keeping the newest ones.
class PeriodicityMeter {
public:
    // The stream's next samples (-32768 counts as -32767, as the engine hands it back).
    void append(const int16_t* samples, size_t count);
    // At the point `end` samples into the stream, which must lie among those appended and
    // within kPeriodicityReach of the newest: the normalised autocorrelation of the samples
    // before it at the period of `midiPitch` (the best lag within 1.5 % of it) and at half and
    // twice that period, summed over two periods of the pitch or 1,024 samples, whichever is
    // longer. Nothing (all zero) when the pitch is none or too few samples came before.
    Periodicity measure(size_t end, double midiPitch) const;

private:
    double best(size_t newest, size_t length, size_t reach, double centre, double newestEnergy) const;

    std::vector<float> x_;  // the samples kept, the oldest first
    size_t dropped_ = 0;    // samples of the stream before x_[0]
};

}  // namespace hummwell
