#include "analysis/PitchArithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace tonik;

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
}

TEST(PitchArithmetic, NoteAndFrequencyMeetAtTheReferencePoints) {
    EXPECT_DOUBLE_EQ(noteToFreq(69.0, 1.0), 440.0);
    EXPECT_NEAR(freqToNote(440.0, 1.0), 69.0, 1e-12);
    EXPECT_NEAR(freqToNote(27.5, 1.0), 21.0, 1e-12);
    EXPECT_NEAR(noteToFreq(81.0, 1.0), 880.0, 1e-9);  // an octave is 12 notes
    // tuning scales every frequency: 69 is 441 Hz at tuning 441/440
    EXPECT_NEAR(freqToNote(441.0, 441.0 / 440.0), 69.0, 1e-12);
    for (double note = 20.5; note <= 108.5; note += 0.37)
        EXPECT_NEAR(freqToNote(noteToFreq(note, 1.02), 1.02), note, 1e-9);
}

TEST(PitchArithmetic, BinToNoteUsesTheFloatingBinWidth) {
    EXPECT_NEAR(binToNote(10, 44100, 512, 1.0), freqToNote(861.328125, 1.0), 1e-12);
    EXPECT_NEAR(binToNote(10, 44100, 512, 1.0), 80.63, 0.01);
}

TEST(PitchArithmetic, BlockLevelIsTwentyNaturalLogOfHalfThePeakToPeak) {
    const std::vector<double> full{1.0, -1.0, 0.3, -0.2};
    const std::vector<double> half{0.5, -0.5, 0.5, -0.5};
    const std::vector<double> offset{0.8, 0.2, 0.5};  // swing of 0.6 around 0.5
    const std::vector<double> constant(512, 0.25);
    EXPECT_DOUBLE_EQ(blockLevel(full.data(), 4), 0.0);
    EXPECT_NEAR(blockLevel(half.data(), 4), 20.0 * std::log(0.5), 1e-12);
    EXPECT_NEAR(blockLevel(half.data(), 4), -13.86, 0.01);
    EXPECT_NEAR(blockLevel(offset.data(), 3), 20.0 * std::log(0.3), 1e-12);
    EXPECT_EQ(blockLevel(constant.data(), 512), -kInf);
}

TEST(PitchArithmetic, RoundHalfUpRoundsTowardPlusInfinity) {
    EXPECT_EQ(roundHalfUp(2.5), 3.0);
    EXPECT_EQ(roundHalfUp(-2.5), -2.0);
    EXPECT_EQ(roundHalfUp(-2.51), -3.0);
    EXPECT_EQ(roundHalfUp(2.49), 2.0);
}

TEST(PitchArithmetic, SearchesUseFiniteSentinels) {
    const std::vector<double> onlyMinusInf{-kInf, -kInf};
    const std::vector<double> onlyPlusInf{kInf};
    EXPECT_EQ(maxOf(nullptr, 0), kNoMaximum);
    EXPECT_EQ(minOf(nullptr, 0), kNoMinimum);
    EXPECT_EQ(maxOf(onlyMinusInf.data(), 2), -2147483647.0);
    EXPECT_EQ(minOf(onlyPlusInf.data(), 1), 2147483647.0);
    EXPECT_EQ(argMax(onlyMinusInf.data(), 2), -1);
    EXPECT_EQ(argMax(nullptr, 0), -1);

    const std::vector<double> v{1, 3, 3, 2};
    EXPECT_EQ(argMax(v.data(), 4), 1);  // first of equal maxima
    EXPECT_EQ(maxOf(v.data(), 4), 3.0);
    EXPECT_EQ(minOf(v.data(), 4), 1.0);
}

TEST(PitchArithmetic, WindowPeakWantsAnInteriorMaximum) {
    //                          0  1  2  3  4  5  6  7  8  9
    const std::vector<double> v{0, 1, 9, 2, 3, 5, 3, 1, 0, 4};
    // window ceil(5-2)=3 .. ceil(5+2)=7: the peak at 5 is inside
    WindowPeak p = windowPeak(v.data(), 10, 5.0, 2.0);
    EXPECT_EQ(p.position, 5.0);
    EXPECT_EQ(p.value, 5.0);
    // window 2..6 (ceil of 1.6 and 5.6 rounds up): maximum 9 on the left edge, though it is a
    // true peak of the whole array
    p = windowPeak(v.data(), 10, 3.6, 2.0);
    EXPECT_EQ(p.position, -2.0);
    EXPECT_EQ(p.value, 0.0);
    // clipped to the array: window 7..9, maximum on the last bin
    p = windowPeak(v.data(), 10, 9.0, 2.0);
    EXPECT_EQ(p.position, -2.0);
    // clipped at 0: window 0..2, 9 on the right edge
    p = windowPeak(v.data(), 10, 0.0, 2.0);
    EXPECT_EQ(p.position, -2.0);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> w{0, 1, 5, nan, 0};
    p = windowPeak(w.data(), 5, 2.0, 2.0);  // 5 is not comparable with its right neighbour
    EXPECT_EQ(p.position, -1.0);
    EXPECT_EQ(p.value, 0.0);
}

TEST(PitchArithmetic, IsPeakAboveNeedsTwoUnitsOnBothSides) {
    //                          0  1  2  3  4  5  6
    const std::vector<double> v{5, 3, 1, 3, 1, 3, 5};
    EXPECT_TRUE(isPeakAbove(v.data(), 7, 3.0, 2.0));   // 3 vs min 1 on each side: exactly 2
    EXPECT_TRUE(isPeakAbove(v.data(), 7, 3.9, 2.0));   // centre truncates to 3
    const std::vector<double> low{5, 3, 1.1, 3, 1, 3, 5};
    EXPECT_FALSE(isPeakAbove(low.data(), 7, 3.0, 2.0));  // left side only 1.9 lower
    EXPECT_FALSE(isPeakAbove(v.data(), 7, 0.0, 2.0));    // empty left side
    // The right side runs to end - 1 and includes the centre: with a half width below one it
    // holds only the centre, which is never 2 above itself.
    EXPECT_FALSE(isPeakAbove(v.data(), 7, 3.0, 0.5));

    // An end beyond the array becomes count - 1, so the last value is not looked at.
    const std::vector<double> tail{1, 0, 3, 3, 0};
    EXPECT_FALSE(isPeakAbove(tail.data(), 5, 3.0, 3.0));  // right side is [3], 3 alone
    // An end equal to count stays and reaches the last value.
    EXPECT_TRUE(isPeakAbove(tail.data(), 5, 3.0, 2.0));
}
