// Turns pitches into MIDI notes by the quantize mode: none, every frame, every note, or every
// frame cleaned of short islands relative to its neighbours. Pitch only: note starts and
// lengths stay on the frame grid.
#pragma once

#include "FrameTrack.h"
#include "ProjectSettings.h"

namespace hummwell {

struct Stretch {
    int first;
    int count;
};

// Recomputes frameNote over frames first .. first + count - 1 (the end held to the track) and
// returns the stretch to redraw: the same, widened to whole notes in the Note and Relative
// modes (back to the previous onset, on to the next non-zero mark).
Stretch requantize(FrameTrack& track, const ProjectSettings& settings, int first, int count);
// Frames first .. first + count - 1 held to the track and, in the Note and Relative modes,
// widened to the whole notes they touch.
Stretch widenToNotes(const FrameTrack& track, int mode, int first, int count);

}  // namespace hummwell
