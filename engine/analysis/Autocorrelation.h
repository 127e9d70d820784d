// The lag of the strongest autocorrelation of a run of raw 16-bit samples (held as doubles),
// found without the quadratic cost of a wide lag range.
//
// r(tau) = sum over k of x[k] * x[k + tau], over the k for which both exist. For integer
// samples every product and partial sum is an integer below 2^53, so r is exact in any order
// of summation. A narrow range is summed directly; a wide one is estimated through one FFT and
// only the lags whose estimate comes within the FFT's error bound of the maximum are summed
// exactly. Either way the answer is the first lag with the exact largest r.
#pragma once

#include <memory>

namespace tonik {

class Autocorrelation {
public:
    static constexpr int kMaxLength = 8192;  // samples
    static constexpr int kMaxLag = 8192;

    Autocorrelation();  // allocates and plans every buffer, once
    ~Autocorrelation();
    Autocorrelation(const Autocorrelation&) = delete;
    Autocorrelation& operator=(const Autocorrelation&) = delete;

    // First lag in lagMin .. lagMax with the largest r; lagMin when the range is empty.
    // x [length], length <= kMaxLength, |lags| <= kMaxLag. Allocates nothing.
    int bestLag(const double* x, int length, int lagMin, int lagMax);
    // r(lag), summed directly.
    static double at(const double* x, int length, int lag);

    // The two ways, each with bestLag's answer; bestLag picks the cheaper one.
    int bestLagDirect(const double* x, int length, int lagMin, int lagMax);
    int bestLagByFft(const double* x, int length, int lagMin, int lagMax);

    // How the last search was computed, for tests and benchmarks.
    bool lastUsedFft() const { return lastUsedFft_; }
    int lastExactSums() const { return lastExactSums_; }

private:

    struct Plans;
    std::unique_ptr<Plans> plans_;
    bool lastUsedFft_ = false;
    int lastExactSums_ = 0;
};

}  // namespace tonik
