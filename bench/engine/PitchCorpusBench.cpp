// The generated pitch corpus through the shared library's C interface, one tonik_send of 512
// samples per block, after the gate has been calibrated and set as the program sets it.
// Prints how often the pitch is right (per condition, the headline being clean voice-like
// tones of MIDI 40..96) and what one block costs: median and worst time of tonik_send, which
// is the pipeline plus the analysis.
#include "tonik.h"

#include "../../tests/support/PitchCorpus.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

using namespace pitchcorpus;

namespace {

constexpr double kMedianTargetUs = 150.0;
constexpr double kWorstTargetUs = 1500.0;

const Corpus& corpus() {
    static const Corpus instance = buildCorpus();
    return instance;
}

FrameResult lastRecord{};
int keepRecord(const FrameResult* r) {
    lastRecord = *r;
    return 1;
}
int ignoreLevel(const LevelResult*) { return 0; }

// The library's note about muting the microphone would only clutter the figures; errors and
// questions still go to stderr, and a question is answered Cancel as without a host.
int showMessage(void*, void*, const char* text, const char*, int icon, int buttons) {
    if (icon != TONIK_ICON_INFORMATION) std::fprintf(stderr, "tonik: %s\n", text);
    return buttons == TONIK_BUTTONS_OK ? TONIK_ANSWER_OK : TONIK_ANSWER_CANCEL;
}

struct Measurement {
    GateCalibration gate;
    CorpusReport report;
    double medianUs = 0.0;
    double worstUs = 0.0;
};
std::optional<Measurement> lastMeasurement;

FrameResult sendBlock(const int16_t* block) {
    tonik_send(block, kBlock, 0);
    return lastRecord;
}

Measurement measureThroughTheLibrary() {
    Measurement m;
    // Calibration: the level of every background block, as a volume run would report it.
    tonik_start_file(nullptr, keepRecord);
    m.gate = calibrateGate(corpus(), sendBlock);
    tonik_stop_file();
    // The level dialog closes: a volume run ends with the gate. The software mixer's volume
    // does not touch pushed samples; 40 is the program's default pitch-detection level.
    tonik_volume_start(nullptr, ignoreLevel);
    tonik_volume_stop(m.gate.noiseLevel);
    tonik_volume_change(1.0, 0, kDefaultPeakLevel);

    std::vector<double> micros;
    micros.reserve(corpus().blockCount());
    tonik_start_file(nullptr, keepRecord);
    const CorpusRun run = runCorpus(corpus(), [&micros](const int16_t* block) {
        const auto begin = std::chrono::steady_clock::now();
        tonik_send(block, kBlock, 0);
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - begin).count());
        return lastRecord;
    });
    tonik_stop_file();

    m.report = run.report;
    m.worstUs = *std::max_element(micros.begin(), micros.end());
    std::nth_element(micros.begin(), micros.begin() + micros.size() / 2, micros.end());
    m.medianUs = micros[micros.size() / 2];
    return m;
}

void pitchCorpus(benchmark::State& state) {
    for (auto _ : state) lastMeasurement = measureThroughTheLibrary();
    const Measurement& m = *lastMeasurement;
    const CorpusReport& r = m.report;
    state.counters["within_headline"] = r.headline().withinShare();
    state.counters["octave_headline"] = r.headline().octaveShare();
    for (Condition c : {Condition::Harmonic, Condition::Sine, Condition::Vibrato,
                        Condition::Glide, Condition::Snr20})
        state.counters[std::string("within_") + conditionLabel(c)] = r.of(c).withinShare();
    state.counters["octave_share"] = r.overall.octaveShare();
    state.counters["unvoiced_pitched"] = r.overall.unvoicedPitchedShare();
    state.counters["median_us"] = m.medianUs;
    state.counters["worst_us"] = m.worstUs;
}

}  // namespace

BENCHMARK(pitchCorpus)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The corpus is pushed through tonik_send: no microphone is needed, so none is opened.
    setenv("TONIK_CAPTURE", "silence", 0);
    const TonikHost host{nullptr, showMessage, nullptr, nullptr};
    tonik_set_host(&host);
    tonik_initialize(nullptr);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (!lastMeasurement) return 0;
    const Measurement& m = *lastMeasurement;
    std::printf("\nPitch corpus through tonik_send (%d blocks of 512 samples, gate %.2f dB "
                "over a floor of %.2f dB)\n",
                m.report.blocks, m.gate.noiseLevel, m.gate.floorLevel);
    std::printf("%s", formatReport(m.report).c_str());
    std::printf("\nper block (pipeline + analysis): median %7.1f us  (target <= %.0f us)  %s\n",
                m.medianUs, kMedianTargetUs, m.medianUs <= kMedianTargetUs ? "ok" : "MISSED");
    std::printf("                                 worst  %7.1f us  (target <= %.0f us) %s\n",
                m.worstUs, kWorstTargetUs, m.worstUs <= kWorstTargetUs ? "ok" : "MISSED");
    return 0;
}
