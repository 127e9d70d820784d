#include "Periodicity.h"

#include "Scale.h"

#include <algorithm>
#include <cmath>

namespace hummwell {

namespace {

constexpr double kRate = 44100.0;
constexpr double kLagSpread = 0.01;  // the engine's pitch is this close to the period, or closer
constexpr size_t kShortestSum = 640;
constexpr double kRepeatsWell = 0.7;  // above it, no need to look an octave down

// Eight partial sums, so the compiler keeps them in vector registers.
float dot(const float* a, const float* b, size_t n) {
    float part[8] = {};
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        for (size_t k = 0; k < 8; ++k) part[k] += a[i + k] * b[i + k];
    float sum = 0.0f;
    for (; i < n; ++i) sum += a[i] * b[i];
    for (const float p : part) sum += p;
    return sum;
}

}  // namespace

void PeriodicityMeter::append(const int16_t* samples, size_t count) {
    // The oldest samples go once twice the reach is kept, so that dropping them stays rare.
    if (x_.size() > 2 * kPeriodicityReach) {
        const size_t drop = x_.size() - kPeriodicityReach;
        x_.erase(x_.begin(), x_.begin() + static_cast<std::ptrdiff_t>(drop));
        dropped_ += drop;
    }
    const size_t old = x_.size();
    x_.resize(old + count);
    float* x = x_.data() + old;
    // -32768 as the engine hands it back, -32767: a file's samples and a take's kept ones are
    // measured alike. Eight at a time, so the compiler keeps them in vector registers.
    size_t i = 0;
    for (; i + 8 <= count; i += 8)
        for (size_t k = 0; k < 8; ++k) x[i + k] = std::max(samples[i + k], int16_t{-32767});
    for (; i < count; ++i) x[i] = std::max(samples[i], int16_t{-32767});
}

// The best normalised correlation of the `length` samples from `newest` (of energy
// `newestEnergy`) with those a lag before them, for lags within the spread around `centre`:
// every lag where they lie close, a coarse pass and the lags beside its best where far.
double PeriodicityMeter::best(size_t newest, size_t length, size_t reach, double centre, double newestEnergy) const {
    const double lo = std::max(2.0, std::floor(centre * (1.0 - kLagSpread)));
    const double hi = std::min(static_cast<double>(reach), std::ceil(centre * (1.0 + kLagSpread)));
    if (hi < lo || newestEnergy <= 0.0) return 0.0;
    const float* now = &x_[newest];
    const auto at = [&](size_t lag, double energy) {
        return energy > 0.0 ? dot(now - lag, now, length) / std::sqrt(energy * newestEnergy) : 0.0;
    };
    const auto energyAt = [&](size_t lag) { return static_cast<double>(dot(now - lag, now - lag, length)); };
    const size_t first = static_cast<size_t>(lo), last = static_cast<size_t>(hi);
    const size_t step = std::max<size_t>(1, static_cast<size_t>(centre * 0.003));
    double top = -1.0;
    if (step == 1) {
        // One lag further back adds a sample at the front of the older stretch and takes one
        // from its end.
        double energy = energyAt(first);
        for (size_t lag = first; lag <= last; ++lag) {
            if (lag > first) {
                const double in = now[-static_cast<std::ptrdiff_t>(lag)];
                const double out = now[static_cast<std::ptrdiff_t>(length) - static_cast<std::ptrdiff_t>(lag)];
                energy += in * in - out * out;
            }
            top = std::max(top, at(lag, energy));
        }
        return top;
    }
    size_t where = first;
    for (size_t lag = first; lag <= last; lag += step) {
        const double r = at(lag, energyAt(lag));
        if (r > top) top = r, where = lag;
    }
    for (size_t lag = where > first + step ? where - step + 1 : first; lag < where + step && lag <= last; ++lag)
        if (lag != where) top = std::max(top, at(lag, energyAt(lag)));
    return top;
}

Periodicity PeriodicityMeter::measure(size_t end, double midiPitch) const {
    if (!(midiPitch >= 1.0) || midiPitch > 140.0 || end < dropped_ || end > dropped_ + x_.size()) return {};
    const double period = kRate / midiToHz(midiPitch);
    const size_t length = std::max(kShortestSum, static_cast<size_t>(2.0 * period));
    const size_t needed = static_cast<size_t>(std::ceil(period * (1.0 + kLagSpread))) + 1;
    const size_t available = std::min(end - dropped_, kPeriodicityReach);
    if (available < length + needed) return {};
    const size_t down = static_cast<size_t>(std::ceil(2.0 * period * (1.0 + kLagSpread))) + 1;
    const size_t reach = std::min(available - length, down);
    const size_t newest = end - dropped_ - length;
    const double energy = dot(&x_[newest], &x_[newest], length);
    Periodicity p;
    p.atPitch = static_cast<float>(best(newest, length, reach, period, energy));
    p.octaveUp = static_cast<float>(best(newest, length, reach, period / 2.0, energy));
    if (p.atPitch < kRepeatsWell && reach >= down - 1)
        p.octaveDown = static_cast<float>(best(newest, length, reach, 2.0 * period, energy));
    return p;
}

}  // namespace hummwell
