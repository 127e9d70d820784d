// Where frames and pitches lie in the note view: one frame per pixel column with the cursor
// frame at the centre, six pixel rows per semitone with pitch 108.5 at row 28.
#pragma once

#include "document/ViewState.h"

#include <cmath>

namespace hummwell {

inline constexpr int kPitchTopRow = 28;    // pitch 108.5
inline constexpr int kPitchBottomRow = 556;  // pitch 20.5
inline constexpr int kViewRows = 557;
inline constexpr double kRowsPerSemitone = 6.0;
inline constexpr double kHighestPitch = 108.5;
inline constexpr double kLowestPitch = 20.5;

// The frame under client column x.
inline int frameAtX(const ViewState& view, int x) { return view.cursorFrame - view.viewWidth / 2 + x; }
// The client column of frame f.
inline int xOfFrame(const ViewState& view, int f) { return f - view.cursorFrame + view.viewWidth / 2; }
inline double pitchAtRow(int y) { return kHighestPitch - (y - kPitchTopRow) / kRowsPerSemitone; }

// The selection rectangle of a note spans its pitch rows with a few rows to spare.
inline int noteTopRow(double highest) {
    return static_cast<int>(std::trunc((kHighestPitch - highest) * kRowsPerSemitone + 25));
}
inline int noteBottomRow(double lowest) {
    return static_cast<int>(std::trunc((kHighestPitch - lowest) * kRowsPerSemitone + 31));
}

}  // namespace hummwell
