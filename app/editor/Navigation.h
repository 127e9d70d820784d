// Moving the cursor: the Goto commands, the arrow steps, the scroll bar and the view's width.
// The cursor frame is always at the centre of the view, so moving it is scrolling.
#pragma once

namespace hummwell {

class ViewState;

// The number of the beat within its measure at the frame's time.
int beatIndexAt(const ViewState& view, int frame);
// The beat boundary nearest to the frame; the earlier one on a tie. With Shift held, mouse
// gestures snap to it.
int snapToBeat(const ViewState& view, int frame);

// setCursor, then the scroll position follows and the whole view is repainted.
void moveCursorTo(ViewState& view, int frame);

// The Goto commands act only when idle with material.
void gotoFirst(ViewState& view);
void gotoLast(ViewState& view);
void gotoNextBeat(ViewState& view);  // the first frame of the next beat
void gotoPrevBeat(ViewState& view);  // the first frame of this beat, or of the one before
void gotoNextNote(ViewState& view);  // the next onset, or the last frame
void gotoPrevNote(ViewState& view);  // the onset before the cursor, or frame 0
// One frame, for the Left and Right keys without a selection.
void stepCursorLeft(ViewState& view);
void stepCursorRight(ViewState& view);

// The scroll bar moved the view: its position is the new cursor.
void onScrolled(ViewState& view, int position);
// The view's client width changed.
void onViewResized(ViewState& view, int width);

}  // namespace hummwell
