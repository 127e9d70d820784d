#include "NoteDrag.h"

#include "Navigation.h"
#include "view/NoteGeometry.h"
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
    for (int i = v.selection.noteStart; i < v.selection.noteEnd; ++i) {
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
bool topTarget(const ViewState& v, int y, int grabY, PitchScale& scale, int& top) {
    top = std::min(y - grabY, v.selection.noteBottom - kMinNoteRows);
    top = std::max(top, noteTopRow(kHighestPitch));  // no pitch lies above that row's
    if (top == v.selection.noteTop) return false;
    const double target = std::min(kHighestPitch - (top - 25) / kRowsPerSemitone, kHighestPitch);
    const Extremes x = extremesOf(v);
    scale.fixed = x.lowest;
    scale.k = (!x.pitched || x.highest == x.lowest) ? 1.0
                                                     : (target - x.lowest) / (x.highest - x.lowest);
    return true;
}

// The bottom edge's new row, and the scale that brings the lowest pitch to it with the
// highest fixed.
bool bottomTarget(const ViewState& v, int y, int grabY, PitchScale& scale, int& bottom) {
    bottom = std::max(y - grabY + v.selection.noteHeight, v.selection.noteTop + kMinNoteRows);
    bottom = std::min(bottom, noteBottomRow(kLowestPitch));
    if (bottom == v.selection.noteBottom) return false;
    const double target = std::max(kHighestPitch - (bottom - 31) / kRowsPerSemitone, kLowestPitch);
    const Extremes x = extremesOf(v);
    scale.fixed = x.highest;
    scale.k = (!x.pitched || x.highest == x.lowest) ? 1.0
                                                     : (x.highest - target) / (x.highest - x.lowest);
    return true;
}

// The right edge's new end frame: at least five frames long when shrinking, over rests only
// when growing.
int rightTarget(const ViewState& v, int x, int grabX, bool shift) {
    const int n = v.frameCount();
    const int s = v.selection.noteStart;
    const int e = v.selection.noteEnd;
    int end = std::clamp(x - grabX + (e - s), 0, n - 1);
    if (shift) end = snapToBeat(v, end);
    if (end < e) return std::min(std::max(end, s + kMinNoteFrames), e);
    int reach = e;
    while (reach < end && v.track.mark[reach] == kMarkRest) ++reach;
    return reach;
}

int leftTarget(const ViewState& v, int x, int grabX, bool shift) {
    const int n = v.frameCount();
    const int s = v.selection.noteStart;
    const int e = v.selection.noteEnd;
    int start = std::clamp(x - grabX, 0, n - 1);
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
    const std::vector<Frame> old = framesOf(t, v.selection.noteStart, v.selection.noteEnd);
    for (int i = v.selection.noteStart; i < v.selection.noteEnd; ++i)
        if (i < first || i >= end) t.set(i, Frame{});
    for (int i = first; i < end; ++i) {
        Frame f = old[source[i - first] - v.selection.noteStart];
        f.pitch = scale(f.pitch);
        f.mark = i == first ? kMarkOnset : kMarkContinue;
        t.set(i, f);
    }
}

// The right edge moved to `end`: the frames are spread over the new span with the last frame
// fixed. Growing, the fill runs from the end down and the frames below the first one that
// maps onto itself keep their place.
void resampleRight(ViewState& v, int end, const PitchScale& scale) {
    const int s = v.selection.noteStart;
    const int e = v.selection.noteEnd;
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
    const int s = v.selection.noteStart;
    const int e = v.selection.noteEnd;
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

}  // namespace

enum Horizontal { kNoHorizontal, kLeftEdge, kRightEdge };
enum Vertical { kNoVertical, kTopEdge, kBottomEdge };

// The edges and corners: a corner computes its pitch scale first, then resamples in time
// with every frame's pitch scaled on the way.
void NoteDrag::reshape(ViewState& v, int x, int y, bool shift, int h, int vertical) {
    PitchScale scale;
    int top = v.selection.noteTop;
    int bottom = v.selection.noteBottom;
    bool rows = false;
    if (vertical == kTopEdge) rows = topTarget(v, y, grabY_, scale, top);
    if (vertical == kBottomEdge) rows = bottomTarget(v, y, grabY_, scale, bottom);
    const int s = v.selection.noteStart;
    const int e = v.selection.noteEnd;
    const int start = h == kLeftEdge ? leftTarget(v, x, grabX_, shift) : s;
    const int end = h == kRightEdge ? rightTarget(v, x, grabX_, shift) : e;
    if (!rows && start == s && end == e) return;

    // An unchanged span resamples onto itself.
    if (h == kLeftEdge) resampleLeft(v, start, scale);
    else resampleRight(v, end, scale);
    requantizeSpan(v, std::min(s, start), std::max(e, end));

    grabX_ += end - e;  // the pointer keeps its place on the moving right edge
    v.selection.noteStart = start;
    v.selection.noteEnd = end;
    v.selection.noteWidth = end - start;
    if (rows && vertical == kTopEdge) v.selection.noteTop = top;
    if (rows && vertical == kBottomEdge) {
        grabY_ += bottom - v.selection.noteBottom;
        v.selection.noteBottom = bottom;
    }
    v.selection.noteHeight = v.selection.noteBottom - v.selection.noteTop;
}

// Moves the note in time, over rests only, and in pitch by whole rows.
void NoteDrag::moveNote(ViewState& v, int x, int y, bool shift) {
    FrameTrack& t = v.track;
    const int n = v.frameCount();
    const int s = v.selection.noteStart;
    const int e = v.selection.noteEnd;
    const int width = e - s;
    int start = std::clamp(x - grabX_, 0, n - 1);
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
    int top = y - grabY_;
    if (top < v.selection.noteTop) top = std::max(top, std::min(kPitchTopRow, v.selection.noteTop));
    else top = std::min(top, std::max(kPitchBottomRow - v.selection.noteHeight, v.selection.noteTop));
    if (start == s && top == v.selection.noteTop) return;

    const double down = (top - v.selection.noteTop) / kRowsPerSemitone;
    const std::vector<Frame> old = framesOf(t, s, e);
    for (int i = s; i < e; ++i) t.set(i, Frame{});
    for (int j = 0; j < width; ++j) {
        Frame f = old[j];
        if (f.pitch >= 1.0) f.pitch = std::clamp(f.pitch - down, kLowestPitch, kHighestPitch);
        t.set(start + j, f);
    }
    requantizeSpan(v, std::min(s, start), std::max(e, end));
    v.selection.noteStart = start;
    v.selection.noteEnd = end;
    v.selection.noteTop = top;
    v.selection.noteBottom = top + v.selection.noteHeight;
}

void NoteDrag::press(ViewState& v) {
    buttonDown_ = true;
    v.history.holdGesture(true);
}

void NoteDrag::beginRange(ViewState& v, int f) {
    v.selection.rangeStart = v.selection.rangeEnd = f;
    press(v);
}

namespace {

// The range follows the pointer: it ends at the frame under x.
void extendRange(ViewState& v, int x, bool shift) {
    int f = std::clamp(frameAtX(v, x), 0, v.frameCount() - 1);
    if (shift) f = snapToBeat(v, f);
    v.selection.rangeEnd = f;
    v.selection.rangeSelected = v.selection.rangeStart != f;
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

void NoteDrag::grab(const ViewState& v, int kind, int x, int y) {
    dragKind_ = kind;
    grabX_ = x - v.selection.noteStart;
    grabY_ = y - v.selection.noteTop;
}

void NoteDrag::selectNoteAt(ViewState& v, int x, int y) {
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
    v.selection.noteStart = s;
    v.selection.noteEnd = std::max(e, s);
    v.selection.noteTop = noteTopRow(highest);
    v.selection.noteBottom = noteBottomRow(lowest);
    v.selection.noteHeight = v.selection.noteBottom - v.selection.noteTop;
    v.selection.noteWidth = v.selection.noteEnd - v.selection.noteStart;
    grab(v, kDragMove, x, y);
    v.selection.rangeSelected = false;
    v.selection.noteSelected = true;
    press(v);
}

int trackerHitAt(const ViewState& v, int x, int y) {
    if (!v.selection.noteSelected) return kDragNone;
    const int h = kHandleSize;
    const int left = xOfFrame(v, v.selection.noteStart);
    const int right = xOfFrame(v, v.selection.noteEnd);
    const int top = v.selection.noteTop;
    const int bottom = v.selection.noteBottom;
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

void NoteDrag::leftButtonDown(ViewState& v, int x, int y, bool shift) {
    if (!idle(v)) return;
    v.history.begin(v, StepKind::Gesture);  // the whole gesture, however many drag steps, is one
    const int f = frameAtX(v, x);
    // The handles lie outside the note, so they may lie beyond the track's ends.
    const bool onHandle = v.selection.noteSelected && trackerHitAt(v, x, y) != kDragNone;
    if ((f < 0 || f >= v.frameCount() - 1) && !onHandle) {
        v.clearSelection();
    } else if (v.selection.rangeSelected) {
        v.selection.rangeSelected = false;
        beginRange(v, shift ? snapToBeat(v, f) : f);
    } else if (v.selection.noteSelected) {
        const int hit = trackerHitAt(v, x, y);
        if (hit == kDragNone) {
            dragKind_ = kDragNone;
            if (isOnNote(v, x, y)) {
                selectNoteAt(v, x, y);
            } else {
                v.selection.noteSelected = false;
                beginRange(v, f);
            }
        } else {
            grab(v, hit, x, y);
            press(v);
        }
    } else if (isOnNote(v, x, y)) {
        selectNoteAt(v, x, y);
    } else {
        beginRange(v, shift ? snapToBeat(v, f) : f);
    }
    lastX_ = x;
    lastY_ = y;
    pointerMoved_ = false;
    v.surface.repaint();
    if (!buttonDown_) v.history.end(v);  // a press off the track starts no drag
}

void NoteDrag::pointerMove(ViewState& v, int x, int y, PointerFlags flags) {
    if (!flags.button && !flags.shift && !flags.ctrl) {
        leftButtonUp(v, x, y, false);
        return;
    }
    if (!idle(v) || !buttonDown_) return;
    pointerMoved_ = x != lastX_ || y != lastY_;
    if (!pointerMoved_) return;
    lastX_ = x;
    lastY_ = y;
    if (v.selection.noteSelected) {
        dragSelectedNote(v, x, y, flags.shift);
        if (v.scrubOn) v.output.resoundCursor();
    } else {
        extendRange(v, x, flags.shift);
    }
    v.surface.repaint();
}

void NoteDrag::leftButtonUp(ViewState& v, int x, int y, bool shift) {
    if (!buttonDown_) return;
    buttonDown_ = false;
    v.history.holdGesture(false);
    if (pointerMoved_) {
        pointerMoved_ = false;
        if (!idle(v)) return;  // the transport moved on during the gesture
        if (v.selection.noteSelected) dragSelectedNote(v, x, y, shift);
        else extendRange(v, x, shift);
    }
    v.surface.repaint();
    v.history.end(v);
}

void NoteDrag::dragSelectedNote(ViewState& v, int x, int y, bool shift) {
    if (!idle(v) || !v.selection.noteSelected || v.selection.noteEnd <= v.selection.noteStart) return;
    switch (dragKind_) {
    case kDragMove: moveNote(v, x, y, shift); break;
    case kDragRight: reshape(v, x, y, shift, kRightEdge, kNoVertical); break;
    case kDragLeft: reshape(v, x, y, shift, kLeftEdge, kNoVertical); break;
    case kDragTop: reshape(v, x, y, shift, kNoHorizontal, kTopEdge); break;
    case kDragBottom: reshape(v, x, y, shift, kNoHorizontal, kBottomEdge); break;
    case kDragTopLeft: reshape(v, x, y, shift, kLeftEdge, kTopEdge); break;
    case kDragTopRight: reshape(v, x, y, shift, kRightEdge, kTopEdge); break;
    case kDragBottomRight: reshape(v, x, y, shift, kRightEdge, kBottomEdge); break;
    case kDragBottomLeft: reshape(v, x, y, shift, kLeftEdge, kBottomEdge); break;
    default: break;
    }
}

}  // namespace hummwell
