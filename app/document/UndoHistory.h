// Undo and Redo for the view: one step per user action that changed the track — an edit
// command, a mouse gesture from press to release, a take from Record to Stop. A step keeps
// only the stretch of frames the action changed, as it was and as it became, with the cursor,
// the selection, the clip and the transport on either side. Consecutive steps share one copy
// of the clip while it stays the same. The oldest steps go while all of them together hold
// more than the limit; the newest always stays.
//
// Threads: the GUI thread only, and never while the engine runs. begin, end, undo and redo
// do nothing unless the transport is idle or an empty project, but for a take's begin, which
// comes after the transport moved to recording and before the engine starts.
#pragma once

#include "FrameTrack.h"
#include "Selection.h"
#include "ViewPorts.h"

#include <cstddef>
#include <deque>
#include <memory>

namespace hummwell {

class ViewState;

inline constexpr size_t kUndoLimitBytes = size_t{64} << 20;

enum class StepKind {
    Command,  // an edit: a step when the frames, the clip or the selection changed
    Gesture,  // a mouse gesture: a step when the frames or the clip changed
    Take,     // Record to Stop, as a gesture; begun with the transport already recording
    Copy,     // a step only when the frames changed: taking a clip is no edit, splitting is
};

class UndoHistory {
public:
    explicit UndoHistory(size_t limitBytes = kUndoLimitBytes) : limitBytes_(limitBytes) {}

    // Copies what the coming action may change; a step still open ends first. Not for a take.
    void begin(const ViewState& view, StepKind kind);
    // A take's begin: the transport has just moved to recording from `before` (idle or an
    // empty project), and the engine has not started yet.
    void beginTake(const ViewState& view, TransportState before);
    // Keeps what the action changed as a step, after dropping the steps undone before it. A
    // step that changed nothing is dropped.
    void end(const ViewState& view);
    // A step that ended while the mouse button is still held (a key pressed during a drag, a
    // take recorded during one) leaves the rest of the drag a gesture step of its own.
    void resumeGesture(const ViewState& view);
    // Whether a mouse gesture holds: told by the pointer's gesture as its button goes down
    // and up. While it holds, Undo and Redo wait.
    void holdGesture(bool held) { gestureHeld_ = held; }
    bool gestureHeld() const { return gestureHeld_; }

    // Whether Undo or Redo has a step to take in the view's present state: the transport idle
    // or an empty project, no step open, no mouse button held.
    bool canUndo(const ViewState& view) const;
    bool canRedo(const ViewState& view) const;
    // Put the frames, cursor, selection, clip and transport back as they were before (after)
    // the step, re-quantize and redraw what changed. False when there is nothing to do.
    bool undo(ViewState& view);
    bool redo(ViewState& view);
    // New Project and Open: every step goes, and an open one too.
    void clear();

    int undoCount() const { return static_cast<int>(done_); }
    int redoCount() const { return static_cast<int>(steps_.size() - done_); }
    // What the steps hold, in bytes: their frames and evidence, the clips they do not share
    // with the step before, and their bookkeeping.
    size_t bytes() const { return bytes_; }
    size_t limitBytes() const { return limitBytes_; }

private:
    // One side of a step: what it restores besides the frames.
    struct Side {
        int cursor = 0;
        Selection selection;
        std::shared_ptr<const FrameTrack> clip;  // null for an empty clip
        TransportState transport = kEmptyProject;
    };
    struct Step {
        int first = 0;       // where the stretch starts
        FrameTrack before;   // the stretch as it was
        FrameTrack after;    // the stretch as it became
        Side was;
        Side now;
        size_t bytes = 0;
    };

    void open(const ViewState& view, StepKind kind, TransportState transport);
    void close(const ViewState& view);
    Side sideOf(const ViewState& view, TransportState transport);
    // The clip as a shared copy: the newest one again while the view's clip equals it.
    std::shared_ptr<const FrameTrack> shareClip(const FrameTrack& clip);
    static size_t bytesOf(const Step& step, const Step* previous);
    void push(Step step);
    // Frames first .. first + count - 1 become `frames`, and the rest as `side` has it.
    void apply(ViewState& view, int first, int count, const FrameTrack& frames, const Side& side);

    size_t limitBytes_;
    std::deque<Step> steps_;
    size_t done_ = 0;   // steps_[0 .. done_) can be undone, the rest redone
    size_t bytes_ = 0;

    bool open_ = false;
    bool gestureHeld_ = false;
    StepKind kind_ = StepKind::Command;
    FrameTrack start_;  // the whole track when the open step began; its buffers are reused
    Side startSide_;
    std::shared_ptr<const FrameTrack> lastClip_;
};

}  // namespace hummwell
