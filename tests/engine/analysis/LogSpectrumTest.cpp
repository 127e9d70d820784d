#include "analysis/LogSpectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

using namespace tonik;

namespace {

// The definition, computed the slow way: every bin of the full complex DFT.
std::vector<double> directLogSpectrum(const std::vector<double>& x, int windowLength) {
    const int n = static_cast<int>(x.size());
    std::vector<double> out(n);
    for (int k = 0; k < n; ++k) {
        std::complex<double> sum = 0.0;
        for (int t = 0; t < n; ++t) {
            const double w = 0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * t / (windowLength - 1));
            sum += x[t] * w * std::polar(1.0, -2.0 * std::numbers::pi * k * t / n);
        }
        out[k] = std::log(std::abs(sum));
    }
    return out;
}

}  // namespace

// Every frame kind: the window's length differs from the frame's for the two slow frames,
// and the upper half of the spectrum is filled by mirroring.
TEST(LogSpectrum, MatchesTheDirectTransformForEveryFrameKind) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (const auto& [points, window] : {std::pair{512, 512}, {1024, 1536}, {2048, 3584}}) {
        std::vector<double> x(points);
        for (double& v : x) v = uniform(random);
        LogSpectrum spectrum(points, window);
        std::vector<double> fast(points);
        spectrum.compute(x.data(), fast.data());
        const std::vector<double> slow = directLogSpectrum(x, window);
        for (int k = 0; k < points; ++k) ASSERT_NEAR(fast[k], slow[k], 1e-7) << points << " bin " << k;
    }
}

TEST(LogSpectrum, ZeroMagnitudeIsMinusInfinity) {
    LogSpectrum spectrum(512, 512);
    const std::vector<double> silence(512, 0.0);
    std::vector<double> out(512, 1.0);
    spectrum.compute(silence.data(), out.data());
    for (double v : out) EXPECT_EQ(v, -std::numeric_limits<double>::infinity());
}

TEST(LogSpectrum, HammingWindowEndsAtEightHundredthsAndPeaksAtOne) {
    EXPECT_NEAR(hammingCoefficient(0, 512), 0.08, 1e-15);
    EXPECT_NEAR(hammingCoefficient(511, 512), 0.08, 1e-12);
    EXPECT_NEAR(hammingCoefficient(767, 1535), 1.0, 1e-15);
}
