// The five columns move together, the empty project is one rest frame, a cut to capacity
// keeps the final frame, and a stretch replaced or sliced out keeps the evidence in step.
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

namespace {
FrameTrack numberedTrack(int first, int count) {
    FrameTrack t;
    t.clear();
    for (int i = first; i < first + count; ++i) t.append(numbered(i), FrameEvidence{-1.0 * i, 0.0, 0.0, true, false, {}});
    return t;
}
std::vector<int32_t> notesOf(const FrameTrack& t) { return t.note; }
std::vector<double> levelsOf(const FrameTrack& t) {
    std::vector<double> out;
    for (const FrameEvidence& e : t.evidence) out.push_back(e.known ? e.level : 1.0);
    return out;
}
}  // namespace

TEST(FrameTrack, ReplaceGrowsShrinksOrOverwritesAStretch) {
    FrameTrack t = numberedTrack(0, 6);
    t.replace(2, 2, numberedTrack(20, 3));  // grows by one
    expectColumnsAgree(t);
    EXPECT_EQ(notesOf(t), (std::vector<int32_t>{0, 1, 20, 21, 22, 4, 5}));
    EXPECT_EQ(levelsOf(t), (std::vector<double>{0, -1, -20, -21, -22, -4, -5}));
    t.replace(1, 4, numberedTrack(30, 1));  // shrinks by three
    EXPECT_EQ(notesOf(t), (std::vector<int32_t>{0, 30, 4, 5}));
    EXPECT_EQ(levelsOf(t), (std::vector<double>{0, -30, -4, -5}));
    t.replace(0, 2, numberedTrack(40, 2));  // same length
    EXPECT_EQ(notesOf(t), (std::vector<int32_t>{40, 41, 4, 5}));
    EXPECT_EQ(t.frame(1).pitch, 101.0);
    EXPECT_EQ(t.frame(1).reserved, 41);
    t.replace(4, 0, numberedTrack(50, 1));  // at the end, nothing replaced
    t.replace(0, 1, t.slice(0, 0));  // a frame removed
    EXPECT_EQ(notesOf(t), (std::vector<int32_t>{41, 4, 5, 50}));
    EXPECT_TRUE(t.evidenceInStep());
}

TEST(FrameTrack, ReplaceKeepsTheEvidenceInStepOrLeavesItAlone) {
    FrameTrack t = numberedTrack(0, 4);
    FrameTrack bare = numberedTrack(10, 2);
    bare.evidence.clear();  // read from a file: nothing known
    t.replace(1, 1, bare);
    EXPECT_EQ(levelsOf(t), (std::vector<double>{0, 1, 1, -2, -3})) << "the new frames unknown";

    FrameTrack without = numberedTrack(0, 4);
    without.evidence.clear();
    without.replace(0, 1, numberedTrack(10, 3));
    EXPECT_EQ(without.frameCount(), 6);
    EXPECT_TRUE(without.evidence.empty()) << "evidence out of step is not half filled";
}

TEST(FrameTrack, ASliceCarriesItsEvidenceWhenInStep) {
    const FrameTrack t = numberedTrack(0, 6);
    const FrameTrack s = t.slice(2, 5);
    EXPECT_EQ(notesOf(s), (std::vector<int32_t>{2, 3, 4}));
    EXPECT_EQ(levelsOf(s), (std::vector<double>{-2, -3, -4}));
    FrameTrack bare = t;
    bare.evidence.clear();
    EXPECT_FALSE(bare.slice(2, 5).evidenceInStep());
    EXPECT_EQ(t.slice(3, 3).frameCount(), 0);
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
