// The Edit commands on the frame track: clip, delete, merge and split, pitch, move and volume.
// Each rewrites the five columns over a stretch of frames, re-quantizes that stretch in whole
// notes, repaints the view and, while Scrub is on, re-sounds the cursor. The clip lives in the
// view, not on the system clipboard. Undo steps are taken around these by runCommand, which
// is how the user reaches them.
//
// Every command does nothing unless the transport is idle: the capture thread owns the track
// while recording.
#pragma once

namespace hummwell {

class ViewState;

inline constexpr char kPasteOverflow[] = "Cancel Paste to prevent MIDI buffer overflow.";

void copySelection(ViewState& view);
void cutSelection(ViewState& view);  // Copy, then Delete
// Inserts the clip before the cursor frame, splitting the note under the cursor first.
// Refused, with a message, when the track would reach maxFrames.
void pasteClip(ViewState& view);
// A selected note becomes rests in place; a selected range is removed. A track left with its
// last frame only and nothing in the clip becomes a new project.
void deleteSelection(ViewState& view);
void selectAll(ViewState& view);  // every frame but the closing rest
void unselect(ViewState& view);
// Joins the note starting at the cursor to the note before it, when they are less than three
// semitones apart.
void mergeAtCursor(ViewState& view);
// Starts a new note at the cursor, inside a note.
void splitAtCursor(ViewState& view);
// Shifts the selected pitches by `step` semitones (+1.0, -1.0, +0.1 or -0.1); a frame that
// would leave 20.5 .. 108.5 keeps its pitch.
void shiftPitch(ViewState& view, double step);
// Moves the selection one frame into the silence beside it.
void moveSelectionLeft(ViewState& view);
void moveSelectionRight(ViewState& view);
// Scales the selected loudness by 1.1 or by 1 / 1.1.
void volumeUp(ViewState& view);
void volumeDown(ViewState& view);
// Tune to the Singer: measures how far the notes of the selection, or of the whole track, are
// sung from A4 = 440 Hz, says so, and on Yes rounds them from there: their pitches move as
// Reference Key Adjust would have moved them, and the setting takes the measure for the takes
// to come and for the sound.
void tuneToTheSinger(ViewState& view);
// The Left and Right keys: with a selection they move it, without one they move the cursor.
void leftKey(ViewState& view);
void rightKey(ViewState& view);

}  // namespace hummwell
