// Test signals, synthesised in code: 16-bit mono at 44,100 Hz.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
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

}  // namespace testsignals
