// The cursor: setCursor's repaints and sound, beats, snapping, the Goto commands and the
// view's width.
#include "editor/Navigation.h"
#include "support/EditFixture.h"

#include <gtest/gtest.h>

namespace {

using namespace hummwell;
using editfixture::EditView;

struct Navigation : ::testing::Test, EditView {};

// At 120 bpm in 4/4 the beats begin at frames 0, 44, 87, 130 and the next measure at 173.
TEST_F(Navigation, BeatsAreNumberedWithinTheirMeasure) {
    setTrack(std::string(400, '.'));
    EXPECT_EQ(beatIndexAt(view, 43), 0);
    EXPECT_EQ(beatIndexAt(view, 44), 1);
    EXPECT_EQ(beatIndexAt(view, 130), 3);
    EXPECT_EQ(beatIndexAt(view, 172), 3);
    EXPECT_EQ(beatIndexAt(view, 173), 0);
    view.setSetting(Setting::Metre, 0);  // 2 / 4
    EXPECT_EQ(beatIndexAt(view, 87), 0);
}

TEST_F(Navigation, SnappingGoesToTheNearerBeatAndTheEarlierOnATie) {
    setTrack(std::string(100, '.'));
    EXPECT_EQ(snapToBeat(view, 41), 44);
    EXPECT_EQ(snapToBeat(view, 21), 0);
    EXPECT_EQ(snapToBeat(view, 22), 0) << "22 from both";
    EXPECT_EQ(snapToBeat(view, 44), 44);
    EXPECT_EQ(snapToBeat(view, 90), 87);
    EXPECT_EQ(snapToBeat(view, 97), 99) << "no beat before the track ends: its last frame";
}

TEST_F(Navigation, SetCursorSoundsTheFrameAndRepaintsTwoColumns) {
    setTrack(std::string(50, '.'));
    view.cursorFrame = 10;
    view.setCursor(14);
    EXPECT_EQ(view.cursorFrame, 14);
    EXPECT_EQ(f.output.soundedFrames, std::vector<int>{14});
    EXPECT_EQ(f.surface.repaintedColumns, (std::vector<int>{300, 296}));
    view.setCursor(500);
    EXPECT_EQ(view.cursorFrame, 49) << "held to the track";
}

TEST_F(Navigation, GotoBeatsLandOnTheFirstFrameOfABeat) {
    setTrack(std::string(200, '.'));
    view.cursorFrame = 50;
    gotoNextBeat(view);
    EXPECT_EQ(view.cursorFrame, 87);
    gotoPrevBeat(view);  // from a beat's first frame to the beat before
    EXPECT_EQ(view.cursorFrame, 44);
    view.cursorFrame = 60;
    gotoPrevBeat(view);  // inside a beat: its first frame
    EXPECT_EQ(view.cursorFrame, 44);
    view.cursorFrame = 30;
    gotoPrevBeat(view);
    EXPECT_EQ(view.cursorFrame, 0) << "the first beat";
    gotoPrevBeat(view);
    EXPECT_EQ(view.cursorFrame, 0);
    view.cursorFrame = 190;
    gotoNextBeat(view);
    EXPECT_EQ(view.cursorFrame, 199) << "no further than the last frame";
    EXPECT_EQ(f.surface.scrollPosition, 199);
}

TEST_F(Navigation, GotoNotesFollowTheOnsets) {
    setTrack("..1000..1000..");
    gotoNextNote(view);
    EXPECT_EQ(view.cursorFrame, 2);
    gotoNextNote(view);
    EXPECT_EQ(view.cursorFrame, 8);
    gotoNextNote(view);
    EXPECT_EQ(view.cursorFrame, 13) << "after the last note: the last frame";
    const int repaints = f.surface.repaints;
    gotoNextNote(view);
    EXPECT_EQ(f.surface.repaints, repaints) << "nothing at the last frame";
    gotoPrevNote(view);
    EXPECT_EQ(view.cursorFrame, 8);
    view.cursorFrame = 5;
    gotoPrevNote(view);
    EXPECT_EQ(view.cursorFrame, 2);
    gotoPrevNote(view);
    EXPECT_EQ(view.cursorFrame, 0);
    gotoLast(view);
    EXPECT_EQ(view.cursorFrame, 13);
    gotoFirst(view);
    EXPECT_EQ(view.cursorFrame, 0);
}

TEST_F(Navigation, CursorMovesNeedAnIdleTrackWithMaterial) {
    setTrack("..1000..");
    view.cursorFrame = 3;
    for (const TransportState s : {kRecording, kPlaying, kEmptyProject}) {
        view.transportState = s;
        gotoFirst(view);
        gotoNextNote(view);
        stepCursorLeft(view);
        stepCursorRight(view);
        onScrolled(view, 6);
        EXPECT_EQ(view.cursorFrame, 3) << s;
    }
    view.transportState = kIdle;
    onScrolled(view, 6);
    EXPECT_EQ(view.cursorFrame, 6) << "the scroll position is the cursor";
    stepCursorRight(view);
    stepCursorRight(view);
    EXPECT_EQ(view.cursorFrame, 7);
}

TEST_F(Navigation, TheScrollRangeFollowsTheWidthAndTheTransport) {
    setTrack(std::string(80, '.'));
    view.cursorFrame = 12;
    onViewResized(view, 420);
    EXPECT_EQ(view.viewWidth, 420);
    EXPECT_EQ(f.surface.scrollRange, 80);
    EXPECT_EQ(f.surface.scrollPosition, 12);
    EXPECT_TRUE(f.surface.scrollEnabled);
    view.transportState = kRecording;
    onViewResized(view, 500);
    EXPECT_EQ(f.surface.scrollRange, 1);
    EXPECT_EQ(f.surface.scrollPosition, 0);
    EXPECT_FALSE(f.surface.scrollEnabled);
}

}  // namespace
