// A short sung-like melody made in code, so that the example, the tests and the benchmark
// share one signal whose notes are known: a voice-like tone (falling harmonics under two
// vowel resonances) with vibrato, sung "da da da" with short breaks between notes, two rests
// and a legato leap of an octave, over a quiet room noise. It renders at any sample rate and
// channel count, so the resampling path can be checked against the original.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace sungmelody {

struct Note {
    int midi;             // the note sung, 69 = 440 Hz
    double startSeconds;  // when its tone begins
    double seconds;       // how long it is held
};

struct Melody {
    std::vector<Note> notes;
    double seconds = 0.0;  // the whole take, with the silence before and after
};

inline constexpr double kBreakSeconds = 0.07;  // the consonant between articulated notes
inline constexpr double kLeadSeconds = 0.5;    // room noise before the first note

// C major, about 100 bpm: a rise, a rest, a leap of an octave sung legato, a fall, a rest,
// and a long last note.
inline Melody exampleMelody(int repeats = 1) {
    struct Step {
        int midi;
        double seconds;
        double after;  // silence after the note; negative: legato into the next one
    };
    static constexpr Step kSteps[] = {
        {60, 0.40, kBreakSeconds}, {62, 0.40, kBreakSeconds}, {64, 0.40, kBreakSeconds},
        {65, 0.50, 0.35},          {67, 0.55, -1.0},          {79, 0.60, kBreakSeconds},
        {76, 0.40, kBreakSeconds}, {72, 0.45, 0.40},          {69, 0.40, kBreakSeconds},
        {71, 0.35, kBreakSeconds}, {74, 0.40, kBreakSeconds}, {72, 0.90, 0.50},
    };
    Melody m;
    double t = kLeadSeconds;
    for (int r = 0; r < repeats; ++r)
        for (const Step& s : kSteps) {
            m.notes.push_back({s.midi, t, s.seconds});
            t += s.seconds + std::max(s.after, 0.0);
        }
    m.seconds = t;
    return m;
}

namespace detail {

inline double midiHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

// An open vowel: resonances near 700 Hz and 1,200 Hz on top of the harmonics' fall.
inline double vowelGain(double hz) {
    const auto peak = [hz](double centre, double width) {
        const double d = (hz - centre) / width;
        return std::exp(-0.5 * d * d);
    };
    return 1.0 + 2.0 * peak(700.0, 130.0) + 1.0 * peak(1200.0, 180.0);
}

// A small generator of our own, so the noise is the same on every machine and library.
struct Noise {
    uint32_t state = 0x2545F491u;
    double uniform() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state / 4294967296.0;
    }
    // Roughly Gaussian, standard deviation 1.
    double next() { return (uniform() + uniform() + uniform() + uniform() - 2.0) * 1.7320508; }
};

}  // namespace detail

// The pitch sung at `t` seconds into note `n`: vibrato of ±30 cents at 5.5 Hz that sets in
// over the first 0.2 s, and a glide from the note before into a legato note.
inline double pitchAt(const Melody& m, int n, double t) {
    const Note& note = m.notes[n];
    double midi = note.midi;
    const double depth = 0.30 * std::min(t / 0.2, 1.0);
    midi += depth * std::sin(2.0 * std::numbers::pi * 5.5 * t);
    if (n > 0) {
        const Note& before = m.notes[n - 1];
        const bool legato = before.startSeconds + before.seconds >= note.startSeconds - 1e-9;
        constexpr double kGlide = 0.03;
        if (legato && t < kGlide) midi += (before.midi - note.midi) * (1.0 - t / kGlide);
    }
    return midi;
}

// Interleaved samples in -1..1. Channel c is scaled by 1 - 0.1 c, as a second microphone a
// little further off would be.
inline std::vector<float> render(const Melody& m, int rate, int channels) {
    const int count = static_cast<int>(m.seconds * rate);
    std::vector<double> mono(count, 0.0);
    const double nyquistGuard = 0.45 * rate;
    for (size_t n = 0; n < m.notes.size(); ++n) {
        const Note& note = m.notes[n];
        const bool legatoIn = n > 0 && m.notes[n - 1].startSeconds + m.notes[n - 1].seconds >=
                                           note.startSeconds - 1e-9;
        const bool legatoOut = n + 1 < m.notes.size() &&
                               note.startSeconds + note.seconds >= m.notes[n + 1].startSeconds - 1e-9;
        const int first = static_cast<int>(note.startSeconds * rate);
        const int length = static_cast<int>(note.seconds * rate);
        const int attack = legatoIn ? 1 : static_cast<int>(0.025 * rate);
        const int release = legatoOut ? 1 : static_cast<int>(0.035 * rate);
        const double loudness = 0.30 + 0.04 * static_cast<double>(n % 3);
        const double baseHz = detail::midiHz(note.midi);
        const int harmonics = std::max(1, static_cast<int>(std::min(5000.0, nyquistGuard) / baseHz));
        std::vector<double> gain(harmonics);
        double total = 0.0;
        for (int h = 1; h <= harmonics; ++h) {
            gain[h - 1] = std::pow(h, -1.2) * detail::vowelGain(h * baseHz);
            total += gain[h - 1];
        }
        double phase = 0.0;
        for (int i = 0; i < length && first + i < count; ++i) {
            const double t = static_cast<double>(i) / rate;
            const double hz = detail::midiHz(pitchAt(m, static_cast<int>(n), t));
            double v = 0.0;
            for (int h = 1; h <= harmonics && h * hz < nyquistGuard; ++h)
                v += gain[h - 1] * std::sin(h * phase + 0.4 * h);
            double envelope = 1.0;
            if (i < attack) envelope = static_cast<double>(i) / attack;
            if (length - i < release) envelope = std::min(envelope, static_cast<double>(length - i) / release);
            mono[first + i] += loudness * envelope * v / total * 2.0;
            phase += 2.0 * std::numbers::pi * hz / rate;
            if (phase > 2.0 * std::numbers::pi) phase -= 2.0 * std::numbers::pi;
        }
    }
    detail::Noise noise;
    constexpr double kRoomNoise = 6.0 / 32768.0;  // a quiet room through a decent microphone
    std::vector<float> out(static_cast<size_t>(count) * channels);
    for (int i = 0; i < count; ++i) {
        const double v = std::clamp(mono[i] + kRoomNoise * noise.next(), -1.0, 1.0);
        for (int c = 0; c < channels; ++c)
            out[static_cast<size_t>(i) * channels + c] = static_cast<float>(v * (1.0 - 0.1 * c));
    }
    return out;
}

// 16-bit samples, as a sound card would deliver them.
inline std::vector<int16_t> toPcm16(const std::vector<float>& samples) {
    std::vector<int16_t> out(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        out[i] = static_cast<int16_t>(std::clamp(std::lrint(samples[i] * 32767.0), -32767L, 32767L));
    return out;
}

}  // namespace sungmelody
