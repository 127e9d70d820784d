// The command-enable flags and rules, running commands by id, and random edit sequences that
// must always leave a whole track behind.
#include "editor/Commands.h"
#include "document/Quantizer.h"
#include "editor/NoteDrag.h"
#include "support/EditFixture.h"
#include "support/ViewSnapshot.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>

namespace {

using namespace hummwell;
using editfixture::EditView;
using viewsnapshot::Snapshot;
using viewsnapshot::differences;
using viewsnapshot::snapshotOf;

TEST(CommandFlags, FollowTheTransport) {
    EXPECT_EQ(commandFlags(kIdle), (CommandFlags{true, true, true, false}));
    EXPECT_EQ(commandFlags(kRecording), (CommandFlags{false, false, false, true}));
    EXPECT_EQ(commandFlags(kPlaying), (CommandFlags{false, false, false, true}));
    EXPECT_EQ(commandFlags(kEmptyProject), (CommandFlags{false, true, false, false}));
}

TEST(CommandFlags, EachCommandHasItsFlag) {
    const auto flagOf = [](int id) {
        CommandFlag f{};
        EXPECT_TRUE(governingFlag(id, f)) << id;
        return f;
    };
    for (const int id : {57600, 57603, 32784, 57642, 32812, 32813, 57635, 57634,
                         57637, 57632, 32789, 32790, 32791, 32792, 32793, 32794, 32795, 32796,
                         32797, 32816, 32817})
        EXPECT_EQ(flagOf(id), CommandFlag::Edit) << id;
    // Undo and Redo also in an empty project: Delete may have emptied the track.
    for (const int id : {57601, 32771, 57670, 32799, 32798, 57664, 1028, 1027, 57643, 57644})
        EXPECT_EQ(flagOf(id), CommandFlag::File) << id;
    for (const int id : {32772, 32786, 32787, 32808, 32809, 32814, 32815, 32783})
        EXPECT_EQ(flagOf(id), CommandFlag::Play) << id;
    EXPECT_EQ(flagOf(32773), CommandFlag::Stop);
    CommandFlag unused{};
    EXPECT_FALSE(governingFlag(12345, unused));
}

struct Enable : ::testing::Test, EditView {};

TEST_F(Enable, EditsNeedASelectionOrAClip) {
    setTrack(".1000.1000.");
    for (const int id : {kCmdCut, kCmdCopy, kCmdDelete, kCmdPitchUp, kCmdMoveLeft, kCmdVolumeDown})
        EXPECT_FALSE(commandEnabled(view, id)) << id;
    EXPECT_FALSE(commandEnabled(view, kCmdPaste));
    EXPECT_FALSE(commandEnabled(view, kCmdUnselect));
    EXPECT_TRUE(commandEnabled(view, kCmdSelectAll));
    EXPECT_FALSE(commandEnabled(view, kCmdUndo)) << "nothing done yet";
    EXPECT_FALSE(commandEnabled(view, kCmdRedo));

    EXPECT_TRUE(runCommand(view, kCmdSelectAll));
    for (const int id : {kCmdCut, kCmdCopy, kCmdDelete, kCmdPitchUp, kCmdMoveLeft, kCmdVolumeDown})
        EXPECT_TRUE(commandEnabled(view, id)) << id;
    EXPECT_TRUE(runCommand(view, kCmdCopy));
    EXPECT_TRUE(commandEnabled(view, kCmdPaste));
    EXPECT_TRUE(runCommand(view, kCmdUnselect));
    EXPECT_FALSE(commandEnabled(view, kCmdPaste)) << "Unselect empties the clip";
    EXPECT_FALSE(commandEnabled(view, kCmdUnselect));

    view.transportState = kPlaying;
    view.clipTrack.append(Frame{});
    EXPECT_FALSE(commandEnabled(view, kCmdPaste));
    EXPECT_TRUE(commandEnabled(view, kCmdStop));
    EXPECT_FALSE(runCommand(view, kCmdSelectAll));
    EXPECT_FALSE(view.selection.rangeSelected);
}

TEST_F(Enable, MergeAndSplitLookAtTheFramesAroundTheCursor) {
    setTrack(".1001000.");
    view.cursorFrame = 4;  // an onset after a continuation
    EXPECT_TRUE(commandEnabled(view, kCmdMerge));
    EXPECT_FALSE(commandEnabled(view, kCmdSplit));
    view.cursorFrame = 6;  // inside the second note
    EXPECT_FALSE(commandEnabled(view, kCmdMerge));
    EXPECT_TRUE(commandEnabled(view, kCmdSplit));
    view.cursorFrame = 5;  // right after the onset
    EXPECT_FALSE(commandEnabled(view, kCmdSplit));
    view.cursorFrame = 7;  // before the closing rest
    EXPECT_FALSE(commandEnabled(view, kCmdSplit));
    view.cursorFrame = 0;
    EXPECT_FALSE(commandEnabled(view, kCmdMerge));
    EXPECT_FALSE(commandEnabled(view, kCmdSplit));
    setTrack(".10.1000.");
    view.cursorFrame = 4;  // a rest before the onset
    EXPECT_FALSE(commandEnabled(view, kCmdMerge));
}

TEST_F(Enable, CommandsWithoutACoreHandlerAreLeftToTheWindows) {
    setTrack(".1000.");
    EXPECT_TRUE(commandEnabled(view, kCmdAbout));
    EXPECT_FALSE(runCommand(view, kCmdAbout));
    EXPECT_TRUE(runCommand(view, kCmdScrub));
    EXPECT_TRUE(view.scrubOn);
    EXPECT_TRUE(commandChecked(view, kCmdScrub));
    EXPECT_TRUE(runCommand(view, kCmdGotoLast));
    EXPECT_EQ(view.cursorFrame, 5);
}

// Random edit sequences, each step a command, a cursor move or a mouse gesture, in every
// quantize mode. After every step the track must still be whole.
struct RandomEdits {
    explicit RandomEdits(unsigned seed) : rng(seed) {}

    std::mt19937 rng;
    EditView ev;
    std::string last;  // the step just taken, for the failure message

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    // A take: notes of 2 .. 30 frames with a wandering pitch, now and then an unpitched
    // frame, between rests.
    void newTake() {
        std::string pattern;
        std::vector<double> pitch;
        const int notes = pick(1, 8);
        for (int n = 0; n < notes; ++n) {
            for (int r = pick(0, 6); r > 0; --r) {
                pattern += '.';
                pitch.push_back(0.0);
            }
            double p = pick(40, 90) + pick(0, 9) * 0.1;
            const int frames = pick(2, 30);
            for (int i = 0; i < frames; ++i) {
                pattern += (i == 0 || pick(0, 14) == 0) ? '1' : '0';  // some notes abut
                p += pick(-3, 3) * 0.2;
                pitch.push_back(pick(0, 19) ? p : 0.0);
            }
        }
        pattern += '.';
        pitch.push_back(0.0);
        ev.setTrack(pattern);
        for (size_t i = 0; i < pitch.size(); ++i) ev.view.track.pitch[i] = pitch[i];
        ev.view.cursorFrame = pick(0, ev.view.frameCount() - 1);
        ev.view.requantize(0, ev.view.frameCount());
    }

    void step() {
        ViewState& v = ev.view;
        const int n = v.frameCount();
        static const int commands[] = {kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete, kCmdSelectAll,
                                       kCmdUnselect, kCmdMerge, kCmdSplit, kCmdPitchUp,
                                       kCmdPitchDown, kCmdPitchUpTenth, kCmdPitchDownTenth,
                                       kCmdMoveLeft, kCmdMoveRight, kCmdVolumeUp, kCmdVolumeDown,
                                       kCmdLeftKey, kCmdRightKey, kCmdGotoFirst, kCmdGotoLast,
                                       kCmdNextBeat, kCmdPrevBeat, kCmdNextNote, kCmdPrevNote};
        switch (pick(0, 5)) {
        case 0:
        case 1: {
            const int id = commands[pick(0, std::size(commands) - 1)];
            last = "command " + std::to_string(id) + " at cursor " + std::to_string(v.cursorFrame) + " on " + ev.marks() + " range " + std::to_string(v.selection.rangeSelected) + " " + std::to_string(v.selection.rangeStart) + ".." + std::to_string(v.selection.rangeEnd) + " note " + std::to_string(v.selection.noteSelected) + " " + std::to_string(v.selection.noteStart) + ".." + std::to_string(v.selection.noteEnd);
            if (!commandEnabled(v, id)) {
                const std::vector<int32_t> marks = v.track.mark;
                EXPECT_FALSE(runCommand(v, id));
                EXPECT_EQ(v.track.mark, marks) << "a disabled command changed the track";
            } else {
                runCommand(v, id);
            }
            break;
        }
        case 2:
            last = "cursor";
            v.setCursor(pick(0, n - 1));
            break;
        case 3:
            last = "range";
            ev.selectRange(pick(0, n - 1), pick(0, n - 1));
            break;
        default: {  // press somewhere near a note or a handle, drag, release
            int f = pick(0, n - 1);
            int x = ev.xOf(f) + pick(-8, 8);
            int y = v.track.pitch[f] > 1.0 ? ev.rowOf(v.track.pitch[f]) + pick(-8, 8) : pick(0, 560);
            if (v.selection.noteSelected && pick(0, 2) == 0) {
                // On one of the eight handles of the selected note, to stretch or scale it.
                const int left = ev.xOf(v.selection.noteStart) - 3;
                const int right = ev.xOf(v.selection.noteEnd) + 3;
                const int xs[] = {left, (left + right) / 2, right};
                const int ys[] = {v.selection.noteTop - 3, (v.selection.noteTop + v.selection.noteBottom) / 2, v.selection.noteBottom + 3};
                int h = pick(0, 7);
                if (h >= 4) ++h;  // one of the eight, not the centre
                x = xs[h % 3];
                y = ys[h / 3];
                f = v.selection.noteStart;
            }
            const bool shift = pick(0, 3) == 0;
            ev.drag.leftButtonDown(v, x, y, shift);
            last = "gesture from frame " + std::to_string(f) + " drag kind " +
                   std::to_string(v.selection.noteSelected ? ev.drag.dragKind() : -2) + " note " +
                   std::to_string(v.selection.noteStart) + ".." + std::to_string(v.selection.noteEnd) + " " + ev.marks();
            for (int moves = pick(1, 3); moves > 0; --moves)
                ev.drag.pointerMove(v, x + pick(-40, 40), y + pick(-60, 60), PointerFlags{true, shift, false});
            ev.drag.leftButtonUp(v, x + pick(-40, 40), y + pick(-60, 60), shift);
        }
        }
    }

    void expectWhole(int step) {
        const ViewState& v = ev.view;
        const FrameTrack& t = v.track;
        const size_t n = t.pitch.size();
        ASSERT_GE(n, 1u);
        ASSERT_TRUE(t.note.size() == n && t.volume.size() == n && t.mark.size() == n &&
                    t.reserved.size() == n)
            << "columns of unequal length after step " << step;
        ASSERT_LE(static_cast<int>(n), v.maxFrames);
        ASSERT_EQ(t.mark.back(), kMarkRest) << "step " << step;
        ASSERT_EQ(t.pitch.back(), 0.0) << "step " << step;
        ASSERT_TRUE(v.cursorFrame >= 0 && v.cursorFrame < static_cast<int>(n)) << "step " << step;
        const int last = static_cast<int>(n) - 1;
        if (v.selection.noteSelected) {
            ASSERT_TRUE(0 <= v.selection.noteStart && v.selection.noteStart < v.selection.noteEnd && v.selection.noteEnd <= last)
                << "step " << step;
            ASSERT_EQ(v.selection.noteWidth, v.selection.noteEnd - v.selection.noteStart);
        }
        if (v.selection.rangeSelected) {
            ASSERT_TRUE(v.selection.rangeStart >= 0 && v.selection.rangeStart <= last && v.selection.rangeEnd >= 0 &&
                        v.selection.rangeEnd <= last)
                << "step " << step;
        }
        for (size_t i = 0; i < n; ++i) {
            const double p = t.pitch[i];
            ASSERT_TRUE(p < 1.0 || (p >= 20.5 && p <= 108.5)) << "frame " << i << " step " << step;
            // A note begins with an onset: no continuation follows a rest or opens the track.
            if (t.mark[i] == kMarkContinue) {
                ASSERT_TRUE(i > 0 && t.mark[i - 1] != kMarkRest) << "frame " << i << " step " << step;
            }
        }
        // Every note carries the notes a whole-track quantize would give it.
        FrameTrack fresh = t;
        requantize(fresh, v.settings, 0, static_cast<int>(n));
        ASSERT_EQ(fresh.note, t.note) << "stale notes after step " << step;
    }
};

TEST(EditProperties, RandomEditSequencesLeaveAWholeTrack) {
    int steps = 0;
    for (unsigned seed = 1; seed <= 3000; ++seed) {
        RandomEdits r(seed);
        r.ev.view.maxFrames = 400;  // small enough for pastes to be refused now and then
        r.ev.view.setSetting(Setting::QuantizeMode, static_cast<int>(seed % 4));
        r.newTake();
        for (int i = 0; i < 40; ++i) {
            if (r.ev.view.transportState == kEmptyProject) r.newTake();  // a new recording
            r.step();
            r.expectWhole(i);
            if (::testing::Test::HasFatalFailure() || ::testing::Test::HasNonfatalFailure()) {
                ADD_FAILURE() << "seed " << seed << " after " << r.last << "\n" << r.ev.marks();
                return;
            }
            ++steps;
        }
    }
    EXPECT_EQ(steps, 120000);
}

// Random sequences of the same edits, gestures, selections and cursor moves, with Undo and
// Redo among them, against a model: each action that made a step is remembered with the view
// before and after it; Undo must give back the first exactly and Redo the second. An action
// that made no step must have left the frames alone. Takes come in the "As Is" sequences, as
// recording switches to that mode; the mode never changes within a sequence.
struct UndoModel {
    explicit UndoModel(unsigned seed) : r(seed), v(r.ev.view) {}

    RandomEdits r;
    ViewState& v;
    std::vector<std::pair<Snapshot, Snapshot>> done, undone;
    std::string last;

    void undo() {
        ASSERT_EQ(v.history.undoCount(), static_cast<int>(done.size()));
        if (done.empty()) {
            const Snapshot before = snapshotOf(v);
            EXPECT_FALSE(commandEnabled(v, kCmdUndo));
            EXPECT_FALSE(runCommand(v, kCmdUndo));
            ASSERT_EQ(snapshotOf(v), before);
            return;
        }
        ASSERT_TRUE(commandEnabled(v, kCmdUndo));
        ASSERT_TRUE(runCommand(v, kCmdUndo));
        const Snapshot now = snapshotOf(v);
        ASSERT_EQ(now, done.back().first) << "undo differs in " << differences(now, done.back().first);
        undone.push_back(std::move(done.back()));
        done.pop_back();
    }

    void redo() {
        ASSERT_EQ(v.history.redoCount(), static_cast<int>(undone.size()));
        if (undone.empty()) {
            const Snapshot before = snapshotOf(v);
            EXPECT_FALSE(runCommand(v, kCmdRedo));
            ASSERT_EQ(snapshotOf(v), before);
            return;
        }
        ASSERT_TRUE(commandEnabled(v, kCmdRedo));
        ASSERT_TRUE(runCommand(v, kCmdRedo));
        const Snapshot now = snapshotOf(v);
        ASSERT_EQ(now, undone.back().second) << "redo differs in " << differences(now, undone.back().second);
        done.push_back(std::move(undone.back()));
        undone.pop_back();
    }

    // Undo and Redo while the transport runs: refused, and nothing moves.
    void expectBlocked() {
        const Snapshot before = snapshotOf(v);
        for (const int id : {kCmdUndo, kCmdRedo}) {
            EXPECT_FALSE(commandEnabled(v, id));
            EXPECT_FALSE(runCommand(v, id));
        }
        EXPECT_FALSE(v.history.undo(v));
        EXPECT_FALSE(v.history.redo(v));
        ASSERT_EQ(snapshotOf(v), before) << "changed during " << v.transportState;
    }

    void playAndTryUndo() {
        last = "undo while playing";
        if (v.transportState != kIdle || v.cursorFrame >= v.frameCount() - 1) return;
        v.play();
        ASSERT_EQ(v.transportState, kPlaying);
        expectBlocked();
        v.stop();
    }

    // A take of a few sung frames, Undo and Redo tried in the middle of it.
    void take() {
        last = "take";
        v.record(ViewState::CountIn::None);
        if (v.transportState != kRecording) return;  // the track is full
        expectBlocked();
        const int frames = r.pick(0, 20);
        double pitch = r.pick(50, 80);
        for (int i = 0; i < frames; ++i) {
            FrameResult f{};
            f.level = r.pick(0, 5) ? -10.0 : -60.0;
            f.pitch = f.level > -20.0 ? (pitch += r.pick(-2, 2) * 0.3) : 0.0;
            f.clarity = 9.0;
            f.noteState = i == 0 ? kMarkOnset : kMarkContinue;
            v.onFrameResult(f);
        }
        expectBlocked();
        v.stop();
    }

    void act(int mode) {
        const Snapshot before = snapshotOf(v);
        const int steps = v.history.undoCount();
        if (mode == kAsIs && r.pick(0, 9) == 0) {
            take();
        } else if (r.pick(0, 14) == 0) {
            last = "find notes";
            runCommand(v, kCmdFindNotes);
        } else {
            r.step();
            last = r.last;
        }
        const Snapshot after = snapshotOf(v);
        if (v.history.undoCount() == steps + 1) {
            ASSERT_EQ(v.history.redoCount(), 0) << "a new step keeps no redo";
            done.emplace_back(before, after);
            undone.clear();
        } else {
            ASSERT_EQ(v.history.undoCount(), steps);
            ASSERT_EQ(after.track, before.track) << "the frames changed without an undo step";
        }
    }
};

TEST(EditProperties, UndoAndRedoRetraceRandomEditSequences) {
    int undone = 0;
    for (unsigned seed = 1; seed <= 1500; ++seed) {
        UndoModel m(seed);
        ViewState& v = m.v;
        v.maxFrames = 400;
        const int mode = static_cast<int>(seed % 4);
        v.setSetting(Setting::QuantizeMode, mode);
        m.r.newTake();
        const Snapshot start = snapshotOf(v);
        const auto failed = [&](const std::string& where) {
            if (!::testing::Test::HasFailure()) return false;
            ADD_FAILURE() << "seed " << seed << " " << where << " after " << m.last << "\n" << m.r.ev.marks();
            return true;
        };
        for (int i = 0; i < 30; ++i) {
            const int roll = m.r.pick(0, 19);
            if (v.transportState == kEmptyProject || roll < 2) {
                m.last = "undo";
                m.undo();
            } else if (roll < 4) {
                m.last = "redo";
                m.redo();
            } else if (roll == 4) {
                m.playAndTryUndo();
            } else {
                m.act(mode);
            }
            m.r.expectWhole(i);
            if (failed("step " + std::to_string(i))) return;
        }
        while (!m.undone.empty() && !::testing::Test::HasFailure()) m.redo();
        const Snapshot end = snapshotOf(v);
        while (!m.done.empty() && !::testing::Test::HasFailure()) {
            m.undo();
            m.r.expectWhole(-1);
            ++undone;
        }
        if (failed("undoing all")) return;
        EXPECT_FALSE(runCommand(v, kCmdUndo));
        EXPECT_EQ(snapshotOf(v).track, start.track) << "undo to the start, seed " << seed;
        while (!m.undone.empty() && !::testing::Test::HasFailure()) m.redo();
        if (failed("redoing all")) return;
        EXPECT_FALSE(runCommand(v, kCmdRedo));
        // The cursor and the selection may have moved after the last step; the frames not.
        EXPECT_EQ(snapshotOf(v).track, end.track) << "redo to the end, seed " << seed;
    }
    // A model that recorded no steps would pass vacuously: about four steps are left to undo
    // at the end of each sequence.
    EXPECT_GT(undone, 1500 * 3);
}

}  // namespace
