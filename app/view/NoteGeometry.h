// Where frames and pitches lie in the note view, and nowhere else: one frame per pixel column
// with the cursor frame at the centre; below a header band of 28 rows, six pixel rows per
// semitone, pitch 108.5 at the top of row 28 and 20.5 at the bottom of row 556.
#pragma once

#include "document/ViewState.h"

#include <cmath>

namespace hummwell {

inline constexpr int kHeaderRows = 28;       // the header band, rows 0 .. 27
inline constexpr int kPitchTopRow = kHeaderRows;
inline constexpr int kPitchBottomRow = 556;
inline constexpr int kDrawingRows = 557;     // header band and pitch rows
inline constexpr double kRowsPerSemitone = 6.0;
inline constexpr double kHighestPitch = 108.5;
inline constexpr double kLowestPitch = 20.5;

// The row of pitch p: the row whose top edge lies at or just above it.
inline int rowOfPitch(double p) {
    return static_cast<int>(kPitchTopRow + (kHighestPitch - p) * kRowsPerSemitone);
}
// The pitch at the top edge of row y, where a pointer on that row points.
inline double pitchAtRow(int y) { return kHighestPitch - (y - kPitchTopRow) / kRowsPerSemitone; }
// The pitch at the middle of row y, which a row's background stands for.
inline double pitchAtRowMiddle(int y) { return kHighestPitch - (y - kPitchTopRow + 0.5) / kRowsPerSemitone; }

// The frame under client column x, and the client column of frame f.
inline int frameAtX(const ViewState& view, int x) { return view.cursorFrame - view.viewWidth / 2 + x; }
inline int xOfFrame(const ViewState& view, int f) { return f - view.cursorFrame + view.viewWidth / 2; }

// The selection rectangle of a note spans its pitch rows with a few rows to spare.
inline int noteTopRow(double highest) {
    return static_cast<int>(std::trunc((kHighestPitch - highest) * kRowsPerSemitone + 25));
}
inline int noteBottomRow(double lowest) {
    return static_cast<int>(std::trunc((kHighestPitch - lowest) * kRowsPerSemitone + 31));
}

}  // namespace hummwell
