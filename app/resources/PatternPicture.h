// The note view's source columns: the row backgrounds of every key and scale, the beat and
// measure lines and the two greens, which the grid and the track are built from.
#pragma once

#include <QColor>
#include <QImage>

namespace hummwell::pictures {

inline constexpr int kPatternWidth = 31;
inline constexpr int kPatternHeight = 557;
inline constexpr int kChromaticColumn = 0;   // + the tonic's pitch class, 0 (C) .. 11 (B)
inline constexpr int kBeatLineColumn = 12;
inline constexpr int kMeasureLineColumn = 13;
inline constexpr int kDiatonicColumn = 14;   // + the tonic's pitch class
inline constexpr int kNoteBarColumn = 26;
inline constexpr int kCursorLineColumn = 29;
inline const QColor kNoteBarGreen{0, 191, 0};
inline const QColor kCursorLineGreen{90, 180, 90};

// 31 x 557: rows 0..27 are the header band (black); from row 28 each semitone has six rows,
// MIDI 108 first. In the diatonic columns a band is the pitch range that snaps to one degree
// of the major scale of that tonic.
QImage patternPicture();

}  // namespace hummwell::pictures
