// The MIDI channel-message kinds the program sends and writes: the status byte's high nibble.
#pragma once

namespace hummwell {

inline constexpr int kNoteOff = 0x80;
inline constexpr int kNoteOn = 0x90;
inline constexpr int kControl = 0xB0;
inline constexpr int kProgram = 0xC0;
inline constexpr int kPitchBend = 0xE0;

}  // namespace hummwell
