// The singer's reference from the notes of a take: sung flat, sharp, in tune, with vibrato,
// scoops and notes that scatter around it.
#include "document/TuningEstimate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using namespace hummwell;

namespace {

// A take of notes, each `frames` long after a rest of five, sung `cents` off with vibrato of
// ±40 cents, a scoop of a semitone over the first four frames and a fall at the end; `scatter`
// cents of random error per note.
FrameTrack take(const std::vector<int>& keys, double cents, double scatter = 0.0, int frames = 30) {
    std::mt19937 rng(5);
    std::normal_distribution<double> error(0.0, scatter);
    FrameTrack t;
    t.clear();
    for (const int key : keys) {
        for (int i = 0; i < 5; ++i) t.append(Frame{});
        const double off = (cents + (scatter > 0.0 ? error(rng) : 0.0)) / 100.0;
        for (int i = 0; i < frames; ++i) {
            double p = key + off + 0.4 * std::sin(2.0 * std::numbers::pi * 5.5 * i * 0.0116);
            if (i < 4) p -= 1.0 - i / 4.0;
            if (i == frames - 1) p -= 0.8;
            t.append(Frame{p, 0, 64.0, i == 0 ? kMarkOnset : kMarkContinue, 0});
        }
    }
    t.append(Frame{});
    return t;
}

const std::vector<int> kMelody = {60, 62, 64, 65, 67, 65, 64, 62, 60, 55, 57, 59};

}  // namespace

TEST(TuningEstimate, ATakeSungFlatOrSharpIsMeasuredWithinAFewCents) {
    for (const double cents : {-45.0, -37.0, -30.0, -12.0, 0.0, 8.0, 25.0, 44.0}) {
        const FrameTrack t = take(kMelody, cents);
        const std::optional<TuningEstimate> e = estimateTuning(t, 0, t.frameCount());
        ASSERT_TRUE(e) << cents;
        EXPECT_NEAR(e->cents, cents, 3.0);
        EXPECT_GT(e->agreement, 0.9);
        EXPECT_EQ(e->notes, 12);
    }
}

TEST(TuningEstimate, NotesThatScatterGiveTheirMiddleAndLessAgreement) {
    const FrameTrack t = take(kMelody, -35.0, 15.0);
    const std::optional<TuningEstimate> e = estimateTuning(t, 0, t.frameCount());
    ASSERT_TRUE(e);
    EXPECT_NEAR(e->cents, -35.0, 10.0);
    EXPECT_LT(e->agreement, 0.9);
    EXPECT_TRUE(worthRetuning(*e));
    // 48 and 52 cents flat wrap round to sharp: the circular mean keeps them together.
    const FrameTrack edge = take(kMelody, -50.0, 3.0);
    const std::optional<TuningEstimate> wrapped = estimateTuning(edge, 0, edge.frameCount());
    ASSERT_TRUE(wrapped);
    EXPECT_NEAR(std::abs(wrapped->cents), 50.0, 5.0);
    EXPECT_GT(wrapped->agreement, 0.9);
}

TEST(TuningEstimate, TooFewOrTooShortNotesGiveNoneAndAnInTuneTakeIsNotWorthIt) {
    const FrameTrack two = take({60, 62}, -40.0);
    EXPECT_FALSE(estimateTuning(two, 0, two.frameCount()));
    const FrameTrack blips = take(kMelody, -40.0, 0.0, 6);  // 70 ms each
    EXPECT_FALSE(estimateTuning(blips, 0, blips.frameCount()));
    const FrameTrack inTune = take(kMelody, 4.0);
    EXPECT_FALSE(worthRetuning(*estimateTuning(inTune, 0, inTune.frameCount())));
    // Only the range counts: the first three notes alone are three.
    const FrameTrack t = take(kMelody, -40.0);
    EXPECT_EQ(estimateTuning(t, 0, 3 * 35)->notes, 3);
}

TEST(TuningEstimate, RetuningMovesPitchesAndEvidenceAsTheReferenceWouldHave) {
    FrameTrack t = take(kMelody, -40.0);
    t.syncEvidence();
    t.evidence[6] = {-20.0, t.pitch[6], 5.0, true, true, {}};
    const double before = t.pitch[6];
    retune(t, 0, t.frameCount(), -40.0);
    EXPECT_NEAR(t.pitch[6], before + 0.4, 1e-12);
    EXPECT_NEAR(t.evidence[6].pitch, before + 0.4, 1e-12);
    EXPECT_EQ(t.pitch[0], 0.0);  // rests stay rests
    const std::optional<TuningEstimate> e = estimateTuning(t, 0, t.frameCount());
    ASSERT_TRUE(e);
    EXPECT_NEAR(e->cents, 0.0, 3.0);
    // Held to the track's range by octaves, as a recording folds it.
    FrameTrack high;
    high.clear();
    high.append(Frame{108.4, 0, 64.0, kMarkOnset, 0});
    retune(high, 0, 1, -30.0);
    EXPECT_NEAR(high.pitch[0], 96.7, 1e-9);
}
