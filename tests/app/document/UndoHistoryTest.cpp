// Undo and Redo: a take, Find Notes, a gesture and a key pressed during it, the edits that make
// no step, New and Open, an emptied track, redrawing, and the memory bound.
#include "document/UndoHistory.h"

#include "document/ProjectCommands.h"
#include "document/ProjectFile.h"
#include "editor/Commands.h"
#include "editor/NoteDrag.h"
#include "support/EditFixture.h"
#include "support/TempFolder.h"
#include "support/ViewSnapshot.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace hummwell;
using viewsnapshot::Snapshot;
using viewsnapshot::differences;
using viewsnapshot::snapshotOf;

constexpr PointerFlags kButton{true, false, false};

FrameResult sung(double pitch, int noteState = kMarkContinue) {
    FrameResult r{};
    r.level = -10.0;
    r.pitch = pitch;
    r.clarity = 9.0;
    r.noteState = noteState;
    return r;
}

struct History : ::testing::Test, editfixture::EditView {
    UndoHistory& history() { return view.history; }

    void run(int id) { ASSERT_TRUE(runCommand(view, id)) << id; }
    void expectState(const Snapshot& want, const char* when) {
        const Snapshot now = snapshotOf(view);
        EXPECT_EQ(now, want) << when << " differs in " << differences(now, want);
    }
    // A take at the cursor: a note of `frames` frames at `pitch`, then two quiet frames.
    void take(int frames, double pitch) {
        view.record(ViewState::CountIn::None);
        ASSERT_EQ(view.transportState, kRecording);
        for (int i = 0; i < frames; ++i) view.onFrameResult(sung(pitch, i == 0 ? kMarkOnset : kMarkContinue));
        FrameResult quiet{};
        quiet.level = -60.0;
        view.onFrameResult(quiet);
        view.onFrameResult(quiet);
        view.stop();
    }
    // A press on the curve of frame f, moved by dy rows in `moves` steps, released.
    void dragNote(int f, int dy, int moves) {
        const int x = xOf(f);
        const int y = rowOf(view.track.pitch[f]);
        drag.leftButtonDown(view, x, y, false);
        for (int i = 1; i <= moves; ++i) drag.pointerMove(view, x, y + dy * i / moves, kButton);
        drag.leftButtonUp(view, x, y + dy, false);
    }
};

// --- Takes ----------------------------------------------------------------------------------

TEST_F(History, ATakeWithItsNoteFindingIsOneStep) {
    setTrack(".1000000000.1000000000.");
    view.findNotesAfterTake = true;
    view.cursorFrame = 5;  // inside the first note: the take splits it
    pickNote(13);          // and drops this selection
    const Snapshot before = snapshotOf(view);

    take(30, 67.0);
    // The take's first frame is the silence before its first block; the note starts on it.
    EXPECT_EQ(view.track.mark[5], kMarkRest);
    ASSERT_EQ(view.track.mark[6], kMarkOnset);
    EXPECT_EQ(view.frameCount(), 23 + 32);
    EXPECT_EQ(history().undoCount(), 1);
    const Snapshot after = snapshotOf(view);

    f.surface.states.clear();
    f.surface.stretches.clear();
    run(kCmdUndo);
    expectState(before, "undo");
    EXPECT_EQ(f.surface.states, std::vector<TransportState>{kIdle});
    // The frames after the take moved back: everything from the take on is redrawn.
    ASSERT_FALSE(f.surface.stretches.empty());
    EXPECT_LE(f.surface.stretches.back().first, 5);
    EXPECT_EQ(f.surface.stretches.back().first + f.surface.stretches.back().second, view.frameCount());
    EXPECT_EQ(f.surface.scrollRange, view.frameCount());

    run(kCmdRedo);
    expectState(after, "redo");
    EXPECT_FALSE(commandEnabled(view, kCmdRedo));
}

TEST_F(History, ATakeIntoAnEmptyProjectUndoesToAnEmptyProject) {
    setTrack(".");
    ASSERT_EQ(view.transportState, kEmptyProject);
    EXPECT_FALSE(commandEnabled(view, kCmdUndo));
    take(20, 60.0);
    ASSERT_EQ(view.transportState, kIdle);

    run(kCmdUndo);
    EXPECT_EQ(view.frameCount(), 1);
    EXPECT_EQ(view.transportState, kEmptyProject);
    EXPECT_EQ(f.surface.clears, 1) << "the picture of the take is erased";
    EXPECT_TRUE(commandEnabled(view, kCmdRedo)) << "Redo works from an empty project";
    run(kCmdRedo);
    EXPECT_EQ(view.frameCount(), 23);
    EXPECT_EQ(view.transportState, kIdle);
}

// --- Commands -------------------------------------------------------------------------------

TEST_F(History, FindNotesIsOneStep) {
    // One "note" that leaps a fifth halfway: the note finder splits it there.
    setTrack(".100000000000000000000000000000000000000.");
    for (int i = 21; i < 41; ++i) view.track.pitch[i] = 67.0;
    view.requantize(0, view.frameCount());
    const Snapshot before = snapshotOf(view);
    run(kCmdFindNotes);
    const Snapshot after = snapshotOf(view);
    ASSERT_NE(after.track, before.track) << "the finder found nothing to change";
    EXPECT_EQ(history().undoCount(), 1);
    run(kCmdUndo);
    expectState(before, "undo");
    run(kCmdRedo);
    expectState(after, "redo");
}

TEST_F(History, ANewEditAfterUndoDropsTheRedoSteps) {
    setTrack(".10000000.");
    pickNote(3);
    run(kCmdVolumeUp);
    const Snapshot once = snapshotOf(view);
    run(kCmdVolumeUp);
    run(kCmdVolumeUp);
    run(kCmdUndo);
    run(kCmdUndo);
    EXPECT_EQ(history().redoCount(), 2);
    run(kCmdPitchUp);
    EXPECT_EQ(history().undoCount(), 2);
    EXPECT_EQ(history().redoCount(), 0);
    EXPECT_FALSE(commandEnabled(view, kCmdRedo));
    EXPECT_FALSE(runCommand(view, kCmdRedo));
    run(kCmdUndo);
    expectState(once, "undo after the new edit");
}

TEST_F(History, EditsThatChangeNothingMakeNoStep) {
    setTrack("..10000..10000..");
    view.cursorFrame = 3;
    for (const int id : {kCmdSelectAll, kCmdCopy, kCmdUnselect, kCmdGotoLast, kCmdLeftKey, kCmdPrevNote})
        run(id);
    // A range that starts on a rest copies without a split.
    selectRange(7, 1);
    run(kCmdCopy);
    // Blocked by the note it starts in, Move Left only sorts the range.
    selectRange(14, 10);
    run(kCmdMoveLeft);
    // A click on a note selects it; a press and release off the notes selects nothing.
    view.selection.rangeSelected = false;
    dragNote(3, 0, 0);
    ASSERT_TRUE(view.selection.noteSelected);
    drag.leftButtonDown(view, xOf(8), 500, false);
    drag.leftButtonUp(view, xOf(8), 500, false);
    // A drag that comes back where it began.
    pickNote(3);
    dragNote(3, 0, 3);
    EXPECT_EQ(history().undoCount(), 0);
    EXPECT_FALSE(commandEnabled(view, kCmdUndo));
}

TEST_F(History, CopyInsideANoteIsAStepForItsSplit) {
    setTrack(".100000000.");
    const Snapshot before = snapshotOf(view);
    selectRange(4, 7);
    run(kCmdCopy);
    ASSERT_EQ(view.track.mark[4], kMarkOnset);
    EXPECT_EQ(history().undoCount(), 1);
    run(kCmdUndo);
    EXPECT_EQ(view.track.mark[4], kMarkContinue);
    EXPECT_EQ(snapshotOf(view).track, before.track);
    EXPECT_EQ(view.clipTrack.frameCount(), 0) << "the clip as it was before the copy";
}

TEST_F(History, SelectAllAndDeleteCanBeUndoneFromTheEmptyProject) {
    setTrack(".10000.1000.");
    run(kCmdSelectAll);
    const Snapshot before = snapshotOf(view);
    run(kCmdDelete);
    ASSERT_EQ(view.transportState, kEmptyProject);
    ASSERT_EQ(view.frameCount(), 1);
    EXPECT_TRUE(commandEnabled(view, kCmdUndo));
    run(kCmdUndo);
    expectState(before, "undo");
    EXPECT_EQ(view.transportState, kIdle);
    run(kCmdRedo);
    EXPECT_EQ(view.transportState, kEmptyProject);
    EXPECT_EQ(view.frameCount(), 1);
}

TEST_F(History, NewProjectAndOpenForgetEveryStep) {
    setTrack(".10000.1000.");
    pickNote(2);
    run(kCmdPitchUp);
    run(kCmdPitchUp);
    run(kCmdUndo);
    f.prompt.answers = {PromptAnswer::No};  // do not save
    run(kCmdNewProject);
    EXPECT_EQ(history().undoCount(), 0);
    EXPECT_EQ(history().redoCount(), 0);
    EXPECT_FALSE(commandEnabled(view, kCmdUndo));

    testsignals::TempFolder folder;
    const std::string path = folder.path + "/take.hwp";
    setTrack(".10000.1000.");
    ASSERT_TRUE(writeProjectFile(view, path));
    pickNote(2);
    run(kCmdPitchUp);
    ASSERT_EQ(history().undoCount(), 1);
    f.prompt.answers = {PromptAnswer::Yes};  // lose the edit
    ASSERT_TRUE(openProjectFile(view, path));
    EXPECT_EQ(history().undoCount(), 0);
    EXPECT_FALSE(commandEnabled(view, kCmdUndo));

    // A file that cannot be opened changes nothing, the steps included, whatever was agreed.
    pickNote(2);
    run(kCmdPitchUp);
    f.prompt.answers = {PromptAnswer::Yes};
    EXPECT_FALSE(openProjectFile(view, folder.path + "/missing.hwp"));
    EXPECT_EQ(history().undoCount(), 1);
    EXPECT_TRUE(commandEnabled(view, kCmdUndo));
}

TEST_F(History, UndoRequantizesInTheModeOfTheMoment) {
    view.setSetting(Setting::QuantizeMode, kNoteQuantize);
    setTrack(".10000000000.");
    for (int i = 1; i < 12; ++i) view.track.pitch[i] = 60.0 + i * 0.3;
    view.requantize(0, view.frameCount());
    pickNote(3);
    run(kCmdPitchUp);
    view.setSetting(Setting::QuantizeMode, kBasic);  // every frame its own note from here
    run(kCmdUndo);
    FrameTrack fresh = view.track;
    requantize(fresh, view.settings, 0, fresh.frameCount());
    EXPECT_EQ(view.track.note, fresh.note);
    EXPECT_NE(view.track.note[1], view.track.note[11]);
}

TEST_F(History, UndoAndRedoWaitWhileATakeOrPlaybackRuns) {
    setTrack(".10000.10000.");
    pickNote(2);
    run(kCmdPitchUp);
    run(kCmdPitchUp);
    run(kCmdUndo);
    view.cursorFrame = 0;
    for (const bool recording : {true, false}) {
        if (recording) view.record(ViewState::CountIn::None);
        else view.play();
        ASSERT_EQ(view.transportState, recording ? kRecording : kPlaying);
        const Snapshot before = snapshotOf(view);
        for (const int id : {kCmdUndo, kCmdRedo}) {
            EXPECT_FALSE(commandEnabled(view, id));
            EXPECT_FALSE(runCommand(view, id));
        }
        EXPECT_FALSE(history().undo(view));
        EXPECT_FALSE(history().redo(view));
        expectState(before, recording ? "while recording" : "while playing");
        view.stop();
        EXPECT_EQ(history().undoCount(), 1);
        EXPECT_EQ(history().redoCount(), 1);
    }
}

// --- Gestures -------------------------------------------------------------------------------

TEST_F(History, AGestureIsOneStepHoweverManyDragSteps) {
    setTrack("..10000000..........");
    pickNote(4);
    const Snapshot before = snapshotOf(view);
    dragNote(4, -30, 6);  // five semitones up in six steps
    EXPECT_EQ(history().undoCount(), 1);
    const Snapshot after = snapshotOf(view);
    ASSERT_NE(after.track, before.track);
    run(kCmdUndo);
    expectState(before, "undo");
    run(kCmdRedo);
    expectState(after, "redo");
}

TEST_F(History, AKeyDuringADragMakesThreeSteps) {
    setTrack("..10000000..........");
    pickNote(4);
    const Snapshot start = snapshotOf(view);
    const int x = xOf(4);
    const int y = rowOf(view.track.pitch[4]);
    drag.leftButtonDown(view, x, y, false);
    drag.pointerMove(view, x, y - 12, kButton);
    EXPECT_FALSE(commandEnabled(view, kCmdUndo)) << "nothing is undone under a held button";
    run(kCmdVolumeUp);
    EXPECT_EQ(history().undoCount(), 2) << "the drag so far, then the key";
    drag.pointerMove(view, x, y - 24, kButton);
    drag.leftButtonUp(view, x, y - 24, false);
    EXPECT_EQ(history().undoCount(), 3);
    run(kCmdUndo);
    run(kCmdUndo);
    run(kCmdUndo);
    expectState(start, "undo of all three");
}

// --- Memory ---------------------------------------------------------------------------------

// A track of `notes` notes of 40 frames with a rest after each.
std::string notes(int count) {
    std::string pattern = ".";
    for (int i = 0; i < count; ++i) pattern += "1" + std::string(39, '0') + ".";
    return pattern;
}

TEST_F(History, TheOldestStepsGoPastTheLimit) {
    setTrack(notes(798));  // 32,719 frames
    run(kCmdSelectAll);
    // Each shift changes every pitched frame: a step of about 3.8 MB before and after.
    for (int i = 0; i < 20; ++i) run(i % 2 ? kCmdPitchDown : kCmdPitchUp);
    const int kept = history().undoCount();
    EXPECT_LT(kept, 20);
    EXPECT_GE(kept, 15);
    EXPECT_LE(history().bytes(), kUndoLimitBytes);
    EXPECT_GT(history().bytes(), kUndoLimitBytes - kUndoLimitBytes / kept * 2);
    while (history().canUndo(view)) run(kCmdUndo);
    // Back to where the oldest kept step began: after 20 - kept shifts.
    EXPECT_DOUBLE_EQ(view.track.pitch[1], (20 - kept) % 2 ? 61.0 : 60.0);

    // However small the limit, the newest step stays.
    view.history = UndoHistory(1);
    run(kCmdPitchUp);
    run(kCmdPitchUp);
    EXPECT_EQ(history().undoCount(), 1);
    run(kCmdUndo);
    EXPECT_DOUBLE_EQ(view.track.pitch[1], (20 - kept) % 2 ? 62.0 : 61.0);
}

TEST_F(History, AHundredSmallEditsOnAFullTrackAreAllKept) {
    setTrack(notes(798));
    const Snapshot start = snapshotOf(view);
    for (int i = 0; i < 100; ++i) {
        pickNote(1 + 41 * (i * 7 % 798) + 3);
        run(i % 3 ? kCmdVolumeUp : kCmdPitchUpTenth);
    }
    EXPECT_EQ(history().undoCount(), 100);
    EXPECT_LT(history().bytes(), size_t{2} << 20);
    for (int i = 0; i < 100; ++i) run(kCmdUndo);
    EXPECT_FALSE(commandEnabled(view, kCmdUndo));
    EXPECT_EQ(snapshotOf(view).track, start.track);
}

TEST_F(History, StepsShareAnUnchangedClip) {
    setTrack(notes(20));
    selectRange(0, 410);  // from a rest: no split, so no step
    run(kCmdCopy);
    ASSERT_EQ(history().undoCount(), 0);
    const size_t clipBytes = 410 * (2 * sizeof(double) + 3 * sizeof(int32_t) + sizeof(FrameEvidence));
    pickNote(45);
    run(kCmdVolumeUp);
    const size_t first = history().bytes();
    EXPECT_GT(first, clipBytes) << "the first step holds the clip";
    run(kCmdVolumeUp);
    EXPECT_LT(history().bytes() - first, clipBytes / 4) << "the second shares it";
    // A new clip is held again (the notes are alike: a clip of other length differs).
    selectRange(410, 800);
    run(kCmdCopy);
    pickNote(45);
    const size_t before = history().bytes();
    run(kCmdVolumeUp);
    EXPECT_GT(history().bytes() - before, clipBytes * 390 / 410);
}

}  // namespace
