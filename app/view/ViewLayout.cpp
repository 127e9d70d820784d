#include "view/ViewLayout.h"

#include "document/FrameTrack.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace hummwell {

namespace {

constexpr int kAsIsLoudnessCap = 127;
constexpr int kQuantizedLoudness = 64;

// The part of a logical stretch [logical, logical + width) that falls inside the client,
// whose column 0 is logical column `scroll`.
void addSlice(std::vector<Slice>& out, Picture p, int sourceX, int logical, int width, int scroll,
              int clientWidth) {
    int clientX = logical - scroll;
    if (clientX < 0) {
        sourceX -= clientX;
        width += clientX;
        clientX = 0;
    }
    width = std::min(width, clientWidth - clientX);
    if (width > 0) out.push_back({p, sourceX, clientX, width});
}

std::string format(const char* pattern, auto... values) {
    char text[48];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

}  // namespace

MeterRows meterRows(double volume) {
    const int h = std::clamp(static_cast<int>(std::trunc(volume * (1.0 / 127) * 13)), 0, 14);
    // Centred on the header line; the loudest frames fill the band but stay out of the
    // pitch rows.
    return {kHeaderLineRow - h, std::min(h + 15, kHeaderRows - 1)};
}

void NoteBarTable::rebuild(int scale, int keyOffset) {
    for (int n = kLowestBarNote; n <= kHighestBarNote; ++n) {
        NoteBar& b = bars_[n - kLowestBarNote];
        if (scale == 0) {
            b = {677 - 6 * n, 5};
            continue;
        }
        switch (((n + keyOffset - 12) % 12 + 12) % 12) {  // the degree above the tonic
        case 0:
        case 5: b = {674 - 6 * n, 8}; break;
        case 2:
        case 7:
        case 9: b = {674 - 6 * n, 11}; break;
        case 4:
        case 11: b = {677 - 6 * n, 8}; break;
        default: b = {0, 0}; break;
        }
    }
}

NoteBar NoteBarTable::bar(int note) const {
    if (note < kLowestBarNote || note > kHighestBarNote) return {};
    return bars_[note - kLowestBarNote];
}

GridLines gridLines(double beatMs, int beats, int columns) {
    GridLines g;
    g.measures.push_back(0);
    double t = 0.0;
    int c = 0;
    while (true) {
        t = std::trunc(t + beatMs);
        const int x = static_cast<int>(std::ceil(t * kFramesPerMs));
        if (x >= columns) break;
        if (++c == beats) {
            c = 0;
            g.measures.push_back(x);
        } else {
            g.beats.push_back(x);
        }
    }
    return g;
}

int GridLines::measurePhase(int from) const {
    const auto it = std::lower_bound(measures.begin(), measures.end(), from);
    return it == measures.end() ? 0 : *it - from;
}

int GridLines::sinceMeasure(int column) const {
    const auto it = std::upper_bound(measures.begin(), measures.end(), column);
    return it == measures.begin() ? column : column - *(it - 1);
}

Readouts readoutsFor(const ViewState& v) {
    const int n = v.frameCount();
    const int c = v.cursorFrame;
    if (v.transportState == kEmptyProject || c < 0 || c >= n) return {};
    Readouts r;
    const int ms = v.cursorMs();
    r.time = format("%02d:%02d:%03d", ms / 60000, ms / 1000 % 60, ms % 1000);
    const bool asIs = v.settings.get(Setting::QuantizeMode) == kAsIs;
    if (v.transportState == kRecording) {
        // The frame just recorded: the one at the cursor is the next to be written.
        const int f = c - 1;
        if (f < v.takeStart()) return r;
        if (v.track.pitch[f] >= 1.0) r.pitch = format("%06.2f", v.track.pitch[f]);
        r.volume = format("%d", std::min(static_cast<int>(v.track.volume[f]), kAsIsLoudnessCap));
        return r;
    }
    const double pitch = v.track.pitch[c];
    r.pitch = asIs ? format("%06.2f", pitch) : format("%03d", v.track.note[c]);
    const int loudness =
        asIs ? std::min(static_cast<int>(v.track.volume[c]), kAsIsLoudnessCap) : kQuantizedLoudness;
    r.volume = v.transportState == kPlaying ? format("%d", loudness)
                                            : format("%d %d", loudness, v.track.mark[c]);
    return r;
}

PaintPlan planPaint(const ViewState& v, const GridLines& lines, int width, int aheadColumns) {
    PaintPlan plan;
    const int half = width / 2;
    const int n = v.frameCount();
    const int c = v.cursorFrame;
    plan.cursorX = half;
    plan.readouts = readoutsFor(v);
    const int leftPhase = lines.measurePhase(half);
    if (v.transportState == kEmptyProject) {
        plan.slices.push_back({Picture::Grid, leftPhase, 0, width});
        return plan;
    }
    // Logical column half + f holds frame f; the client starts at logical column c.
    addSlice(plan.slices, Picture::Grid, leftPhase, 0, half, c, width);
    if (v.transportState == kRecording) {
        // The frames recorded so far end at the cursor; right of it the empty grid waits,
        // in step with the cursor since the take began.
        addSlice(plan.slices, Picture::Track, 0, half, c, c, width);
        const int ahead = c - v.takeStart();
        if (ahead >= 0 && ahead + width - half <= aheadColumns)
            plan.slices.push_back({Picture::Ahead, ahead, half, width - half});
        else
            addSlice(plan.slices, Picture::Grid, c, half + c, width - half, c, width);
        const int counter = v.preRollCounter();
        if (counter < 0 && counter > -half) {
            plan.countIn = true;
            plan.countInX = half + counter;
        }
        return plan;
    }
    addSlice(plan.slices, Picture::Track, 0, half, n, c, width);
    // After the track the grid goes on from the track's own columns where the picture has
    // them, else from the same place in the first measure.
    const int gridColumns = lines.measures.empty() ? 0 : v.maxFrames;
    const int after = n + half <= gridColumns ? n : lines.sinceMeasure(n);
    addSlice(plan.slices, Picture::Grid, after, half + n, width - half, c, width);

    if (v.transportState != kIdle) return plan;
    if (v.selection.rangeSelected && v.selection.rangeStart != v.selection.rangeEnd) {
        const int first = std::min(v.selection.rangeStart, v.selection.rangeEnd);
        const int last = std::max(v.selection.rangeStart, v.selection.rangeEnd);
        const int left = std::max(first - c + half, 0);
        const int right = std::min(last - c + half, width);
        if (right > left) {
            plan.invert = true;
            plan.invertX = left;
            plan.invertWidth = right - left;
        }
    } else if (v.selection.noteSelected) {
        plan.tracker = true;
        plan.trackerLeft = v.selection.noteStart - c + half;
        plan.trackerRight = v.selection.noteEnd - c + half;
        plan.trackerTop = v.selection.noteTop;
        plan.trackerBottom = v.selection.noteBottom;
    }
    return plan;
}

}  // namespace hummwell
