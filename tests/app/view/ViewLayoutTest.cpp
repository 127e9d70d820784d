// What the note view shows, without drawing: rows of pitches, the note bars of each scale and
// key, the grid's lines, the slices a paint copies and the readouts in each transport state.
#include "view/ViewLayout.h"

#include "support/AppDoubles.h"

#include <gtest/gtest.h>

using namespace hummwell;

namespace {

struct View {
    appdoubles::ViewFixture f;
    ViewState v{f.prompt, f.surface, f.output, f.input};

    // Onsets '1', continuations '0', rests '.', all at `pitch`, idle.
    void track(const std::string& pattern, double pitch = 60.0, double volume = 80.0) {
        v.track.clear();
        for (char c : pattern)
            v.track.append(c == '.' ? Frame{} : Frame{pitch, 60, volume, c == '1' ? kMarkOnset : kMarkContinue, 0});
        v.transportState = kIdle;
    }
};

std::vector<int> rows(const NoteBar& b) {
    std::vector<int> out;
    for (int y = b.top; y < b.top + b.height; ++y) out.push_back(y);
    return out;
}

}  // namespace

TEST(ViewRows, SixRowsASemitoneFromRow28) {
    EXPECT_EQ(rowOfPitch(60.0), 319);
    EXPECT_EQ(rowOfPitch(108.5), 28);
    EXPECT_EQ(rowOfPitch(20.5), 556);
    EXPECT_EQ(rowOfPitch(60.1), 318);  // truncated: 318.4
}

TEST(NoteBars, ChromaticBarsFillTheNotesBandButItsTopRow) {
    NoteBarTable t;
    t.rebuild(0, 0);
    EXPECT_EQ(rows(t.bar(60)), (std::vector<int>{317, 318, 319, 320, 321}));
    EXPECT_EQ(t.bar(108).top, 29);
    EXPECT_EQ(t.bar(21).top + t.bar(21).height - 1, 555);
    for (int outside : {0, 20, 109, 127}) EXPECT_EQ(t.bar(outside).height, 0) << outside;
}

TEST(NoteBars, DiatonicBarsCoverWhatSnapsToEachDegreeAndFollowTheKey) {
    NoteBarTable c;
    c.rebuild(1, 0);  // C major: the tonic's pitch class is 0
    EXPECT_EQ(c.bar(60).top, 314);
    EXPECT_EQ(c.bar(60).height, 8);
    EXPECT_EQ(c.bar(62).top, 302);
    EXPECT_EQ(c.bar(62).height, 11);
    EXPECT_EQ(c.bar(64).top, 293);
    EXPECT_EQ(c.bar(64).height, 8);
    for (int offScale : {61, 63, 66, 68, 70}) EXPECT_EQ(c.bar(offScale).height, 0) << offScale;

    NoteBarTable g;
    g.rebuild(1, 5);  // G major: keyOffset 5, tonic 7
    EXPECT_EQ(g.bar(67).top, 674 - 6 * 67);
    EXPECT_EQ(g.bar(67).height, 8);
    EXPECT_EQ(g.bar(66).height, 8);  // F sharp, the seventh
    EXPECT_EQ(g.bar(65).height, 0);  // F natural is off the scale
    g.rebuild(0, 5);                 // chromatic again: every note has its bar
    EXPECT_EQ(g.bar(65).height, 5);
}

TEST(LoudnessMeter, LinesGrowAboutTheHeaderLineAndStayInTheHeader) {
    EXPECT_EQ(meterRows(0.0).top, 14);
    EXPECT_EQ(meterRows(0.0).bottom, 15);
    EXPECT_EQ(meterRows(64.0).top, 8);  // trunc(64 / 127 * 13) = 6
    EXPECT_EQ(meterRows(64.0).bottom, 21);
    EXPECT_EQ(meterRows(500.0).top, 0);
    EXPECT_EQ(meterRows(500.0).bottom, 27);
    EXPECT_EQ(meterRows(-3.0).top, 14);
}

TEST(GridLines, BeatsAndMeasuresAt120Bpm) {
    const GridLines g = gridLines(500.0, 4, 32767);
    ASSERT_GE(g.beats.size(), 3u);
    EXPECT_EQ(g.beats[0], 44);
    EXPECT_EQ(g.beats[1], 87);
    EXPECT_EQ(g.beats[2], 130);
    EXPECT_EQ(g.measures[0], 0);
    EXPECT_EQ(g.measures[1], 173);
    EXPECT_LT(g.measures.back(), 32767);
    // 3/4 and 6/8 close their measures after three and six beats.
    EXPECT_EQ(gridLines(500.0, 3, 1000).measures[1], 130);
    EXPECT_EQ(gridLines(250.0, 6, 1000).measures[1], 130);
}

TEST(GridLines, FillersFindTheMeasuresPhase) {
    const GridLines g = gridLines(500.0, 4, 32767);
    // Measures at 0, 173, 345, 517: ceil(2000 k ms × 0.0861328125), not multiples of 173.
    EXPECT_EQ(g.measures[2], 345);
    EXPECT_EQ(g.measures[3], 517);
    EXPECT_EQ(g.measurePhase(400), 517 - 400);
    EXPECT_EQ(g.measurePhase(345), 0);
    EXPECT_EQ(g.sinceMeasure(400), 400 - 345);
    EXPECT_EQ(g.sinceMeasure(0), 0);
}

TEST(PaintPlan, FillersAndTrackAroundTheCursorAtTheCentre) {
    View t;
    t.track(std::string(99, '0') + ".");
    t.v.cursorFrame = 0;
    const GridLines g = gridLines(500.0, 4, t.v.maxFrames);
    PaintPlan p = planPaint(t.v, g, 800);
    EXPECT_EQ(p.cursorX, 400);
    ASSERT_EQ(p.slices.size(), 3u);
    EXPECT_EQ(p.slices[0], (Slice{Picture::Grid, 117, 0, 400}));  // a measure at client 400
    EXPECT_EQ(p.slices[1], (Slice{Picture::Track, 0, 400, 100}));
    EXPECT_EQ(p.slices[2], (Slice{Picture::Grid, 100, 500, 300}));

    // Deep in a long track only the track shows: frame f at client x = 400 + f - cursor.
    t.track(std::string(4999, '0') + ".");
    t.v.cursorFrame = 1000;
    p = planPaint(t.v, g, 800);
    ASSERT_EQ(p.slices.size(), 1u);
    EXPECT_EQ(p.slices[0], (Slice{Picture::Track, 600, 0, 800}));

    // Near the end, the grid after the track continues from the track's own columns.
    t.v.cursorFrame = 4990;
    p = planPaint(t.v, g, 801);
    EXPECT_EQ(p.cursorX, 400);
    ASSERT_EQ(p.slices.size(), 2u);
    EXPECT_EQ(p.slices[1], (Slice{Picture::Grid, 5000, 410, 391}));
}

TEST(PaintPlan, AFullTrackTakesItsRightFillerFromTheFirstMeasures) {
    View t;
    t.v.maxFrames = 2000;
    t.track(std::string(1999, '0') + ".");
    t.v.cursorFrame = 1999;
    const GridLines g = gridLines(500.0, 4, 2000);
    const PaintPlan p = planPaint(t.v, g, 800);
    ASSERT_EQ(p.slices.size(), 2u);
    EXPECT_EQ(p.slices[1].source, Picture::Grid);
    EXPECT_EQ(p.slices[1].sourceX, 2000 - 1895);  // past the measure at 1895
    EXPECT_EQ(p.slices[1].clientX, 401);
}

TEST(PaintPlan, NewProjectShowsOnlyTheGridInStep) {
    View t;
    t.v.transportState = kEmptyProject;
    const PaintPlan p = planPaint(t.v, gridLines(500.0, 4, 32767), 800);
    ASSERT_EQ(p.slices.size(), 1u);
    EXPECT_EQ(p.slices[0], (Slice{Picture::Grid, 117, 0, 800}));
    EXPECT_FALSE(p.invert);
    EXPECT_FALSE(p.tracker);
    EXPECT_EQ(p.readouts.time, "");
}

TEST(PaintPlan, ARangeIsInvertedAndANoteFramedOnlyWhenIdle) {
    View t;
    t.track("1000000000100000.");
    t.v.cursorFrame = 5;
    t.v.selection.rangeSelected = true;
    t.v.selection.rangeStart = 8;
    t.v.selection.rangeEnd = 3;  // either order
    const GridLines g = gridLines(500.0, 4, t.v.maxFrames);
    PaintPlan p = planPaint(t.v, g, 800);
    EXPECT_TRUE(p.invert);
    EXPECT_EQ(p.invertX, 398);
    EXPECT_EQ(p.invertWidth, 5);
    EXPECT_FALSE(p.tracker);

    t.v.selection.rangeSelected = false;
    t.v.selection.noteSelected = true;
    t.v.selection.noteStart = 10;
    t.v.selection.noteEnd = 16;
    t.v.selection.noteTop = 310;
    t.v.selection.noteBottom = 330;
    p = planPaint(t.v, g, 800);
    EXPECT_TRUE(p.tracker);
    EXPECT_EQ(p.trackerLeft, 405);
    EXPECT_EQ(p.trackerRight, 411);
    EXPECT_EQ(p.trackerTop, 310);
    EXPECT_EQ(p.trackerBottom, 330);

    t.v.transportState = kPlaying;
    p = planPaint(t.v, g, 800);
    EXPECT_FALSE(p.tracker);
    EXPECT_FALSE(p.invert);
    EXPECT_LE(p.slices.size(), 5u);
}

TEST(Readouts, EachStateShowsItsOwnFormats) {
    View t;
    t.track("1000.", 61.256, 200.0);
    t.v.cursorFrame = 2;  // 23 ms
    Readouts r = readoutsFor(t.v);
    EXPECT_EQ(r.time, "00:00:023");
    EXPECT_EQ(r.pitch, "061.26");
    EXPECT_EQ(r.volume, "127 0");  // capped, with the mark

    t.v.settings.store(Setting::QuantizeMode, kNoteQuantize);
    r = readoutsFor(t.v);
    EXPECT_EQ(r.pitch, "060");
    EXPECT_EQ(r.volume, "64 0");

    t.v.transportState = kPlaying;
    EXPECT_EQ(readoutsFor(t.v).volume, "64");

    // A take shows the frame it has just stored, the one before the cursor.
    t.track("1000..", 61.256, 200.0);
    t.v.transportState = kRecording;
    t.v.cursorFrame = 2;
    r = readoutsFor(t.v);
    EXPECT_EQ(r.pitch, "061.26");
    EXPECT_EQ(r.volume, "127");
    t.v.transportState = kRecording;
    t.v.cursorFrame = 5;  // after a rest: no pitch to show
    r = readoutsFor(t.v);
    EXPECT_EQ(r.time, "00:00:058");
    EXPECT_EQ(r.pitch, "");
    EXPECT_EQ(r.volume, "0");

    t.v.transportState = kIdle;
    t.v.track.clear();
    for (int i = 0; i < 6000; ++i) t.v.track.append(Frame{});
    t.v.cursorFrame = 5400;  // 62,693.9 ms
    EXPECT_EQ(readoutsFor(t.v).time, "01:02:693");
    t.v.cursorFrame = 6000;  // outside the track
    EXPECT_EQ(readoutsFor(t.v).time, "");
    t.v.transportState = kEmptyProject;
    t.v.cursorFrame = 0;
    EXPECT_EQ(readoutsFor(t.v).volume, "");
}

TEST(PaintPlan, ATakeShowsItsFramesUpToTheCursorTheGridAheadAndTheCountIn) {
    View t;
    t.track(std::string(99, '0') + ".");
    t.v.cursorFrame = 50;
    t.v.record();  // 120 bpm: a count-in of 250 frames
    ASSERT_EQ(t.v.transportState, kRecording);
    const GridLines g = gridLines(500.0, 4, t.v.maxFrames);
    PaintPlan p = planPaint(t.v, g, 800, 2000);
    EXPECT_TRUE(p.countIn);
    EXPECT_EQ(p.countInX, 400 - 250);
    ASSERT_EQ(p.slices.size(), 3u);
    EXPECT_EQ(p.slices[0], (Slice{Picture::Grid, 117 + 50, 0, 350}));
    EXPECT_EQ(p.slices[1], (Slice{Picture::Track, 0, 350, 50}));
    EXPECT_EQ(p.slices[2], (Slice{Picture::Ahead, 0, 400, 400}));

    FrameResult silence{};
    silence.level = -900.0;
    for (int i = 0; i < 100; ++i) t.v.onFrameResult(silence);
    EXPECT_EQ(planPaint(t.v, g, 800, 2000).countInX, 400 - 150);  // the line moves on
    for (int i = 0; i < 150 + 20; ++i) t.v.onFrameResult(silence);
    EXPECT_EQ(t.v.cursorFrame, 70);
    p = planPaint(t.v, g, 800, 2000);
    EXPECT_FALSE(p.countIn);
    EXPECT_EQ(p.slices.back(), (Slice{Picture::Ahead, 20, 400, 400}));
    EXPECT_EQ(p.slices[1], (Slice{Picture::Track, 0, 330, 70}));
    EXPECT_FALSE(p.tracker);
}
