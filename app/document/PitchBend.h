// The 14-bit pitch-bend values the program sends and writes: a sung pitch heard against the
// note that sounds, at the 12-semitone range every take sets, and the metronome's tuning to
// the reference key at a channel's default 2-semitone range.
#pragma once

#include <cmath>

namespace hummwell {

inline constexpr int kBendCentre = 8192;
inline constexpr int kBendMax = 16383;
inline constexpr double kBendPerSemitone = 682.6666666666666;  // 8192 units span 12 semitones
inline constexpr double kBendPerCent = 40.96;                  // 8192 units span 2 semitones

// Rounded as the MIDI output's rule has it, truncated toward zero and then one added when
// the remainder is at least 0.5 (so -2.7 gives -2, where floor(x + 0.5) would give -3), and
// held to the 14-bit range: exactly 12 semitones up would be 16384, one past it.
inline int bendFromUnits(double units) {
    const double whole = std::trunc(units);
    const double rounded = whole + (units - whole >= 0.5 ? 1.0 : 0.0);
    if (std::isnan(rounded)) return kBendCentre;
    const double v = kBendCentre + rounded;
    if (v <= 0.0) return 0;
    if (v >= kBendMax) return kBendMax;
    return static_cast<int>(v);
}

// Pitch p (fractional MIDI note) heard as note n.
inline int pitchBendValue(double p, int n) { return bendFromUnits((p - n) * kBendPerSemitone); }

// The reference key adjustment (index 100 = none; cents = 100 - index) as a tick's bend.
inline int referenceBendValue(int refKeyAdjustIndex) {
    return bendFromUnits((100 - refKeyAdjustIndex) * kBendPerCent);
}

}  // namespace hummwell
