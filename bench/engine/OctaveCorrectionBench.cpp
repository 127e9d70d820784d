// The two ways the octave-jump correction can learn the last output pitch, compared on the
// generated pitch corpus through the internal pipeline: share within half a semitone,
// octave errors and other wrong pitches, overall and per condition.
#include "../../tests/support/BlockPipeline.h"
#include "../../tests/support/PitchCorpus.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace tonik;
using namespace pitchcorpus;

namespace {

const Corpus& corpus() {
    static const Corpus instance = buildCorpus();
    return instance;
}

// Calibrates in a first run, sets the gate and starts a fresh run, as the program does.
CorpusReport measure(OctaveCorrection correction) {
    auto p = std::make_unique<testsignals::BlockPipeline>(correction);
    const Feeder feed = [&p](const int16_t* block) { return p->feed(block); };
    p->settings.noiseGate = calibrateGate(corpus(), feed).noiseLevel;
    p->store.reset();
    return runCorpus(corpus(), feed).report;
}

void octaveCorrection(benchmark::State& state) {
    const auto correction = state.range(0) == 0 ? OctaveCorrection::SecondPathOnly
                                                : OctaveCorrection::AlsoFromZero;
    const char* name = state.range(0) == 0 ? "SecondPathOnly" : "AlsoFromZero";
    CorpusReport report;
    for (auto _ : state) report = measure(correction);
    state.counters["within"] = report.overall.withinShare();
    state.counters["octave"] = report.overall.octaveShare();
    state.counters["other_wrong"] = report.overall.otherWrongShare();
    state.counters["within_headline"] = report.headline().withinShare();
    state.SetLabel(name);

    static bool printed[2] = {false, false};
    if (!printed[state.range(0)]) {
        printed[state.range(0)] = true;
        std::printf("\nOctaveCorrection::%s\n%s\n", name, formatReport(report).c_str());
        std::fflush(stdout);
    }
}

}  // namespace

BENCHMARK(octaveCorrection)->ArgName("also_from_zero")->Arg(0)->Arg(1)->Iterations(1)
    ->Unit(benchmark::kMillisecond);
