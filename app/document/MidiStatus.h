// The MIDI the program sends and writes, in one place for the live output and the exported
// file: the status byte's kinds, the controllers, the velocities, and how a frame's loudness
// becomes a controller value.
#pragma once

namespace hummwell {

// Channel-message kinds: the status byte's high nibble.
inline constexpr int kNoteOff = 0x80;
inline constexpr int kNoteOn = 0x90;
inline constexpr int kControl = 0xB0;
inline constexpr int kProgram = 0xC0;
inline constexpr int kPitchBend = 0xE0;

// Controllers.
inline constexpr int kDataEntry = 6;
inline constexpr int kChannelVolume = 7;
inline constexpr int kExpression = 11;
inline constexpr int kRpnLsb = 100;
inline constexpr int kRpnMsb = 101;
inline constexpr int kAllNotesOff = 123;

// Velocities: a sung, unquantized note at full velocity, its loudness riding on the
// controller; a quantized note at a plain one.
inline constexpr int kSungVelocity = 127;
inline constexpr int kQuantizedVelocity = 64;

// The controller that carries the sung loudness: Velocity Out "to Channel Volume" (0) or
// "to Expression" (1).
inline int loudnessController(int velocityOutMode) { return velocityOutMode == 1 ? kExpression : kChannelVolume; }
// A frame's loudness as a controller value. It is stored uncapped (Volume Up multiplies
// freely); the controller holds 0 .. 127, and anything else, NaN included, would not be a
// data byte.
inline int loudnessValue(double volume) {
    if (!(volume > 0.0)) return 0;
    if (volume >= 127.0) return 127;
    return static_cast<int>(volume);
}

}  // namespace hummwell
