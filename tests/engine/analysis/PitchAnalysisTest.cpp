// The pitch cascade step by step: gate and onset state, the sieves on built spectra, the
// acceptance of each stage's answer, tracking, the lag search and the octave correction.
#include "analysis/PitchAnalysis.h"
#include "analysis/PitchArithmetic.h"

#include "../../support/BlockPipeline.h"
#include "../../support/ReferenceCorrelation.h"
#include "../../support/Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace tonik;
using testsignals::harmonicTone;
using testsignals::noteHz;

namespace {

using testsignals::NullTarget;

// The engine's block pipeline with the gate wide open.
struct Pipeline : testsignals::BlockPipeline {
    Pipeline() { settings.noiseGate = -120.0; }

    // Pushes whole blocks; returns the record of the last one.
    const FrameResult& push(const std::vector<int16_t>& samples) {
        sink.blockSink(samples.data(), static_cast<int>(samples.size()));
        return store.result();
    }
    // Pushes block by block, setting the previous pitch before each one.
    const FrameResult& pushWithPrevious(const std::vector<int16_t>& samples, double previous) {
        for (size_t b = 0; b + 512 <= samples.size(); b += 512) {
            analysis.setPreviousPitch(previous);
            sink.blockSink(samples.data() + b, 512);
        }
        return store.result();
    }
};

std::vector<int16_t> squareBlock(int16_t value) { return testsignals::square(value, 512); }

std::vector<int16_t> tone(double note, int blocks, double noise = 0.0, unsigned seed = 1) {
    return harmonicTone(noteHz(note), 9000.0, blocks * 512, noise, seed);
}

double noteOf(const StageResult& stage) { return freqToNote(stage.f0Hz, 1.0); }

bool isZero(const StageResult& s) {
    return s.f0Hz == 0.0 && s.f0LowHz == 0.0 && s.f0HighHz == 0.0 && s.score == 0.0;
}

}  // namespace

// --- Gate and onset state -------------------------------------------------------------------

TEST(PitchAnalysisGate, BelowGateBlockCarriesNothingAndClearsThePreviousPitch) {
    Pipeline p;
    p.push(tone(60.0, 8));
    ASSERT_NEAR(p.analysis.previousPitch(), 60.0, 0.5);

    const FrameResult& quiet = p.push(squareBlock(10));  // about -161 dB
    EXPECT_EQ(quiet.noteState, -1);
    EXPECT_EQ(quiet.outcome, 1.0);
    EXPECT_EQ(quiet.pitch, 0.0);
    EXPECT_EQ(quiet.clarity, 0.0);
    EXPECT_EQ(quiet.blocksPending, 1.0);
    EXPECT_TRUE(isZero(quiet.stage512) && isZero(quiet.stage1024) && isZero(quiet.stage2048) &&
                isZero(quiet.tracking));
    EXPECT_EQ(p.analysis.previousPitch(), 0.0);

    const FrameResult& next = p.push(tone(60.0, 1));
    EXPECT_EQ(next.noteState, 1) << "the first block above the gate is an onset";
}

TEST(PitchAnalysisGate, SilentBlockIsBelowAnyGate) {
    Pipeline p;
    p.settings.noiseGate = -1e300;
    const FrameResult& r = p.push(std::vector<int16_t>(512, 0));
    EXPECT_TRUE(std::isinf(r.level) && r.level < 0.0);
    EXPECT_EQ(r.noteState, -1);
    EXPECT_EQ(r.outcome, 1.0);
}

TEST(PitchAnalysisGate, OnsetOnlyWhenTheLevelRisesByMoreThanTenDb) {
    // 20 ln(1649 / 1000) = 10.008 and 20 ln(1648 / 1000) = 9.996: either side of the rise.
    Pipeline p;
    p.push(squareBlock(1000));
    const double before = p.store.shortFrame(0).level;
    const FrameResult& rise = p.push(squareBlock(1649));
    ASSERT_GT(rise.level - before, 10.0);
    EXPECT_EQ(rise.noteState, 1);

    p.push(squareBlock(1000));
    const FrameResult& flat = p.push(squareBlock(1648));
    ASSERT_LT(flat.level - before, 10.0);
    EXPECT_EQ(flat.noteState, 0);
}

// --- Sieves on built spectra ----------------------------------------------------------------

class SieveTest : public ::testing::Test {
protected:
    SieveTest() { analysis.fillFloors(0.0, 0.0, 0.0); }
    AnalysisSettings settings;
    PitchAnalysis analysis{settings};
    std::vector<double> spectrum = std::vector<double>(2048, 0.0);  // excess 1.0 everywhere
};

TEST_F(SieveTest, WeakShortFrameStopsAtItsThreshold) {
    // With the pitch-detection level 40 the 512-point stage needs an excess of 5.0.
    spectrum[20] = 4.9;
    EXPECT_EQ(analysis.sieve512(spectrum.data()), kSieveWeak);
    spectrum[20] = 5.0;
    EXPECT_EQ(analysis.sieve512(spectrum.data()), kSieveFound);
    settings.peakLevel = 48;  // threshold 6.0, read from the next stage on
    EXPECT_EQ(analysis.sieve512(spectrum.data()), kSieveWeak);
}

TEST_F(SieveTest, FlatSpectrumFailsEveryStage) {
    EXPECT_EQ(analysis.sieve512(spectrum.data()), kSieveLowBand);
    EXPECT_EQ(analysis.sieve1024(spectrum.data()), kSieveLowBand);
    EXPECT_EQ(analysis.sieve2048(spectrum.data()), kSieveWeak);
}

TEST_F(SieveTest, UndefinedBinsCountAsNoExcess) {
    std::fill(spectrum.begin(), spectrum.end(), -HUGE_VAL);
    analysis.fillFloors(-HUGE_VAL, -HUGE_VAL, -HUGE_VAL);  // -inf - -inf is undefined
    EXPECT_EQ(analysis.sieve2048(spectrum.data()), kSieveWeak);
    EXPECT_TRUE(std::all_of(analysis.excessSpectrum(), analysis.excessSpectrum() + 1024,
                            [](double e) { return e == 1.0; }));
}

TEST_F(SieveTest, StrongLowBandEndsTheTwoFasterStages) {
    // Bins 2..4 at 0.6 of the strongest peak: too much for the 512-point stage (0.5), within
    // the 1,024-point stage's limit (0.8); the 2,048-point stage has no such test.
    spectrum[60] = 10.0;
    spectrum[2] = spectrum[3] = spectrum[4] = 6.0;
    spectrum[59] = spectrum[61] = 2.0;
    EXPECT_EQ(analysis.sieve512(spectrum.data()), kSieveLowBand);
    EXPECT_NE(analysis.sieve1024(spectrum.data()), kSieveLowBand);
    spectrum[2] = spectrum[3] = spectrum[4] = 8.5;
    EXPECT_EQ(analysis.sieve1024(spectrum.data()), kSieveLowBand);
    EXPECT_NE(analysis.sieve2048(spectrum.data()), kSieveLowBand);
}

TEST_F(SieveTest, ShortOrderWithItsFirstPeakOnTheWindowEdgeScoresNothing) {
    // Peaks at bins 19 and 40: the second order (f0 20.25 bins) explains both and wins.
    spectrum[19] = 10.0;
    spectrum[40] = 20.0;
    ASSERT_EQ(analysis.sieve512(spectrum.data()), kSieveFound);
    EXPECT_NEAR(analysis.best().f0, 20.25, 0.01);
    const double secondOrderScore = analysis.best().score;

    // The first harmonic's window of that order runs over bins 10..30; a larger value on its
    // edge leaves no interior peak, and the order ends at 0 whatever harmonic 2 shows.
    spectrum[30] = 15.0;
    ASSERT_EQ(analysis.sieve512(spectrum.data()), kSieveFound);
    EXPECT_NEAR(analysis.best().f0, 40.5, 0.01);
    EXPECT_LT(analysis.best().score, secondOrderScore);
}

TEST(PitchAnalysisRules, HarmonicCountFollowsTheFundamentalAndTheOrder) {
    EXPECT_EQ(PitchAnalysis::harmonicCount(100.0, 2, 512), 5);  // 8 x 100 > 512 >= 5 x 100
    EXPECT_EQ(PitchAnalysis::harmonicCount(100.0, 1, 512), 3);  // at most 2K + 1
    EXPECT_EQ(PitchAnalysis::harmonicCount(10.0, 15, 512), 8);
    EXPECT_EQ(PitchAnalysis::harmonicCount(64.0, 15, 512), 8);  // 8 x 64 = 512 is allowed
    EXPECT_EQ(PitchAnalysis::harmonicCount(600.0, 5, 512), 1);  // may end at one
}

TEST(PitchAnalysisRules, LagSearchCoversOnePeriodAtEachEndOverTwoLongPeriods) {
    const LagSearch s = PitchAnalysis::lagSearch(200.0, 210.0);
    EXPECT_EQ(s.lagMin, 209);
    EXPECT_EQ(s.lagMax, 221);
    EXPECT_EQ(s.length, 442);

    const LagSearch low = PitchAnalysis::lagSearch(4.0, 10.0);
    EXPECT_EQ(low.lagMax, 8192);
    EXPECT_EQ(low.length, 8192);
    const LagSearch undefined = PitchAnalysis::lagSearch(0.0, NAN);
    EXPECT_EQ(undefined.lagMax, 8192);
    EXPECT_EQ(undefined.lagMin, 0);
}

// --- Refinement by lag ----------------------------------------------------------------------

class LagRefinementTest : public ::testing::Test {
protected:
    void pushSine(double hz, int blocks) {
        signal = testsignals::sine(hz, 12000.0, blocks * 512);
        NullTarget target;
        settings.mode = BlockMode::Volume;  // fill the ring only
        BlockSink sink(store, analysis, settings, target);
        sink.blockSink(signal.data(), static_cast<int>(signal.size()));
    }
    // Runs the search and returns the lag a plain reference finds over the same samples.
    int search(double lowHz, double highHz) {
        analysis.stageOutput() = StageResult{0.0, lowHz, highHz, 7.0};
        analysis.refineByLag(store.ring44(), store.ring44Position());
        const LagSearch s = PitchAnalysis::lagSearch(lowHz, highHz);
        return testsignals::referenceBestLag(testsignals::newest(signal, s.length), s.lagMin,
                                             s.lagMax);
    }
    AnalysisSettings settings;
    FrameStore store;
    PitchAnalysis analysis{settings};
    std::vector<int16_t> signal;
};

TEST_F(LagRefinementTest, NarrowsTheIntervalToTheStrongestLag) {
    pushSine(205.0, 8);
    const int lag = search(200.0, 210.0);
    ASSERT_NEAR(lag, 215, 1) << "44,100 / 205 = 215.1 samples";
    const StageResult& out = analysis.stageOutput();
    EXPECT_DOUBLE_EQ(out.f0LowHz, 44100.0 / (lag + 0.5));
    EXPECT_DOUBLE_EQ(out.f0HighHz, 44100.0 / (lag - 0.5));
    EXPECT_DOUBLE_EQ(out.f0Hz, (out.f0LowHz + out.f0HighHz) / 2.0);
    EXPECT_EQ(out.score, 7.0);
}

TEST_F(LagRefinementTest, KeepsAnIntervalNarrowerThanATwentiethOfASemitone) {
    pushSine(205.0, 8);
    search(205.0, 205.5);  // 0.042 semitone
    EXPECT_EQ(analysis.stageOutput().f0LowHz, 205.0);
    EXPECT_EQ(analysis.stageOutput().f0HighHz, 205.5);
    EXPECT_EQ(analysis.stageOutput().f0Hz, 0.0);
}

TEST_F(LagRefinementTest, KeepsABoundWhoseLagLiesOutsideTheInterval) {
    pushSine(205.0, 8);
    const int lag = search(207.0, 214.0);
    const double fA = 44100.0 / (lag + 0.5);
    ASSERT_LT(freqToNote(fA, 1.0), freqToNote(207.0, 1.0) - 0.1) << "lag " << lag;
    EXPECT_EQ(analysis.stageOutput().f0LowHz, 207.0);
    EXPECT_DOUBLE_EQ(analysis.stageOutput().f0HighHz, 44100.0 / (lag - 0.5));
}

TEST_F(LagRefinementTest, ReadsAcrossTheEndOfTheRing) {
    // 257 blocks leave the write position at 512: the 884-sample run starts before the ring's
    // end and is read on through the mirror.
    pushSine(105.0, 257);
    ASSERT_EQ(store.ring44Position(), 512);
    const int lag = search(100.0, 110.0);
    EXPECT_DOUBLE_EQ(analysis.stageOutput().f0LowHz, 44100.0 / (lag + 0.5));
    EXPECT_DOUBLE_EQ(analysis.stageOutput().f0HighHz, 44100.0 / (lag - 0.5));
    // Longer lags sum fewer products: over two periods the plain sum peaks early.
    EXPECT_GE(lag, 400);
    EXPECT_LE(lag, 420);
}

// --- The cascade on real signals ------------------------------------------------------------

TEST(PitchAnalysisCascade, EachStageAnswersForItsOwnRange) {
    struct Case {
        double note;
        double outcome;
        StageResult FrameResult::*slot;
    };
    for (const Case& c : {Case{40.0, 1024.0, &FrameResult::stage2048},
                          Case{57.0, 512.0, &FrameResult::stage1024},
                          Case{81.0, 256.0, &FrameResult::stage512}}) {
        Pipeline p;
        const FrameResult& r = p.push(tone(c.note, 12));
        EXPECT_EQ(r.outcome, c.outcome) << c.note;
        EXPECT_NEAR(r.pitch, c.note, 0.2) << c.note;
        EXPECT_EQ(r.clarity, (r.*c.slot).score) << c.note;
        EXPECT_NEAR(noteOf(r.*c.slot), r.pitch, 1e-9) << c.note;
        EXPECT_LE((r.*c.slot).f0LowHz, (r.*c.slot).f0Hz);
        EXPECT_GE((r.*c.slot).f0HighHz, (r.*c.slot).f0Hz);
        EXPECT_EQ(r.noteState, 0);
        EXPECT_EQ(p.analysis.previousPitch(), r.pitch);
    }
}

TEST(PitchAnalysisCascade, ShortStageResultBelowItsRangeIsPassedOnButKept) {
    Pipeline p;
    const FrameResult& r = p.push(tone(68.8, 10));
    ASSERT_GT(r.stage512.score, 0.0) << "the 512-point stage must have found this tone";
    EXPECT_LT(noteOf(r.stage512), 69.0);
    EXPECT_EQ(r.outcome, 512.0);
    EXPECT_NEAR(r.pitch, 68.8, 0.2);
    EXPECT_EQ(r.clarity, r.stage1024.score);
}

TEST(PitchAnalysisCascade, StagesDistrustAnswersAboveAPreviousPitchBelowTheirRange) {
    Pipeline p;
    // A 512-point answer of 72 after 60 is not taken; the 1,024-point stage answers instead.
    const FrameResult& r = p.pushWithPrevious(tone(72.0, 10), 60.0);
    ASSERT_GT(r.stage512.score, 0.0);
    EXPECT_NEAR(noteOf(r.stage512), 72.0, 0.2);
    EXPECT_EQ(r.outcome, 512.0);
    EXPECT_NEAR(r.pitch, 72.0, 0.2);
}

TEST(PitchAnalysisCascade, MidStageAnswerAfterALowPitchNeedsAClarityAboveEight) {
    // A noisy tone at 50 that the 1,024-point stage finds with a clarity below 8 (seed 2).
    const std::vector<int16_t> unclear = tone(50.0, 10, 2000.0, 2);
    {
        Pipeline p;
        const FrameResult& r = p.pushWithPrevious(unclear, 60.0);
        ASSERT_EQ(r.outcome, 512.0);
        ASSERT_GT(r.clarity, 5.0);
        ASSERT_LE(r.clarity, 8.0);
        EXPECT_NEAR(r.pitch, 50.0, 0.3);
    }
    {
        Pipeline p;
        const FrameResult& r = p.pushWithPrevious(unclear, 40.0);
        EXPECT_NE(r.outcome, 512.0);
        EXPECT_GT(r.stage1024.score, 5.0) << "the rejected stage result stays in the record";
    }
    {
        Pipeline p;  // the clean tone is found with a clarity above 8 and taken after 40
        const FrameResult& r = p.pushWithPrevious(tone(50.0, 10), 40.0);
        ASSERT_GT(r.clarity, 8.0);
        EXPECT_EQ(r.outcome, 512.0);
    }
}

TEST(PitchAnalysisCascade, WeakBlockStopsTheSearchAndIsNotTracked) {
    Pipeline p;
    p.settings.peakLevel = 200;  // weak-frame threshold 25 for the 512-point stage
    const FrameResult& r = p.pushWithPrevious(tone(76.0, 6), 76.0);
    EXPECT_EQ(r.outcome, 3.0);
    EXPECT_EQ(r.pitch, 0.0);
    EXPECT_TRUE(isZero(r.tracking));
    EXPECT_EQ(p.analysis.previousPitch(), 0.0);
}

TEST(PitchAnalysisCascade, TrackingFollowsThePreviousPitchBlockAfterBlock) {
    // A pure sine at 54 leaves every sieve without a second harmonic: only the tracking
    // search answers once a previous pitch is known.
    const std::vector<int16_t> sine = testsignals::sine(noteHz(54.0), 12000.0, 20 * 512);
    Pipeline p;
    p.push(std::vector<int16_t>(sine.begin(), sine.begin() + 4 * 512));
    p.analysis.setPreviousPitch(54.0);
    for (int b = 4; b < 20; ++b) {
        const FrameResult& r =
            p.push(std::vector<int16_t>(sine.begin() + b * 512, sine.begin() + (b + 1) * 512));
        ASSERT_EQ(r.outcome, 2048.0) << "block " << b;
        EXPECT_NEAR(r.pitch, 54.0, 0.5) << "block " << b;
        EXPECT_EQ(r.clarity, 0.0);
        EXPECT_EQ(r.tracking.score, 0.0);
        EXPECT_GE(r.tracking.f0LowHz, noteHz(52.0) - 1e-9);
        EXPECT_LE(r.tracking.f0HighHz, noteHz(56.0) + 1e-9);
        EXPECT_EQ(p.analysis.previousPitch(), r.pitch);
    }
}

TEST(PitchAnalysisCascade, NothingFoundWithoutAPreviousPitchInRange) {
    const std::vector<int16_t> sine = testsignals::sine(noteHz(54.0), 12000.0, 512);
    for (double previous : {0.0, 108.6}) {
        Pipeline p;
        const FrameResult& r = p.pushWithPrevious(sine, previous);
        EXPECT_EQ(r.outcome, 65535.0) << previous;
        EXPECT_EQ(r.pitch, 0.0);
        EXPECT_TRUE(isZero(r.tracking));
        EXPECT_EQ(p.analysis.previousPitch(), 0.0);
    }
}

TEST(PitchAnalysisCascade, TrackingRejectsAPitchOutsideTheSearchableRange) {
    AnalysisSettings settings;
    PitchAnalysis analysis(settings);
    auto ring = std::make_unique<Ring44>();
    EXPECT_EQ(analysis.trackPrevious(*ring, 0, 20.4), 0);
    EXPECT_EQ(analysis.trackPrevious(*ring, 0, 108.6), 0);
    EXPECT_EQ(analysis.trackPrevious(*ring, 0, 20.5), 1);
    EXPECT_EQ(analysis.trackPrevious(*ring, 0, 60.0), 1);
    // Within the interval's two semitones either side, or a tenth beyond where a lag bound
    // moved it.
    const StageResult& out = analysis.stageOutput();
    EXPECT_GE(freqToNote(out.f0LowHz, 1.0), 57.9);
    EXPECT_LE(freqToNote(out.f0HighHz, 1.0), 62.1);
    EXPECT_DOUBLE_EQ(out.f0Hz, (out.f0LowHz + out.f0HighHz) / 2.0);
    EXPECT_EQ(out.score, 0.0);
}

// --- Octave-jump correction -----------------------------------------------------------------

TEST(OctaveJumpCorrector, FoldsBackAJumpOfOneOrTwoBlocks) {
    OctaveJumpCorrector c(OctaveCorrection::AlsoFromZero);
    std::vector<double> out;
    for (double pitch : {60.0, 72.0, 72.1, 72.0, 72.0, 60.2, 72.0}) {
        c.apply(pitch);
        out.push_back(pitch);
    }
    // Two blocks folded down, the third lets the octave through; the way back is folded too.
    const std::vector<double> expected{60.0, 60.0, 60.1, 72.0, 72.0, 72.2, 72.0};
    ASSERT_EQ(out.size(), expected.size());
    for (size_t i = 0; i < out.size(); ++i) EXPECT_NEAR(out[i], expected[i], 1e-12) << i;
}

TEST(OctaveJumpCorrector, ActsOnJumpsOfElevenToThirteenSemitonesOnly) {
    for (double jump : {11.0, 13.0, -11.0, -13.0}) {
        OctaveJumpCorrector c(OctaveCorrection::AlsoFromZero);
        double first = 60.0, second = 60.0 + jump;
        c.apply(first);
        c.apply(second);
        EXPECT_DOUBLE_EQ(second, 60.0 + jump + (jump > 0 ? -12.0 : 12.0)) << jump;
    }
    for (double jump : {10.9, 13.1, -10.9, -13.1, 7.0}) {
        OctaveJumpCorrector c(OctaveCorrection::AlsoFromZero);
        double first = 60.0, second = 60.0 + jump;
        c.apply(first);
        c.apply(second);
        EXPECT_DOUBLE_EQ(second, 60.0 + jump) << jump;
    }
}

TEST(OctaveJumpCorrector, SecondPathOnlyNeverLearnsAPitch) {
    OctaveJumpCorrector c(OctaveCorrection::SecondPathOnly);
    for (double pitch : {60.0, 72.0, 48.0}) {
        const double in = pitch;
        c.apply(pitch);
        EXPECT_EQ(pitch, in);
    }
    EXPECT_EQ(c.lastPitch(), 0.0);
}

// The correction learns from pitched blocks and forgets at a block below the gate, so the
// first blocks of a note an octave above the one before a rest keep their octave.
TEST(OctaveJumpCorrector, LearnsFromPitchedBlocksAndForgetsAtARest) {
    Pipeline p;
    p.push(tone(60.0, 8));
    EXPECT_NEAR(p.analysis.octaveCorrector().lastPitch(), 60.0, 0.2);
    p.push(squareBlock(10));  // gated: no pitch
    EXPECT_EQ(p.analysis.octaveCorrector().lastPitch(), 0.0);
    for (int b = 0; b < 9; ++b) p.push(squareBlock(10));  // the old tone leaves every frame
    const std::vector<int16_t> leap = tone(72.0, 3);
    int pitched = 0;
    for (int b = 0; b < 3; ++b) {
        const FrameResult& r = p.push({leap.begin() + b * 512, leap.begin() + (b + 1) * 512});
        if (r.pitch <= 0.0) continue;
        ++pitched;
        EXPECT_NEAR(r.pitch, 72.0, 0.3) << "block " << b;
    }
    EXPECT_GE(pitched, 2);
}
