#include "Autocorrelation.h"

#include "LogSpectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

namespace tonik {

namespace {

constexpr int kMinLog2 = 10;  // smallest transform, 1,024 points
constexpr int kMaxLog2 = 14;  // 16,384 points: a full-length run plus its longest useful lag
constexpr int kPlanCount = kMaxLog2 - kMinLog2 + 1;

// Relative bound on the error of an FFT-estimated correlation, against r(0). Rounding in a
// 16,384-point transform pair stays near 1e-14; the margin makes the bound safe, and costs
// only a few more exact sums.
constexpr double kFftRelativeError = 1e-9;

// Direct sums cost one multiply-add per sample pair; a transform pair of M points costs about
// this many of them per point and stage (measured, see bench/).
constexpr double kFftCostPerPointStage = 1.5;

}  // namespace

struct Autocorrelation::Plans {
    double* samples = nullptr;      // [16,384] zero-padded input
    fftw_complex* bins = nullptr;   // [8,193]
    double* correlation = nullptr;  // [16,384] unnormalised circular autocorrelation
    fftw_plan forward[kPlanCount] = {};
    fftw_plan backward[kPlanCount] = {};
};

Autocorrelation::Autocorrelation() : plans_(new Plans) {
    Plans& p = *plans_;
    const int maxPoints = 1 << kMaxLog2;
    std::lock_guard lock(fftPlannerMutex());
    p.samples = fftw_alloc_real(maxPoints);
    p.bins = fftw_alloc_complex(maxPoints / 2 + 1);
    p.correlation = fftw_alloc_real(maxPoints);
    bool ok = p.samples && p.bins && p.correlation;
    for (int i = 0; ok && i < kPlanCount; ++i) {
        const int points = 1 << (kMinLog2 + i);
        p.forward[i] = fftw_plan_dft_r2c_1d(points, p.samples, p.bins, FFTW_ESTIMATE);
        p.backward[i] = fftw_plan_dft_c2r_1d(points, p.bins, p.correlation, FFTW_ESTIMATE);
        ok = p.forward[i] && p.backward[i];
    }
    if (!ok) {
        for (int i = 0; i < kPlanCount; ++i) {
            if (p.forward[i]) fftw_destroy_plan(p.forward[i]);
            if (p.backward[i]) fftw_destroy_plan(p.backward[i]);
        }
        fftw_free(p.samples);
        fftw_free(p.bins);
        fftw_free(p.correlation);
        throw std::bad_alloc();
    }
}

Autocorrelation::~Autocorrelation() {
    Plans& p = *plans_;
    std::lock_guard lock(fftPlannerMutex());
    for (int i = 0; i < kPlanCount; ++i) {
        fftw_destroy_plan(p.forward[i]);
        fftw_destroy_plan(p.backward[i]);
    }
    fftw_free(p.samples);
    fftw_free(p.bins);
    fftw_free(p.correlation);
}

double Autocorrelation::at(const double* x, int length, int lag) {
    lag = std::abs(lag);  // r(-tau) = r(tau) for an autocorrelation
    const int n = length - lag;
    if (n <= 0) return 0.0;
    const double* y = x + lag;
    // Four partial sums keep the multipliers busy; exact for integer samples in any order.
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        s0 += x[k] * y[k];
        s1 += x[k + 1] * y[k + 1];
        s2 += x[k + 2] * y[k + 2];
        s3 += x[k + 3] * y[k + 3];
    }
    for (; k < n; ++k) s0 += x[k] * y[k];
    return (s0 + s1) + (s2 + s3);
}

int Autocorrelation::bestLag(const double* x, int length, int lagMin, int lagMax) {
    if (lagMax < lagMin || length <= 0) return bestLagDirect(x, length, lagMin, lagMax);
    length = std::min(length, kMaxLength);

    // Lags at or beyond the run's length correlate nothing; only the rest costs a sum.
    const int longest = std::min(std::max(std::abs(lagMin), std::abs(lagMax)), length - 1);
    int log2 = kMinLog2;
    while ((1 << log2) < length + longest && log2 < kMaxLog2) ++log2;
    const double points = static_cast<double>(1 << log2);
    const double directCost = static_cast<double>(lagMax - lagMin + 1) * length;
    const double fftCost = kFftCostPerPointStage * points * log2;
    if (directCost <= fftCost) return bestLagDirect(x, length, lagMin, lagMax);
    return bestLagByFft(x, length, lagMin, lagMax);
}

int Autocorrelation::bestLagDirect(const double* x, int length, int lagMin, int lagMax) {
    lastUsedFft_ = false;
    lastExactSums_ = 0;
    if (lagMax < lagMin || length <= 0) return lagMin;
    length = std::min(length, kMaxLength);
    int best = lagMin;
    double bestValue = at(x, length, lagMin);
    for (int lag = lagMin + 1; lag <= lagMax; ++lag) {
        const double value = at(x, length, lag);
        if (value > bestValue) {
            bestValue = value;
            best = lag;
        }
    }
    lastExactSums_ = lagMax - lagMin + 1;
    return best;
}

int Autocorrelation::bestLagByFft(const double* x, int length, int lagMin, int lagMax) {
    lastUsedFft_ = false;
    lastExactSums_ = 0;
    if (lagMax < lagMin || length <= 0) return lagMin;
    length = std::min(length, kMaxLength);
    Plans& p = *plans_;
    const int longest = std::min(std::max(std::abs(lagMin), std::abs(lagMax)), length - 1);
    int log2 = kMinLog2;
    while ((1 << log2) < length + longest) ++log2;
    const int points = 1 << log2;

    // Zero padding to length + longest lag keeps the circular correlation free of wrap-around
    // for every lag that is looked at.
    for (int k = 0; k < length; ++k) p.samples[k] = x[k];
    for (int k = length; k < points; ++k) p.samples[k] = 0.0;
    fftw_execute(p.forward[log2 - kMinLog2]);
    for (int k = 0; k <= points / 2; ++k) {
        const double re = p.bins[k][0];
        const double im = p.bins[k][1];
        p.bins[k][0] = re * re + im * im;
        p.bins[k][1] = 0.0;
    }
    fftw_execute(p.backward[log2 - kMinLog2]);

    const double scale = 1.0 / points;
    auto estimate = [&](int lag) {
        lag = std::abs(lag);
        return lag < length ? p.correlation[lag] * scale : 0.0;
    };
    double top = estimate(lagMin);
    for (int lag = lagMin + 1; lag <= lagMax; ++lag) top = std::max(top, estimate(lag));

    // Every lag whose exact value could be the largest lies within twice the bound of the
    // largest estimate; summing just those exactly gives the direct method's answer.
    const double bound = kFftRelativeError * at(x, length, 0);
    const double threshold = top - 2.0 * bound;
    int best = lagMin;
    double bestValue = -HUGE_VAL;
    int sums = 1;
    for (int lag = lagMin; lag <= lagMax; ++lag) {
        if (estimate(lag) < threshold) continue;
        const double value = at(x, length, lag);
        ++sums;
        if (value > bestValue) {
            bestValue = value;
            best = lag;
        }
    }
    lastUsedFft_ = true;
    lastExactSums_ = sums;
    return best;
}

}  // namespace tonik
