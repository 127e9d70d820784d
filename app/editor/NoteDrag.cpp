#include "NoteDrag.h"

#include "Navigation.h"
#include "NoteGeometry.h"
#include "document/ViewState.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace hummwell {

namespace {

constexpr double kOnNoteSemitones = 0.8;

bool idle(const ViewState& v) { return v.transportState == kIdle; }

int roundHalfUp(double x) { return static_cast<int>(std::floor(x + 0.5)); }

std::vector<Frame> framesOf(const FrameTrack& t, int first, int end) {
    std::vector<Frame> out;
    out.reserve(end - first);
    for (int i = first; i < end; ++i) out.push_back(t.frame(i));
    return out;
}

// Re-quantizes the frames a drag touched, with the neighbours whose notes it may have cut.
void requantizeSpan(ViewState& v, int first, int end) { v.requantize(first - 1, end - first + 2); }

// The highest and lowest pitch of the selected note, held to the playable range. Unpitched
// frames take no part: they stay unpitched through every reshaping.
struct Extremes {
    double highest = kLowestPitch;
    double lowest = kHighestPitch;
    bool pitched = false;
};

Extremes extremesOf(const ViewState& v) {
    Extremes x;
    for (int i = v.noteStart; i < v.noteEnd; ++i) {
        const double p = v.track.pitch[i];
        if (p < 1.0) continue;
        x.highest = std::max(x.highest, p);
        x.lowest = std::min(x.lowest, p);
        x.pitched = true;
    }
    x.lowest = std::max(x.lowest, kLowestPitch);
    x.highest = std::min(x.highest, kHighestPitch);
    return x;
}

// Every pitch moves away from or towards `fixed` by the factor k; k = 1 leaves them.
struct PitchScale {
    double fixed = 0.0;
    double k = 1.0;
    double operator()(double p) const { return p < 1.0 ? p : fixed + (p - fixed) * k; }
};

// The top edge's new row for a pointer at y, and the scale that brings the highest pitch to
// it with the lowest fixed. False when the edge stays.
bool topTarget(const ViewState& v, int y, PitchScale& scale, int& top) {
    top = std::min(y - v.grabOffsetY, v.noteBottom - kMinNoteRows);
    top = std::max(top, noteTopRow(kHighestPitch));  // no pitch lies above that row's
    if (top == v.noteTop) return false;
    const double target = std::min(kHighestPitch - (top - 25) / kRowsPerSemitone, kHighestPitch);
    const Extremes x = extremesOf(v);
    scale.fixed = x.lowest;
    scale.k = (!x.pitched || x.highest == x.lowest) ? 1.0
                                                     : (target - x.lowest) / (x.highest - x.lowest);
    return true;
}

// The bottom edge's new row, and the scale that brings the lowest pitch to it with the
// highest fixed.
bool bottomTarget(const ViewState& v, int y, PitchScale& scale, int& bottom) {
    bottom = std::max(y - v.grabOffsetY + v.noteHeight, v.noteTop + kMinNoteRows);
    bottom = std::min(bottom, noteBottomRow(kLowestPitch));
    if (bottom == v.noteBottom) return false;
    const double target = std::max(kHighestPitch - (bottom - 31) / kRowsPerSemitone, kLowestPitch);
    const Extremes x = extremesOf(v);
    scale.fixed = x.highest;
    scale.k = (!x.pitched || x.highest == x.lowest) ? 1.0
                                                     : (x.highest - target) / (x.highest - x.lowest);
    return true;
}

// The right edge's new end frame: at least five frames long when shrinking, over rests only
// when growing.
int rightTarget(const ViewState& v, int x, bool shift) {
    const int n = v.frameCount();
    const int s = v.noteStart;
    const int e = v.noteEnd;
    int end = std::clamp(x - v.grabOffsetX + (e - s), 0, n - 1);
    if (shift) end = snapToBeat(v, end);
    if (end < e) return std::min(std::max(end, s + kMinNoteFrames), e);
    int reach = e;
    while (reach < end && v.track.mark[reach] == kMarkRest) ++reach;
    return reach;
}

int leftTarget(const ViewState& v, int x, bool shift) {
    const int n = v.frameCount();
    const int s = v.noteStart;
    const int e = v.noteEnd;
    int start = std::clamp(x - v.grabOffsetX, 0, n - 1);
    if (shift) start = snapToBeat(v, start);
    if (start > s) return std::max(std::min(start, e - kMinNoteFrames), s);
    int reach = s;
    while (reach > start && v.track.mark[reach - 1] == kMarkRest) --reach;
    return reach;
}

// Writes the note resampled onto [first, end): frame i takes the old frame source[i - first]
// with its pitch scaled, the first frame as the onset. Old frames the new span gave up become
// rests.
void writeResampled(ViewState& v, int first, int end, const std::vector<int>& source,
                    const PitchScale& scale) {
    FrameTrack& t = v.track;
    const std::vector<Frame> old = framesOf(t, v.noteStart, v.noteEnd);
    for (int i = v.noteStart; i < v.noteEnd; ++i)
        if (i < first || i >= end) t.set(i, Frame{});
    for (int i = first; i < end; ++i) {
        Frame f = old[source[i - first] - v.noteStart];
        f.pitch = scale(f.pitch);
        f.mark = i == first ? kMarkOnset : kMarkContinue;
        t.set(i, f);
    }
}

// The right edge moved to `end`: the frames are spread over the new span with the last frame
// fixed. Growing, the fill runs from the end down and the frames below the first one that
// maps onto itself keep their place.
void resampleRight(ViewState& v, int end, const PitchScale& scale) {
    const int s = v.noteStart;
    const int e = v.noteEnd;
    const double r = static_cast<double>(end - s) / (e - s);
    const bool growing = end > e;
    std::vector<int> source(end - s);
    source[0] = s;
    bool settled = false;
    for (int i = end - 1; i > s; --i) {
        const int from = settled ? i : std::max(s, e - 1 - roundHalfUp((end - 1 - i) / r));
        source[i - s] = from;
        if (growing && from == i) settled = true;
    }
    writeResampled(v, s, end, source, scale);
}

// The left edge moved to `start`: the mirror image, filled upwards when growing.
void resampleLeft(ViewState& v, int start, const PitchScale& scale) {
    const int s = v.noteStart;
    const int e = v.noteEnd;
    const double r = static_cast<double>(e - start) / (e - s);
    const bool growing = start < s;
    std::vector<int> source(e - start);
    bool settled = false;
    for (int i = start; i < e; ++i) {
        const int from = settled ? i : std::max(s, e - 1 - roundHalfUp((e - 1 - i) / r));
        source[i - start] = from;
        if (growing && from == i) settled = true;
    }
    writeResampled(v, start, e, source, scale);
}

enum class Horizontal { None, Left, Right };
enum class Vertical { None, Top, Bottom };

// The edges and corners: a corner computes its pitch scale first, then resamples in time
// with every frame's pitch scaled on the way.
void reshape(ViewState& v, int x, int y, bool shift, Horizontal h, Vertical vertical) {
    PitchScale scale;
    int top = v.noteTop;
    int bottom = v.noteBottom;
    bool rows = false;
    if (vertical == Vertical::Top) rows = topTarget(v, y, scale, top);
    if (vertical == Vertical::Bottom) rows = bottomTarget(v, y, scale, bottom);
    const int s = v.noteStart;
    const int e = v.noteEnd;
    const int start = h == Horizontal::Left ? leftTarget(v, x, shift) : s;
    const int end = h == Horizontal::Right ? rightTarget(v, x, shift) : e;
    if (!rows && start == s && end == e) return;

    // An unchanged span resamples onto itself.
    if (h == Horizontal::Left) resampleLeft(v, start, scale);
    else resampleRight(v, end, scale);
    requantizeSpan(v, std::min(s, start), std::max(e, end));

    v.grabOffsetX += end - e;  // the pointer keeps its place on the moving right edge
    v.noteStart = start;
    v.noteEnd = end;
    v.noteWidth = end - start;
    if (rows && vertical == Vertical::Top) v.noteTop = top;
    if (rows && vertical == Vertical::Bottom) {
        v.grabOffsetY += bottom - v.noteBottom;
        v.noteBottom = bottom;
    }
    v.noteHeight = v.noteBottom - v.noteTop;
}

// Moves the note in time, over rests only, and in pitch by whole rows.
void moveNote(ViewState& v, int x, int y, bool shift) {
    FrameTrack& t = v.track;
    const int n = v.frameCount();
    const int s = v.noteStart;
    const int e = v.noteEnd;
    const int width = e - s;
    int start = std::clamp(x - v.grabOffsetX, 0, n - 1);
    if (shift) start = snapToBeat(v, start);
    int end = 0;
    if (start >= s) {
        const int wanted = std::min(start + width, n - 1);
        end = e;
        while (end < wanted && t.mark[end] == kMarkRest) ++end;
        start = end - width;
    } else {
        int reach = s;
        while (reach > start && t.mark[reach - 1] == kMarkRest) --reach;
        start = reach;
        end = start + width;
    }
    int top = y - v.grabOffsetY;
    if (top < v.noteTop) top = std::max(top, std::min(kPitchTopRow, v.noteTop));
    else top = std::min(top, std::max(kPitchBottomRow - v.noteHeight, v.noteTop));
    if (start == s && top == v.noteTop) return;

    const double down = (top - v.noteTop) / kRowsPerSemitone;
    const std::vector<Frame> old = framesOf(t, s, e);
    for (int i = s; i < e; ++i) t.set(i, Frame{});
    for (int j = 0; j < width; ++j) {
        Frame f = old[j];
        if (f.pitch >= 1.0) f.pitch = std::clamp(f.pitch - down, kLowestPitch, kHighestPitch);
        t.set(start + j, f);
    }
    requantizeSpan(v, std::min(s, start), std::max(e, end));
    v.noteStart = start;
    v.noteEnd = end;
    v.noteTop = top;
    v.noteBottom = top + v.noteHeight;
}

void beginRange(ViewState& v, int f) {
    v.rangeStart = v.rangeEnd = f;
    v.buttonDown = true;
}

// The range follows the pointer: it ends at the frame under x.
void extendRange(ViewState& v, int x, bool shift) {
    int f = std::clamp(frameAtX(v, x), 0, v.frameCount() - 1);
    if (shift) f = snapToBeat(v, f);
    v.rangeEnd = f;
    v.rangeSelected = v.rangeStart != f;
}

}  // namespace

bool isOnNote(const ViewState& v, int x, int y) {
    const int f = frameAtX(v, x);
    if (f < 0 || f >= v.frameCount() - 1) return false;
    const double p = pitchAtRow(y);
    const auto near = [p](double q) { return q > p - kOnNoteSemitones && q < p + kOnNoteSemitones; };
    const FrameTrack& t = v.track;
    if (near(t.pitch[f])) return true;
    // Between two frames of a note, the segment that joins them counts too.
    if (t.mark[f] == kMarkContinue) return f > 0 && near(t.pitch[f - 1]);
    if (t.mark[f + 1] == kMarkContinue) return near(t.pitch[f + 1]);
    return false;
}

void selectNoteAt(ViewState& v, int x, int y) {
    const int n = v.frameCount();
    const FrameTrack& t = v.track;
    const int f = std::clamp(frameAtX(v, x), 0, n - 1);
    int s = f;
    while (s > 0 && t.mark[s] != kMarkOnset) --s;
    int e = s + 1;
    while (e < n - 1 && t.mark[e] == kMarkContinue) ++e;
    e = std::min(e, n - 1);
    double highest = t.pitch[s];
    double lowest = t.pitch[s];
    for (int i = s; i < e; ++i) {
        if (t.pitch[i] < 1.0) continue;
        if (highest < 1.0) highest = lowest = t.pitch[i];
        highest = std::max(highest, t.pitch[i]);
        lowest = std::min(lowest, t.pitch[i]);
    }
    v.noteStart = s;
    v.noteEnd = std::max(e, s);
    v.noteTop = noteTopRow(highest);
    v.noteBottom = noteBottomRow(lowest);
    v.noteHeight = v.noteBottom - v.noteTop;
    v.noteWidth = v.noteEnd - v.noteStart;
    v.dragKind = kDragMove;
    v.grabOffsetX = x - v.noteStart;
    v.grabOffsetY = y - v.noteTop;
    v.rangeSelected = false;
    v.noteSelected = true;
    v.buttonDown = true;
}

int trackerHitAt(const ViewState& v, int x, int y) {
    if (!v.noteSelected) return kDragNone;
    const int h = kHandleSize;
    const int left = xOfFrame(v, v.noteStart);
    const int right = xOfFrame(v, v.noteEnd);
    const int top = v.noteTop;
    const int bottom = v.noteBottom;
    const int midX = (left + right) / 2 - h / 2;
    const int midY = (top + bottom) / 2 - h / 2;
    const auto in = [x, y, h](int x0, int y0) {
        return x >= x0 && x < x0 + h && y >= y0 && y < y0 + h;
    };
    if (in(left - h, top - h)) return kDragTopLeft;
    if (in(right, top - h)) return kDragTopRight;
    if (in(right, bottom)) return kDragBottomRight;
    if (in(left - h, bottom)) return kDragBottomLeft;
    if (in(midX, top - h)) return kDragTop;
    if (in(right, midY)) return kDragRight;
    if (in(midX, bottom)) return kDragBottom;
    if (in(left - h, midY)) return kDragLeft;
    // Inside, or on the hatched border between the handles.
    if (x >= left - h && x < right + h && y >= top - h && y < bottom + h) return kDragMove;
    return kDragNone;
}

void leftButtonDown(ViewState& v, int x, int y, bool shift) {
    if (!idle(v)) return;
    v.history.begin(v, StepKind::Gesture);  // the whole gesture, however many drag steps, is one
    const int f = frameAtX(v, x);
    // The handles lie outside the note, so they may lie beyond the track's ends.
    const bool onHandle = v.noteSelected && trackerHitAt(v, x, y) != kDragNone;
    if ((f < 0 || f >= v.frameCount() - 1) && !onHandle) {
        v.clearSelection();
    } else if (v.rangeSelected) {
        v.rangeSelected = false;
        beginRange(v, shift ? snapToBeat(v, f) : f);
    } else if (v.noteSelected) {
        const int hit = trackerHitAt(v, x, y);
        if (hit == kDragNone) {
            v.dragKind = kDragNone;
            if (isOnNote(v, x, y)) {
                selectNoteAt(v, x, y);
            } else {
                v.noteSelected = false;
                beginRange(v, f);
            }
        } else {
            v.dragKind = hit;
            v.grabOffsetX = x - v.noteStart;
            v.grabOffsetY = y - v.noteTop;
            v.buttonDown = true;
        }
    } else if (isOnNote(v, x, y)) {
        selectNoteAt(v, x, y);
    } else {
        beginRange(v, shift ? snapToBeat(v, f) : f);
    }
    v.lastPointerX = x;
    v.lastPointerY = y;
    v.pointerMoved = false;
    v.surface.repaint();
    if (!v.buttonDown) v.history.end(v);  // a press off the track starts no drag
}

void pointerMove(ViewState& v, int x, int y, PointerFlags flags) {
    if (!flags.button && !flags.shift && !flags.ctrl) {
        leftButtonUp(v, x, y, false);
        return;
    }
    if (!idle(v) || !v.buttonDown) return;
    v.pointerMoved = x != v.lastPointerX || y != v.lastPointerY;
    if (!v.pointerMoved) return;
    v.lastPointerX = x;
    v.lastPointerY = y;
    if (v.noteSelected) {
        dragSelectedNote(v, x, y, flags.shift);
        if (v.scrubOn) v.output.resoundCursor();
    } else {
        extendRange(v, x, flags.shift);
    }
    v.surface.repaint();
}

void leftButtonUp(ViewState& v, int x, int y, bool shift) {
    if (!v.buttonDown) return;
    v.buttonDown = false;
    if (v.pointerMoved) {
        v.pointerMoved = false;
        if (!idle(v)) return;  // the transport moved on during the gesture
        if (v.noteSelected) dragSelectedNote(v, x, y, shift);
        else extendRange(v, x, shift);
    }
    v.surface.repaint();
    v.history.end(v);
}

void dragSelectedNote(ViewState& v, int x, int y, bool shift) {
    if (!idle(v) || !v.noteSelected || v.noteEnd <= v.noteStart) return;
    switch (v.dragKind) {
    case kDragMove: moveNote(v, x, y, shift); break;
    case kDragRight: reshape(v, x, y, shift, Horizontal::Right, Vertical::None); break;
    case kDragLeft: reshape(v, x, y, shift, Horizontal::Left, Vertical::None); break;
    case kDragTop: reshape(v, x, y, shift, Horizontal::None, Vertical::Top); break;
    case kDragBottom: reshape(v, x, y, shift, Horizontal::None, Vertical::Bottom); break;
    case kDragTopLeft: reshape(v, x, y, shift, Horizontal::Left, Vertical::Top); break;
    case kDragTopRight: reshape(v, x, y, shift, Horizontal::Right, Vertical::Top); break;
    case kDragBottomRight: reshape(v, x, y, shift, Horizontal::Right, Vertical::Bottom); break;
    case kDragBottomLeft: reshape(v, x, y, shift, Horizontal::Left, Vertical::Bottom); break;
    default: break;
    }
}

}  // namespace hummwell
