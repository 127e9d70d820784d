// A pitch corpus generated in code: voice-like harmonic tones, pure sines, vibrato, glides,
// tones in noise, silence and noise, laid out on one timeline of 16-bit mono samples at
// 44,100 Hz, with the truth of every 512-sample block; a runner that pushes it block by block
// through any pipeline, and the scores.
//
// Everything is deterministic (fixed-seed std::mt19937 per section and per segment), so a
// figure measured once is the figure every run measures, and a corpus of a few conditions
// gives those conditions the samples and block grid they have in the full one.
#pragma once

#include "Signals.h"
#include "tonik.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace pitchcorpus {

inline constexpr int kRate = 44100;
inline constexpr int kBlock = 512;
// The analysis' windows mostly see the newest 2,048 samples: the truth is their mean pitch.
inline constexpr int kTruthWindow = 2048;
// Blocks of a note that are never scored: the onset, while the windows still hold the gap.
inline constexpr int kSettleBlocks = 5;
inline constexpr double kFullScale = 32767.0;
// Self-noise of a microphone, in LSB (standard deviation), under everything.
inline constexpr double kBackgroundSigma = 8.0;
inline constexpr double kLoudNoiseSigma = 2000.0;
inline constexpr int kCalibrationBlocks = 250;
inline constexpr double kGapSeconds = 0.3;
inline constexpr double kFadeSeconds = 0.010;
// The level dialog's default noise setting; half of it (integer division) lifts the gate
// above the measured floor.
inline constexpr int kDefaultNoiseSetting = 50;
inline constexpr int kDefaultPeakLevel = 40;

enum class Condition : int {
    Harmonic,    // voice-like tone, steady pitch
    Sine,        // pure sine
    Vibrato,     // voice-like tone, +-50 cents at 5.5 Hz
    Glide,       // voice-like tone gliding 5 semitones in 1 s
    Snr20,       // voice-like tone plus white noise, 20 dB below it (RMS)
    Silence,     // background only
    QuietNoise,  // white noise whose loudest block stays just under the gate
    LoudNoise,   // white noise far above the gate
    Background,  // the gaps between notes; never scored
};
inline constexpr int kScoredConditions = 8;
inline constexpr std::array<Condition, kScoredConditions> kAllConditions = {
    Condition::Harmonic, Condition::Sine,    Condition::Vibrato,    Condition::Glide,
    Condition::Snr20,    Condition::Silence, Condition::QuietNoise, Condition::LoudNoise};

inline const char* conditionLabel(Condition c) {
    switch (c) {
    case Condition::Harmonic: return "harmonic";
    case Condition::Sine: return "sine";
    case Condition::Vibrato: return "vibrato";
    case Condition::Glide: return "glide";
    case Condition::Snr20: return "snr20";
    case Condition::Silence: return "silence";
    case Condition::QuietNoise: return "noise below gate";
    case Condition::LoudNoise: return "noise";
    case Condition::Background: return "background";
    }
    return "?";
}

inline bool isVoiced(Condition c) {
    return c == Condition::Harmonic || c == Condition::Sine || c == Condition::Vibrato ||
           c == Condition::Glide || c == Condition::Snr20;
}

// The harmonic tones are also judged by range: the ends of the singing range are harder.
enum class HarmonicRange : int { Low, Headline, High };  // MIDI 28..39, 40..96, 97..100
inline constexpr int kHarmonicRanges = 3;
inline HarmonicRange harmonicRange(double midi) {
    if (midi < 40.0) return HarmonicRange::Low;
    if (midi > 96.0) return HarmonicRange::High;
    return HarmonicRange::Headline;
}
inline const char* rangeLabel(HarmonicRange r) {
    switch (r) {
    case HarmonicRange::Low: return "harmonic 28..39";
    case HarmonicRange::Headline: return "harmonic 40..96";
    case HarmonicRange::High: return "harmonic 97..100";
    }
    return "?";
}

using testsignals::noteHz;

// Level of a block as the library reports it: 20 ln(half the peak-to-peak / full scale).
inline double blockLevel(const int16_t* block) {
    const auto [lo, hi] = std::minmax_element(block, block + kBlock);
    return 20.0 * std::log((*hi / kFullScale - *lo / kFullScale) / 2.0);
}

// One stretch of the timeline. A voiced segment is a note; its truth pitch at every sample
// comes from pitchAt, the same function its synthesis integrates.
struct Segment {
    Condition condition = Condition::Background;
    int note = -1;   // unique over the corpus for notes, -1 otherwise
    int start = 0;   // first sample in Corpus::samples
    int length = 0;  // samples
    double midi = 0.0;            // pitch at the segment's first sample
    double vibratoCents = 0.0;    // depth, either side
    double vibratoHz = 0.0;
    double glideSemitones = 0.0;  // change over the whole segment
    bool pure = false;            // a sine instead of the voice-like tone
    double peak = 0.0;            // LSB, of the tone before noise
    double noiseSigma = 0.0;      // LSB, white noise added to this segment (not the background)
    std::vector<double> phases;   // per harmonic, radians
    uint32_t seed = 0;            // of the segment's background and noise

    bool voiced() const { return isVoiced(condition); }
    int end() const { return start + length; }
    // Truth in MIDI at `offset` samples into the segment.
    double pitchAt(int offset) const {
        const double t = static_cast<double>(offset) / kRate;
        const double seconds = static_cast<double>(length) / kRate;
        return midi + glideSemitones * t / seconds +
               vibratoCents / 100.0 * std::sin(2.0 * std::numbers::pi * vibratoHz * t);
    }
};

enum class BlockKind : uint8_t { NotScored, Voiced, Unvoiced };

struct BlockTruth {
    BlockKind kind = BlockKind::NotScored;
    Condition condition = Condition::Background;
    int segment = -1;    // index of the segment that holds the block's newest sample
    double pitch = 0.0;  // mean truth over the newest kTruthWindow samples, voiced blocks only
};

struct Corpus {
    std::vector<int16_t> calibration;  // background only, kCalibrationBlocks blocks
    double expectedGate = 0.0;         // the gate the calibration yields, from its own levels
    std::vector<int16_t> samples;      // whole blocks
    std::vector<Segment> segments;     // in time order, covering `samples` without holes
    std::vector<BlockTruth> blocks;
    int blockCount() const { return static_cast<int>(samples.size()) / kBlock; }
};

// ---- Gate calibration, as the program's level dialog does it --------------------------

// The floor after each block's level v (block numbers from 1): the first 15 blocks set it,
// capped at -50 and with -200 for anything lower or undefined; blocks 16..200 may only lower
// it, never below -200; later blocks are ignored.
inline double nextFloor(double floor, double v, int blockNumber) {
    if (blockNumber <= 15) {
        if (!(v >= -200.0)) return -200.0;  // also NaN and minus infinity
        return v <= -50.0 ? v : -50.0;
    }
    if (blockNumber <= 200) {
        if (!(v >= -200.0)) return -200.0;
        return std::max(std::min(floor, v), -200.0);
    }
    return floor;
}

struct GateCalibration {
    double floorLevel = -200.0;
    double noiseLevel = -200.0;  // library dB, what tonik_volume_stop receives
};

inline GateCalibration gateFromLevels(const std::vector<double>& levels,
                                      int noiseSetting = kDefaultNoiseSetting) {
    GateCalibration g;
    for (size_t i = 0; i < levels.size(); ++i)
        g.floorLevel = nextFloor(g.floorLevel, levels[i], static_cast<int>(i) + 1);
    g.noiseLevel = noiseSetting / 2 + g.floorLevel;
    return g;
}

// ---- Synthesis ---------------------------------------------------------------------------

namespace detail {

// Two gentle resonances, as of an open vowel, on top of the harmonics' fall.
inline double formantGain(double hz) {
    const auto bump = [hz](double centre, double width) {
        const double d = (hz - centre) / width;
        return std::exp(-0.5 * d * d);
    };
    return 1.0 + 1.8 * bump(600.0, 120.0) + 1.2 * bump(1100.0, 160.0);
}

// Harmonics up to about 5 kHz but at least six, none above 20 kHz (no aliases).
inline int harmonicCount(double highestHz) {
    int count = std::max(6, static_cast<int>(5000.0 / highestHz));
    while (count > 1 && count * highestHz > 20000.0) --count;
    return count;
}

inline double highestHz(const Segment& s) {
    const double top = s.midi + std::max(s.glideSemitones, 0.0) + s.vibratoCents / 100.0;
    return noteHz(top);
}

inline double rms(const double* x, int count) {
    double sum = 0.0;
    for (int i = 0; i < count; ++i) sum += x[i] * x[i];
    return std::sqrt(sum / count);
}

inline int16_t quantise(double v) {
    return static_cast<int16_t>(std::clamp(std::lrint(v), -32768L, 32767L));
}

}  // namespace detail

// The tone of a voiced segment in LSB, unquantised, without background or added noise: the
// phase integrates the truth frequency sample by sample, so vibrato and glides stay
// continuous. Harmonic amplitudes fall 7.5 dB per octave (h^-1.25) under the formant bumps;
// 10 ms fades at both ends; scaled to the segment's peak.
inline std::vector<double> renderTone(const Segment& s) {
    std::vector<double> out(s.length, 0.0);
    if (!s.voiced() || s.length == 0) return out;
    const int harmonics = s.pure ? 1 : static_cast<int>(s.phases.size());
    const double baseHz = noteHz(s.midi + s.glideSemitones / 2.0);
    std::vector<double> sinPart(harmonics), cosPart(harmonics);
    for (int h = 1; h <= harmonics; ++h) {
        const double a = s.pure ? 1.0 : std::pow(h, -1.25) * detail::formantGain(h * baseHz);
        const double phase = s.phases.empty() ? 0.0 : s.phases[h - 1];
        sinPart[h - 1] = a * std::cos(phase);  // sin(hx + p) = sin hx cos p + cos hx sin p
        cosPart[h - 1] = a * std::sin(phase);
    }
    const int fade = static_cast<int>(kFadeSeconds * kRate);
    const bool steady = s.vibratoCents == 0.0 && s.glideSemitones == 0.0;
    const double steadyStep = 2.0 * std::numbers::pi * noteHz(s.midi) / kRate;
    const double* sp = sinPart.data();  // plain pointers keep unoptimised test builds quick
    const double* cp = cosPart.data();
    double phase = 0.0;
    for (int i = 0; i < s.length; ++i) {
        // Harmonic h by rotating e^{i x} h times: two products per harmonic instead of a sine.
        const double c1 = std::cos(phase), s1 = std::sin(phase);
        double c = c1, si = s1, v = 0.0;
        for (int h = 0; h < harmonics; ++h) {
            v += sp[h] * si + cp[h] * c;
            const double nc = c * c1 - si * s1;
            si = si * c1 + c * s1;
            c = nc;
        }
        const int edge = std::min(i, s.length - 1 - i);
        if (edge < fade) v *= 0.5 - 0.5 * std::cos(std::numbers::pi * edge / fade);
        out[i] = v;
        phase += steady ? steadyStep : 2.0 * std::numbers::pi * noteHz(s.pitchAt(i)) / kRate;
        if (phase > 2.0 * std::numbers::pi) phase -= 2.0 * std::numbers::pi;
    }
    double top = 0.0;
    for (double v : out) top = std::max(top, std::abs(v));
    if (top > 0.0)
        for (double& v : out) v *= s.peak / top;
    return out;
}

namespace detail {

struct Layout {
    std::vector<Segment> segments;
    int cursor = 0;
    int nextNote = 0;
    uint32_t nextSeed = 0;
    void gap() { add(Condition::Background, static_cast<int>(kGapSeconds * kRate)); }
    Segment& add(Condition c, int length) {
        Segment s;
        s.condition = c;
        s.start = cursor;
        s.length = length;
        s.seed = nextSeed++;
        if (isVoiced(c)) s.note = nextNote++;
        cursor += length;
        segments.push_back(s);
        return segments.back();
    }
};

inline uint32_t sectionSeed(Condition c) { return 7919u * (static_cast<uint32_t>(c) + 1u); }

// Notes of one condition, each after a gap: their pitch contours, phases and peaks.
inline void layOutSection(Layout& layout, Condition c, std::mt19937& random) {
    std::uniform_real_distribution<double> phase(0.0, 2.0 * std::numbers::pi);
    std::uniform_real_distribution<double> peak(0.25 * kFullScale, 0.35 * kFullScale);
    const auto note = [&](double midi, double seconds) -> Segment& {
        layout.gap();
        Segment& s = layout.add(c, static_cast<int>(seconds * kRate));
        s.midi = midi;
        return s;
    };
    const auto voice = [&](Segment& s) {
        s.peak = peak(random);
        if (s.pure) return;
        s.phases.resize(harmonicCount(highestHz(s)));
        for (double& p : s.phases) p = phase(random);
    };
    switch (c) {
    case Condition::Harmonic:
        for (int m = 28; m <= 100; ++m) voice(note(m, 0.6));
        break;
    case Condition::Sine:
        for (int m = 28; m <= 100; m += 2) {
            Segment& s = note(m, 0.5);
            s.pure = true;
            voice(s);
        }
        break;
    case Condition::Vibrato:
        for (int m = 40; m <= 96; m += 3) {
            Segment& s = note(m, 0.8);
            s.vibratoCents = 50.0;
            s.vibratoHz = 5.5;
            voice(s);
        }
        break;
    case Condition::Glide: {
        int k = 0;
        for (int m = 40; m <= 90; m += 7, ++k) {
            Segment& s = note(m, 1.0);
            s.glideSemitones = k % 2 == 0 ? 5.0 : -5.0;
            voice(s);
        }
        break;
    }
    case Condition::Snr20:
        for (int m = 40; m <= 96; m += 3) voice(note(m, 0.6));
        break;
    case Condition::Silence:
    case Condition::QuietNoise:
    case Condition::LoudNoise:
        layout.gap();
        layout.add(c, kRate);
        break;
    case Condition::Background: break;
    }
}

// Background and added noise of one segment, from the segment's own seed.
inline void renderSegment(Segment& s, double gateAmplitude, int16_t* out) {
    std::vector<double> x = renderTone(s);
    if (s.condition == Condition::Snr20) s.noiseSigma = rms(x.data(), s.length) / 10.0;
    else if (s.condition == Condition::LoudNoise) s.noiseSigma = kLoudNoiseSigma;
    else if (s.condition == Condition::QuietNoise) s.noiseSigma = gateAmplitude / 3.0;
    std::mt19937 random(s.seed);
    std::normal_distribution<double> unit(0.0, 1.0);
    for (double& v : x) v += kBackgroundSigma * unit(random);
    if (s.noiseSigma > 0.0)
        for (double& v : x) v += s.noiseSigma * unit(random);
    if (s.condition == Condition::QuietNoise) {
        // Just under the gate by construction: no block's half peak-to-peak can exceed the
        // largest magnitude, held at 0.9 of the gate's amplitude (about -1 dB).
        double top = 0.0;
        for (double v : x) top = std::max(top, std::abs(v));
        const double scale = (0.9 * gateAmplitude - 0.5) / top;
        for (double& v : x) v *= scale;
        s.noiseSigma *= scale;
    }
    for (int i = 0; i < s.length; ++i) out[i] = quantise(x[i]);
}

}  // namespace detail

// The corpus of the given conditions (all when empty), always in the order of
// kAllConditions, with a gap before every note and at the end. Every section starts on a
// block boundary and draws only from its own seeds, so its samples and its block grid are
// the same whichever other sections come with it.
inline Corpus buildCorpus(std::initializer_list<Condition> only = {}) {
    Corpus corpus;

    // The calibration run: what the level dialog hears before anyone sings.
    {
        std::mt19937 random(12345u);
        std::normal_distribution<double> background(0.0, kBackgroundSigma);
        corpus.calibration.resize(kCalibrationBlocks * kBlock);
        for (int16_t& x : corpus.calibration) x = detail::quantise(background(random));
        std::vector<double> levels;
        for (int b = 0; b < kCalibrationBlocks; ++b)
            levels.push_back(blockLevel(corpus.calibration.data() + b * kBlock));
        corpus.expectedGate = gateFromLevels(levels).noiseLevel;
    }
    const double gateAmplitude = kFullScale * std::exp(corpus.expectedGate / 20.0);

    detail::Layout layout;
    // Background up to the next block boundary, with a seed of its own.
    const auto padToBlock = [&layout](uint32_t seed) {
        if (layout.cursor % kBlock == 0) return;
        layout.add(Condition::Background, kBlock - layout.cursor % kBlock).seed = seed;
    };
    for (Condition c : kAllConditions) {
        if (only.size() != 0 && std::find(only.begin(), only.end(), c) == only.end()) continue;
        const uint32_t seed = detail::sectionSeed(c);
        padToBlock(seed + 1u);
        layout.nextSeed = 1000u * seed;
        std::mt19937 random(seed);
        detail::layOutSection(layout, c, random);
    }
    padToBlock(1u);
    layout.add(Condition::Background, static_cast<int>(kGapSeconds * kRate)).seed = 2u;
    padToBlock(3u);
    corpus.segments = std::move(layout.segments);
    corpus.samples.assign(layout.cursor, 0);
    for (Segment& s : corpus.segments)
        detail::renderSegment(s, gateAmplitude, corpus.samples.data() + s.start);

    // Truth per block from its newest kTruthWindow samples.
    corpus.blocks.resize(corpus.blockCount());
    int owner = 0;
    int prefixOf = -1;
    std::vector<double> prefix;  // running sum of the owner's truth pitch
    for (int b = 0; b < corpus.blockCount(); ++b) {
        const int newest = b * kBlock + kBlock - 1;
        const int oldest = newest + 1 - kTruthWindow;
        while (corpus.segments[owner].end() <= newest) ++owner;
        const Segment& s = corpus.segments[owner];
        BlockTruth& t = corpus.blocks[b];
        t.segment = owner;
        t.condition = s.condition;
        if (oldest < 0 || s.condition == Condition::Background) continue;
        if (s.voiced()) {
            if (oldest < s.start || b - s.start / kBlock < kSettleBlocks) continue;
            if (prefixOf != owner) {
                prefix.assign(s.length + 1, 0.0);
                for (int i = 0; i < s.length; ++i) prefix[i + 1] = prefix[i] + s.pitchAt(i);
                prefixOf = owner;
            }
            t.kind = BlockKind::Voiced;
            t.pitch = (prefix[newest + 1 - s.start] - prefix[oldest - s.start]) / kTruthWindow;
        } else {
            bool clean = true;
            for (int k = owner; k >= 0 && corpus.segments[k].end() > oldest; --k)
                clean = clean && !corpus.segments[k].voiced();
            if (clean) t.kind = BlockKind::Unvoiced;
        }
    }
    return corpus;
}

// ---- Scoring -----------------------------------------------------------------------------

enum class Verdict { Within, Octave, NoPitch, Wrong };

// A pitch below 1.0 is none; an octave error is within half a semitone of the truth moved by
// one to three octaves either way.
inline Verdict judge(double pitch, double truth) {
    if (!(pitch >= 1.0)) return Verdict::NoPitch;
    const double d = pitch - truth;
    if (std::abs(d) <= 0.5) return Verdict::Within;
    for (int k = -3; k <= 3; ++k)
        if (k != 0 && std::abs(d - 12.0 * k) <= 0.5) return Verdict::Octave;
    return Verdict::Wrong;
}

struct Score {
    int voiced = 0;      // scored voiced blocks
    int within = 0;      // pitch within 0.5 semitone of the truth
    int octave = 0;      // off by whole octaves (1..3), within 0.5 semitone
    int noPitch = 0;     // voiced, but no pitch
    int otherWrong = 0;  // any other pitch
    int unvoiced = 0;    // scored unvoiced blocks
    int unvoicedPitched = 0;

    static double share(int part, int whole) {
        return whole > 0 ? static_cast<double>(part) / whole
                         : std::numeric_limits<double>::quiet_NaN();
    }
    double withinShare() const { return share(within, voiced); }
    double octaveShare() const { return share(octave, voiced); }
    double noPitchShare() const { return share(noPitch, voiced); }
    double otherWrongShare() const { return share(otherWrong, voiced); }
    double unvoicedPitchedShare() const { return share(unvoicedPitched, unvoiced); }

    void addVoiced(Verdict v) {
        ++voiced;
        switch (v) {
        case Verdict::Within: ++within; break;
        case Verdict::Octave: ++octave; break;
        case Verdict::NoPitch: ++noPitch; break;
        case Verdict::Wrong: ++otherWrong; break;
        }
    }
    Score& operator+=(const Score& o) {
        voiced += o.voiced;
        within += o.within;
        octave += o.octave;
        noPitch += o.noPitch;
        otherWrong += o.otherWrong;
        unvoiced += o.unvoiced;
        unvoicedPitched += o.unvoicedPitched;
        return *this;
    }
};

struct CorpusReport {
    std::array<Score, kScoredConditions> byCondition{};
    std::array<Score, kHarmonicRanges> harmonicByRange{};
    Score overall;
    int blocks = 0;

    const Score& of(Condition c) const { return byCondition[static_cast<int>(c)]; }
    const Score& of(HarmonicRange r) const { return harmonicByRange[static_cast<int>(r)]; }
    const Score& headline() const { return of(HarmonicRange::Headline); }
};

inline CorpusReport scoreCorpus(const Corpus& corpus, const std::vector<FrameResult>& results) {
    CorpusReport report;
    report.blocks = static_cast<int>(results.size());
    for (size_t b = 0; b < results.size() && b < corpus.blocks.size(); ++b) {
        const BlockTruth& t = corpus.blocks[b];
        if (t.kind == BlockKind::NotScored) continue;
        Score& score = report.byCondition[static_cast<int>(t.condition)];
        const double pitch = results[b].pitch;
        if (t.kind == BlockKind::Unvoiced) {
            ++score.unvoiced;
            if (pitch >= 1.0) ++score.unvoicedPitched;
            continue;
        }
        const Verdict v = judge(pitch, t.pitch);
        score.addVoiced(v);
        if (t.condition == Condition::Harmonic) {
            const double midi = corpus.segments[t.segment].midi;
            report.harmonicByRange[static_cast<int>(harmonicRange(midi))].addVoiced(v);
        }
    }
    for (const Score& s : report.byCondition) report.overall += s;
    return report;
}

// ---- Running ---------------------------------------------------------------------------

// Processes one block of kBlock samples and returns a copy of its result record.
using Feeder = std::function<FrameResult(const int16_t* block)>;

// Feeds the calibration background and turns its levels into the gate.
inline GateCalibration calibrateGate(const Corpus& corpus, const Feeder& feed) {
    std::vector<double> levels;
    for (int b = 0; b < kCalibrationBlocks; ++b)
        levels.push_back(feed(corpus.calibration.data() + b * kBlock).level);
    return gateFromLevels(levels);
}

struct CorpusRun {
    // One record per block; their array pointers are cleared, they belonged to the pipeline.
    std::vector<FrameResult> results;
    CorpusReport report;
};

inline CorpusRun runCorpus(const Corpus& corpus, const Feeder& feed) {
    CorpusRun run;
    run.results.reserve(corpus.blockCount());
    for (int b = 0; b < corpus.blockCount(); ++b) {
        FrameResult r = feed(corpus.samples.data() + b * kBlock);
        r.samples512 = r.spectrum512 = r.spectrum1024 = r.spectrum2048 = nullptr;
        run.results.push_back(r);
    }
    run.report = scoreCorpus(corpus, run.results);
    return run;
}

// ---- Printing ----------------------------------------------------------------------------

inline std::string formatReport(const CorpusReport& report) {
    std::string out;
    char line[160];
    const auto percent = [](double share) {
        char text[16];
        if (std::isnan(share)) std::snprintf(text, sizeof text, "%7s", "-");
        else std::snprintf(text, sizeof text, "%6.1f%%", 100.0 * share);
        return std::string(text);
    };
    const auto row = [&](const char* label, const Score& s, const char* mark) {
        std::snprintf(line, sizeof line, "%-19s %6d %s %s %s %s   %6d %s%s\n", label, s.voiced,
                      percent(s.withinShare()).c_str(), percent(s.octaveShare()).c_str(),
                      percent(s.noPitchShare()).c_str(), percent(s.otherWrongShare()).c_str(),
                      s.unvoiced, percent(s.unvoicedPitchedShare()).c_str(), mark);
        out += line;
    };
    std::snprintf(line, sizeof line, "%-19s %6s %7s %7s %7s %7s   %6s %7s\n", "condition", "voiced",
                  "within", "octave", "none", "other", "unvcd", "pitched");
    out += line;
    for (Condition c : kAllConditions) {
        row(conditionLabel(c), report.of(c), "");
        if (c == Condition::Harmonic) {
            for (int r = 0; r < kHarmonicRanges; ++r) {
                const auto range = static_cast<HarmonicRange>(r);
                row((std::string("  ") + rangeLabel(range)).c_str(), report.of(range),
                    range == HarmonicRange::Headline ? "   <- headline" : "");
            }
        }
    }
    row("overall", report.overall, "");
    std::snprintf(line, sizeof line,
                  "%d blocks; within = |pitch - truth| <= 0.5 st, octave = off by 1..3 octaves, "
                  "none = no pitch\n",
                  report.blocks);
    out += line;
    return out;
}

}  // namespace pitchcorpus
