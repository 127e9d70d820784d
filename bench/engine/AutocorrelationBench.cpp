// Cost of the lag search by direct sums and by FFT over the widths the pitch search meets:
// the crossover sets the cost model that chooses between them.
#include "analysis/Autocorrelation.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

using tonik::Autocorrelation;

namespace {

std::vector<double> voicedSamples(int length) {
    std::mt19937 rng(7);
    std::normal_distribution<double> gauss(0.0, 200.0);
    std::vector<double> x(length);
    for (int k = 0; k < length; ++k) {
        double v = 0.0;
        for (int h = 1; h <= 6; ++h) v += 5000.0 / h * std::sin(2.0 * M_PI * h * 110.0 * k / 44100.0);
        x[k] = std::lrint(v + gauss(rng));
    }
    return x;
}

// range(0): run length; range(1): lags searched; range(2): 0 direct, 1 FFT, 2 as chosen.
void lagSearch(benchmark::State& state) {
    const int length = static_cast<int>(state.range(0));
    const int lags = static_cast<int>(state.range(1));
    const std::vector<double> x = voicedSamples(length);
    Autocorrelation correlation;
    const int lagMin = 20;
    const int lagMax = lagMin + lags - 1;
    for (auto _ : state) {
        int lag = 0;
        switch (state.range(2)) {
        case 0: lag = correlation.bestLagDirect(x.data(), length, lagMin, lagMax); break;
        case 1: lag = correlation.bestLagByFft(x.data(), length, lagMin, lagMax); break;
        default: lag = correlation.bestLag(x.data(), length, lagMin, lagMax); break;
        }
        benchmark::DoNotOptimize(lag);
    }
    state.counters["used_fft"] = correlation.lastUsedFft();
    state.counters["exact_sums"] = correlation.lastExactSums();
}

}  // namespace

BENCHMARK(lagSearch)
    ->ArgNames({"length", "lags", "method"})
    ->ArgsProduct({{1024, 4096, 8192}, {16, 64, 256, 1024, 4096}, {0, 1, 2}})
    ->Unit(benchmark::kMicrosecond);
