// Standard MIDI File export: format 1, two tracks, 11,025 ticks per quarter note at the
// default 120 bpm, so that one frame is exactly 256 ticks. Mode 0 writes the sung curve with
// pitch bend and a loudness controller; the other modes write plain notes from frameNote.
#pragma once

#include "FrameTrack.h"
#include "ProjectSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hummwell {

// The whole file in memory.
std::vector<uint8_t> buildMidiFile(const FrameTrack& track, const ProjectSettings& settings);
// Builds and writes it: nothing on success, else the system's reason; a failure leaves any
// earlier file as it was.
std::optional<std::string> writeMidi(const std::string& path, const FrameTrack& track,
                                     const ProjectSettings& settings);

}  // namespace hummwell
