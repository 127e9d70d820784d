// How the frames become MIDI: tempo, key, scale, quantizing, output channel and instrument,
// the metronome ticks. Every field is stored in the project file in header order; the derived
// values are recomputed from them and never stored.
#pragma once

#include <array>
#include <cstdint>

namespace hummwell {

// The twenty integer settings, in the order of the project file's header.
enum class Setting : int {
    Speed,
    Metre,
    Key,
    Scale,
    MetronomeOn,
    MeasureTickChannel,
    MeasureTickInstrument,
    MeasureTickNote,
    MeasureTickVelocity,
    BeatTickChannel,
    BeatTickInstrument,
    BeatTickNote,
    BeatTickVelocity,
    RefKeyAdjust,
    Transpose,
    MidiChannel,
    Instrument,
    QuantizeMode,
    RealtimeOutOn,
    VelocityOutMode,
};
inline constexpr int kSettingCount = 20;

enum QuantizeMode : int { kAsIs = 0, kBasic = 1, kRelative = 2, kNoteQuantize = 3 };
inline constexpr int kPercussionChannel = 9;  // General MIDI channel 10

struct ProjectSettings {
    std::array<char, 20> ownerLabel{'d', 'e', 'f', 'a', 'u', 'l', 't'};
    std::array<int32_t, kSettingCount> values{
        2,    // Speed: 120 bpm
        2,    // Metre: 4 / 4
        3,    // Key: C Major
        0,    // Scale: chromatic
        1,    // MetronomeOn
        kPercussionChannel, 0, 3, 64,  // measure tick: 38 Acoustic Snare, velocity 64
        kPercussionChannel, 0, 7, 48,  // beat tick: 42 Closed Hi Hat, velocity 48
        100,  // RefKeyAdjust: " 000 %"
        5,    // Transpose: none
        0,    // MidiChannel 1
        68,   // Instrument: oboe
        kAsIs,
        0,    // RealtimeOutOn
        0,    // VelocityOutMode: channel volume
    };

    int32_t get(Setting s) const { return values[static_cast<int>(s)]; }
    // Stores a value without any check or side effect; setters with effects live on the view
    // state. Returns false when the value was already held.
    bool store(Setting s, int32_t v);

    // Whether v is a valid value of s. The tick notes depend on their channel: 0..46 on the
    // percussion channel, an octave choice 0..5 elsewhere. Unchecked settings accept anything.
    bool isValid(Setting s, int32_t v) const;

    // Derived values.
    double beatMs() const;     // 1000, 750, 500, 375, 250 by speed; halved for 6/8
    double measureMs() const;  // 2, 3 or 4 beats; 6/8: three unhalved beats
    int beatsPerMeasure() const;  // 2, 3 or 4; 6 for 6/8
    int keyOffset() const;     // (3 - keyIndex) mod 12; the tonic's pitch class is 12 - it
};

}  // namespace hummwell
