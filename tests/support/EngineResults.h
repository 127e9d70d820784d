// Made-up engine results for the live transcriber and the view state that records them.
#pragma once

#include "tonik.h"

namespace engineresults {

inline FrameResult result(double level, double pitch, double clarity, int noteState) {
    FrameResult r{};
    r.level = level;
    r.pitch = pitch;
    r.clarity = clarity;
    r.noteState = noteState;
    return r;
}
// Silence, below any onset level.
inline const FrameResult kQuiet = result(-60.0, 0.0, 0.0, -1);
// A clear, loud block at `pitch`; noteState 1 where the engine heard a note start.
inline FrameResult sung(double pitch, int noteState = 0) { return result(-10.0, pitch, 9.0, noteState); }

}  // namespace engineresults
