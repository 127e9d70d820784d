// The audio of the last take and what the engine hears in it once the take is over. The live
// decision is made one block at a time at the levels the user set; with the whole take at
// hand, its own quiet and loud blocks give the gate and the pitch level, and each recorded
// frame gets the evidence of that second hearing.
//
// Threads: keep runs on the capture thread under the view state's take lock; everything else
// on the GUI thread while no take runs.
#pragma once

#include "FrameTrack.h"
#include "ProjectSettings.h"
#include "ViewPorts.h"

#include <cstdint>
#include <vector>

namespace hummwell {

class TakeAudio {
public:
    // Empties the audio and makes room for `blocks` blocks, so that keep never allocates.
    void begin(int blocks);
    // Appends one block as the engine delivered it (scaled by 1 / 32767); past the room made
    // at begin it is dropped.
    void keep(const double* block);
    void clear() { samples_.clear(); }
    // 16-bit, 44,100 Hz, one block per recorded frame from the take's second frame on.
    const std::vector<int16_t>& samples() const { return samples_; }

    // The evidence of each kept block heard again by `input` at the levels of the take's own
    // audio, with its periodicity: entry b belongs to the take's frame b + 1. Empty when
    // nothing was kept or the input cannot hear.
    std::vector<FrameEvidence> hearAgain(PitchInput& input, double liveGate,
                                         const ProjectSettings& settings) const;

private:
    std::vector<int16_t> samples_;
};

}  // namespace hummwell
