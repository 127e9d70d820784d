// Test signals, synthesised in code: 16-bit mono at 44,100 Hz.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace testsignals {

inline constexpr double kRate = 44100.0;

// A sine of `amplitude` (full scale 32767) starting at phase 0.
inline std::vector<int16_t> sine(double frequencyHz, double amplitude, int count) {
    std::vector<int16_t> out(count);
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<int16_t>(std::lrint(
            amplitude * std::sin(2.0 * std::numbers::pi * frequencyHz * i / kRate)));
    return out;
}

// A block of `count` samples alternating between +value and -value.
inline std::vector<int16_t> square(int16_t value, int count) {
    std::vector<int16_t> out(count);
    for (int i = 0; i < count; ++i) out[i] = (i % 2 == 0) ? value : static_cast<int16_t>(-value);
    return out;
}

// Frequency of fractional MIDI note `note` (69.0 = 440 Hz).
inline double noteHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// A steady harmonic tone with amplitudes falling as 1/h^1.1 up to 5 kHz (at least six
// harmonics), fixed phases, plus white noise of standard deviation `noise` (fixed seed).
inline std::vector<int16_t> harmonicTone(double frequencyHz, double amplitude, int count,
                                         double noise = 0.0, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<int16_t> out(count);
    for (int i = 0; i < count; ++i) {
        const double phase = 2.0 * std::numbers::pi * frequencyHz * i / kRate;
        double v = 0.0;
        for (int h = 1; h * frequencyHz < 5000.0 || h <= 6; ++h)
            v += std::sin(h * phase + 0.7 * h) / std::pow(h, 1.1);
        const double value = amplitude * v + (noise > 0.0 ? noise * gauss(rng) : 0.0);
        out[i] = static_cast<int16_t>(std::lrint(std::clamp(value, -32767.0, 32767.0)));
    }
    return out;
}

}  // namespace testsignals
