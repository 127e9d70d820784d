// The mouse over the note view: selecting a range of frames or one note, and reshaping the
// selected note by the handles of its rectangle: move it, stretch it in time from either
// edge, scale its pitch contour from the top or the bottom, or both from a corner.
//
// x and y are client pixels. Everything here acts only when the transport is idle. A gesture
// from press to release is one undo step when it changed the track.
#pragma once

namespace hummwell {

class ViewState;

// What a drag on the selected note does: the handle of its rectangle under the pointer.
enum DragKind : int {
    kDragNone = -1,
    kDragTopLeft = 0,
    kDragTopRight = 1,
    kDragBottomRight = 2,
    kDragBottomLeft = 3,
    kDragTop = 4,
    kDragRight = 5,
    kDragBottom = 6,
    kDragLeft = 7,
    kDragMove = 8,
};

inline constexpr int kHandleSize = 6;      // pixels; the handles sit outside the rectangle
inline constexpr int kMinNoteFrames = 5;   // a note shrinks no further by its edges
inline constexpr int kMinNoteRows = 7;     // nor its rectangle by the pitch edges

// Whether the point lies within 0.8 semitones of the pitch curve at its frame.
bool isOnNote(const ViewState& view, int x, int y);
// The handle of the selected note's rectangle under the point, kDragNone outside; also the
// mouse pointer's shape.
int trackerHitAt(const ViewState& view, int x, int y);

struct PointerFlags {
    bool button = false;  // any mouse button held
    bool shift = false;
    bool ctrl = false;
};

// One left-button gesture over the note view at a time, from press to release: the view widget
// holds one and hands it the document's state with every event. While a gesture holds, the undo
// history knows it (UndoHistory::holdGesture).
class NoteDrag {
public:
    // A click never moves the cursor; a click off a note and released without moving selects
    // nothing.
    void leftButtonDown(ViewState& view, int x, int y, bool shift);
    // A move without a button and without Shift or Ctrl ends the gesture as a release would:
    // the button went up outside the view.
    void pointerMove(ViewState& view, int x, int y, PointerFlags flags);
    void leftButtonUp(ViewState& view, int x, int y, bool shift);

    // Selects the note under the point and starts moving it.
    void selectNoteAt(ViewState& view, int x, int y);
    // The drag of dragKind() for a pointer at (x, y), Shift snapping the moving edge to a beat.
    void dragSelectedNote(ViewState& view, int x, int y, bool shift);

    bool buttonDown() const { return buttonDown_; }
    int dragKind() const { return dragKind_; }
    // Sets the handle being dragged and where the pointer holds the note, as a press on it does.
    void grab(const ViewState& view, int kind, int x, int y);

private:
    void press(ViewState& view);
    void beginRange(ViewState& view, int f);
    void reshape(ViewState& view, int x, int y, bool shift, int horizontal, int vertical);
    void moveNote(ViewState& view, int x, int y, bool shift);

    bool buttonDown_ = false;
    bool pointerMoved_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
    int dragKind_ = kDragNone;  // the handle of the selected note being dragged
    int grabX_ = 0;             // pointer x minus noteStart when the drag began
    int grabY_ = 0;             // pointer row minus noteTop when the drag began
};

}  // namespace hummwell
