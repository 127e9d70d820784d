// Pitch to MIDI note, and the metronome's classification of a moment in time.
#pragma once

#include <cmath>

namespace hummwell {

// A fractional MIDI note number's frequency in equal temperament, A (69) at 440 Hz.
inline double midiToHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

// A fractional pitch to a MIDI note in the chromatic scale (scaleIndex 0) or the major scale of
// the key whose keyOffset is given (scaleIndex 1). 0 for no pitch (1.0 or less); notes are held
// to 21..108.
int snapToNote(double pitch, int scaleIndex, int keyOffset);

// One set of armed flags: each boundary ticks once, on the first frame after it.
struct TickFlags {
    bool beatArmed = false;
    bool measureArmed = false;
};

enum TickKind : int { kNoTick = 0, kBeatTick = 1, kMeasureTick = 2 };

// What the frame that begins at `ms` sounds: nothing, a beat tick or a measure tick.
TickKind tickAt(double ms, double beatMs, double measureMs, TickFlags& flags);

}  // namespace hummwell
