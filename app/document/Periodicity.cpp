#include "Periodicity.h"

#include <algorithm>
#include <cmath>

namespace hummwell {

namespace {

constexpr double kRate = 44100.0;
constexpr double kLagSpread = 0.015;  // the engine's pitch is this close to the period, or closer
constexpr size_t kShortestSum = 1024;

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

class Window {
public:
    // The newest `length` samples are compared with those `lag` before them, for lags up to
    // `reach`.
    Window(const int16_t* end, size_t length, size_t reach) : length_(length), x_(length + reach), squares_(length + reach + 1, 0.0) {
        const int16_t* from = end - static_cast<std::ptrdiff_t>(x_.size());
        for (size_t i = 0; i < x_.size(); ++i) {
            x_[i] = static_cast<float>(from[i]);
            squares_[i + 1] = squares_[i] + static_cast<double>(x_[i]) * x_[i];
        }
    }
    size_t reach() const { return x_.size() - length_; }
    double at(size_t lag) const {
        const size_t newest = x_.size() - length_, older = newest - lag;
        const double e1 = squares_[newest + length_] - squares_[newest];
        const double e0 = squares_[older + length_] - squares_[older];
        if (e0 <= 0.0 || e1 <= 0.0) return 0.0;
        return dot(&x_[older], &x_[newest], length_) / std::sqrt(e0 * e1);
    }
    // The best lag within the spread around `centre`: a coarse pass, then the lags beside its best.
    double best(double centre) const {
        const double lo = std::max(2.0, std::floor(centre * (1.0 - kLagSpread)));
        const double hi = std::min(static_cast<double>(reach()), std::ceil(centre * (1.0 + kLagSpread)));
        if (hi < lo) return 0.0;
        const size_t first = static_cast<size_t>(lo), last = static_cast<size_t>(hi);
        const size_t step = std::max<size_t>(1, static_cast<size_t>(centre * 0.003));
        double top = -1.0;
        size_t at = first;
        for (size_t lag = first; lag <= last; lag += step) {
            const double r = this->at(lag);
            if (r > top) top = r, at = lag;
        }
        for (size_t lag = at > first + step ? at - step + 1 : first; lag < at + step && lag <= last; ++lag)
            top = std::max(top, this->at(lag));
        return top;
    }

private:
    size_t length_;
    std::vector<float> x_;
    std::vector<double> squares_;
};

}  // namespace

Periodicity periodicityAt(const int16_t* end, size_t available, double midiPitch) {
    if (!(midiPitch >= 1.0) || midiPitch > 140.0) return {};
    const double period = kRate / (440.0 * std::pow(2.0, (midiPitch - 69.0) / 12.0));
    const size_t length = std::max(kShortestSum, static_cast<size_t>(2.0 * period));
    const size_t needed = static_cast<size_t>(std::ceil(period * (1.0 + kLagSpread))) + 1;
    if (available < length + needed) return {};
    const size_t reach = std::min(available - length, static_cast<size_t>(std::ceil(2.0 * period * (1.0 + kLagSpread))) + 1);
    const Window w(end, length, reach);
    Periodicity p;
    p.atPitch = static_cast<float>(w.best(period));
    p.octaveUp = static_cast<float>(w.best(period / 2.0));
    if (reach >= static_cast<size_t>(std::ceil(2.0 * period * (1.0 + kLagSpread))))
        p.octaveDown = static_cast<float>(w.best(2.0 * period));
    return p;
}

}  // namespace hummwell
