// The lag search must give the direct sum's answer whichever way it computes it.
#include "analysis/Autocorrelation.h"

#include "../../support/ReferenceCorrelation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using tonik::Autocorrelation;
using testsignals::referenceBestLag;
using testsignals::referenceCorrelation;

namespace {

// Integer-valued samples as the ring holds them: a periodic tone, noise, or both.
std::vector<double> samples(int length, double periodSamples, double noise, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<double> x(length);
    for (int k = 0; k < length; ++k) {
        double v = 0.0;
        if (periodSamples > 0.0)
            for (int h = 1; h <= 5; ++h)
                v += 6000.0 / h * std::sin(2.0 * std::numbers::pi * h * k / periodSamples + h);
        v += noise * gauss(rng);
        x[k] = std::lrint(std::clamp(v, -32768.0, 32767.0));
    }
    return x;
}

}  // namespace

TEST(Autocorrelation, DirectSumIsExactForIntegerSamples) {
    const std::vector<double> x = samples(8192, 0.0, 20000.0, 3);  // loud noise, clipped
    for (int lag : {0, 1, 217, 4095, 8191, 8192, -5})
        EXPECT_EQ(Autocorrelation::at(x.data(), 8192, lag), referenceCorrelation(x, std::abs(lag)))
            << lag;
}

TEST(Autocorrelation, EveryRangeGivesTheReferenceLag) {
    Autocorrelation correlation;
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> lengthOf(64, 8192);
    std::uniform_real_distribution<double> periodOf(20.0, 2000.0);
    int byFft = 0;
    for (int trial = 0; trial < 40; ++trial) {
        const int length = lengthOf(rng);
        const double period = trial % 5 == 4 ? 0.0 : periodOf(rng);  // some plain noise
        const std::vector<double> x = samples(length, period, trial % 2 ? 3000.0 : 50.0, trial);
        // Narrow ranges around the period and wide ones from a few samples up.
        const int lagMin = trial % 3 == 0 ? static_cast<int>(period * 0.9) : 2 + trial;
        const int lagMax = trial % 3 == 0 ? static_cast<int>(period * 1.1) + 2
                                          : std::min(8192, lagMin + 40 * trial + 10);
        const int lag = correlation.bestLag(x.data(), length, lagMin, lagMax);
        byFft += correlation.lastUsedFft();
        ASSERT_EQ(lag, referenceBestLag(x, lagMin, lagMax))
            << "trial " << trial << " length " << length << " lags " << lagMin << ".." << lagMax
            << (correlation.lastUsedFft() ? " (FFT)" : " (direct)");
    }
    EXPECT_GT(byFft, 10) << "the wide ranges must exercise the transform";
    EXPECT_LT(byFft, 40) << "the narrow ranges must exercise the direct sums";
}

TEST(Autocorrelation, BothMethodsAgreeWhateverTheWidth) {
    Autocorrelation correlation;
    const std::vector<double> x = samples(2000, 97.3, 800.0, 21);
    for (int lags : {2, 5, 40, 400, 1999}) {
        const int reference = referenceBestLag(x, 10, 10 + lags - 1);
        EXPECT_EQ(correlation.bestLagDirect(x.data(), 2000, 10, 10 + lags - 1), reference) << lags;
        EXPECT_EQ(correlation.bestLagByFft(x.data(), 2000, 10, 10 + lags - 1), reference) << lags;
        EXPECT_TRUE(correlation.lastUsedFft());
    }
}

TEST(Autocorrelation, WideRangeSumsOnlyTheLagsNearTheMaximum) {
    Autocorrelation correlation;
    const std::vector<double> x = samples(8192, 441.0, 100.0, 5);  // 100 Hz
    const int lag = correlation.bestLag(x.data(), 8192, 30, 4000);
    EXPECT_TRUE(correlation.lastUsedFft());
    EXPECT_LT(correlation.lastExactSums(), 20);
    EXPECT_EQ(lag, referenceBestLag(x, 30, 4000));
}

TEST(Autocorrelation, TiesGoToTheFirstLag) {
    Autocorrelation correlation;
    // A lone impulse correlates to exactly zero at every lag but 0: a tie over the range.
    std::vector<double> impulse(8192, 0.0);
    impulse[100] = 1000.0;
    EXPECT_EQ(correlation.bestLag(impulse.data(), 8192, 7, 4000), 7);
    EXPECT_TRUE(correlation.lastUsedFft());
    EXPECT_EQ(correlation.bestLag(impulse.data(), 8192, 7, 9), 7);
    EXPECT_FALSE(correlation.lastUsedFft());

    const std::vector<double> zeros(4096, 0.0);
    EXPECT_EQ(correlation.bestLag(zeros.data(), 4096, 3, 3000), 3);
}

TEST(Autocorrelation, LagsBeyondTheRunCorrelateNothing) {
    Autocorrelation correlation;
    const std::vector<double> x(300, 5.0);  // r(tau) = 25 (300 - tau): falls with the lag
    EXPECT_EQ(correlation.bestLag(x.data(), 300, 250, 8000), 250);
    EXPECT_EQ(correlation.bestLag(x.data(), 300, 400, 8000), 400) << "all zero: the first";
    EXPECT_EQ(correlation.bestLag(x.data(), 300, 10, 5), 10) << "empty range";
}
