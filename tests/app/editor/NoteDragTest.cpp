// The mouse over the note view: clicks, range and note selection, and the nine drags of a
// selected note.
#include "editor/NoteDrag.h"
#include "support/EditFixture.h"

#include <gtest/gtest.h>

namespace {

using namespace hummwell;
using editfixture::EditView;

constexpr PointerFlags kButton{true, false, false};
constexpr PointerFlags kButtonShift{true, true, false};

struct Drag : ::testing::Test, EditView {
    // A point on the given handle of the selected note's rectangle.
    std::pair<int, int> handle(int kind) const {
        const int left = xOf(view.selection.noteStart) - 3;
        const int right = xOf(view.selection.noteEnd) + 3;
        const int midX = (xOf(view.selection.noteStart) + xOf(view.selection.noteEnd)) / 2;
        const int top = view.selection.noteTop - 3;
        const int bottom = view.selection.noteBottom + 3;
        const int midY = (view.selection.noteTop + view.selection.noteBottom) / 2;
        switch (kind) {
        case kDragTopLeft: return {left, top};
        case kDragTopRight: return {right, top};
        case kDragBottomRight: return {right, bottom};
        case kDragBottomLeft: return {left, bottom};
        case kDragTop: return {midX, top};
        case kDragRight: return {right, midY};
        case kDragBottom: return {midX, bottom};
        case kDragLeft: return {left, midY};
        default: return {midX, midY};
        }
    }

    // Presses on a handle of the selected note, drags by (dx, dy) in one step and releases
    // there, which must change nothing more.
    void dragHandle(int kind, int dx, int dy, PointerFlags flags = kButton) {
        const auto [x, y] = handle(kind);
        ASSERT_EQ(trackerHitAt(view, x, y), kind);
        drag.leftButtonDown(view, x, y, flags.shift);
        drag.pointerMove(view, x + dx, y + dy, flags);
        drag.leftButtonUp(view, x + dx, y + dy, flags.shift);
        EXPECT_FALSE(drag.buttonDown());
    }

    void setPitches(int first, const std::vector<double>& p) {
        for (size_t i = 0; i < p.size(); ++i) view.track.pitch[first + i] = p[i];
    }
    void expectPitches(int first, const std::vector<double>& want) {
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_NEAR(view.track.pitch[first + i], want[i], 1e-9) << "frame " << first + i;
    }
};

TEST_F(Drag, AClickNeverMovesTheCursorAndOffANoteSelectsNothing) {
    setTrack("....10000.....");
    view.cursorFrame = 6;
    const std::string before = marks();
    drag.leftButtonDown(view, xOf(2), rowOf(60.0), false);
    drag.leftButtonUp(view, xOf(2), rowOf(60.0), false);
    EXPECT_FALSE(view.selection.rangeSelected);
    EXPECT_FALSE(view.selection.noteSelected);
    EXPECT_EQ(view.cursorFrame, 6);

    // On the curve the click selects the note, and changes nothing else.
    drag.leftButtonDown(view, xOf(5), rowOf(60.4), false);
    drag.leftButtonUp(view, xOf(5), rowOf(60.4), false);
    EXPECT_TRUE(view.selection.noteSelected);
    EXPECT_EQ(view.selection.noteStart, 4);
    EXPECT_EQ(view.selection.noteEnd, 9);
    EXPECT_EQ(view.cursorFrame, 6);
    EXPECT_EQ(marks(), before);
    EXPECT_TRUE(f.output.soundedFrames.empty());

    // A click off the note drops it; one beyond the last frame drops any selection.
    drag.leftButtonDown(view, xOf(11), rowOf(80.0), false);
    EXPECT_FALSE(view.selection.noteSelected);
    drag.leftButtonUp(view, xOf(11), rowOf(80.0), false);
    selectRange(1, 3);
    drag.leftButtonDown(view, xOf(13), rowOf(60.0), false);
    EXPECT_FALSE(view.selection.rangeSelected);
}

TEST_F(Drag, ARangeFollowsThePointerAndEndsWhenTheButtonIsReleasedOutside) {
    setTrack("....10000.....");
    drag.leftButtonDown(view, xOf(2), rowOf(90.0), false);
    drag.pointerMove(view, xOf(7), rowOf(90.0), kButton);
    EXPECT_TRUE(view.selection.rangeSelected);
    EXPECT_EQ(view.selection.rangeStart, 2);
    EXPECT_EQ(view.selection.rangeEnd, 7);
    drag.pointerMove(view, xOf(2), rowOf(90.0), kButton);
    EXPECT_FALSE(view.selection.rangeSelected) << "back where it began";
    drag.pointerMove(view, xOf(50), rowOf(90.0), kButton);
    EXPECT_EQ(view.selection.rangeEnd, 13) << "held to the track";
    // A move that shows no button ends the gesture as a release there would.
    drag.pointerMove(view, xOf(9), rowOf(90.0), PointerFlags{});
    EXPECT_FALSE(drag.buttonDown());
    EXPECT_EQ(view.selection.rangeEnd, 9);
    drag.pointerMove(view, xOf(4), rowOf(90.0), kButton);
    EXPECT_EQ(view.selection.rangeEnd, 9) << "no gesture in progress";
}

TEST_F(Drag, ANoteMovedRightStopsAtTheNextNote) {
    setTrack(".1000....1000.");
    pickNote(2);
    dragHandle(kDragMove, 10, 0);
    EXPECT_EQ(marks(), ".....10001000.");
    EXPECT_EQ(view.selection.noteStart, 5);
    EXPECT_EQ(view.selection.noteEnd, 9);

    dragHandle(kDragMove, -20, 0);  // back left, as far as frame 0
    EXPECT_EQ(marks(), "1000.....1000.");
    EXPECT_EQ(view.selection.noteStart, 0);
}

TEST_F(Drag, MovingUpAndDownShiftsThePitchByRows) {
    setTrack(".1000.");
    setPitches(1, {60.0, 60.5, 61.0, 60.0});
    pickNote(1);
    const int top = view.selection.noteTop;
    const int height = view.selection.noteHeight;
    dragHandle(kDragMove, 0, -12);  // two semitones up
    expectPitches(1, {62.0, 62.5, 63.0, 62.0});
    EXPECT_EQ(view.selection.noteTop, top - 12);
    EXPECT_EQ(view.selection.noteHeight, height);

    // The rectangle stays inside the pitch rows.
    dragHandle(kDragMove, 0, 2000);
    EXPECT_EQ(view.selection.noteBottom, 556);
    EXPECT_GE(view.track.pitch[1], 20.5);
    dragHandle(kDragMove, 0, -2000);
    EXPECT_EQ(view.selection.noteTop, 28);
    EXPECT_LE(view.track.pitch[3], 108.5);
}

TEST_F(Drag, TheRightEdgeStretchesOverRestsAndShrinksToFiveFrames) {
    setTrack(".10000...10.");
    setPitches(1, {60.0, 61.0, 62.0, 63.0, 64.0});
    pickNote(1);
    dragHandle(kDragRight, 10, 0);  // grows only as far as the next note
    EXPECT_EQ(marks(), ".1000000010.");
    expectPitches(1, {60.0, 60.0, 61.0, 61.0, 62.0, 63.0, 63.0, 64.0});
    EXPECT_EQ(view.selection.noteEnd, 9);
    EXPECT_EQ(view.selection.noteWidth, 8);

    // Its handle now lies over the closing rest, and can still be taken.
    dragHandle(kDragRight, -7, 0);  // asks for one frame
    EXPECT_EQ(view.selection.noteEnd, 6);
    EXPECT_EQ(marks(), ".10000...10.");
    EXPECT_DOUBLE_EQ(view.track.pitch[5], 64.0) << "the last frame stays the last";

    dragHandle(kDragRight, -2, 0);  // a five-frame note shrinks no further
    EXPECT_EQ(marks(), ".10000...10.");
}

TEST_F(Drag, TheLeftEdgeStretchesTheMirrorWay) {
    setTrack("10...10000.");
    setPitches(5, {60.0, 61.0, 62.0, 63.0, 64.0});
    pickNote(6);
    dragHandle(kDragLeft, -10, 0);
    EXPECT_EQ(marks(), "1010000000.");
    EXPECT_EQ(view.selection.noteStart, 2);
    EXPECT_EQ(view.selection.noteWidth, 8);
    EXPECT_DOUBLE_EQ(view.track.pitch[2], 60.0);
    EXPECT_DOUBLE_EQ(view.track.pitch[9], 64.0);

    dragHandle(kDragLeft, 20, 0);
    EXPECT_EQ(view.selection.noteStart, 5);
    EXPECT_EQ(marks(), "10...10000.");
}

TEST_F(Drag, TheTopHandleScalesDistancesFromTheLowestPitch) {
    setTrack(".1000.");
    setPitches(1, {60.0, 61.0, 62.0, 60.5});
    pickNote(1);
    ASSERT_EQ(view.selection.noteTop, 304);  // highest 62
    // To where the highest pitch would be 64: twice as far above 60.
    dragHandle(kDragTop, 0, -12);
    expectPitches(1, {60.0, 62.0, 64.0, 61.0});
    EXPECT_EQ(view.selection.noteTop, 292);
    EXPECT_EQ(view.selection.noteHeight, view.selection.noteBottom - 292);

    // A flat note keeps its pitches; only the rectangle grows.
    setTrack(".1000.");
    pickNote(1);
    dragHandle(kDragTop, 0, -30);
    expectPitches(1, {60.0, 60.0, 60.0, 60.0});
    EXPECT_EQ(view.selection.noteTop, 286);  // 316 for pitch 60, 30 rows up
}

TEST_F(Drag, TheBottomHandleScalesDistancesFromTheHighestPitch) {
    setTrack(".1000.");
    setPitches(1, {64.0, 63.0, 62.0, 60.0});
    pickNote(1);
    const int bottom = view.selection.noteBottom;
    dragHandle(kDragBottom, 0, 24);  // the lowest to 56, twice as far below 64
    expectPitches(1, {64.0, 62.0, 60.0, 56.0});
    EXPECT_EQ(view.selection.noteBottom, bottom + 24);
    EXPECT_EQ(view.selection.noteHeight, view.selection.noteBottom - view.selection.noteTop);

    dragHandle(kDragBottom, 0, -500);  // flattened as far as seven rows
    EXPECT_EQ(view.selection.noteBottom, view.selection.noteTop + 7);
}

TEST_F(Drag, ACornerStretchesAndScalesInOnePass) {
    setTrack(".10000....");
    setPitches(1, {60.0, 61.0, 62.0, 63.0, 64.0});
    pickNote(1);
    dragHandle(kDragBottomRight, 3, 24);
    EXPECT_EQ(marks(), ".10000000.");
    expectPitches(1, {56.0, 56.0, 58.0, 58.0, 60.0, 62.0, 62.0, 64.0});

    // A corner moved only sideways leaves the pitches, and the frames after the first one
    // that maps onto itself keep their place.
    setTrack(".10000....");
    setPitches(1, {60.0, 61.0, 62.0, 63.0, 64.0});
    pickNote(1);
    dragHandle(kDragTopLeft, -1, 0);
    EXPECT_EQ(marks(), "100000....");
    expectPitches(0, {60.0, 61.0, 61.0, 62.0, 63.0, 64.0});
}

TEST_F(Drag, ShiftSnapsTheMovingEdgeToTheNearerBeat) {
    // 120 bpm: beats begin at frames 0, 44, 87, 130.
    setTrack(std::string(30, '.') + "10000" + std::string(100, '.'));
    pickNote(31);
    dragHandle(kDragMove, 11, 0, kButtonShift);  // to frame 41: 44 is nearer than 0
    EXPECT_EQ(view.selection.noteStart, 44);
    dragHandle(kDragRight, 44, 0, kButtonShift);  // the end to frame 93: 87 is nearer
    EXPECT_EQ(view.selection.noteEnd, 87);
}

TEST_F(Drag, HandlesSitOutsideTheRectangle) {
    setTrack(".10000000000.");
    pickNote(3);
    for (int kind = kDragTopLeft; kind <= kDragMove; ++kind) {
        const auto [x, y] = handle(kind);
        EXPECT_EQ(trackerHitAt(view, x, y), kind) << kind;
    }
    EXPECT_EQ(trackerHitAt(view, xOf(5), view.selection.noteBottom + 40), kDragNone);
    view.selection.noteSelected = false;
    EXPECT_EQ(trackerHitAt(view, handle(kDragMove).first, handle(kDragMove).second), kDragNone);
}

TEST_F(Drag, TheMouseChangesNothingUnlessIdle) {
    setTrack(".1000....1000.");
    pickNote(2);
    view.transportState = kPlaying;
    const auto [x, y] = handle(kDragMove);
    drag.leftButtonDown(view, x, y, false);
    drag.pointerMove(view, x + 4, y, kButton);
    drag.leftButtonUp(view, x + 4, y, false);
    EXPECT_EQ(marks(), ".1000....1000.");
}

TEST_F(Drag, ScrubReSoundsTheCursorAsTheNoteFollowsThePointer) {
    setTrack(".1000....1000.");
    view.scrubOn = true;
    pickNote(2);
    const auto [x, y] = handle(kDragMove);
    drag.leftButtonDown(view, x, y, false);
    drag.pointerMove(view, x + 1, y, kButton);
    drag.pointerMove(view, x + 1, y, kButton);  // no movement: nothing to do
    drag.pointerMove(view, x + 2, y, kButton);
    EXPECT_EQ(f.output.calls, "rr");
    EXPECT_EQ(view.selection.noteStart, 3);
}

}  // namespace
