#include "UndoHistory.h"

#include "ViewState.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

namespace hummwell {

namespace {

bool quiet(const ViewState& v) { return v.transportState == kIdle || v.transportState == kEmptyProject; }

// Bit for bit, so that a restored frame is the very frame that was there.
bool same(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

bool sameEvidence(const FrameEvidence& a, const FrameEvidence& b) {
    return same(a.level, b.level) && same(a.pitch, b.pitch) && same(a.clarity, b.clarity) && a.known == b.known &&
           a.lookAhead == b.lookAhead && same(a.periodicity.atPitch, b.periodicity.atPitch) &&
           same(a.periodicity.octaveUp, b.periodicity.octaveUp) &&
           same(a.periodicity.octaveDown, b.periodicity.octaveDown);
}

bool sameFrame(const FrameTrack& a, int i, const FrameTrack& b, int j, bool evidence) {
    return same(a.pitch[i], b.pitch[j]) && a.note[i] == b.note[j] && same(a.volume[i], b.volume[j]) &&
           a.mark[i] == b.mark[j] && a.reserved[i] == b.reserved[j] &&
           (!evidence || sameEvidence(a.evidence[i], b.evidence[j]));
}

bool sameTrack(const FrameTrack& a, const FrameTrack& b) {
    if (a.frameCount() != b.frameCount() || a.evidenceInStep() != b.evidenceInStep()) return false;
    for (int i = 0; i < a.frameCount(); ++i)
        if (!sameFrame(a, i, b, i, a.evidenceInStep())) return false;
    return true;
}

// Two selections that name the same frames: a range counts in either order, and the fields of
// a selection that is not set do not count at all.
bool sameSelection(const Selection& a, const Selection& b) {
    if (a.noteSelected != b.noteSelected || a.rangeSelected != b.rangeSelected) return false;
    if (a.noteSelected)
        return a.noteStart == b.noteStart && a.noteEnd == b.noteEnd && a.noteWidth == b.noteWidth &&
               a.noteTop == b.noteTop && a.noteBottom == b.noteBottom;
    if (a.rangeSelected)
        return std::minmax(a.rangeStart, a.rangeEnd) == std::minmax(b.rangeStart, b.rangeEnd);
    return true;
}

size_t trackBytes(const FrameTrack& t) {
    return t.pitch.size() * sizeof(double) + t.note.size() * sizeof(int32_t) +
           t.volume.size() * sizeof(double) + t.mark.size() * sizeof(int32_t) +
           t.reserved.size() * sizeof(int32_t) + t.evidence.size() * sizeof(FrameEvidence);
}

}  // namespace

std::shared_ptr<const FrameTrack> UndoHistory::shareClip(const FrameTrack& clip) {
    if (clip.frameCount() == 0) return nullptr;
    if (!lastClip_ || !sameTrack(*lastClip_, clip)) lastClip_ = std::make_shared<const FrameTrack>(clip);
    return lastClip_;
}

UndoHistory::Side UndoHistory::sideOf(const ViewState& v, TransportState transport) {
    return {v.cursorFrame, v.selection, shareClip(v.clipTrack), transport};
}

void UndoHistory::begin(const ViewState& v, StepKind kind) {
    if (kind == StepKind::Take || !quiet(v)) return;
    open(v, kind, v.transportState);
}

void UndoHistory::beginTake(const ViewState& v, TransportState before) {
    if (v.transportState != kRecording) return;
    open(v, StepKind::Take, before);
}

void UndoHistory::open(const ViewState& v, StepKind kind, TransportState transport) {
    if (open_) close(v);
    open_ = true;
    kind_ = kind;
    start_ = v.track;  // assigned, so the buffers of the last step's copy are reused
    startSide_ = sideOf(v, transport);
}

void UndoHistory::end(const ViewState& v) {
    if (open_ && quiet(v)) close(v);
}

void UndoHistory::resumeGesture(const ViewState& v) {
    if (gestureHeld_ && !open_ && v.transportState == kIdle) begin(v, StepKind::Gesture);
}

void UndoHistory::close(const ViewState& v) {
    open_ = false;
    const FrameTrack& was = start_;
    const FrameTrack& now = v.track;
    const int n0 = was.frameCount();
    const int n1 = now.frameCount();
    const int shorter = std::min(n0, n1);
    // The evidence counts only where both sides keep it: a take puts it in step, and unknown
    // evidence says no more than none.
    const bool evidence = was.evidenceInStep() && now.evidenceInStep();
    int prefix = 0;
    while (prefix < shorter && sameFrame(was, prefix, now, prefix, evidence)) ++prefix;
    int suffix = 0;
    while (suffix < shorter - prefix && sameFrame(was, n0 - 1 - suffix, now, n1 - 1 - suffix, evidence))
        ++suffix;
    const bool framesChanged = n0 != n1 || prefix < n0;

    Side after = sideOf(v, v.transportState);
    bool changed = framesChanged;
    if (kind_ != StepKind::Copy) changed = changed || after.clip != startSide_.clip;
    if (kind_ == StepKind::Command) changed = changed || !sameSelection(after.selection, startSide_.selection);
    if (!changed) return;

    Step step;
    step.first = prefix;
    step.before = was.slice(prefix, n0 - suffix);
    step.after = now.slice(prefix, n1 - suffix);
    step.was = std::move(startSide_);
    step.now = std::move(after);
    push(std::move(step));
}

size_t UndoHistory::bytesOf(const Step& s, const Step* previous) {
    size_t bytes = sizeof(Step) + trackBytes(s.before) + trackBytes(s.after);
    const auto counted = [&](const std::shared_ptr<const FrameTrack>& clip) {
        return !clip || (previous && (clip == previous->was.clip || clip == previous->now.clip));
    };
    if (!counted(s.was.clip)) bytes += sizeof(FrameTrack) + trackBytes(*s.was.clip);
    if (s.now.clip != s.was.clip && !counted(s.now.clip)) bytes += sizeof(FrameTrack) + trackBytes(*s.now.clip);
    return bytes;
}

void UndoHistory::push(Step step) {
    // A new step after Undo: the steps that Redo would have taken are gone.
    while (steps_.size() > done_) {
        bytes_ -= steps_.back().bytes;
        steps_.pop_back();
    }
    step.bytes = bytesOf(step, steps_.empty() ? nullptr : &steps_.back());
    bytes_ += step.bytes;
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    while (bytes_ > limitBytes_ && steps_.size() > 1) {
        bytes_ -= steps_.front().bytes;
        steps_.pop_front();
        --done_;
        // The new oldest step may have shared its clip with the one that went.
        Step& oldest = steps_.front();
        bytes_ -= oldest.bytes;
        oldest.bytes = bytesOf(oldest, nullptr);
        bytes_ += oldest.bytes;
    }
}

bool UndoHistory::canUndo(const ViewState& v) const {
    return done_ > 0 && !open_ && !gestureHeld_ && quiet(v);
}

bool UndoHistory::canRedo(const ViewState& v) const {
    return done_ < steps_.size() && !open_ && !gestureHeld_ && quiet(v);
}

bool UndoHistory::undo(ViewState& v) {
    if (!canUndo(v)) return false;
    const Step& s = steps_[--done_];
    apply(v, s.first, s.after.frameCount(), s.before, s.was);
    return true;
}

bool UndoHistory::redo(ViewState& v) {
    if (!canRedo(v)) return false;
    const Step& s = steps_[done_++];
    apply(v, s.first, s.before.frameCount(), s.after, s.now);
    return true;
}

void UndoHistory::apply(ViewState& v, int first, int count, const FrameTrack& frames, const Side& side) {
    const int n0 = v.frameCount();
    v.track.replace(first, count, frames);
    const int n = v.frameCount();
    v.cursorFrame = side.cursor;
    v.selection = side.selection;
    if (side.clip) {
        v.clipTrack = *side.clip;
        lastClip_ = side.clip;  // the next step shares it while it stays
    } else {
        v.clipTrack.clear();
    }
    v.transportState = side.transport;
    v.surface.showTransportState(side.transport);
    if (n <= 1) v.surface.clearPicture();
    // A stretch that changed length moved every frame after it, so they are redrawn too; one
    // frame more on either side for the notes its edges split or joined.
    const int end = n == n0 ? first + frames.frameCount() : n;
    v.requantize(first - 1, end - first + 2);
    v.surface.setScroll(n, v.cursorFrame, n > 1);
    v.surface.repaint();
    if (v.scrubOn) v.output.resoundCursor();
}

void UndoHistory::clear() {
    steps_.clear();
    done_ = 0;
    bytes_ = 0;
    open_ = false;
    startSide_ = {};
    lastClip_.reset();
}

}  // namespace hummwell
