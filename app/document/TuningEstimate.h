// How far a singer's own reference lies from A4 = 440 Hz. Few people sing at concert pitch
// without an instrument to hold them there: a whole take 30 to 45 cents flat would round half
// its notes a semitone down. The estimate comes from the steady middles of the found notes,
// each note's median pitch, as a circular mean of their distances from the nearest semitone
// (so a take 45 cents flat and one 55 cents sharp are the same), weighted by length.
#pragma once

#include "FrameTrack.h"

#include <optional>

namespace hummwell {

struct TuningEstimate {
    double cents;       // the singer's reference against A4 = 440 Hz, -50 .. 50; negative: flat
    double agreement;   // 0 .. 1: how closely the notes agree on it (1: every note the same)
    int notes;          // the notes it was taken from
};

// From the notes among frames first .. first + count - 1 that last at least 100 ms. None when
// fewer than three such notes are there.
std::optional<TuningEstimate> estimateTuning(const FrameTrack& track, int first, int count);

// Whether an estimate is worth acting on: enough notes that agree well enough.
bool worthRetuning(const TuningEstimate& estimate);

// What Reference Key Adjust would have done had it been set to `cents` before the frames
// first .. first + count - 1 were recorded: their pitches (and the engine's, kept beside them)
// move by -cents / 100 semitones, held to MIDI 20.5 .. 108.5.
void retune(FrameTrack& track, int first, int count, double cents);

}  // namespace hummwell
