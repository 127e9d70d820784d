// Pitch to note: the snap tables, the metronome's classification and the four quantize modes
// on hand-built tracks.
#include "document/ProjectSettings.h"
#include "document/Quantizer.h"
#include "document/Scale.h"

#include <gtest/gtest.h>

#include <vector>

using namespace hummwell;

namespace {

// A track of one note per list of pitches (an onset, then continuations), notes separated by
// one rest frame, and the final rest frame.
FrameTrack trackOf(const std::vector<std::vector<double>>& notes) {
    FrameTrack t;
    t.clear();
    for (const auto& pitches : notes) {
        for (size_t i = 0; i < pitches.size(); ++i)
            t.append(Frame{pitches[i], 0, 64.0, i == 0 ? kMarkOnset : kMarkContinue, 0});
        t.append(Frame{});
    }
    if (notes.empty()) t.append(Frame{});
    return t;
}

ProjectSettings settingsFor(int mode, int scale = 0, int key = 3) {
    ProjectSettings s;
    s.store(Setting::QuantizeMode, mode);
    s.store(Setting::Scale, scale);
    s.store(Setting::Key, key);
    return s;
}

std::vector<int> notesOf(const FrameTrack& t, int first, int end) {
    return std::vector<int>(t.note.begin() + first, t.note.begin() + end);
}

}  // namespace

// --- Snap and ticks -------------------------------------------------------------------------

TEST(SnapToNote, ChromaticRoundsHalfUpWithinThePiano) {
    EXPECT_EQ(snapToNote(60.49, 0, 0), 60);
    EXPECT_EQ(snapToNote(60.5, 0, 0), 61);
    EXPECT_EQ(snapToNote(20.4, 0, 0), 21);
    EXPECT_EQ(snapToNote(1.6, 0, 0), 21);  // 2 .. 20 become the lowest key
    EXPECT_EQ(snapToNote(108.6, 0, 0), 108);
    EXPECT_EQ(snapToNote(0.0, 0, 0), 0);
    EXPECT_EQ(snapToNote(1.4, 0, 0), 1);  // 0 and 1 stay: no note
}

TEST(SnapToNote, DiatonicTakesTheNearestDegreeOfTheKey) {
    const int cMajor = 0;  // keyOffset of C (key index 3)
    EXPECT_EQ(snapToNote(61.2, 1, cMajor), 62);  // C# goes up to D
    EXPECT_EQ(snapToNote(60.9, 1, cMajor), 60);
    EXPECT_EQ(snapToNote(64.4, 1, cMajor), 64);  // E
    EXPECT_EQ(snapToNote(64.5, 1, cMajor), 65);  // F
    EXPECT_EQ(snapToNote(70.6, 1, cMajor), 71);  // B
    EXPECT_EQ(snapToNote(71.6, 1, cMajor), 72);  // up to the next C
    EXPECT_EQ(snapToNote(1.0, 1, cMajor), 0);
    EXPECT_EQ(snapToNote(109.0, 1, cMajor), 108);

    ProjectSettings s;
    s.store(Setting::Key, 7);  // E major: tonic pitch class 4, F# G# C# D# in the scale
    const int e = s.keyOffset();
    EXPECT_EQ((12 - e) % 12, 4);
    EXPECT_EQ(snapToNote(65.6, 1, e), 66);  // F# rather than F
    EXPECT_EQ(snapToNote(60.2, 1, e), 61);  // C goes up to C#
    EXPECT_EQ(snapToNote(59.4, 1, e), 59);  // B
    s.store(Setting::Key, 1);  // A# (Bb) major: tonic 10
    EXPECT_EQ((12 - s.keyOffset()) % 12, 10);
    EXPECT_EQ(snapToNote(63.4, 1, s.keyOffset()), 63);  // Eb
    EXPECT_EQ(snapToNote(64.2, 1, s.keyOffset()), 65);  // E goes up to F
    EXPECT_EQ(snapToNote(21.6, 1, s.keyOffset()), 22);  // from the piano's lowest A to Bb
}

TEST(TickAt, EachBoundaryTicksOnceOnTheFirstFrameAfterIt) {
    const double beat = 500.0, measure = 2000.0;  // 120 bpm, 4/4
    TickFlags flags;
    std::vector<int> ticks;
    for (int frame = 0; frame < 400; ++frame) {
        const TickKind k = tickAt(frame * 11.609977324263038, beat, measure, flags);
        if (k != kNoTick) ticks.push_back(frame * 10 + k);
    }
    // The very first frame arms nothing yet; then a beat every 43.07 frames and a measure
    // tick at each fourth.
    ASSERT_GE(ticks.size(), 8u);
    EXPECT_EQ(ticks[0], 44 * 10 + kBeatTick);   // 500 ms lies in frame 43; frame 44 is after
    EXPECT_EQ(ticks[2], 130 * 10 + kBeatTick);
    EXPECT_EQ(ticks[3], 173 * 10 + kMeasureTick);  // 2,000 ms
    EXPECT_EQ(ticks[6], 302 * 10 + kBeatTick);
}

TEST(ProjectSettings, DerivedValuesFollowSpeedMetreAndKey) {
    ProjectSettings s;
    EXPECT_EQ(s.beatMs(), 500.0);
    EXPECT_EQ(s.measureMs(), 2000.0);
    s.store(Setting::Metre, 3);  // 6/8 at 120 bpm: six halved beats
    EXPECT_EQ(s.beatMs(), 250.0);
    EXPECT_EQ(s.measureMs(), 1500.0);
    s.store(Setting::Metre, 1);
    s.store(Setting::Speed, 1);  // 90 bpm is 750 ms, not 666.7
    EXPECT_EQ(s.measureMs(), 2250.0);
    for (int key = 0; key < 12; ++key) {
        s.store(Setting::Key, key);
        EXPECT_EQ(s.keyOffset(), ((3 - key) % 12 + 12) % 12);
    }
    EXPECT_FALSE(s.store(Setting::Key, 11)) << "an unchanged value reports no change";
}

TEST(ProjectSettings, TickNotesDependOnTheirChannel) {
    ProjectSettings s;
    s.store(Setting::MeasureTickChannel, 9);
    EXPECT_TRUE(s.isValid(Setting::MeasureTickNote, 30));
    EXPECT_FALSE(s.isValid(Setting::MeasureTickNote, 47));
    s.store(Setting::MeasureTickChannel, 0);
    EXPECT_FALSE(s.isValid(Setting::MeasureTickNote, 30));
    EXPECT_TRUE(s.isValid(Setting::MeasureTickNote, 5));
    EXPECT_TRUE(s.isValid(Setting::MetronomeOn, 7)) << "the check boxes are not checked";
}

// --- Modes ----------------------------------------------------------------------------------

TEST(Quantizer, AsIsLeavesTheNotesAndRedrawsTheRange) {
    FrameTrack t = trackOf({{60.2, 60.4}});
    t.note[0] = 99;
    const Stretch r = requantize(t, settingsFor(kAsIs), 0, t.frameCount());
    EXPECT_EQ(t.note[0], 99);
    EXPECT_EQ(r.first, 0);
    EXPECT_EQ(r.count, t.frameCount());
}

TEST(Quantizer, BasicSnapsEveryFrame) {
    FrameTrack t = trackOf({{60.2, 60.6, 61.4}});
    requantize(t, settingsFor(kBasic), 0, t.frameCount());
    EXPECT_EQ(notesOf(t, 0, 4), (std::vector<int>{60, 61, 61, 0}));
    requantize(t, settingsFor(kBasic, 1), 0, t.frameCount());  // diatonic C major
    EXPECT_EQ(notesOf(t, 0, 3), (std::vector<int>{60, 60, 62}));
}

TEST(Quantizer, NoteModeGivesEachNoteTheSnapOfItsMeanPitch) {
    FrameTrack t = trackOf({{60.0, 61.0, 61.4}, {64.6, 64.8}});
    t.note[3] = 77;  // a rest frame's stale note is cleared
    requantize(t, settingsFor(kNoteQuantize), 0, t.frameCount());
    EXPECT_EQ(notesOf(t, 0, 7), (std::vector<int>{61, 61, 61, 0, 65, 65, 0}));
}

TEST(Quantizer, NoteModeCutsANoteAtTheRangeEnd) {
    FrameTrack t = trackOf({{60.0, 60.0, 70.0, 70.0}});
    requantize(t, settingsFor(kNoteQuantize), 0, 2);  // only the first two frames
    EXPECT_EQ(notesOf(t, 0, 4), (std::vector<int>{60, 60, 0, 0}));
}

TEST(Quantizer, RelativeModeGivesAShortNoteOneNumber) {
    FrameTrack t = trackOf({{60.0, 60.6, 61.4, 61.6}});  // four frames: treated as one note
    requantize(t, settingsFor(kRelative), 0, t.frameCount());
    EXPECT_EQ(notesOf(t, 0, 4), (std::vector<int>{61, 61, 61, 61}));
}

TEST(Quantizer, RelativeModeMergesOneFrameIslands) {
    // Frame 3 sticks out to 62 between 60s; frame 6 lies between 60 and 64 and is nearer 64.
    FrameTrack t = trackOf({{60.0, 60.1, 59.9, 62.2, 60.0, 60.0, 63.4, 64.0, 64.1, 64.0}});
    requantize(t, settingsFor(kRelative), 0, t.frameCount());
    EXPECT_EQ(notesOf(t, 0, 10), (std::vector<int>{60, 60, 60, 60, 60, 60, 64, 64, 64, 64}));
}

TEST(Quantizer, RelativeModeFixesTheNotesEndsFromTheirNeighbours) {
    // A first frame that overshoots takes the second frame's note.
    FrameTrack t = trackOf({{62.0, 60.0, 60.0, 60.0, 60.0, 60.0, 58.2}});
    requantize(t, settingsFor(kRelative), 0, t.frameCount());
    EXPECT_EQ(notesOf(t, 0, 7), (std::vector<int>(7, 60)));
}

TEST(Quantizer, RelativeModeMergesTwoFrameIslands) {
    FrameTrack t = trackOf({{60.0, 60.0, 60.0, 62.0, 62.1, 60.0, 60.0, 60.0}});
    requantize(t, settingsFor(kRelative), 0, t.frameCount());
    EXPECT_EQ(notesOf(t, 0, 8), (std::vector<int>(8, 60)));

    // Between different notes, the island goes to the side its own edge is nearer to.
    FrameTrack u = trackOf({{60.0, 60.0, 60.0, 61.2, 62.6, 64.0, 64.0, 64.0}});
    requantize(u, settingsFor(kRelative), 0, u.frameCount());
    EXPECT_EQ(notesOf(u, 0, 8), (std::vector<int>{60, 60, 60, 64, 64, 64, 64, 64}));
}

TEST(Quantizer, RelativeModeMovesLongIslandsOnlyOntoTheSameNote) {
    // A three-frame island at 62 between 60 and 64 runs: its mean is a whole semitone or more
    // from both runs, so it stays.
    FrameTrack t = trackOf({{60.0, 60.0, 60.0, 62.0, 62.0, 62.0, 64.0, 64.0, 64.0, 64.0}});
    requantize(t, settingsFor(kRelative), 0, t.frameCount());
    EXPECT_EQ(notesOf(t, 3, 6), (std::vector<int>{62, 62, 62}));

    // Four frames at 61 (snapping up from 60.5) whose mean lies within a semitone of the left
    // run's mean join it.
    FrameTrack u = trackOf({{60.1, 60.1, 60.1, 60.6, 60.6, 60.6, 60.6, 64.0, 64.0, 64.0}});
    requantize(u, settingsFor(kRelative), 0, u.frameCount());
    EXPECT_EQ(notesOf(u, 3, 7), (std::vector<int>{60, 60, 60, 60}));

    // Equal neighbours take a three-frame island whatever its pitch.
    FrameTrack w = trackOf({{60.0, 60.0, 60.0, 67.0, 67.0, 67.0, 60.0, 60.0, 60.0}});
    requantize(w, settingsFor(kRelative), 0, w.frameCount());
    EXPECT_EQ(notesOf(w, 0, 9), (std::vector<int>(9, 60)));
}

TEST(Quantizer, RelativeModeLeavesANoteThatRunsIntoTheRangeEnd) {
    FrameTrack t = trackOf({{60.0, 60.0, 62.2, 60.0, 60.0, 60.0}});
    requantize(t, settingsFor(kRelative), 0, 5);  // the note goes on past the range
    EXPECT_EQ(t.note[2], 62) << "the basic snap stays";
    requantize(t, settingsFor(kRelative), 0, 6);  // its closing rest is just outside
    EXPECT_EQ(t.note[2], 60) << "a whole note is cleaned";
}

TEST(Quantizer, NoteAndRelativeModesRedrawWholeNotes) {
    FrameTrack t = trackOf({{60.0, 60.0, 60.0, 60.0}, {62.0, 62.0, 62.0}});
    for (int mode : {kRelative, kNoteQuantize}) {
        const Stretch r = requantize(t, settingsFor(mode), 2, 4);  // frames 2 .. 5
        EXPECT_EQ(r.first, 0) << mode;                               // back to the onset
        EXPECT_EQ(r.first + r.count, 8) << mode;                     // on to the rest at 8
    }
    const Stretch basic = requantize(t, settingsFor(kBasic), 2, 4);
    EXPECT_EQ(basic.first, 2);
    EXPECT_EQ(basic.count, 4);
    const Stretch clipped = requantize(t, settingsFor(kBasic), 6, 100);
    EXPECT_EQ(clipped.first + clipped.count, t.frameCount());
}
