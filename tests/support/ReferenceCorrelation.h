// A plain reference for the lag search: every lag summed directly, in sample order.
#pragma once

#include <cstdint>
#include <vector>

namespace testsignals {

inline double referenceCorrelation(const std::vector<double>& x, int lag) {
    double sum = 0.0;
    for (int k = 0; k + lag < static_cast<int>(x.size()); ++k)
        if (k + lag >= 0) sum += x[k] * x[k + lag];
    return sum;
}

// First lag in lagMin .. lagMax with the largest correlation.
inline int referenceBestLag(const std::vector<double>& x, int lagMin, int lagMax) {
    int best = lagMin;
    double bestValue = referenceCorrelation(x, lagMin);
    for (int lag = lagMin + 1; lag <= lagMax; ++lag) {
        const double value = referenceCorrelation(x, lag);
        if (value > bestValue) {
            bestValue = value;
            best = lag;
        }
    }
    return best;
}

// The newest `length` samples before `end` of a block-aligned signal, as doubles.
inline std::vector<double> newest(const std::vector<int16_t>& signal, int length) {
    return std::vector<double>(signal.end() - length, signal.end());
}

}  // namespace testsignals
