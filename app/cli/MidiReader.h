// Reads a Standard MIDI File back: its header, its notes with their times in seconds under the
// file's tempo map, and counts of the other messages. For `info`, and for checking exports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hummwell::cli {

struct MidiNote {
    int channel = 0;  // 0..15
    int key = 0;
    int velocity = 0;
    double startSeconds = 0.0;
    double endSeconds = 0.0;
};

struct MidiFileContents {
    int format = 0;
    int trackCount = 0;
    int division = 0;          // ticks per quarter note; negative: SMPTE
    double firstTempoBpm = 120.0;
    std::vector<MidiNote> notes;  // by start time
    int programChanges = 0;
    int controllers = 0;
    int pitchBends = 0;
    double seconds = 0.0;      // the end of the longest track
    std::vector<std::string> warnings;  // what was read otherwise than written, one line each
};

// A Standard MIDI File larger than this is refused unread: a melody of an hour is a few
// hundred kilobytes.
inline constexpr size_t kMidiFileLimitBytes = 16'000'000;

// False with a one-line reason when the bytes are not a well-formed Standard MIDI File.
bool readMidiFile(const std::vector<uint8_t>& bytes, MidiFileContents& out, std::string& error);

}  // namespace hummwell::cli
