#include "PitchArithmetic.h"

#include <cmath>

namespace tonik {

namespace {
constexpr double kA0Hz = 27.5;  // MIDI note 21
constexpr double kA0Note = 21.0;

// ceil(x) as an index, held within -1..count + 1 so that no conversion overflows; a NaN
// becomes -1 (nothing left of the array).
int ceilIndex(double x, int count) {
    const double c = std::ceil(x);
    if (!(c > -1.0)) return -1;
    if (c > count + 1.0) return count + 1;
    return static_cast<int>(c);
}
}  // namespace

double noteToFreq(double note, double tuning) {
    return std::pow(2.0, (note - kA0Note) / 12.0) * kA0Hz * tuning;
}

double freqToNote(double frequencyHz, double tuning) {
    return 12.0 * std::log(frequencyHz / (kA0Hz * tuning)) / std::log(2.0) + kA0Note;
}

double binToNote(int bin, int sampleRate, int size, double tuning) {
    const double binWidthHz = static_cast<double>(sampleRate) / static_cast<double>(size);
    return freqToNote(bin * binWidthHz, tuning);
}

double blockLevel(const double* values, int count) {
    return 20.0 * std::log((maxOf(values, count) - minOf(values, count)) / 2.0);
}

double roundHalfUp(double x) { return std::floor(x + 0.5); }

double maxOf(const double* values, int count) {
    double best = kNoMaximum;
    for (int i = 0; i < count; ++i)
        if (values[i] > best) best = values[i];
    return best;
}

double minOf(const double* values, int count) {
    double best = kNoMinimum;
    for (int i = 0; i < count; ++i)
        if (values[i] < best) best = values[i];
    return best;
}

int argMax(const double* values, int count) {
    double best = -2147483648.0;
    int index = -1;
    for (int i = 0; i < count; ++i) {
        if (values[i] > best) {
            best = values[i];
            index = i;
        }
    }
    return index;
}

WindowPeak windowPeak(const double* values, int count, double centre, double halfWidth) {
    int lo = ceilIndex(centre - halfWidth, count);
    int hi = ceilIndex(centre + halfWidth, count);
    if (lo < 0) lo = 0;
    if (hi > count - 1) hi = count - 1;
    if (lo > hi) return {0.0, -2.0};  // the window lies outside the array

    const int width = hi - lo + 1;
    const int first = argMax(values + lo, width);
    if (first < 0) return {0.0, -1.0};  // nothing comparable (all -inf or NaN)
    const int i = lo + first;
    if (i == lo || i == hi) return {0.0, -2.0};
    const double v = values[i];
    if (v >= values[i - 1] && v >= values[i + 1]) return {v, static_cast<double>(i)};
    return {0.0, -1.0};
}

bool isPeakAbove(const double* values, int count, double centre, double halfWidth) {
    if (!(centre >= 0.0 && centre < count)) return false;  // NaN included
    const int c = static_cast<int>(centre);
    int left = ceilIndex(centre - halfWidth, count);
    int end = ceilIndex(centre + halfWidth, count);
    if (left < 0) left = 0;
    if (end > count) end = count - 1;  // an end equal to count stays

    const double rightMin = end > c ? minOf(values + c, end - c) : kNoMinimum;
    const double leftMin = c > left ? minOf(values + left, c - left) : kNoMinimum;
    return values[c] >= rightMin + 2.0 && values[c] >= leftMin + 2.0;
}

}  // namespace tonik
