// make_note_corpus OUTDIR [--quick]
//
// Writes the note-accuracy corpus: sung and played melodies whose notes are known exactly,
// each as an audio file NAME.wav beside its reference notes NAME.ref.csv
// (onset_seconds,offset_seconds,midi per line), and corpus.csv, the index the scorer reads.
//
// Every melody comes from a fixed seed through a generator of our own, so the corpus is the
// same on every machine and library version. Sources, each a family the scorer reports apart:
// a synthetic singer on vowels (vibrato, jitter, breath, soft attacks, glides, legato,
// consonants), General MIDI voices and instruments rendered offline by FluidSynth, the same
// singer with words (voiced consonants that carry pitch, plosives, fricatives, final consonants,
// melismas), real speech sung by festival's diphone voices, a bass voice, and low General MIDI
// instruments down to E1. A sung note's reference onset is where its vowel starts, as listeners
// hear it, not its consonant. Each melody is written clean, under white and pink noise at 20 and
// 10 dB SNR, and in a reverberant room; some files at 22,050 or 48,000 Hz, some stereo.
#include "document/Scale.h"
#include "FestivalSinger.h"

#include <fluidsynth.h>
#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// ---- Randomness -------------------------------------------------------------------------

// xorshift64*: small, and the same sequence everywhere, unlike the standard distributions.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
        if (state_ == 0) state_ = 1;
        for (int i = 0; i < 8; ++i) next();
    }
    uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int integer(int lo, int hi) { return lo + static_cast<int>(uniform() * (hi - lo + 1)); }
    bool chance(double p) { return uniform() < p; }
    // Roughly Gaussian with standard deviation 1 (a sum of four uniforms): no libm involved.
    double gaussian() { return (uniform() + uniform() + uniform() + uniform() - 2.0) * 1.7320508; }

private:
    uint64_t state_;
};

// ---- Melodies ---------------------------------------------------------------------------

enum class Entry { AfterSilence, Articulated, Legato };
enum class Consonant { None, Plosive, Fricative, Aspirate };

struct Note {
    int midi = 60;
    double onset = 0.0;   // seconds: where the tone starts (the middle of a legato glide)
    double offset = 0.0;  // seconds: where it ends
    Entry entry = Entry::AfterSilence;
    double glide = 0.0;       // legato: the pitch transition's length, centred on the onset
    double scoop = 0.0;       // articulated: seconds spent rising into the pitch from below
    double scoopDepth = 0.0;  // semitones below the note where a scoop starts
    double attack = 0.05;     // seconds of amplitude ramp after a silence or consonant
    double release = 0.03;    // seconds of fade before a silence or consonant
    Consonant consonant = Consonant::None;
    int vowel = 0;
    double loudness = 1.0;  // relative, 0.5..1
    int velocity = 96;      // for the General MIDI renders
    double tuning = 0.0;    // semitones the singer is off the note
    double drift = 0.0;     // semitones of drift from the onset to the offset
    double vibratoDepth = 0.0;  // peak semitones
    double vibratoDelay = 0.2;  // seconds after the onset before vibrato sets in
};

struct Syllable;

struct Melody {
    std::string name;
    uint64_t seed = 0;
    bool female = false;
    double formantScale = 1.0;  // the singer's resonances against a man's
    std::vector<Note> notes;
    double seconds = 0.0;
};

bool legatoOut(const Melody& m, size_t n) {
    return n + 1 < m.notes.size() && m.notes[n + 1].entry == Entry::Legato;
}

double smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

// A melody in [low, high]: mostly steps of one to four semitones, some leaps, note lengths
// from 0.12 to 1.2 s around a beat, rests, and legato stretches of three to five notes
// (about a third of all notes begin legato).
Melody makeMelody(const std::string& name, uint64_t seed, int low, int high, bool female) {
    Rng rng(seed);
    Melody m;
    m.name = name;
    m.seed = seed;
    m.female = female;
    m.formantScale = female ? 1.15 : 1.0;
    const double target = rng.range(9.0, 20.0);
    const double tail = rng.range(0.5, 0.9);
    const double beat = rng.range(0.3, 0.55);
    const double vibratoDepth = rng.range(0.20, 0.60);
    const double centre = 0.5 * (low + high);
    int midi = static_cast<int>(std::lround(centre)) + rng.integer(-3, 3);
    // Room noise before the first note: a gate that measures its floor from the input sees it.
    double t = rng.range(0.5, 1.0);
    Entry entry = Entry::AfterSilence;
    double glide = 0.0;
    Consonant consonant = Consonant::None;
    int vowel = rng.integer(0, 4);
    int legatoLeft = 0;
    static constexpr double kBeats[] = {0.5, 0.5, 1.0, 1.0, 1.0, 1.0, 1.5, 2.0, 2.0, 3.0};
    while (true) {
        double length = kBeats[rng.integer(0, 9)] * beat * rng.range(0.85, 1.15);
        if (rng.chance(0.07)) length = rng.range(0.12, 0.2);
        length = std::clamp(length, 0.12, 1.2);
        Note note;
        note.midi = midi;
        note.onset = t;
        note.offset = t + length;
        note.entry = entry;
        note.glide = glide;
        note.consonant = consonant;
        if (entry != Entry::Legato) vowel = rng.integer(0, 4);  // a new syllable
        note.vowel = vowel;
        note.attack = entry == Entry::AfterSilence ? rng.range(0.03, 0.12) : rng.range(0.03, 0.07);
        if (entry != Entry::Legato && rng.chance(0.25)) {
            note.scoop = std::min(rng.range(0.04, 0.12), 0.5 * length);
            note.scoopDepth = rng.range(0.7, 2.0);
        }
        note.loudness = rng.range(0.55, 1.0);
        note.velocity = rng.integer(70, 110);
        note.tuning = rng.range(-0.12, 0.12);
        note.drift = rng.range(-0.08, 0.08);
        note.vibratoDepth = std::clamp(vibratoDepth * rng.range(0.8, 1.2), 0.20, 0.60);
        note.vibratoDelay = note.attack + rng.range(0.05, 0.15);
        m.notes.push_back(note);
        t = note.offset;
        if (t + tail + 0.3 > target && m.notes.size() >= 8) break;

        // How the next note begins.
        glide = 0.0;
        consonant = Consonant::None;
        if (legatoLeft > 0) {
            --legatoLeft;
            entry = Entry::Legato;
        } else if (const double r = rng.uniform(); r < 0.14) {
            entry = Entry::AfterSilence;
            t += rng.range(0.25, 0.9);
        } else if (r < 0.28) {
            entry = Entry::Legato;
            legatoLeft = rng.integer(1, 3);
        } else {
            entry = Entry::Articulated;
            t += rng.range(0.04, 0.10);
            consonant = static_cast<Consonant>(rng.integer(1, 3));
        }
        if (entry == Entry::Legato)
            glide = rng.chance(0.45) ? rng.range(0.04, 0.12) : rng.range(0.015, 0.03);
        else
            m.notes.back().release = entry == Entry::AfterSilence ? rng.range(0.03, 0.06)
                                                                   : rng.range(0.02, 0.04);

        // The next pitch: a repeat only when re-articulated, since legato would not show it.
        int step;
        if (const double r = rng.uniform(); r < 0.07 && entry != Entry::Legato) {
            step = 0;
        } else if (r < 0.87) {
            static constexpr int kSteps[] = {1, 1, 1, 2, 2, 2, 2, 3, 3, 4};
            step = kSteps[rng.integer(0, 9)];
        } else {
            step = rng.chance(0.2) ? 12 : rng.integer(5, 9);
        }
        const double upChance = std::clamp(0.5 + (centre - midi) / (high - low), 0.15, 0.85);
        int next = rng.chance(upChance) ? midi + step : midi - step;
        if (next > high || next < low) next = 2 * midi - next;
        if (next > high || next < low) next = midi + (midi < centre ? 1 : -1);
        if (entry == Entry::Legato && next == midi) next += midi < centre ? 1 : -1;
        midi = next;
    }
    // A glide cannot reach further than half into either note it joins.
    for (size_t n = 1; n < m.notes.size(); ++n) {
        Note& note = m.notes[n];
        if (note.entry != Entry::Legato) continue;
        const double shorter = std::min(note.offset - note.onset, m.notes[n - 1].offset - m.notes[n - 1].onset);
        note.glide = std::min(note.glide, shorter);
    }
    m.seconds = m.notes.back().offset + tail;
    return m;
}

// ---- Filters ----------------------------------------------------------------------------

// A second-order section from the audio EQ cookbook, for shaping noise.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    enum class Kind { LowPass, HighPass, BandPass };
    static Biquad make(Kind kind, double hz, double q, double rate) {
        const double w = kTwoPi * std::min(hz, 0.45 * rate) / rate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double c = std::cos(w);
        Biquad f;
        double a0 = 1.0 + alpha;
        switch (kind) {
        case Kind::LowPass: f.b0 = (1 - c) / 2; f.b1 = 1 - c; f.b2 = (1 - c) / 2; break;
        case Kind::HighPass: f.b0 = (1 + c) / 2; f.b1 = -(1 + c); f.b2 = (1 + c) / 2; break;
        case Kind::BandPass: f.b0 = alpha; f.b1 = 0; f.b2 = -alpha; break;
        }
        f.b0 /= a0; f.b1 /= a0; f.b2 /= a0;
        f.a1 = -2 * c / a0;
        f.a2 = (1 - alpha) / a0;
        return f;
    }
    double operator()(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1; x1 = x;
        y2 = y1; y1 = y;
        return y;
    }
};

// Pink (1/f) noise from white, by a sum of first-order sections spread over the band.
class PinkNoise {
public:
    explicit PinkNoise(uint64_t seed) : rng_(seed) {}
    double next() {
        const double w = rng_.gaussian();
        b_[0] = 0.99886 * b_[0] + w * 0.0555179;
        b_[1] = 0.99332 * b_[1] + w * 0.0750759;
        b_[2] = 0.96900 * b_[2] + w * 0.1538520;
        b_[3] = 0.86650 * b_[3] + w * 0.3104856;
        b_[4] = 0.55000 * b_[4] + w * 0.5329522;
        b_[5] = -0.7616 * b_[5] - w * 0.0168980;
        const double v = b_[0] + b_[1] + b_[2] + b_[3] + b_[4] + b_[5] + b_[6] + w * 0.5362;
        b_[6] = w * 0.115926;
        return v;
    }

private:
    Rng rng_;
    std::array<double, 7> b_{};
};

// ---- The synthetic singer ---------------------------------------------------------------

struct Formants {
    std::array<double, 4> hz;
    std::array<double, 4> gain;
    std::array<double, 4> width;
    double floor = 0.15;  // the tract's gain between resonances
};

// Five vowels of a male voice: a, e, i, o, u. Women's resonances sit about 15% higher.
const std::array<Formants, 5> kVowels = {{
    {{730, 1090, 2440, 3400}, {1.0, 0.50, 0.25, 0.12}, {110, 120, 160, 250}},
    {{530, 1840, 2480, 3500}, {1.0, 0.45, 0.30, 0.12}, {90, 130, 170, 250}},
    {{300, 2290, 3010, 3700}, {1.0, 0.30, 0.30, 0.12}, {80, 150, 180, 250}},
    {{570, 840, 2410, 3400}, {1.0, 0.60, 0.15, 0.10}, {90, 100, 160, 250}},
    {{320, 870, 2240, 3300}, {1.0, 0.35, 0.10, 0.08}, {80, 100, 160, 250}},
}};

// The voiced consonants of a man's voice, after the vowels. A nasal murmur is a strong first
// resonance near 250 Hz over little else; "r" has its third resonance low; a voice bar (the
// closure of b, d, g) is the first resonance alone.
enum Shape : uint8_t {
    kShapeM = 5, kShapeN, kShapeNg, kShapeL, kShapeR, kShapeW, kShapeJ, kShapeV, kShapeZ, kShapeZh, kShapeBar
};
const std::array<Formants, 11> kConsonantShapes = {{
    {{250, 1100, 2200, 3300}, {1.0, 0.06, 0.04, 0.02}, {60, 150, 200, 250}, 0.01},
    {{250, 1600, 2500, 3300}, {1.0, 0.06, 0.04, 0.02}, {60, 150, 200, 250}, 0.01},
    {{250, 2000, 2600, 3300}, {1.0, 0.05, 0.04, 0.02}, {60, 150, 200, 250}, 0.01},
    {{360, 1050, 2700, 3500}, {1.0, 0.35, 0.15, 0.05}, {80, 120, 180, 250}, 0.05},
    {{350, 1100, 1500, 3200}, {1.0, 0.40, 0.30, 0.05}, {80, 120, 150, 250}, 0.05},
    {{300, 650, 2200, 3300}, {1.0, 0.30, 0.05, 0.03}, {70, 100, 180, 250}, 0.04},
    {{270, 2100, 3000, 3600}, {1.0, 0.25, 0.20, 0.05}, {70, 150, 200, 250}, 0.05},
    {{220, 1100, 2300, 3300}, {1.0, 0.10, 0.05, 0.02}, {60, 150, 200, 250}, 0.02},
    {{220, 1600, 2600, 3300}, {1.0, 0.10, 0.05, 0.02}, {60, 150, 200, 250}, 0.02},
    {{230, 1800, 2500, 3300}, {1.0, 0.10, 0.06, 0.02}, {60, 150, 200, 250}, 0.02},
    {{180, 1000, 2000, 3000}, {1.0, 0.01, 0.005, 0.0}, {60, 150, 200, 250}, 0.003},
}};

const Formants& tractShape(uint8_t shape) {
    return shape < kVowels.size() ? kVowels[shape] : kConsonantShapes[shape - kVowels.size()];
}

using hummwell::midiToHz;

// The vocal tract's gain at `hz` while singing `f0`: resonances over a small floor. Singers
// raise the first resonance to just above a fundamental that would pass it (a soprano's high
// "i" opens towards "e"), so the fundamental never falls into a gap.
double tractGain(const Formants& f, double scale, double f0, double hz) {
    double g = f.floor;
    for (size_t k = 0; k < f.hz.size(); ++k) {
        const double centre = k == 0 ? std::max(f.hz[k] * scale, 1.05 * f0) : f.hz[k] * scale;
        const double d = (hz - centre) / (0.5 * f.width[k] * scale);
        g += f.gain[k] / (1.0 + d * d);
    }
    return g;
}

// A tract shape blended towards another: `mix` 0 is all `from`. Shapes 0-4 are the vowels,
// the rest the voiced consonants (kConsonantShapes).
struct TractAt {
    uint8_t from = 0, to = 0;
    float mix = 0.0f;
};

// What the singer's voice source does at each sample: whether it sounds, at what pitch
// (fractional MIDI note) and level, and through which tract.
struct VoiceTrack {
    std::vector<uint8_t> voiced;
    std::vector<double> pitch, amp;
    std::vector<TractAt> tract;
    explicit VoiceTrack(size_t count) : voiced(count, 0), pitch(count, 0.0), amp(count, 0.0), tract(count) {}
};

// Each singer's own: vibrato rate, spectral tilt and breathiness.
struct SingerTraits {
    double vibratoHz, tilt, breathiness;
};

SingerTraits drawTraits(Rng& rng) {
    SingerTraits t{};
    t.vibratoHz = rng.range(4.0, 7.0);
    t.tilt = rng.range(1.0, 1.5);          // harmonics fall as h^-tilt
    t.breathiness = rng.range(0.03, 0.09);  // aspiration against the voiced part
    return t;
}

// The vibrato's phase runs through the whole take at a slowly wandering rate.
std::vector<double> vibratoTrack(double hz, size_t count, int rate, Rng& rng) {
    std::vector<double> vibrato(count);
    double phase = rng.range(0.0, kTwoPi);
    double wander = 0.0;
    for (size_t i = 0; i < count; ++i) {
        if (i % 256 == 0) wander = std::clamp(wander * 0.995 + 0.02 * rng.gaussian(), -0.4, 0.4);
        vibrato[i] = std::sin(phase);
        phase += kTwoPi * (hz + wander) / rate;
        if (phase > kTwoPi) phase -= kTwoPi;
    }
    return vibrato;
}

// The notes' pitch and loudness, each note's own curve blended with its neighbours' over
// legato transitions, so a legato step moves the pitch without the level dipping.
struct NoteCurves {
    std::vector<double> pitchSum, ampSum, weight;
    std::vector<int> vowelAt;
};

NoteCurves noteCurves(const Melody& m, int rate, const std::vector<double>& vibrato) {
    const size_t count = vibrato.size();
    NoteCurves c{std::vector<double>(count, 0.0), std::vector<double>(count, 0.0), std::vector<double>(count, 0.0),
                 std::vector<int>(count, -1)};
    for (size_t n = 0; n < m.notes.size(); ++n) {
        const Note& note = m.notes[n];
        const bool in = note.entry == Entry::Legato;
        const bool out = legatoOut(m, n);
        const double nextGlide = out ? m.notes[n + 1].glide : 0.0;
        const double from = note.onset - (in ? 0.5 * note.glide : 0.0);
        const double to = note.offset + (out ? 0.5 * nextGlide : 0.0);
        const double length = note.offset - note.onset;
        const size_t first = static_cast<size_t>(std::max(0.0, from) * rate);
        const size_t last = std::min(count, static_cast<size_t>(to * rate));
        for (size_t i = first; i < last; ++i) {
            const double t = static_cast<double>(i) / rate;
            const double u = t - note.onset;
            double w = 1.0;
            if (in && u < 0.5 * note.glide) w = smoothstep((t - from) / note.glide);
            if (out && t > note.offset - 0.5 * nextGlide)
                w = std::min(w, 1.0 - smoothstep((t - (note.offset - 0.5 * nextGlide)) / nextGlide));

            double pitch = note.midi + note.tuning + note.drift * std::clamp(u / length, 0.0, 1.0);
            if (note.scoop > 0.0 && u < note.scoop) pitch -= note.scoopDepth * (1.0 - smoothstep(u / note.scoop));
            const double vibratoIn = std::clamp((u - note.vibratoDelay) / 0.2, 0.0, 1.0);
            pitch += vibratoIn * note.vibratoDepth * vibrato[i];

            double amp = note.loudness * (1.0 + 0.04 * vibratoIn * vibrato[i]);
            if (!in) amp *= std::clamp(u / note.attack, 0.0, 1.0);
            if (!out) amp *= std::clamp((note.offset - t) / note.release, 0.0, 1.0);

            c.pitchSum[i] += w * pitch;
            c.ampSum[i] += w * amp;
            c.weight[i] += w;
            if (w >= 0.5 || c.vowelAt[i] < 0) c.vowelAt[i] = note.vowel;
        }
    }
    return c;
}

VoiceTrack vowelTrack(const NoteCurves& c) {
    VoiceTrack v(c.weight.size());
    for (size_t i = 0; i < c.weight.size(); ++i) {
        if (c.weight[i] <= 0.0) continue;
        v.voiced[i] = 1;
        v.pitch[i] = c.pitchSum[i] / c.weight[i];
        v.amp[i] = c.ampSum[i] / c.weight[i];
        v.tract[i].from = v.tract[i].to = static_cast<uint8_t>(c.vowelAt[i]);
    }
    return v;
}

// The voiced part: one oscillator through the whole take, its harmonics by the Chebyshev
// recurrence sin(h x) = 2 cos(x) sin((h-1) x) - sin((h-2) x), their gains refreshed every 32
// samples. Adds to `out`.
void addVoiced(const VoiceTrack& v, const SingerTraits& traits, double formantScale, int rate, Rng& rng,
               std::vector<double>& out) {
    double phase = 0.0, jitter = 0.0, shimmer = 0.0;
    const double jitterSd = rng.range(0.05, 0.09);  // semitones
    const double jitterPole = std::exp(-1.0 / (0.04 * rate));
    const double jitterKick = jitterSd * std::sqrt(1.0 - jitterPole * jitterPole);
    const double shimmerKick = 0.05 * std::sqrt(1.0 - jitterPole * jitterPole);
    std::vector<double> gains;
    double pitchHeld = -1.0;
    const double ceiling = std::min(0.45 * rate, 7000.0);
    for (size_t i = 0; i < out.size(); ++i) {
        jitter = jitter * jitterPole + jitterKick * rng.gaussian();
        shimmer = shimmer * jitterPole + shimmerKick * rng.gaussian();
        if (!v.voiced[i]) {
            pitchHeld = -1.0;
            continue;
        }
        const double pitch = v.pitch[i] + jitter;
        const double hz = midiToHz(pitch);
        if (i % 32 == 0 || pitchHeld < 0.0) {
            const TractAt& at = v.tract[i];
            Formants f = tractShape(at.from);
            if (at.mix > 0.0f) {
                const Formants& to = tractShape(at.to);
                const double x = at.mix;
                for (size_t k = 0; k < f.hz.size(); ++k) {
                    f.hz[k] += (to.hz[k] - f.hz[k]) * x;
                    f.gain[k] += (to.gain[k] - f.gain[k]) * x;
                    f.width[k] += (to.width[k] - f.width[k]) * x;
                }
                f.floor += (to.floor - f.floor) * x;
            }
            const int harmonics = std::max(1, static_cast<int>(ceiling / hz));
            gains.assign(static_cast<size_t>(harmonics), 0.0);
            double energy = 0.0;
            for (int h = 1; h <= harmonics; ++h) {
                // Taper the top harmonics so one slipping in or out as the pitch moves clicks
                // no more than the rest.
                const double taper = std::clamp((ceiling - h * hz) / (0.1 * ceiling), 0.0, 1.0);
                const double g = std::pow(h, -traits.tilt) * tractGain(f, formantScale, hz, h * hz) * taper;
                gains[static_cast<size_t>(h - 1)] = g;
                energy += g * g;
            }
            const double norm = 1.0 / std::sqrt(std::max(energy, 1e-12));
            for (double& g : gains) g *= norm;
            pitchHeld = pitch;
        }
        const double s1 = std::sin(phase);
        const double c2 = 2.0 * std::cos(phase);
        double prev = 0.0, cur = s1, x = gains[0] * s1;
        for (size_t h = 1; h < gains.size(); ++h) {
            const double nxt = c2 * cur - prev;
            prev = cur;
            cur = nxt;
            x += gains[h] * cur;
        }
        out[i] += v.amp[i] * (1.0 + shimmer) * x * 0.5;
        phase += kTwoPi * hz / rate;
        if (phase > kTwoPi) phase -= kTwoPi;
    }
}

// Renders the melody sung on vowels, mono, at `rate`, with a consonant or a breath between
// articulated notes; a single oscillator runs through the whole take.
std::vector<double> renderVoice(const Melody& m, int rate) {
    Rng rng(m.seed ^ 0x5EEDF00Dull);
    const size_t count = static_cast<size_t>(m.seconds * rate);
    const SingerTraits traits = drawTraits(rng);
    const NoteCurves curves = noteCurves(m, rate, vibratoTrack(traits.vibratoHz, count, rate, rng));

    std::vector<double> out(count, 0.0);
    addVoiced(vowelTrack(curves), traits, m.formantScale, rate, rng, out);

    // Breath: aspiration under the voiced part, in the band where the tract lets it through.
    {
        Biquad band = Biquad::make(Biquad::Kind::BandPass, 1800.0, 0.6, rate);
        for (size_t i = 0; i < count; ++i) {
            const double n = band(rng.gaussian());
            if (curves.weight[i] > 0.0) out[i] += traits.breathiness * curves.ampSum[i] / curves.weight[i] * n;
        }
    }

    // Consonants between articulated notes, and an in-breath in some rests.
    for (size_t n = 1; n < m.notes.size(); ++n) {
        const Note& note = m.notes[n];
        const Note& before = m.notes[n - 1];
        const double gap = note.onset - before.offset;
        if (note.entry == Entry::Legato) continue;
        double from, to, level;
        Biquad shape;
        bool burst = false;
        if (note.entry == Entry::AfterSilence) {
            if (gap < 0.35 || !rng.chance(0.5)) continue;
            to = note.onset - rng.range(0.05, 0.1);
            from = std::max(to - rng.range(0.2, 0.3), before.offset + 0.02);
            level = 0.03 * note.loudness;
            shape = Biquad::make(Biquad::Kind::BandPass, 1200.0, 0.5, rate);
        } else if (note.consonant == Consonant::Plosive) {
            // A closure, then a short burst and the voice onset some milliseconds later.
            to = note.onset - rng.range(0.005, 0.015);
            from = to - 0.012;
            level = 0.25 * note.loudness;
            shape = Biquad::make(Biquad::Kind::HighPass, 1500.0, 0.7, rate);
            burst = true;
        } else if (note.consonant == Consonant::Fricative) {
            from = before.offset + 0.005;
            to = note.onset - 0.003;
            level = 0.10 * note.loudness;
            shape = Biquad::make(Biquad::Kind::HighPass, 4000.0, 0.7, rate);
        } else {
            from = before.offset + 0.01;
            to = note.onset;
            level = 0.06 * note.loudness;
            shape = Biquad::make(Biquad::Kind::BandPass, 1500.0, 0.5, rate);
        }
        const size_t first = static_cast<size_t>(std::max(0.0, from) * rate);
        const size_t last = std::min(count, static_cast<size_t>(to * rate));
        for (size_t i = first; i < last; ++i) {
            const double x = static_cast<double>(i - first) / static_cast<double>(last - first);
            const double envelope = burst ? std::exp(-5.0 * x) : std::sin(std::numbers::pi * x);
            out[i] += level * envelope * shape(rng.gaussian());
        }
    }
    return out;
}

// ---- The synthetic singer with words ----------------------------------------------------

// How a syllable begins: the consonant before its vowel, by how it sounds.
enum class Onset { Vowel, Nasal, Liquid, VoicedFricative, Plosive, VoicedPlosive, Fricative };
// How a syllable ends after its vowel: "n" or "m", a stop like "t", or "s".
enum class Coda { None, Nasal, Stop, Sibilant };

// Filtered noise over a span: frication, a plosive's burst, aspiration, a breath.
struct NoiseSpan {
    enum class Envelope { Hump, Decay, Plateau };
    double from = 0.0, to = 0.0;  // seconds
    Biquad::Kind kind = Biquad::Kind::BandPass;
    double hz = 1500.0, q = 0.5;
    double level = 0.0;
    Envelope envelope = Envelope::Plateau;
};

// The colour of each noise a consonant makes: s, sh, f, h, and the bursts of p, t, k.
struct NoiseBand {
    Biquad::Kind kind;
    double hz, q;
};
constexpr NoiseBand kFrication[] = {{Biquad::Kind::HighPass, 5000, 0.7},
                                    {Biquad::Kind::BandPass, 2800, 1.0},
                                    {Biquad::Kind::HighPass, 1500, 0.7},
                                    {Biquad::Kind::BandPass, 1500, 0.5}};
constexpr NoiseBand kBurst[] = {{Biquad::Kind::BandPass, 800, 0.6},
                                {Biquad::Kind::HighPass, 3500, 0.7},
                                {Biquad::Kind::BandPass, 1800, 1.2}};
constexpr NoiseBand kAspiration = {Biquad::Kind::BandPass, 1500, 0.5};

struct Syllable {
    size_t note = 0;  // its first note; legato notes after it are sung on its vowel
    Onset onset = Onset::Vowel;
    int phone = 0;           // which consonant of its kind
    double length = 0.0;     // seconds from the consonant's start to the vowel
    double closure = 0.0;    // plosives: the closure, then the burst, then aspiration
    double burst = 0.0;
    double level = 0.0;      // a voiced consonant's level against the vowel's
    double noiseLevel = 0.0; // its noise's gain
    bool glide = false;      // the pitch moves from the note before through the consonant
    Coda coda = Coda::None;
    double codaLength = 0.0;
    double codaLevel = 0.0;
    bool codaReleased = false;  // a final stop with its burst
};

struct SungWords {
    Melody melody;  // each note's onset is its vowel's start, its offset the vowel's end
    std::vector<Syllable> syllables;
};

uint8_t onsetShape(const Syllable& s) {
    switch (s.onset) {
    case Onset::Nasal: return static_cast<uint8_t>(kShapeM + s.phone);          // m, n, ng
    case Onset::Liquid: return static_cast<uint8_t>(kShapeL + s.phone);         // l, r, w, j
    case Onset::VoicedFricative: return static_cast<uint8_t>(kShapeV + s.phone);  // v, z, zh
    default: return kShapeBar;
    }
}

// Draws the consonants of one syllable, their lengths from what singers make of them.
Syllable drawSyllable(size_t note, Rng& rng) {
    Syllable s;
    s.note = note;
    const double r = rng.uniform();
    if (r < 0.05) {
        s.onset = Onset::Vowel;
    } else if (r < 0.25) {
        s.onset = Onset::Nasal;
        s.phone = rng.integer(0, 2);
        s.length = rng.range(0.05, 0.15);
        s.level = std::pow(10.0, -rng.range(10.0, 20.0) / 20.0);
    } else if (r < 0.45) {
        s.onset = Onset::Liquid;
        s.phone = rng.integer(0, 3);
        s.length = rng.range(0.04, 0.12);
        s.level = std::pow(10.0, -rng.range(6.0, 12.0) / 20.0);
    } else if (r < 0.55) {
        s.onset = Onset::VoicedFricative;
        s.phone = rng.integer(0, 2);
        s.length = rng.range(0.05, 0.12);
        s.level = std::pow(10.0, -rng.range(12.0, 20.0) / 20.0);
        static constexpr double kNoise[] = {0.03, 0.08, 0.15};  // v is weak, zh strong
        s.noiseLevel = kNoise[s.phone] * rng.range(0.7, 1.3);
    } else if (r < 0.73) {
        s.onset = Onset::Plosive;
        s.phone = rng.integer(0, 2);
        s.closure = rng.range(0.03, 0.08);
        s.burst = rng.range(0.005, 0.03);
        s.length = s.closure + s.burst + rng.range(0.015, 0.05);  // then aspiration
        s.noiseLevel = rng.range(0.25, 0.45);
    } else if (r < 0.85) {
        s.onset = Onset::VoicedPlosive;
        s.phone = rng.integer(0, 2);
        s.closure = rng.range(0.03, 0.07);
        s.burst = rng.range(0.005, 0.015);
        s.length = s.closure + s.burst;
        s.level = std::pow(10.0, -rng.range(20.0, 28.0) / 20.0);
        s.noiseLevel = rng.range(0.15, 0.25);
    } else {
        s.onset = Onset::Fricative;
        s.phone = rng.integer(0, 3);
        s.length = rng.range(0.06, 0.18);
        static constexpr double kNoise[] = {0.15, 0.3, 0.05, 0.07};  // s, sh, f, h
        s.noiseLevel = kNoise[s.phone] * rng.range(0.7, 1.3);
    }
    s.glide = rng.chance(0.7);
    if (const double c = rng.uniform(); c < 0.15) {
        s.coda = Coda::Nasal;
        s.codaLength = rng.range(0.05, 0.12);
        s.codaLevel = std::pow(10.0, -rng.range(10.0, 18.0) / 20.0);
    } else if (c < 0.27) {
        s.coda = Coda::Stop;
        s.codaLength = rng.range(0.03, 0.06);
        s.codaReleased = rng.chance(0.5);
        if (s.codaReleased) s.codaLength += rng.range(0.01, 0.02);
    } else if (c < 0.4) {
        s.coda = Coda::Sibilant;
        s.codaLength = rng.range(0.08, 0.15);
        s.codaLevel = 0.15 * rng.range(0.7, 1.3);
    }
    return s;
}

bool voicedOnset(Onset o) {
    return o == Onset::Nasal || o == Onset::Liquid || o == Onset::VoicedFricative || o == Onset::VoicedPlosive;
}

// A melody sung as syllables: a consonant (or none) and a vowel, sometimes a final consonant.
// Legato notes are a melisma on the vowel before. Each note's onset is where its vowel starts,
// as a listener hears the note begin; the consonant comes before it, taking its time from the
// end of the note before (the vowel then ends earlier), as singers do.
SungWords makeSungWords(const std::string& name, uint64_t seed, int low, int high, bool female) {
    SungWords w;
    w.melody = makeMelody(name, seed, low, high, female);
    Melody& m = w.melody;
    Rng rng(seed ^ 0x5F11AB1Eull);
    for (size_t n = 0; n < m.notes.size(); ++n)
        if (m.notes[n].entry != Entry::Legato) w.syllables.push_back(drawSyllable(n, rng));

    constexpr double kShortestVowel = 0.1;
    for (size_t k = 1; k < w.syllables.size(); ++k) {
        Syllable& s = w.syllables[k];
        Note& note = m.notes[s.note];
        Syllable& before = w.syllables[k - 1];
        Note& last = m.notes[s.note - 1];
        const double room = note.entry == Entry::Articulated ? note.onset - last.onset - kShortestVowel
                                                              : note.onset - last.offset - 0.05;
        const double need = before.codaLength + s.length;
        if (need > room) {
            const double scale = std::max(0.0, room) / need;
            before.codaLength *= scale;
            if (before.codaLength < 0.03) before.coda = Coda::None, before.codaLength = 0.0;
            if (s.length * scale < 0.03 || s.onset == Onset::Vowel) {
                s.onset = Onset::Vowel;
                s.length = 0.0;
            } else {
                if (s.onset == Onset::Plosive || s.onset == Onset::VoicedPlosive) {
                    const double aspiration = s.length - s.closure - s.burst;
                    s.closure *= scale;
                    s.burst *= scale;
                    s.length = s.closure + s.burst + aspiration * scale;
                } else {
                    s.length *= scale;
                }
            }
        }
        if (note.entry == Entry::Articulated)
            last.offset = note.onset - before.codaLength - s.length;
    }
    // A glide cannot reach further than half into either note it joins, even a shortened one.
    for (size_t n = 1; n < m.notes.size(); ++n) {
        Note& note = m.notes[n];
        if (note.entry != Entry::Legato) continue;
        note.glide = std::min({note.glide, note.offset - note.onset, m.notes[n - 1].offset - m.notes[n - 1].onset});
    }

    // The vowel's edges: quick after a consonant, and crossing into a voiced neighbour.
    for (size_t k = 0; k < w.syllables.size(); ++k) {
        Syllable& s = w.syllables[k];
        Note& note = m.notes[s.note];
        const bool follows = note.entry == Entry::Articulated;
        if (s.onset == Onset::Liquid) note.attack = rng.range(0.025, 0.045);
        else if (voicedOnset(s.onset)) note.attack = rng.range(0.015, 0.03);
        else if (s.onset != Onset::Vowel) note.attack = rng.range(0.01, 0.025);
        // A pitch glide through a voiced consonant replaces the scoop; sometimes it arrives
        // late, still rising or falling as the vowel begins.
        s.glide = s.glide && follows && voicedOnset(s.onset) && s.onset != Onset::VoicedPlosive &&
                  (k == 0 || w.syllables[k - 1].coda == Coda::None || w.syllables[k - 1].coda == Coda::Nasal);
        if (s.glide) {
            const Note& last = m.notes[s.note - 1];
            const double interval = (note.midi + note.tuning) - (last.midi + last.tuning + last.drift);
            note.scoop = 0.0;
            if (rng.chance(0.3) && std::abs(interval) > 0.5) {
                note.scoop = rng.range(0.02, 0.05);
                note.scoopDepth = interval * rng.range(0.15, 0.35);
            }
        }
        const size_t lastNote = k + 1 < w.syllables.size() ? w.syllables[k + 1].note - 1 : m.notes.size() - 1;
        Note& end = m.notes[lastNote];
        const bool voicedNext = s.coda == Coda::Nasal ||
                                (s.coda == Coda::None && k + 1 < w.syllables.size() &&
                                 m.notes[w.syllables[k + 1].note].entry == Entry::Articulated &&
                                 voicedOnset(w.syllables[k + 1].onset));
        if (voicedNext) end.release = rng.range(0.015, 0.03);
        else if (s.coda != Coda::None || (k + 1 < w.syllables.size() &&
                                          m.notes[w.syllables[k + 1].note].entry == Entry::Articulated))
            end.release = rng.range(0.01, 0.025);
    }
    return w;
}

// A voiced consonant's share of the voice track between `from` and `to` seconds: its level
// and pitch (moving from `pitchFrom` to `pitchTo`) where no vowel sounds, and its level on top
// of the vowel where the two cross-fade, over `fadeIn` before `from` and `fadeOut` after `to`
// (the vowel's own release and attack). `tractAt` gives the tract at a time.
template <typename Tract>
void addVoicedSpan(VoiceTrack& v, const std::vector<uint8_t>& vowel, int rate, double from, double to,
                   double fadeIn, double fadeOut, double level, double pitchFrom, double pitchTo, Tract tractAt) {
    const size_t count = v.voiced.size();
    const double rampIn = fadeIn > 0.0 ? fadeIn : std::min(0.015, 0.3 * (to - from));
    const double start = fadeIn > 0.0 ? from - fadeIn : from;
    const size_t first = static_cast<size_t>(std::max(0.0, start) * rate);
    const size_t last = std::min(count, static_cast<size_t>((to + fadeOut) * rate));
    for (size_t i = first; i < last; ++i) {
        const double t = static_cast<double>(i) / rate;
        double gain = std::clamp((t - start) / rampIn, 0.0, 1.0);
        if (fadeOut > 0.0) gain = std::min(gain, std::clamp((to + fadeOut - t) / fadeOut, 0.0, 1.0));
        else gain = std::min(gain, std::clamp((to - t) / 0.01, 0.0, 1.0));
        const double a = level * gain;
        if (a <= 0.0) continue;
        v.amp[i] += a;
        if (!vowel[i]) {
            v.voiced[i] = 1;
            v.pitch[i] = pitchFrom + (pitchTo - pitchFrom) * smoothstep((t - from) / std::max(1e-3, to - from));
        }
        v.tract[i] = tractAt(t);
    }
}

TractAt blendTract(uint8_t from, uint8_t to, double mix) {
    return {from, to, static_cast<float>(std::clamp(mix, 0.0, 1.0))};
}

void addNoiseSpan(std::vector<double>& out, const NoiseSpan& span, int rate, Rng& rng) {
    const size_t first = static_cast<size_t>(std::max(0.0, span.from) * rate);
    const size_t last = std::min(out.size(), static_cast<size_t>(span.to * rate));
    if (last <= first) return;
    Biquad shape = Biquad::make(span.kind, span.hz, span.q, rate);
    const double length = span.to - span.from;
    for (size_t i = first; i < last; ++i) {
        const double t = static_cast<double>(i) / rate - span.from;
        double envelope;
        switch (span.envelope) {
        case NoiseSpan::Envelope::Hump: envelope = std::sin(std::numbers::pi * t / length); break;
        case NoiseSpan::Envelope::Decay: envelope = std::min(1.0, t / 0.001) * std::exp(-5.0 * t / length); break;
        default: {
            const double ramp = std::min(0.01, 0.25 * length);
            envelope = std::min({1.0, t / ramp, (length - t) / ramp});
        }
        }
        out[i] += span.level * envelope * shape(rng.gaussian());
    }
}

// Renders sung words, mono, at `rate`: the vowels as the plain singer sings them, the voiced
// consonants through the same oscillator with their own tract and level, the rest as noise.
std::vector<double> renderSungWords(const SungWords& w, int rate) {
    const Melody& m = w.melody;
    Rng rng(m.seed ^ 0x5EEDF00Dull);
    const size_t count = static_cast<size_t>(m.seconds * rate);
    const SingerTraits traits = drawTraits(rng);
    const NoteCurves curves = noteCurves(m, rate, vibratoTrack(traits.vibratoHz, count, rate, rng));
    VoiceTrack v = vowelTrack(curves);
    const std::vector<uint8_t> vowel = v.voiced;
    std::vector<NoiseSpan> noise;

    const auto endPitch = [](const Note& n) { return n.midi + n.tuning + n.drift; };
    for (size_t k = 0; k < w.syllables.size(); ++k) {
        const Syllable& s = w.syllables[k];
        const Note& note = m.notes[s.note];
        const uint8_t vowelShape = static_cast<uint8_t>(note.vowel);
        const double onset = note.onset, start = onset - s.length;
        const Note* before = s.note > 0 ? &m.notes[s.note - 1] : nullptr;
        const Syllable* previous = k > 0 ? &w.syllables[k - 1] : nullptr;
        // Voicing runs on from the vowel before when nothing unvoiced comes between.
        const bool joined = before && note.entry == Entry::Articulated &&
                            (previous->coda == Coda::None || previous->coda == Coda::Nasal);
        const double target = note.midi + note.tuning - (note.scoop > 0.0 ? note.scoopDepth : 0.0);
        const double pitchFrom = s.glide ? endPitch(*before) : target - (note.entry == Entry::Articulated ? 0.0 : 0.5);
        const double fadeIn = joined && previous->coda == Coda::None ? before->release : 0.0;

        switch (s.onset) {
        case Onset::Nasal:
        case Onset::Liquid:
        case Onset::VoicedFricative: {
            const uint8_t shape = onsetShape(s);
            const uint8_t behind = before ? static_cast<uint8_t>(before->vowel) : vowelShape;
            // A liquid's resonances move into the vowel's over most of its length; a nasal's
            // and a fricative's change at the release.
            const double moveFrom = s.onset == Onset::Liquid ? start + 0.3 * s.length : onset - 0.01;
            const double moveTo = onset + (s.onset == Onset::Liquid ? 0.03 : 0.025);
            addVoicedSpan(v, vowel, rate, start, onset, fadeIn, note.attack, s.level * note.loudness, pitchFrom, target,
                          [&](double t) {
                              if (t < start) return blendTract(behind, shape, (t - (start - fadeIn)) / fadeIn);
                              return blendTract(shape, vowelShape, smoothstep((t - moveFrom) / (moveTo - moveFrom)));
                          });
            if (s.onset == Onset::VoicedFricative) {
                static constexpr NoiseBand kVoicedFrication[] = {{Biquad::Kind::HighPass, 1500, 0.7},
                                                                 {Biquad::Kind::HighPass, 5000, 0.7},
                                                                 {Biquad::Kind::BandPass, 2800, 1.0}};
                const NoiseBand& b = kVoicedFrication[s.phone];
                noise.push_back({start, onset, b.kind, b.hz, b.q, s.noiseLevel * note.loudness,
                                 NoiseSpan::Envelope::Plateau});
            }
            break;
        }
        case Onset::VoicedPlosive: {
            // The voice bar through the closure, then the burst straight into the vowel.
            const double closed = start + s.closure;
            addVoicedSpan(v, vowel, rate, start, closed, fadeIn, 0.0, s.level * note.loudness,
                          joined ? endPitch(*before) : target, target,
                          [&](double) { return blendTract(kShapeBar, kShapeBar, 0.0); });
            const NoiseBand& b = kBurst[s.phone];
            noise.push_back({closed, onset + 0.003, b.kind, b.hz, b.q, s.noiseLevel * note.loudness,
                             NoiseSpan::Envelope::Decay});
            break;
        }
        case Onset::Plosive: {
            const double burstFrom = start + s.closure, burstTo = burstFrom + s.burst;
            const NoiseBand& b = kBurst[s.phone];
            noise.push_back({burstFrom, burstTo, b.kind, b.hz, b.q, s.noiseLevel * note.loudness,
                             NoiseSpan::Envelope::Decay});
            noise.push_back({burstTo, onset + 0.005, kAspiration.kind, kAspiration.hz, kAspiration.q,
                             rng.range(0.05, 0.08) * note.loudness, NoiseSpan::Envelope::Plateau});
            break;
        }
        case Onset::Fricative: {
            const NoiseBand& b = kFrication[s.phone];
            noise.push_back({start, onset + 0.005, b.kind, b.hz, b.q, s.noiseLevel * note.loudness,
                             NoiseSpan::Envelope::Plateau});
            break;
        }
        case Onset::Vowel: break;
        }

        // The final consonant after the syllable's last note, and a breath in a long rest.
        const size_t lastNote = k + 1 < w.syllables.size() ? w.syllables[k + 1].note - 1 : m.notes.size() - 1;
        const Note& end = m.notes[lastNote];
        const double codaEnd = end.offset + s.codaLength;
        switch (s.coda) {
        case Coda::Nasal: {
            const uint8_t shape = rng.chance(0.5) ? kShapeN : kShapeM;
            const uint8_t from = static_cast<uint8_t>(end.vowel);
            const double pitch = endPitch(end);
            addVoicedSpan(v, vowel, rate, end.offset, codaEnd, end.release, 0.0, s.codaLevel * end.loudness, pitch,
                          pitch - 0.1, [&](double t) {
                              return blendTract(from, shape, smoothstep((t - (end.offset - end.release)) /
                                                                        (end.release + 0.02)));
                          });
            break;
        }
        case Coda::Stop:
            if (s.codaReleased)
                noise.push_back({codaEnd - 0.015, codaEnd, kBurst[1].kind, kBurst[1].hz, kBurst[1].q,
                                 0.2 * end.loudness, NoiseSpan::Envelope::Decay});
            break;
        case Coda::Sibilant:
            noise.push_back({end.offset, codaEnd, kFrication[0].kind, kFrication[0].hz, kFrication[0].q,
                             s.codaLevel * end.loudness, NoiseSpan::Envelope::Hump});
            break;
        case Coda::None: break;
        }
        if (k + 1 < w.syllables.size()) {
            const Syllable& next = w.syllables[k + 1];
            const Note& nextNote = m.notes[next.note];
            const double restFrom = codaEnd + 0.05, restTo = nextNote.onset - next.length - rng.range(0.05, 0.1);
            if (nextNote.entry == Entry::AfterSilence && restTo - restFrom > 0.3 && rng.chance(0.6))
                noise.push_back({std::max(restFrom, restTo - rng.range(0.2, 0.3)), restTo, Biquad::Kind::BandPass,
                                 1200.0, 0.5, 0.03 * nextNote.loudness, NoiseSpan::Envelope::Hump});
        }
    }

    std::vector<double> out(count, 0.0);
    addVoiced(v, traits, m.formantScale, rate, rng, out);
    Biquad band = Biquad::make(Biquad::Kind::BandPass, 1800.0, 0.6, rate);
    for (size_t i = 0; i < count; ++i) {
        const double n = band(rng.gaussian());
        if (v.voiced[i]) out[i] += traits.breathiness * v.amp[i] * n;
    }
    for (const NoiseSpan& span : noise) addNoiseSpan(out, span, rate, rng);
    return out;
}

// ---- Real speech sung by festival -------------------------------------------------------

// Words for festival to sing, as its lexicon syllabifies them. The one-syllable words begin
// with nasals, liquids and glides, voiced and voiceless fricatives and plosives, "h" and bare
// vowels; the two-syllable words sing two notes.
const char* const kOneSyllable[] = {
    "moon", "night", "near", "me",   "more", "man",  "name", "now",   "light", "love", "low",  "rain",
    "road", "ray",   "way",  "well", "wind", "you",  "yes",  "year",  "van",   "vine", "view", "zoo",
    "zone", "then",  "there", "bay", "blue", "bright", "day", "dawn", "deep",  "go",   "gold", "green",
    "pay",  "pine",  "peace", "time", "town", "tall", "key", "cold",  "cry",   "sun",  "see",  "sky",
    "shine", "show", "shore", "far", "fly",  "free", "home", "high",  "hope",  "all",  "eye",  "old",
};
// Festival shrinks every phone of a syllable alike when the note is shorter than their usual
// lengths, which would leave a word like "bright" a vowel of a few milliseconds; singers keep
// the vowel. Short notes get a word of one consonant and a vowel.
const char* const kShortSyllable[] = {"me", "now", "low", "ray", "way", "you", "zoo", "bay",
                                      "day", "go", "pay", "key", "see", "show", "high", "eye"};
const char* const kTwoSyllables[] = {
    "river", "morning", "silver", "yellow", "mother", "over",  "window", "golden", "water",
    "ribbon", "money",  "lady",   "summer", "winter", "shadow", "velvet", "honey", "gather",
};

// A melody sung by festival, its notes where festival put them.
struct FestivalMelody {
    Melody melody;
    std::vector<double> samples;  // festival's take, without the lead-in silence
    double rate = 0.0;            // the take's rate: festival's, times the formant shift
    double leadIn = 0.0;          // seconds of silence before it
};

// The melody's syllables as festival sings them: each note not legato starts a syllable (a
// word, or the second of a word of two), legato notes are a melisma on it. Lengths run from a
// note's onset to the next one's, so the consonants fill the gaps; a rest follows a word
// before a note after silence. `shift` semitones of formant shift: festival sings that much
// lower and slower, and the take is played back faster by as much, which moves its
// resonances up as a woman's sit above a man's.
std::optional<FestivalMelody> makeFestivalMelody(const std::string& name, uint64_t seed, int low, int high,
                                                 const std::string& voice, double shift) {
    const Melody score = makeMelody(name, seed, low, high, shift > 0.0);
    const std::vector<Note>& notes = score.notes;
    std::vector<std::vector<size_t>> syllables;
    for (size_t n = 0; n < notes.size(); ++n) {
        if (notes[n].entry != Entry::Legato || syllables.empty()) syllables.emplace_back();
        syllables.back().push_back(n);
    }
    const double speed = std::pow(2.0, shift / 12.0);
    Rng rng(seed ^ 0xFE571AAull);
    std::vector<notecorpus::FestivalWord> words;
    // A syllable's seconds before festival's stretch: from its first onset to the next syllable.
    const auto span = [&](size_t k) {
        const Note& last = notes[syllables[k].back()];
        const bool rest = syllables[k].back() + 1 >= notes.size() ||
                          notes[syllables[k].back() + 1].entry == Entry::AfterSilence;
        return (rest ? last.offset : notes[syllables[k].back() + 1].onset) - notes[syllables[k].front()].onset;
    };
    constexpr double kShortNote = 0.3;
    for (size_t k = 0; k < syllables.size();) {
        const bool pair = k + 1 < syllables.size() && notes[syllables[k + 1][0]].entry == Entry::Articulated &&
                          span(k) >= kShortNote && span(k + 1) >= kShortNote && rng.chance(0.3);
        const auto pick = [&](const auto& list) { return list[rng.integer(0, static_cast<int>(std::size(list)) - 1)]; };
        notecorpus::FestivalWord word;
        word.text = pair ? pick(kTwoSyllables) : span(k) < kShortNote ? pick(kShortSyllable) : pick(kOneSyllable);
        for (size_t j = 0; j < (pair ? 2u : 1u); ++j, ++k) {
            notecorpus::FestivalSyllable syllable;
            for (size_t n : syllables[k]) {
                const Note& note = notes[n];
                const bool rest = n + 1 < notes.size() && notes[n + 1].entry == Entry::AfterSilence;
                const double until = n + 1 < notes.size() && !rest ? notes[n + 1].onset : note.offset;
                syllable.hz.push_back(midiToHz(note.midi + note.tuning - shift));
                syllable.seconds.push_back((until - note.onset) * speed);
                if (rest) word.restAfter = (notes[n + 1].onset - note.offset) * speed;
            }
            word.syllables.push_back(std::move(syllable));
        }
        words.push_back(std::move(word));
    }

    std::string error;
    std::optional<notecorpus::FestivalTake> take = notecorpus::singWithFestival(words, voice, error);
    if (!take) {
        std::fprintf(stderr, "make_note_corpus: %s: %s\n", name.c_str(), error.c_str());
        return std::nullopt;
    }
    FestivalMelody f;
    f.melody = score;
    f.leadIn = notes.front().onset;
    f.rate = take->rate * speed;
    const auto at = [&](double festivalSeconds) { return f.leadIn + festivalSeconds / speed; };
    std::vector<const notecorpus::FestivalSyllable*> sung;
    for (const notecorpus::FestivalWord& w : words)
        for (const notecorpus::FestivalSyllable& syllable : w.syllables) sung.push_back(&syllable);
    for (size_t index = 0; index < syllables.size(); ++index) {
        const std::vector<size_t>& syllable = syllables[index];
        const notecorpus::SyllableTiming& t = take->syllables[index];
        const std::vector<double> later = notecorpus::melismaOnsets(t, sung[index]->seconds);
        for (size_t j = 0; j < syllable.size(); ++j) {
            Note& note = f.melody.notes[syllable[j]];
            note.onset = at(j == 0 ? t.vowelStart : later[j - 1]);
            note.offset = at(j + 1 < syllable.size() ? later[j] : t.vowelEnd);
            if (note.offset - note.onset < 0.04) {
                std::fprintf(stderr, "make_note_corpus: %s: festival left note %zu only %.0f ms of its vowel\n",
                             name.c_str(), syllable[j], 1000.0 * (note.offset - note.onset));
                return std::nullopt;
            }
        }
    }
    const double tail = score.seconds - notes.back().offset;
    f.melody.seconds = at(static_cast<double>(take->samples.size()) / take->rate) + tail;
    f.samples = std::move(take->samples);
    return f;
}

// From `from` Hz to `to` Hz through libsoxr, as the program's own reader resamples.
std::vector<double> resample(const std::vector<double>& x, double from, int to) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    std::vector<double> out(static_cast<size_t>(std::ceil(static_cast<double>(x.size()) * to / from)) + 16);
    size_t done = 0;
    const soxr_error_t e = soxr_oneshot(from, to, 1, x.data(), x.size(), nullptr, out.data(), out.size(), &done, &io,
                                        &quality, nullptr);
    if (e) std::fprintf(stderr, "make_note_corpus: resampling failed: %s\n", e);
    out.resize(e ? 0 : done);
    return out;
}

// ---- General MIDI through FluidSynth ----------------------------------------------------

std::optional<std::string> soundFont() {
    for (const char* path : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
        if (std::filesystem::exists(path)) return path;
    return std::nullopt;
}

// A fresh synthesizer for every render: one reused across renders carries state from the
// last (a reset leaves some behind), and the quick corpus must hold the very files of the
// full one.
class GmRenderer {
public:
    explicit GmRenderer(std::string font) : font_(std::move(font)) {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    }

    // Mono, at `rate`. A legato note's note-on comes at the previous one's note-off.
    std::optional<std::vector<double>> render(const Melody& m, int program, int rate) const {
        fluid_settings_t* settings = new_fluid_settings();
        fluid_settings_setnum(settings, "synth.sample-rate", rate);
        fluid_settings_setnum(settings, "synth.gain", 0.5);
        // The room comes from our own reverb condition; the font's effects would blur the
        // clean files.
        fluid_settings_setint(settings, "synth.reverb.active", 0);
        fluid_settings_setint(settings, "synth.chorus.active", 0);
        fluid_synth_t* synth = new_fluid_synth(settings);
        if (!synth || fluid_synth_sfload(synth, font_.c_str(), 1) == FLUID_FAILED) {
            if (synth) delete_fluid_synth(synth);
            delete_fluid_settings(settings);
            std::fprintf(stderr, "make_note_corpus: cannot load the sound font %s\n", font_.c_str());
            return std::nullopt;
        }
        fluid_synth_program_change(synth, 0, program);
        struct Event {
            size_t sample;
            bool on;
            int key, velocity;
        };
        std::vector<Event> events;
        for (const Note& note : m.notes) {
            events.push_back({static_cast<size_t>(std::lround(note.onset * rate)), true, note.midi, note.velocity});
            events.push_back({static_cast<size_t>(std::lround(note.offset * rate)), false, note.midi, 0});
        }
        // At one instant the note-off goes first, or a repeated key would be cut at once.
        std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
            return a.sample < b.sample || (a.sample == b.sample && !a.on && b.on);
        });
        const size_t count = static_cast<size_t>(m.seconds * rate);
        std::vector<float> left(count), right(count);
        size_t cursor = 0;
        const auto runTo = [&](size_t end) {
            end = std::min(end, count);
            if (end > cursor)
                fluid_synth_write_float(synth, static_cast<int>(end - cursor), left.data() + cursor, 0, 1,
                                        right.data() + cursor, 0, 1);
            cursor = std::max(cursor, end);
        };
        for (const Event& e : events) {
            runTo(e.sample);
            if (e.on)
                fluid_synth_noteon(synth, 0, e.key, e.velocity);
            else
                fluid_synth_noteoff(synth, 0, e.key);
        }
        runTo(count);
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        std::vector<double> mono(count);
        for (size_t i = 0; i < count; ++i) mono[i] = 0.5 * (static_cast<double>(left[i]) + right[i]);
        return mono;
    }

private:
    std::string font_;
};

// ---- Conditions -------------------------------------------------------------------------

// The signal's power over the reference notes: the SNR is taken over the part that sounds,
// not diluted by the rests.
double activePower(const std::vector<double>& x, const Melody& m, int rate) {
    double sum = 0.0;
    size_t samples = 0;
    for (const Note& note : m.notes) {
        const size_t first = static_cast<size_t>(note.onset * rate);
        const size_t last = std::min(x.size(), static_cast<size_t>(note.offset * rate));
        for (size_t i = first; i < last; ++i) sum += x[i] * x[i];
        samples += last > first ? last - first : 0;
    }
    return samples ? sum / static_cast<double>(samples) : 0.0;
}

enum class NoiseColour { White, Pink };

// Adds noise of the given colour at `snrDb` below the active signal power.
void addNoise(std::vector<double>& x, const Melody& m, int rate, NoiseColour colour, double snrDb, uint64_t seed) {
    std::vector<double> noise(x.size());
    if (colour == NoiseColour::White) {
        Rng rng(seed);
        for (double& v : noise) v = rng.gaussian();
    } else {
        PinkNoise pink(seed);
        for (int i = 0; i < 4096; ++i) pink.next();  // past the filters' start
        for (double& v : noise) v = pink.next();
    }
    double noisePower = 0.0;
    for (double v : noise) noisePower += v * v;
    noisePower /= static_cast<double>(noise.size());
    const double gain = std::sqrt(activePower(x, m, rate) / std::pow(10.0, snrDb / 10.0) / noisePower);
    for (size_t i = 0; i < x.size(); ++i) x[i] += gain * noise[i];
}

// In-place iterative radix-2 FFT; `inverse` leaves the 1/N scaling to the caller.
void fft(std::vector<std::complex<double>>& a, bool inverse) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = (inverse ? kTwoPi : -kTwoPi) / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w(1.0);
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

// A room: the dry signal plus its convolution with exponentially decaying noise (the level
// falls 60 dB in `rt60` seconds), the tail carrying about 70% of the dry energy.
std::vector<double> reverberate(const std::vector<double>& x, int rate, double rt60, uint64_t seed) {
    Rng rng(seed);
    const size_t taps = static_cast<size_t>(1.2 * rt60 * rate);
    const size_t preDelay = static_cast<size_t>(0.008 * rate);
    std::vector<double> ir(taps, 0.0);
    double energy = 0.0;
    Biquad soften = Biquad::make(Biquad::Kind::LowPass, 6000.0, 0.7, rate);  // walls absorb the top
    for (size_t i = preDelay; i < taps; ++i) {
        const double t = static_cast<double>(i - preDelay) / rate;
        ir[i] = soften(rng.gaussian()) * std::exp(-6.9078 * t / rt60);
        energy += ir[i] * ir[i];
    }
    for (double& v : ir) v /= std::sqrt(energy);

    size_t size = 1;
    while (size < x.size() + taps) size <<= 1;
    std::vector<std::complex<double>> a(size), b(size);
    for (size_t i = 0; i < x.size(); ++i) a[i] = x[i];
    for (size_t i = 0; i < taps; ++i) b[i] = ir[i];
    fft(a, false);
    fft(b, false);
    for (size_t i = 0; i < size; ++i) a[i] *= b[i];
    fft(a, true);
    const double wet = std::sqrt(0.7) / static_cast<double>(size);
    std::vector<double> out(x.size());
    for (size_t i = 0; i < x.size(); ++i) out[i] = x[i] + wet * a[i].real();
    return out;
}

// ---- Writing ----------------------------------------------------------------------------

bool writeWav(const std::filesystem::path& path, const std::vector<double>& mono, int rate, int channels) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        std::fprintf(stderr, "make_note_corpus: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    // A second microphone a little further off: the same sound, somewhat quieter.
    std::vector<float> frames(mono.size() * static_cast<size_t>(channels));
    for (size_t i = 0; i < mono.size(); ++i)
        for (int c = 0; c < channels; ++c)
            frames[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] =
                static_cast<float>(mono[i] * (c == 0 ? 1.0 : 0.85));
    const sf_count_t written = sf_writef_float(f, frames.data(), static_cast<sf_count_t>(mono.size()));
    sf_close(f);
    return written == static_cast<sf_count_t>(mono.size());
}

bool writeReference(const std::filesystem::path& path, const Melody& m) {
    std::ofstream out(path);
    char line[96];
    for (const Note& note : m.notes) {
        std::snprintf(line, sizeof line, "%.4f,%.4f,%d\n", note.onset, note.offset, note.midi);
        out << line;
    }
    return static_cast<bool>(out);
}

// ---- The corpus -------------------------------------------------------------------------

enum class Singer { Vowels, Words, Festival, GeneralMidi };

struct Source {
    std::string name;     // file-name stem
    std::string group;    // the scorer's row: the family
    Singer singer = Singer::Vowels;
    int program = -1;     // General MIDI program
    int low = 0, high = 0;  // the melody's range in MIDI notes
    bool female = false;
    double formantScale = 0.0;  // the synthetic singer's resonances, 0 for a man's or woman's
    std::string voice;          // festival's voice
    double shift = 0.0;         // festival's formant shift in semitones
};

struct Condition {
    std::string name;
    enum class Kind { Clean, Noise, Reverb } kind;
    NoiseColour colour = NoiseColour::White;
    double snrDb = 0.0;
};

const std::vector<Condition> kConditions = {
    {"clean", Condition::Kind::Clean},
    {"white20", Condition::Kind::Noise, NoiseColour::White, 20.0},
    {"white10", Condition::Kind::Noise, NoiseColour::White, 10.0},
    {"pink20", Condition::Kind::Noise, NoiseColour::Pink, 20.0},
    {"pink10", Condition::Kind::Noise, NoiseColour::Pink, 10.0},
    {"reverb", Condition::Kind::Reverb},
};

// The base melodies: eight sung by the synthetic voice, four men's and four women's ranges,
// and two for each General MIDI program, one lower and one higher where the instrument allows.
// After them, so that those files stay as they were: the synthetic singer with words, festival
// singing words, a bass voice, and low General MIDI instruments.
std::vector<Source> sources() {
    constexpr int kMaleLow = 45, kMaleHigh = 67, kFemaleLow = 57, kFemaleHigh = 79;
    std::vector<Source> s;
    const auto sung = [&](std::string name, std::string group, Singer singer, int low, int high, bool female) {
        Source x;
        x.name = std::move(name);
        x.group = std::move(group);
        x.singer = singer;
        x.low = low;
        x.high = high;
        x.female = female;
        s.push_back(x);
        return &s.back();
    };
    for (int i = 0; i < 8; ++i) {
        const bool female = i % 2 == 1;
        sung("voice" + std::to_string(i + 1), "synthetic voice", Singer::Vowels, female ? kFemaleLow : kMaleLow,
             female ? kFemaleHigh : kMaleHigh, female);
    }
    struct Program {
        const char* name;
        int program;
        const char* group;
        bool lowRange;  // whether the instrument can take a man's range
    };
    static constexpr Program kPrograms[] = {
        {"choir", 52, "GM voices", true},    {"oohs", 53, "GM voices", true},
        {"synthvoice", 54, "GM voices", true}, {"flute", 73, "GM winds/strings", false},
        {"clarinet", 71, "GM winds/strings", true}, {"oboe", 68, "GM winds/strings", false},
        {"violin", 40, "GM winds/strings", false}, {"altosax", 65, "GM winds/strings", true},
    };
    for (const Program& p : kPrograms)
        for (int i = 0; i < 2; ++i) {
            const bool female = i == 1 || !p.lowRange;
            sung(std::string(p.name) + std::to_string(i + 1), p.group, Singer::GeneralMidi,
                 female ? kFemaleLow : kMaleLow, female ? kFemaleHigh : kMaleHigh, female)
                ->program = p.program;
        }

    for (int i = 0; i < 8; ++i) {
        const bool female = i % 2 == 1;
        sung("words" + std::to_string(i + 1), "sung words", Singer::Words, female ? kFemaleLow : kMaleLow,
             female ? kFemaleHigh : kMaleHigh, female);
    }
    // festival renders its diphones faithfully up to about MIDI 67; the women's voices are its
    // men's with resonances 19% higher (three semitones of shift).
    for (int i = 0; i < 8; ++i) {
        const bool female = i % 2 == 1;
        Source* x = sung("festival" + std::to_string(i + 1), "festival words", Singer::Festival, female ? 57 : 43,
                         female ? 69 : 64, female);
        x->voice = i < 4 ? "kal_diphone" : "ked_diphone";
        x->shift = female ? 3.0 : 0.0;
    }
    // A bass, two down to A1 and two to E1, with resonances 10% under a baritone's.
    for (int i = 0; i < 4; ++i)
        sung("bass" + std::to_string(i + 1), "bass voice", Singer::Vowels, i < 2 ? 33 : 28, i < 2 ? 52 : 48, false)
            ->formantScale = 0.9;
    // The sound font's acoustic bass (32) carries partials at 0.53 and 0.8 of the fundamental
    // below MIDI 42, which no instrument has; the picked electric bass stands in for it.
    struct LowProgram {
        const char* name;
        int program;
        int low1, high1, low2, high2;  // the lower and the higher melody's range
    };
    static constexpr LowProgram kLow[] = {
        {"contrabass", 43, 28, 46, 36, 55}, {"cello", 42, 36, 52, 40, 55},   {"tuba", 58, 28, 45, 34, 52},
        {"bassoon", 70, 34, 50, 39, 55},    {"pickbass", 34, 28, 45, 33, 52}, {"fingerbass", 33, 28, 45, 33, 52},
    };
    for (const LowProgram& p : kLow)
        for (int i = 0; i < 2; ++i)
            sung(std::string(p.name) + std::to_string(i + 1), "GM low", Singer::GeneralMidi, i ? p.low2 : p.low1,
                 i ? p.high2 : p.high1, false)
                ->program = p.program;
    return s;
}

// The quick subset: four sung melodies, one each of choir, oohs, flute and violin, two with
// words by the synthetic singer, one by festival, one bass voice and two low instruments, each
// clean, at 10 dB SNR (white or pink by turns) and in the room.
bool inQuick(const std::string& source, const std::string& condition) {
    static const std::vector<std::string> kQuick = {"voice1", "voice2", "voice3",    "voice4",     "choir1",
                                                    "oohs2",  "flute1", "violin2",   "words1",     "words2",
                                                    "festival1", "bass3", "contrabass1", "tuba2"};
    const auto it = std::find(kQuick.begin(), kQuick.end(), source);
    if (it == kQuick.end()) return false;
    const bool white = (it - kQuick.begin()) % 2 == 0;
    return condition == "clean" || condition == "reverb" || condition == (white ? "white10" : "pink10");
}

// Most files are 44,100 Hz mono; a deterministic few in every group are at another rate or
// in stereo, so the readers' resampling and mixing are part of what is measured.
std::pair<int, int> formatFor(size_t source, size_t condition) {
    switch ((3 * source + condition) % 8) {
    case 0: return {22050, 1};
    case 3: return {48000, 1};
    case 5: return {44100, 2};
    case 6: return {48000, 2};
    default: return {44100, 1};
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<std::filesystem::path> outDir;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick") {
            quick = true;
        } else if (a == "-h" || a == "--help") {
            std::printf("usage: make_note_corpus OUTDIR [--quick]\n");
            return 0;
        } else if (!a.empty() && a[0] != '-' && !outDir) {
            outDir = a;
        } else {
            std::fprintf(stderr, "usage: make_note_corpus OUTDIR [--quick]\n");
            return 2;
        }
    }
    if (!outDir) {
        std::fprintf(stderr, "usage: make_note_corpus OUTDIR [--quick]\n");
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    std::error_code ec;
    std::filesystem::create_directories(*outDir, ec);
    if (ec) {
        std::fprintf(stderr, "make_note_corpus: cannot create %s: %s\n", outDir->c_str(), ec.message().c_str());
        return 1;
    }
    const std::optional<std::string> font = soundFont();
    if (!font) {
        std::fprintf(stderr,
                     "make_note_corpus: no General MIDI sound font (TimGM6mb.sf2 or FluidR3_GM.sf2 in "
                     "/usr/share/sounds/sf2)\n");
        return 1;
    }
    const GmRenderer gm(*font);

    std::ofstream index(*outDir / "corpus.csv");
    index << "name,source,condition,rate,channels,group,program,seconds,notes\n";
    const std::vector<Source> all = sources();
    size_t files = 0;
    double audioSeconds = 0.0;
    for (size_t s = 0; s < all.size(); ++s) {
        const Source& source = all[s];
        const bool wanted = std::any_of(kConditions.begin(), kConditions.end(),
                                        [&](const Condition& c) { return !quick || inQuick(source.name, c.name); });
        if (!wanted) continue;
        const uint64_t melodySeed = 1000 + 17 * s;
        Melody melody;
        std::optional<SungWords> words;
        std::optional<FestivalMelody> festival;
        std::string kind;  // the index's source column
        switch (source.singer) {
        case Singer::Words:
            words = makeSungWords(source.name, melodySeed, source.low, source.high, source.female);
            melody = words->melody;
            kind = "words";
            break;
        case Singer::Festival:
            festival = makeFestivalMelody(source.name, melodySeed, source.low, source.high, source.voice, source.shift);
            if (!festival) return 1;
            melody = festival->melody;
            kind = "festival-" + source.voice.substr(0, source.voice.find('_'));
            break;
        case Singer::Vowels:
            melody = makeMelody(source.name, melodySeed, source.low, source.high, source.female);
            if (source.formantScale > 0.0) melody.formantScale = source.formantScale;
            kind = source.formantScale > 0.0 ? "bass" : "voice";
            break;
        case Singer::GeneralMidi:
            melody = makeMelody(source.name, melodySeed, source.low, source.high, source.female);
            kind = "gm" + std::to_string(source.program);
            break;
        }
        Rng levels(melody.seed ^ 0xA11CEull);
        const double peak = std::pow(10.0, levels.range(-12.0, -3.0) / 20.0);
        std::map<int, std::vector<double>> cleanAt;  // per sample rate
        for (size_t c = 0; c < kConditions.size(); ++c) {
            const Condition& condition = kConditions[c];
            if (quick && !inQuick(source.name, condition.name)) continue;
            const auto [rate, channels] = formatFor(s, c);
            auto clean = cleanAt.find(rate);
            if (clean == cleanAt.end()) {
                std::vector<double> x;
                switch (source.singer) {
                case Singer::Vowels: x = renderVoice(melody, rate); break;
                case Singer::Words: x = renderSungWords(*words, rate); break;
                case Singer::Festival: {
                    x.assign(static_cast<size_t>(melody.seconds * rate), 0.0);
                    const std::vector<double> take = resample(festival->samples, festival->rate, rate);
                    const size_t lead = static_cast<size_t>(festival->leadIn * rate);
                    for (size_t i = 0; i < take.size() && lead + i < x.size(); ++i) x[lead + i] = take[i];
                    break;
                }
                case Singer::GeneralMidi: {
                    auto rendered = gm.render(melody, source.program, rate);
                    if (!rendered) return 1;
                    x = std::move(*rendered);
                    break;
                }
                }
                double top = 0.0;
                for (double v : x) top = std::max(top, std::abs(v));
                for (double& v : x) v *= peak / std::max(top, 1e-9);
                // A quiet room through a decent microphone, 55 dB under the singing: clean, but
                // not digital silence, which no recording has.
                addNoise(x, melody, rate, NoiseColour::Pink, 55.0, melody.seed ^ 0xF100Dull);
                clean = cleanAt.emplace(rate, std::move(x)).first;
            }
            std::vector<double> x = clean->second;
            const uint64_t seed = melody.seed * 31 + c;
            if (condition.kind == Condition::Kind::Noise)
                addNoise(x, melody, rate, condition.colour, condition.snrDb, seed);
            else if (condition.kind == Condition::Kind::Reverb)
                x = reverberate(x, rate, 0.6, seed);
            // Keep clear of clipping, scaling signal and noise together.
            double top = 0.0;
            for (double v : x) top = std::max(top, std::abs(v));
            if (top > 0.95)
                for (double& v : x) v *= 0.95 / top;

            const std::string name = source.name + "_" + condition.name;
            if (!writeWav(*outDir / (name + ".wav"), x, rate, channels) ||
                !writeReference(*outDir / (name + ".ref.csv"), melody))
                return 1;
            index << name << ',' << kind << ','
                  << condition.name << ',' << rate << ',' << channels << ',' << source.group << ','
                  << source.program << ',' << melody.seconds << ',' << melody.notes.size() << '\n';
            ++files;
            audioSeconds += melody.seconds;
        }
    }
    index.close();
    if (!index) {
        std::fprintf(stderr, "make_note_corpus: cannot write %s\n", (*outDir / "corpus.csv").c_str());
        return 1;
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("make_note_corpus: %zu files, %.1f min of audio, in %.1f s -> %s (sound font %s)\n", files,
                audioSeconds / 60.0, elapsed, outDir->c_str(), font->c_str());
    return 0;
}
