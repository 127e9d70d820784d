// The pitch analysis on the generated corpus, through the block pipeline as the library runs
// it (default octave correction), with the gate calibrated and set as the program does.
// Thresholds other than the headline were set a few points short of what the analysis
// measured when they were written; each says what that was.
#include "../../support/BlockPipeline.h"
#include "../../support/PitchCorpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

using namespace tonik;
using namespace pitchcorpus;

namespace {

using Pipeline = testsignals::BlockPipeline;

struct Measured {
    Corpus corpus;
    GateCalibration gate;
    CorpusRun run;
    const CorpusReport& report() const { return run.report; }
};

// A calibration run, the gate set, then a fresh run over the corpus of `conditions`.
Measured measure(std::initializer_list<Condition> conditions) {
    Measured m{buildCorpus(conditions), {}, {}};
    auto p = std::make_unique<Pipeline>();
    const Feeder feed = [&p](const int16_t* block) { return p->feed(block); };
    m.gate = calibrateGate(m.corpus, feed);
    p->settings.noiseGate = m.gate.noiseLevel;
    p->store.reset();
    m.run = runCorpus(m.corpus, feed);
    return m;
}

// The harmonic section serves two tests; it is measured once.
const Measured& harmonicRun() {
    static const Measured m = measure({Condition::Harmonic});
    return m;
}

double rms(const std::vector<double>& x) {
    double sum = 0.0;
    for (double v : x) sum += v * v;
    return std::sqrt(sum / static_cast<double>(x.size()));
}

}  // namespace

// ---- The corpus and its scoring ----------------------------------------------------------

TEST(PitchCorpusScoring, JudgesWithinHalfASemitoneAndOctavesUpToThree) {
    EXPECT_EQ(judge(60.5, 60.0), Verdict::Within);
    EXPECT_EQ(judge(59.5, 60.0), Verdict::Within);
    EXPECT_EQ(judge(60.6, 60.0), Verdict::Wrong);
    EXPECT_EQ(judge(72.4, 60.0), Verdict::Octave);
    EXPECT_EQ(judge(47.7, 60.0), Verdict::Octave);
    EXPECT_EQ(judge(96.0, 60.0), Verdict::Octave);  // three octaves up
    EXPECT_EQ(judge(24.3, 60.0), Verdict::Octave);  // three down
    EXPECT_EQ(judge(108.0, 60.0), Verdict::Wrong);  // four is too far to be an octave error
    EXPECT_EQ(judge(67.0, 60.0), Verdict::Wrong);   // a fifth
    EXPECT_EQ(judge(0.99, 60.0), Verdict::NoPitch);
    EXPECT_EQ(judge(0.0, 60.0), Verdict::NoPitch);
}

TEST(PitchCorpusScoring, GateFloorFollowsTheLevelDialog) {
    std::vector<double> levels(250, -120.0);
    levels[0] = -30.0;  // the first blocks only set the floor, capped at -50
    EXPECT_DOUBLE_EQ(gateFromLevels({levels.begin(), levels.begin() + 1}).floorLevel, -50.0);
    levels[14] = -140.0;  // block 15 still sets it...
    levels[15] = -135.0;  // ...from 16 on it can only fall
    levels[100] = -150.0;
    levels[220] = -180.0;  // after block 200 nothing counts
    GateCalibration g = gateFromLevels(levels);
    EXPECT_DOUBLE_EQ(g.floorLevel, -150.0);
    EXPECT_DOUBLE_EQ(g.noiseLevel, -125.0);  // half of the default noise setting 50

    levels[150] = -std::numeric_limits<double>::infinity();  // a constant block
    g = gateFromLevels(levels);
    EXPECT_DOUBLE_EQ(g.floorLevel, -200.0);
    EXPECT_DOUBLE_EQ(gateFromLevels(levels, 31).noiseLevel, -185.0);
}

// The phase integrates the truth: a sine with vibrato crosses zero at the pace of its truth
// pitch all along, over the whole excursion.
TEST(PitchCorpusSignals, VibratoFollowsItsTruthPitch) {
    Segment s;
    s.condition = Condition::Vibrato;
    s.pure = true;
    s.midi = 69.0;
    s.vibratoCents = 50.0;
    s.vibratoHz = 5.5;
    s.length = kRate;
    s.peak = 10000.0;
    const std::vector<double> x = renderTone(s);

    // Outside the fades, whose ends are exact zeros.
    const int fade = static_cast<int>(kFadeSeconds * kRate);
    double previous = -1.0, lowest = 200.0, highest = 0.0, worst = 0.0;
    for (int i = fade; i < s.length - fade; ++i) {
        if (!(x[i - 1] < 0.0 && x[i] >= 0.0)) continue;
        const double crossing = i - 1 + x[i - 1] / (x[i - 1] - x[i]);
        if (previous > 0.0) {
            const double measured = 69.0 + 12.0 * std::log2(kRate / (crossing - previous) / 440.0);
            const double truth = s.pitchAt(static_cast<int>(std::lround((crossing + previous) / 2.0)));
            worst = std::max(worst, std::abs(measured - truth));
            lowest = std::min(lowest, measured);
            highest = std::max(highest, measured);
        }
        previous = crossing;
    }
    EXPECT_LT(worst, 0.01);  // a cent; the period straddles half a sample of truth
    EXPECT_NEAR(lowest, 68.5, 0.01);
    EXPECT_NEAR(highest, 69.5, 0.01);

    // A block's truth is the mean over the newest 2,048 samples: the integral of the
    // vibrato over that window.
    const Corpus corpus = buildCorpus({Condition::Vibrato});
    int checked = 0;
    for (int b = 0; b < corpus.blockCount(); ++b) {
        const BlockTruth& t = corpus.blocks[b];
        if (t.kind != BlockKind::Voiced) continue;
        const Segment& note = corpus.segments[t.segment];
        const double w = 2.0 * std::numbers::pi * note.vibratoHz / kRate;  // per sample
        const double t0 = (b + 1) * kBlock - kTruthWindow - note.start - 0.5, t1 = t0 + kTruthWindow;
        const double mean = note.midi + note.vibratoCents / 100.0 * (std::cos(w * t0) - std::cos(w * t1)) /
                                            (w * kTruthWindow);
        ASSERT_NEAR(t.pitch, mean, 1e-4) << "block " << b;
        ++checked;
    }
    EXPECT_GT(checked, 1000);
}

TEST(PitchCorpusSignals, NoiseOfSnr20IsTwentyDecibelsBelowTheTone) {
    const Corpus corpus = buildCorpus({Condition::Snr20});
    int notes = 0;
    for (const Segment& s : corpus.segments) {
        if (s.condition != Condition::Snr20) continue;
        const std::vector<double> tone = renderTone(s);
        std::vector<double> rest(s.length);
        for (int i = 0; i < s.length; ++i) rest[i] = corpus.samples[s.start + i] - tone[i];
        EXPECT_NEAR(20.0 * std::log10(rms(tone) / rms(rest)), 20.0, 0.5) << "MIDI " << s.midi;
        ++notes;
    }
    EXPECT_EQ(notes, 19);
}

// ---- The analysis on the corpus ----------------------------------------------------------

TEST(PitchCorpus, GateCalibrationLiesAboveTheBackgroundFloor) {
    const Corpus corpus = buildCorpus({Condition::Silence});
    Pipeline p;
    const GateCalibration gate =
        calibrateGate(corpus, [&p](const int16_t* block) { return p.feed(block); });
    ASSERT_TRUE(std::isfinite(gate.noiseLevel));
    EXPECT_GT(gate.noiseLevel, -200.0 + 25.0);
    EXPECT_LT(gate.noiseLevel, -50.0 + 25.0);
    // The pipeline's levels are the corpus's own: the quiet noise was made for this gate.
    EXPECT_NEAR(gate.noiseLevel, corpus.expectedGate, 1e-9);
}

TEST(PitchCorpus, SilenceAndBelowGateNoiseGiveNoPitch) {
    const Measured m = measure({Condition::Silence, Condition::QuietNoise});
    const Score& silence = m.report().of(Condition::Silence);
    const Score& quiet = m.report().of(Condition::QuietNoise);
    EXPECT_GT(silence.unvoiced, 50);
    EXPECT_EQ(silence.unvoicedPitched, 0);
    EXPECT_GT(quiet.unvoiced, 50);
    EXPECT_EQ(quiet.unvoicedPitched, 0);

    // The noise comes close to the gate, or this would only be silence again.
    double loudest = -1e9;
    for (int b = 0; b < m.corpus.blockCount(); ++b)
        if (m.corpus.blocks[b].condition == Condition::QuietNoise)
            loudest = std::max(loudest, m.run.results[b].level);
    EXPECT_LT(loudest, m.gate.noiseLevel);
    EXPECT_GT(loudest, m.gate.noiseLevel - 3.0);
}

// Noise far above the gate is searched, and seldom taken for a tone.
TEST(PitchCorpus, LoudNoiseSeldomGetsAPitch) {
    const Measured m = measure({Condition::LoudNoise});
    const Score& noise = m.report().of(Condition::LoudNoise);
    ASSERT_GT(noise.unvoiced, 50);
    for (int b = 0; b < m.corpus.blockCount(); ++b) {
        if (m.corpus.blocks[b].kind != BlockKind::Unvoiced) continue;
        ASSERT_GT(m.run.results[b].level, m.gate.noiseLevel + 60.0) << "block " << b;
    }
    EXPECT_LE(noise.unvoicedPitchedShare(), 0.03) << formatReport(m.report());  // measured 0%
}

TEST(PitchCorpus, CleanHarmonicTonesFrom40To96) {
    const Measured& m = harmonicRun();
    const Score& headline = m.report().headline();
    ASSERT_GT(headline.voiced, 2000);
    EXPECT_GE(headline.withinShare(), 0.95) << formatReport(m.report());  // measured 97.8%
    // We aim at 1% and measure 1.5%: nearly all of it is MIDI 41 and 45, where the finest
    // sieve prefers the octave below. Its fixed credit for harmonics under bin 11.25 pays the
    // lower order's first harmonic, and the long frame's side lobes give it odd harmonics to
    // find. This holds the figure reached, not the aim.
    EXPECT_LE(headline.octaveShare(), 0.02) << formatReport(m.report());
}

TEST(PitchCorpus, HarmonicTonesAtTheEndsOfTheRange) {
    const Measured& m = harmonicRun();
    const Score& low = m.report().of(HarmonicRange::Low);
    const Score& high = m.report().of(HarmonicRange::High);
    ASSERT_GT(low.voiced, 400);
    ASSERT_GT(high.voiced, 150);
    EXPECT_GE(low.withinShare(), 0.88) << formatReport(m.report());   // measured 91.3%
    EXPECT_LE(low.octaveShare(), 0.04) << formatReport(m.report());   // measured 1.1%
    EXPECT_GE(high.withinShare(), 0.97) << formatReport(m.report());  // measured 100%
}

// A lone partial is the hardest case for a harmonic sieve; these only hold what was reached.
TEST(PitchCorpus, PureSinesFrom28To100) {
    const Measured m = measure({Condition::Sine});
    const Score& sine = m.report().of(Condition::Sine);
    ASSERT_GT(sine.voiced, 1000);
    EXPECT_GE(sine.withinShare(), 0.49) << formatReport(m.report());  // measured 52.4%
    EXPECT_LE(sine.octaveShare(), 0.12) << formatReport(m.report());  // measured 9.2%
}

TEST(PitchCorpus, VibratoAndGlidesAreFollowed) {
    const Measured m = measure({Condition::Vibrato, Condition::Glide});
    const Score& vibrato = m.report().of(Condition::Vibrato);
    const Score& glide = m.report().of(Condition::Glide);
    ASSERT_GT(vibrato.voiced, 1000);
    ASSERT_GT(glide.voiced, 500);
    EXPECT_GE(vibrato.withinShare(), 0.92) << formatReport(m.report());  // measured 94.8%
    EXPECT_LE(vibrato.octaveShare(), 0.01) << formatReport(m.report());  // measured 0.0%
    EXPECT_GE(glide.withinShare(), 0.94) << formatReport(m.report());    // measured 96.8%
    EXPECT_LE(glide.octaveShare(), 0.04) << formatReport(m.report());    // measured 2.3%
}

TEST(PitchCorpus, HarmonicTonesIn20dBNoise) {
    const Measured m = measure({Condition::Snr20});
    const Score& snr = m.report().of(Condition::Snr20);
    ASSERT_GT(snr.voiced, 700);
    EXPECT_GE(snr.withinShare(), 0.96) << formatReport(m.report());  // measured 99.3%
    EXPECT_LE(snr.octaveShare(), 0.02) << formatReport(m.report());  // measured 0.3%
}
