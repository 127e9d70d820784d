// The command-enable flags and rules, running commands by id, and random edit sequences that
// must always leave a whole track behind.
#include "editor/Commands.h"
#include "document/Quantizer.h"
#include "editor/NoteDrag.h"
#include "support/EditFixture.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace hummwell;
using editfixture::EditView;

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
    for (const int id : {57600, 57603, 32784, 57642, 32812, 32813, 57643, 57644, 57635, 57634,
                         57637, 57632, 32789, 32790, 32791, 32792, 32793, 32794, 32795, 32796,
                         32797, 32816, 32817})
        EXPECT_EQ(flagOf(id), CommandFlag::Edit) << id;
    for (const int id : {57601, 32771, 57670, 32799, 32798, 57664, 1028, 1027})
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
    EXPECT_TRUE(commandEnabled(view, kCmdUndo));

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
    EXPECT_FALSE(view.rangeSelected);
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
            last = "command " + std::to_string(id) + " at cursor " + std::to_string(v.cursorFrame) + " on " + ev.marks() + " range " + std::to_string(v.rangeSelected) + " " + std::to_string(v.rangeStart) + ".." + std::to_string(v.rangeEnd) + " note " + std::to_string(v.noteSelected) + " " + std::to_string(v.noteStart) + ".." + std::to_string(v.noteEnd);
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
            const int f = pick(0, n - 1);
            const int x = ev.xOf(f) + pick(-8, 8);
            const int y = v.track.pitch[f] > 1.0 ? ev.rowOf(v.track.pitch[f]) + pick(-8, 8)
                                                 : pick(0, 560);
            const bool shift = pick(0, 3) == 0;
            leftButtonDown(v, x, y, shift);
            last = "gesture from frame " + std::to_string(f) + " drag kind " +
                   std::to_string(v.noteSelected ? v.dragKind : -2) + " note " +
                   std::to_string(v.noteStart) + ".." + std::to_string(v.noteEnd) + " " + ev.marks();
            for (int moves = pick(1, 3); moves > 0; --moves)
                pointerMove(v, x + pick(-40, 40), y + pick(-60, 60), PointerFlags{true, shift, false});
            leftButtonUp(v, x + pick(-40, 40), y + pick(-60, 60), shift);
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
        if (v.noteSelected) {
            ASSERT_TRUE(0 <= v.noteStart && v.noteStart < v.noteEnd && v.noteEnd <= last)
                << "step " << step;
            ASSERT_EQ(v.noteWidth, v.noteEnd - v.noteStart);
        }
        if (v.rangeSelected) {
            ASSERT_TRUE(v.rangeStart >= 0 && v.rangeStart <= last && v.rangeEnd >= 0 &&
                        v.rangeEnd <= last)
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

}  // namespace
