// Cost of the block pipeline per 512-sample block: push into the three rings, three FFTs
// (512, 1,024 and 2,048 points), their logs, the nine statistics and, in pitch mode, the
// analysis. Prints microseconds per block and the real-time factor against the 11.61 ms
// block period.
#include "analysis/BlockSink.h"

#include "../../tests/support/Signals.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

using namespace tonik;

namespace {

constexpr double kBlockSeconds = 512.0 / 44100.0;

struct NullTarget final : BlockTarget {
    int deliverBlock() override { return 0; }
};

// Two seconds of a voice-like tone (falling harmonics, 5.5 Hz vibrato) or of silence.
std::vector<int16_t> signal(bool voiced) {
    const int count = 2 * 44100 / 512 * 512;
    if (!voiced) return std::vector<int16_t>(count, 0);
    std::vector<int16_t> out(count);
    double phase = 0.0;
    for (int i = 0; i < count; ++i) {
        const double f = 196.0 * std::pow(2.0, 0.5 / 12.0 * std::sin(2 * M_PI * 5.5 * i / 44100.0));
        phase += 2 * M_PI * f / 44100.0;
        double v = 0.0;
        for (int h = 1; h <= 8; ++h) v += std::sin(h * phase) / h;
        out[i] = static_cast<int16_t>(std::lrint(9000.0 * v));
    }
    return out;
}

void blockSink(benchmark::State& state) {
    const BlockMode mode = state.range(0) == 0 ? BlockMode::Pitch : BlockMode::Volume;
    const std::vector<int16_t> samples = signal(state.range(1) == 1);
    AnalysisSettings settings;
    settings.mode = mode;
    settings.noiseGate = -200.0;  // every block of the tone is searched
    FrameStore store;
    PitchAnalysis analysis(settings);
    NullTarget target;
    BlockSink sink(store, analysis, settings, target);

    const int blocks = static_cast<int>(samples.size()) / 512;
    int next = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (auto _ : state) {
        benchmark::DoNotOptimize(sink.blockSink(samples.data() + next * 512, 512));
        next = (next + 1) % blocks;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const double perBlock = seconds / static_cast<double>(state.iterations());
    state.counters["us_per_block"] = perBlock * 1e6;
    state.counters["realtime_factor"] = kBlockSeconds / perBlock;
    state.SetLabel(std::string(mode == BlockMode::Pitch ? "pitch" : "volume") +
                   (state.range(1) == 1 ? "/voiced" : "/silence"));
}

}  // namespace

BENCHMARK(blockSink)->ArgNames({"volume_mode", "voiced"})->ArgsProduct({{0, 1}, {1, 0}});
