// What the note view shows, worked out without drawing: the note bars of each key and scale,
// the grid's beat and measure lines, which slices of which picture a paint copies where, and
// the control panel's readouts. The CVtView widget and its pictures follow these.
#pragma once

#include "document/ProjectSettings.h"
#include "document/ViewState.h"
#include "view/NoteGeometry.h"

#include <array>
#include <string>
#include <vector>

namespace hummwell {

inline constexpr int kLowestBarNote = 21;
inline constexpr int kHighestBarNote = 108;
inline constexpr int kHeaderLineRow = 14;

// The loudness meter's line in the header for one frame: rows top .. bottom.
struct MeterRows {
    int top, bottom;
};
MeterRows meterRows(double volume);

struct NoteBar {
    int top = 0;
    int height = 0;  // 0: no bar
};

// A bar per MIDI note 21 .. 108: in the chromatic scale the note's band less its top row, in
// a diatonic scale the band of the pitches that snap to its degree; notes off the scale and
// outside 21 .. 108 have none.
class NoteBarTable {
public:
    NoteBarTable() { rebuild(0, 0); }
    void rebuild(int scale, int keyOffset);
    NoteBar bar(int note) const;

private:
    std::array<NoteBar, kHighestBarNote - kLowestBarNote + 1> bars_{};
};

// The grid's vertical lines for a speed and metre, in picture columns below `columns`.
// Column 0 is always a measure line.
struct GridLines {
    std::vector<int> beats;
    std::vector<int> measures;
    // The smallest offset k >= 0 that puts a measure line at column from + k: a filler that
    // starts there continues the measures in step.
    int measurePhase(int from) const;
    // How far `column` lies past the last measure line at or before it.
    int sinceMeasure(int column) const;
};
GridLines gridLines(double beatMs, int beatsPerMeasure, int columns);

enum class Picture { Grid, Track, Ahead };

// One block copy: columns sourceX .. sourceX + width - 1 of a picture to client x.
struct Slice {
    Picture source;
    int sourceX;
    int clientX;
    int width;
    bool operator==(const Slice&) const = default;
};

struct Readouts {
    std::string time, pitch, volume;  // all empty when the cursor is outside the track
};

// Everything one paint does, for a client `width` columns wide: at most five copies, the
// cursor line, and either an inverted range or a tracker.
struct PaintPlan {
    std::vector<Slice> slices;
    int cursorX = 0;
    bool countIn = false;  // the count-in's second line, while a take counts in
    int countInX = 0;
    bool invert = false;
    int invertX = 0, invertWidth = 0;
    bool tracker = false;
    int trackerLeft = 0, trackerRight = 0, trackerTop = 0, trackerBottom = 0;
    Readouts readouts;
};
// The caller holds the view's take lock while a take runs. `aheadColumns` is the width of
// the empty grid shown right of the cursor during a take.
PaintPlan planPaint(const ViewState& view, const GridLines& lines, int width, int aheadColumns = 0);

Readouts readoutsFor(const ViewState& view);

}  // namespace hummwell
