// The Edit commands on the frame track: what each rewrites, what it refuses, and the notes
// left behind.
#include "document/ProjectSettings.h"
#include "editor/EditCommands.h"
#include "support/EditFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace hummwell;
using editfixture::EditView;

struct Edit : ::testing::Test, EditView {
    void expectPitches(int first, const std::vector<double>& want) {
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_NEAR(view.track.pitch[first + i], want[i], 1e-9) << "frame " << first + i;
    }
};

TEST_F(Edit, SelectAllThenDeleteLeavesTheClosingRestAndStartsANewProject) {
    setTrack("..10000..1000.");
    selectAll(view);
    EXPECT_TRUE(view.selection.rangeSelected);
    EXPECT_EQ(view.selection.rangeStart, 0);
    EXPECT_EQ(view.selection.rangeEnd, 13);  // the closing rest is never selected
    deleteSelection(view);
    EXPECT_EQ(view.frameCount(), 1);
    EXPECT_EQ(view.transportState, kEmptyProject);
    EXPECT_TRUE(f.prompt.messages.empty()) << "nothing left to save";

    // With something in the clip the one-frame track stays open for a paste.
    setTrack("..10000..1000.");
    view.clipTrack.append(Frame{62.0, 0, 64.0, kMarkOnset, 0});
    selectAll(view);
    deleteSelection(view);
    EXPECT_EQ(view.frameCount(), 1);
    EXPECT_EQ(view.transportState, kIdle);
}

TEST_F(Edit, DeletingARangeClosesTheGapAndStartsANoteWhereItCut) {
    setTrack(".100000000..10.");
    view.track.pitch[8] = 64.0;
    view.cursorFrame = 12;
    selectRange(7, 3);  // dragged leftwards: frames 3 .. 6
    deleteSelection(view);
    EXPECT_EQ(marks(), ".10100..10.");
    EXPECT_DOUBLE_EQ(view.track.pitch[4], 64.0);
    EXPECT_EQ(view.cursorFrame, 8) << "the cursor keeps its frame";
    EXPECT_FALSE(view.selection.rangeSelected);
    EXPECT_EQ(f.surface.scrollRange, 11);
    EXPECT_EQ(f.surface.scrollPosition, 8);

    // A cursor inside the deleted range lands on its start.
    setTrack(".100000000..10.");
    view.cursorFrame = 4;
    selectRange(3, 7);
    deleteSelection(view);
    EXPECT_EQ(view.cursorFrame, 3);
}

TEST_F(Edit, DeletingANoteLeavesRestsInPlace) {
    setTrack("..1000.1000.");
    pickNote(3);
    deleteSelection(view);
    EXPECT_EQ(marks(), ".......1000.");
    EXPECT_EQ(view.frameCount(), 12);
    EXPECT_DOUBLE_EQ(view.track.volume[3], 0.0);
    EXPECT_FALSE(view.selection.noteSelected);
}

TEST_F(Edit, CopyTakesTheSelectionAndSplitsTheTrackWhereARangeCutsIn) {
    setTrack(".10000000.");
    view.track.pitch[5] = 61.0;
    pickNote(3);
    copySelection(view);
    EXPECT_EQ(view.clipTrack.frameCount(), 8);
    EXPECT_EQ(marks(), ".10000000.") << "a note copy changes nothing";

    selectRange(4, 7);
    copySelection(view);
    ASSERT_EQ(view.clipTrack.frameCount(), 3);
    EXPECT_EQ(view.clipTrack.mark[0], kMarkOnset);
    EXPECT_DOUBLE_EQ(view.clipTrack.pitch[1], 61.0);
    EXPECT_EQ(marks(), ".10010000.");
    EXPECT_TRUE(view.selection.rangeSelected) << "the selection stays";
}

TEST_F(Edit, CutIsCopyThenDelete) {
    setTrack(".1000.1000.");
    selectRange(6, 10);
    cutSelection(view);
    EXPECT_EQ(view.clipTrack.frameCount(), 4);
    EXPECT_EQ(marks(), ".1000..");
}

TEST_F(Edit, PasteInsideANoteSplitsItAndPutsTheCursorOnThePastedFrames) {
    setTrack(".10000000.");
    view.clipTrack.append(Frame{67.0, 0, 50.0, kMarkOnset, 0});
    view.clipTrack.append(Frame{67.0, 0, 50.0, kMarkContinue, 0});
    view.cursorFrame = 4;
    selectRange(1, 3);
    pasteClip(view);
    EXPECT_EQ(marks(), ".1001010000.");
    EXPECT_EQ(view.cursorFrame, 4);
    EXPECT_DOUBLE_EQ(view.track.pitch[4], 67.0);
    EXPECT_FALSE(view.selection.rangeSelected);
    EXPECT_EQ(view.clipTrack.frameCount(), 2) << "the clip can be pasted again";
    EXPECT_EQ(f.surface.scrollRange, 12);
    EXPECT_EQ(f.surface.scrollPosition, 4);

    // A clip that begins inside a note starts one where it lands after a rest.
    setTrack(".10..");
    view.clipTrack.clear();
    view.clipTrack.append(Frame{67.0, 0, 50.0, kMarkContinue, 0});
    view.clipTrack.append(Frame{67.0, 0, 50.0, kMarkContinue, 0});
    view.cursorFrame = 4;
    pasteClip(view);
    EXPECT_EQ(marks(), ".10.10.");
}

TEST_F(Edit, PasteIsRefusedWhenTheTrackWouldReachItsLimit) {
    setTrack(".1000.");  // 6 frames
    view.maxFrames = 9;
    for (int i = 0; i < 3; ++i) view.clipTrack.append(Frame{60.0, 0, 64.0, i ? kMarkContinue : kMarkOnset, 0});
    pasteClip(view);  // 3 + 6 = 9: refused at equality
    EXPECT_EQ(view.frameCount(), 6);
    ASSERT_EQ(f.prompt.messages.size(), 1u);
    EXPECT_EQ(f.prompt.messages[0].text, "Cancel Paste to prevent MIDI buffer overflow.");
    EXPECT_EQ(f.prompt.messages[0].title, "CANCEL PASTE");
    EXPECT_EQ(f.prompt.messages[0].icon, PromptIcon::Error);

    view.maxFrames = 10;
    pasteClip(view);
    EXPECT_EQ(view.frameCount(), 9);
    EXPECT_EQ(f.prompt.messages.size(), 1u);
}

TEST_F(Edit, UnselectEmptiesTheClipEvenWithNothingSelected) {
    setTrack(".1000.");
    view.clipTrack.append(Frame{60.0, 0, 64.0, kMarkOnset, 0});
    unselect(view);
    EXPECT_EQ(view.clipTrack.frameCount(), 0);
    const int frames = view.frameCount();
    pasteClip(view);
    EXPECT_EQ(view.frameCount(), frames);
}

TEST_F(Edit, MergeJoinsNotesLessThanThreeSemitonesApart) {
    setTrack(".1001000.");
    view.track.pitch[4] = view.track.pitch[5] = 62.9;
    view.cursorFrame = 4;
    view.clipTrack.append(Frame{});
    mergeAtCursor(view);
    EXPECT_EQ(marks(), ".1000000.");
    EXPECT_EQ(view.clipTrack.frameCount(), 0) << "merging unselects";
    EXPECT_TRUE(f.output.calls.empty()) << "no sound";

    setTrack(".1001000.");
    view.track.pitch[4] = 63.0;
    view.cursorFrame = 4;
    mergeAtCursor(view);
    EXPECT_EQ(marks(), ".1001000.") << "3.0 semitones";

    view.track.pitch[4] = 57.1;  // -2.9 truncates to -2
    mergeAtCursor(view);
    EXPECT_EQ(marks(), ".1000000.");

    setTrack(".10.1000.");  // a rest before the cursor: nothing to merge with
    view.cursorFrame = 4;
    mergeAtCursor(view);
    EXPECT_EQ(marks(), ".10.1000.");
}

TEST_F(Edit, SplitStartsANoteInsideANote) {
    setTrack(".1000000.");
    view.cursorFrame = 4;
    splitAtCursor(view);
    EXPECT_EQ(marks(), ".1001000.");
    // Not next to an onset, and not on the last two frames.
    for (const int c : {2, 5, 7}) {
        setTrack(".1000000.");
        view.track.mark[6] = kMarkOnset;
        view.cursorFrame = c;
        splitAtCursor(view);
        EXPECT_EQ(marks(), ".1000010.") << c;
    }
}

TEST_F(Edit, PitchShiftsKeepFramesInsideThePlayableRange) {
    setTrack(".10000.");
    const std::vector<double> before{107.6, 108.4, 20.5, 21.4, 0.0};
    for (int i = 0; i < 5; ++i) view.track.pitch[1 + i] = before[i];
    selectRange(1, 6);

    shiftPitch(view, 1.0);
    expectPitches(1, {107.6, 108.4, 21.5, 22.4, 0.0});
    shiftPitch(view, 0.1);
    EXPECT_DOUBLE_EQ(view.track.pitch[1], 107.7);
    EXPECT_DOUBLE_EQ(view.track.pitch[2], 108.5);
    shiftPitch(view, 0.1);
    EXPECT_DOUBLE_EQ(view.track.pitch[2], 108.5) << "above 108.4 it stays";
    EXPECT_DOUBLE_EQ(view.track.pitch[5], 0.0) << "unpitched frames are never touched";

    setTrack(".100.");
    view.track.pitch[1] = 21.4;
    view.track.pitch[2] = 20.6;
    view.track.pitch[3] = 20.55;
    selectRange(1, 4);
    shiftPitch(view, -1.0);
    shiftPitch(view, -0.1);
    EXPECT_DOUBLE_EQ(view.track.pitch[1], 21.3);
    EXPECT_DOUBLE_EQ(view.track.pitch[2], 20.5);
    EXPECT_DOUBLE_EQ(view.track.pitch[3], 20.55);
}

TEST_F(Edit, RepeatedTenthsReachTheTopOfTheRange) {
    setTrack(".10.");
    view.track.pitch[1] = 107.5;
    selectRange(1, 3);
    for (int i = 0; i < 12; ++i) shiftPitch(view, 0.1);
    EXPECT_DOUBLE_EQ(view.track.pitch[1], 108.5);
}

TEST_F(Edit, ShiftingARangeMakesItsOwnNotesAndTheNoteRectangleFollows) {
    setTrack(".100000000.");
    selectRange(3, 6);
    shiftPitch(view, 1.0);
    EXPECT_EQ(marks(), ".101001000.");
    expectPitches(2, {60.0, 61.0, 61.0, 61.0, 60.0});

    setTrack(".10000.");
    view.track.pitch[2] = 62.0;
    pickNote(1);
    EXPECT_EQ(view.selection.noteTop, static_cast<int>((108.5 - 62.0) * 6 + 25));
    shiftPitch(view, 1.0);
    EXPECT_EQ(view.selection.noteTop, static_cast<int>((108.5 - 63.0) * 6 + 25));
    EXPECT_EQ(view.selection.noteBottom, static_cast<int>((108.5 - 61.0) * 6 + 31));
}

TEST_F(Edit, EditsReQuantizeTheWholeNotesTheyTouch) {
    view.setSetting(Setting::QuantizeMode, kNoteQuantize);
    setTrack(".100000000.");
    view.requantize(0, view.frameCount());
    selectRange(3, 9);
    shiftPitch(view, 1.0);  // frames 3 .. 8 become a note at 61, frames 1 and 2 stay at 60
    EXPECT_EQ(view.track.note[1], 60);
    EXPECT_EQ(view.track.note[2], 60);
    EXPECT_EQ(view.track.note[3], 61);
    EXPECT_EQ(view.track.note[8], 61);

    // Merging gives the joined note one pitch, the snap of its mean (60.75), from its onset on.
    view.cursorFrame = 3;
    mergeAtCursor(view);
    for (int i = 1; i < 9; ++i) EXPECT_EQ(view.track.note[i], 61) << i;
}

TEST_F(Edit, MovingLeftAndRightStepsIntoSilenceOnly) {
    setTrack("..1000..1000.");
    pickNote(8);
    moveSelectionLeft(view);
    EXPECT_EQ(marks(), "..1000.1000..");
    EXPECT_EQ(view.selection.noteStart, 7);
    EXPECT_EQ(view.selection.noteEnd, 11);
    moveSelectionLeft(view);
    EXPECT_EQ(marks(), "..10001000...") << "up against the note before";
    moveSelectionLeft(view);  // a voiced frame before the note: nothing moves
    EXPECT_EQ(marks(), "..10001000...");
    EXPECT_EQ(view.selection.noteStart, 6);
    for (int i = 0; i < 3; ++i) moveSelectionRight(view);  // the third would cover the closing rest
    EXPECT_EQ(marks(), "..1000..1000.");
    EXPECT_EQ(view.selection.noteStart, 8);
    EXPECT_EQ(view.selection.noteEnd, 12);
}

TEST_F(Edit, MovingARangeSplitsTheNoteItLeaves) {
    setTrack(".100000.");
    view.track.pitch[1] = 0.5;  // an unpitched frame before the range
    selectRange(2, 4);
    moveSelectionLeft(view);
    // The range took the place of its note's unpitched onset, so it starts the note; the
    // rest of the old note starts anew after it.
    EXPECT_EQ(marks(), ".10.100.");
    EXPECT_EQ(view.selection.rangeStart, 1);
    EXPECT_EQ(view.selection.rangeEnd, 3);
}

TEST_F(Edit, VolumeUpAndDownUndoEachOther) {
    setTrack(".1000.", 60.0, 100.0);
    pickNote(2);
    for (int i = 0; i < 5; ++i) volumeUp(view);
    EXPECT_NEAR(view.track.volume[1], 100.0 * std::pow(1.1, 5), 1e-9) << "not held to 127";
    for (int i = 0; i < 5; ++i) volumeDown(view);
    for (int i = 1; i < 5; ++i) EXPECT_NEAR(view.track.volume[i], 100.0, 1e-9);
    EXPECT_DOUBLE_EQ(view.track.volume[5], 0.0);

    view.clearSelection();
    const double loudness = view.track.volume[1];
    volumeUp(view);
    EXPECT_DOUBLE_EQ(view.track.volume[1], loudness) << "no selection, no change";
}

TEST_F(Edit, ScrubReSoundsTheCursorAfterAnEdit) {
    setTrack(".1000..");
    view.scrubOn = true;
    selectRange(1, 5);
    shiftPitch(view, 0.1);
    EXPECT_EQ(f.output.calls, "r");
    const int repaints = f.surface.repaints;
    volumeUp(view);
    EXPECT_EQ(f.output.calls, "rr");
    EXPECT_GT(f.surface.repaints, repaints);
}

TEST_F(Edit, ArrowKeysMoveTheSelectionOrTheCursor) {
    setTrack("..100..");
    rightKey(view);
    EXPECT_EQ(view.cursorFrame, 1);
    leftKey(view);
    leftKey(view);
    EXPECT_EQ(view.cursorFrame, 0);
    selectRange(2, 5);
    rightKey(view);
    EXPECT_EQ(marks(), "...100.");
    EXPECT_EQ(view.cursorFrame, 0);
}

TEST_F(Edit, NothingChangesUnlessIdle) {
    setTrack(".1000000.");
    selectRange(2, 5);
    view.clipTrack.append(Frame{60.0, 0, 64.0, kMarkOnset, 0});
    view.cursorFrame = 4;
    for (const TransportState s : {kRecording, kPlaying}) {
        view.transportState = s;
        deleteSelection(view);
        pasteClip(view);
        shiftPitch(view, 1.0);
        splitAtCursor(view);
        moveSelectionRight(view);
        unselect(view);
        EXPECT_EQ(marks(), ".1000000.") << s;
        EXPECT_EQ(view.clipTrack.frameCount(), 1);
    }
}

}  // namespace
