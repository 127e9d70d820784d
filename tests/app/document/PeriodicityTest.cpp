// The periodicity measure on tones and noises made to measure: what the note finder relies on
// to tell a sung pitch from noise and to catch a pitch read an octave off.
#include "document/Periodicity.h"

#include "support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

using namespace hummwell;

namespace {

constexpr int kCount = 8192;

Periodicity measure(const std::vector<int16_t>& x, double midi) {
    PeriodicityMeter meter;
    meter.append(x.data(), x.size());
    return meter.measure(x.size(), midi);
}

// Noise through a one-pole low-pass: the rumble of traffic or wind, strong below 60 Hz.
std::vector<int16_t> rumble(unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<int16_t> out(kCount);
    double y = 0.0;
    for (int16_t& v : out) {
        y = 0.995 * y + 0.1 * gauss(rng);
        v = static_cast<int16_t>(std::clamp(y * 3000.0, -32767.0, 32767.0));
    }
    return out;
}

}  // namespace

TEST(Periodicity, ATonesOwnPeriodRepeatsFromE1ToC7AndHalfOfItDoesNot) {
    for (const double midi : {28.0, 33.0, 40.0, 47.5, 57.0, 64.25, 72.0, 84.0, 96.0}) {
        const std::vector<int16_t> tone = testsignals::harmonicTone(testsignals::noteHz(midi), 4000.0, kCount);
        const Periodicity p = measure(tone, midi);
        EXPECT_GT(p.atPitch, 0.95) << midi;
        EXPECT_LT(p.octaveUp, p.atPitch - 0.3) << midi;
        EXPECT_EQ(p.octaveDown, 0.0f) << midi;  // repeating this well, it is not an octave high
        // The engine's pitch may be up to a quarter tone off: the lag search still finds it.
        EXPECT_GT(measure(tone, midi + 0.2).atPitch, 0.95) << midi;
    }
}

TEST(Periodicity, APitchReadAnOctaveOffShowsInTheOctaveAroundIt) {
    for (const double midi : {31.0, 45.0, 60.0, 76.0}) {
        const std::vector<int16_t> tone = testsignals::harmonicTone(testsignals::noteHz(midi), 4000.0, kCount);
        // Read an octave low: twice the period repeats too, and so does half of it, the truth.
        const Periodicity low = measure(tone, midi - 12.0);
        EXPECT_GT(low.atPitch, 0.9) << midi;
        EXPECT_GT(low.octaveUp, 0.9) << midi;
        // Read an octave high: half the period does not repeat, the period below does.
        const Periodicity high = measure(tone, midi + 12.0);
        EXPECT_LT(high.atPitch, 0.5) << midi;
        EXPECT_GT(high.octaveDown, 0.9) << midi;
    }
}

TEST(Periodicity, NoiseAndRumbleRepeatAtNoPitchWhileATone10DbUnderNoiseStillDoes) {
    std::mt19937 rng(7);
    std::normal_distribution<double> gauss(0.0, 3000.0);
    std::vector<int16_t> white(kCount);
    for (int16_t& v : white) v = static_cast<int16_t>(std::clamp(gauss(rng), -32767.0, 32767.0));
    for (const double midi : {28.0, 40.0, 55.0, 69.0, 88.0})
        EXPECT_LT(std::abs(measure(white, midi).atPitch), 0.15) << midi;
    // Rumble is where the engine finds low pitches that nobody sang: none repeats. At short
    // lags it is merely smooth, and then the half lag repeats better than the whole, which no
    // period does.
    for (const double midi : {22.0, 28.0, 33.0, 40.0}) EXPECT_LT(measure(rumble(3), midi).atPitch, 0.4) << midi;
    for (const double midi : {76.0, 88.0}) {
        const Periodicity p = measure(rumble(3), midi);
        EXPECT_GT(p.octaveUp, p.atPitch) << midi;
    }
    // A tone's power (amplitude 4000 spread over its harmonics) about 10 dB over the noise's.
    const double hz = testsignals::noteHz(57.0);
    std::vector<int16_t> clean = testsignals::harmonicTone(hz, 4000.0, kCount);
    double power = 0.0;
    for (const int16_t v : clean) power += static_cast<double>(v) * v;
    const double sigma = std::sqrt(power / kCount / 10.0);
    const std::vector<int16_t> noisy = testsignals::harmonicTone(hz, 4000.0, kCount, sigma, 11);
    EXPECT_GT(measure(noisy, 57.0).atPitch, 0.75);
}

TEST(Periodicity, AStreamFedAsItArrivesMeasuresAsTheWholeSignalDoes) {
    // Half a minute of a tone moving through the octaves, fed as a take feeds it (a block at a
    // time) and as a file does (pieces of 44,032 samples, each measured block by block after
    // it arrived): each block's measure is the one the whole signal gives there.
    std::vector<int16_t> stream;
    for (int k = 0; k < 20; ++k) {
        const std::vector<int16_t> tone = testsignals::harmonicTone(testsignals::noteHz(30.0 + 3.1 * k), 3000.0, 66150, 300.0, k + 1);
        stream.insert(stream.end(), tone.begin(), tone.end());
    }
    const auto midiAt = [](size_t b) { return 30.0 + 3.1 * static_cast<double>(b * 512 / 66150); };
    const size_t blocks = stream.size() / 512;
    std::vector<Periodicity> byBlock(blocks), byPiece(blocks);
    PeriodicityMeter take, file;
    for (size_t b = 0; b < blocks; ++b) {
        take.append(stream.data() + b * 512, 512);
        byBlock[b] = take.measure((b + 1) * 512, midiAt(b));
    }
    constexpr size_t kPiece = 86 * 512;
    for (size_t at = 0; at < blocks * 512; at += kPiece) {
        const size_t count = std::min(kPiece, blocks * 512 - at);
        file.append(stream.data() + at, count);
        for (size_t b = at / 512; b < (at + count) / 512; ++b) byPiece[b] = file.measure((b + 1) * 512, midiAt(b));
    }
    for (size_t b = 0; b < blocks; b += 23) {
        // The signal up to there, as far back as a measure looks.
        const size_t end = (b + 1) * 512, from = end > kPeriodicityReach ? end - kPeriodicityReach : 0;
        const std::vector<int16_t> whole(stream.begin() + static_cast<std::ptrdiff_t>(from),
                                         stream.begin() + static_cast<std::ptrdiff_t>(end));
        const Periodicity want = measure(whole, midiAt(b));
        for (const Periodicity& got : {byBlock[b], byPiece[b]}) {
            EXPECT_NEAR(got.atPitch, want.atPitch, 1e-5) << b;
            EXPECT_NEAR(got.octaveUp, want.octaveUp, 1e-5) << b;
            EXPECT_NEAR(got.octaveDown, want.octaveDown, 1e-5) << b;
        }
    }
    EXPECT_GT(byBlock[blocks / 2].atPitch, 0.9f);
    // Points long gone, or not yet fed, give nothing.
    EXPECT_EQ(take.measure(512 * 40, 45.0).atPitch, 0.0f);
    EXPECT_EQ(take.measure(stream.size() + 512, 45.0).atPitch, 0.0f);
}

TEST(Periodicity, NoPitchOrTooFewSamplesGiveNothing) {
    const std::vector<int16_t> tone = testsignals::harmonicTone(110.0, 4000.0, kCount);
    EXPECT_EQ(measure(tone, 0.0).atPitch, 0.0);
    EXPECT_EQ(measure(tone, std::nan("")).atPitch, 0.0);
    // E1 needs two periods and one more: 1,070 samples is less than a period.
    const std::vector<int16_t> shortTone(tone.begin(), tone.begin() + 1070);
    EXPECT_EQ(measure(shortTone, 28.0).atPitch, 0.0);
    // Digital silence repeats nothing, and divides by nothing.
    const std::vector<int16_t> silence(kCount, 0);
    EXPECT_EQ(measure(silence, 57.0).atPitch, 0.0);
}
