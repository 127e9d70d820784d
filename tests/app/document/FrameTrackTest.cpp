// The five columns move together, the empty project is one rest frame, and a cut to capacity
// keeps the final frame.
#include "document/FrameTrack.h"

#include <gtest/gtest.h>

using namespace hummwell;

namespace {
Frame numbered(int i) { return Frame{60.0 + i, i, 1.0 * i, i == 0 ? kMarkOnset : kMarkContinue, i}; }

void expectColumnsAgree(const FrameTrack& t) {
    const size_t n = t.pitch.size();
    EXPECT_EQ(t.note.size(), n);
    EXPECT_EQ(t.volume.size(), n);
    EXPECT_EQ(t.mark.size(), n);
    EXPECT_EQ(t.reserved.size(), n);
}
}  // namespace

TEST(FrameTrack, StartsAsTheSingleRestFrame) {
    FrameTrack t;
    ASSERT_EQ(t.frameCount(), 1);
    const Frame f = t.frame(0);
    EXPECT_EQ(f.pitch, 0.0);
    EXPECT_EQ(f.note, 0);
    EXPECT_EQ(f.volume, 0.0);
    EXPECT_EQ(f.mark, kMarkRest);
    EXPECT_EQ(f.reserved, 0);
}

TEST(FrameTrack, InsertAndEraseMoveEveryColumn) {
    FrameTrack t;
    for (int i = 0; i < 5; ++i) t.insert(i, numbered(i));
    expectColumnsAgree(t);
    ASSERT_EQ(t.frameCount(), 6);
    EXPECT_EQ(t.mark.back(), kMarkRest) << "frames go in front of the final rest frame";
    t.erase(1, 2);
    expectColumnsAgree(t);
    EXPECT_EQ(t.frame(1).reserved, 3);
    EXPECT_EQ(t.frame(1).pitch, 63.0);
}

TEST(FrameTrack, CutToCapacityKeepsTheFinalFrame) {
    FrameTrack t;
    t.clear();
    for (int i = 0; i < 10; ++i) t.append(numbered(i));
    t.cutTo(4);
    expectColumnsAgree(t);
    ASSERT_EQ(t.frameCount(), 4);
    EXPECT_EQ(t.frame(2).note, 2);
    EXPECT_EQ(t.frame(3).note, 9);
    t.cutTo(8);  // already within
    EXPECT_EQ(t.frameCount(), 4);
}

TEST(FrameTrack, NoteAroundFindsTheWholeNote) {
    FrameTrack t;
    t.clear();
    for (int m : {kMarkOnset, kMarkContinue, kMarkContinue, kMarkRest, kMarkOnset, kMarkOnset})
        t.append(Frame{60.0, 0, 1.0, m, 0});
    EXPECT_EQ(t.noteAround(2).first, 0);
    EXPECT_EQ(t.noteAround(2).end, 3);
    EXPECT_EQ(t.noteAround(3).first, t.noteAround(3).end) << "a rest is in no note";
    EXPECT_EQ(t.noteAround(4).end, 5) << "an onset ends the note before it";
}

TEST(FrameTrack, FrameTimesTruncateToWholeMilliseconds) {
    EXPECT_EQ(frameToMs(0), 0);
    EXPECT_EQ(frameToMs(1), 11);
    EXPECT_EQ(frameToMs(86), 998);    // 998.46
    EXPECT_EQ(frameToMs(32767), 380424);  // 380,424.13
}
