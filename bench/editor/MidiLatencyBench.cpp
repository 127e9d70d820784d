// How soon a monitored note sounds. For the internal synthesizer: the frames from send() of a
// note-on to the first audible sample when the synth renders in the audio driver's periods,
// and the CPU cost of one period with the messages recording sends. For an ALSA sequencer
// port: the cost of send(), which drains the event to the kernel at once.
#include "editor/midi/AlsaSequencerDevice.h"
#include "editor/midi/FluidSynthDevice.h"

#include <alsa/asoundlib.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using hummwell::FluidSynthDevice;
using hummwell::packShortMessage;

constexpr int kPeriod = FluidSynthDevice::kPeriodFrames;
constexpr double kPeriodMs = 1000.0 * kPeriod / FluidSynthDevice::kSampleRate;
// A fresh synth idles at about -150 dBFS (reverb residue). Above -120 dBFS the voice has
// started; above -80 dBFS a listener can hear it, which includes the instrument's own attack
// and any silence at the start of its sample.
constexpr float kVoice = 1e-6f;
constexpr float kAudible = 1e-4f;

struct Periods {
    std::vector<float> left = std::vector<float>(kPeriod), right = std::vector<float>(kPeriod);
    void render(FluidSynthDevice& synth) { synth.render(left.data(), right.data(), kPeriod); }
};

// Frames from the start of the first period rendered after a note-on to the first frame above
// kVoice and above kAudible; -1 for what does not come within 100 periods.
struct Onset {
    int voice = -1, audible = -1;
};
Onset renderUntilAudible(FluidSynthDevice& synth, Periods& periods) {
    Onset onset;
    for (int at = 0; at < 100 * kPeriod && onset.audible < 0; at += kPeriod) {
        periods.render(synth);
        for (int i = 0; i < kPeriod && onset.audible < 0; ++i) {
            const float v = std::max(std::fabs(periods.left[i]), std::fabs(periods.right[i]));
            if (v > kVoice && onset.voice < 0) onset.voice = at + i;
            if (v > kAudible) onset.audible = at + i;
        }
    }
    return onset;
}

bool openOffline(benchmark::State& state, FluidSynthDevice& synth) {
    std::string problem;
    if (synth.open(problem)) return true;
    state.SkipWithError(problem.c_str());
    return false;
}

// range(0): the program; TimGM6mb's piano sample starts with about 6 ms of near silence, the
// oboe's does not. Every note on a freshly opened synth, so that no tail of the last note and
// no reverb state is measured with it: the frame counts are the same for every iteration.
void noteOnToFirstSound(benchmark::State& state) {
    FluidSynthDevice synth(FluidSynthDevice::Output::Offline);
    Periods periods;
    Onset onset;
    for (auto _ : state) {
        state.PauseTiming();
        if (!openOffline(state, synth)) break;
        synth.send(packShortMessage(0xC0, 0, static_cast<int>(state.range(0)), 0));
        for (int i = 0; i < 4; ++i) periods.render(synth);
        state.ResumeTiming();
        synth.send(packShortMessage(0x90, 0, 69, 100));
        onset = renderUntilAudible(synth, periods);
        if (onset.audible < 0) {
            state.SkipWithError("the note-on never sounded");
            break;
        }
    }
    const double msPerFrame = 1000.0 / FluidSynthDevice::kSampleRate;
    state.counters["voice_frames"] = onset.voice;
    state.counters["voice_ms"] = onset.voice * msPerFrame;
    state.counters["audible_frames"] = onset.audible;
    state.counters["audible_ms"] = onset.audible * msPerFrame;
    // What the driver adds at most: the rest of the period during which the message arrives,
    // and the periods already queued for the card.
    state.counters["driver_wait_ms_max"] = kPeriodMs * (1 + FluidSynthDevice::kPeriods);
}
BENCHMARK(noteOnToFirstSound)->ArgName("program")->Arg(0)->Arg(68)->Iterations(50)
    ->Unit(benchmark::kMicrosecond);

// One driver period while a take is monitored: every frame (11.6 ms, two periods) brings a
// bend and an expression controller, and now and then a new note. range(0): notes held at once.
void sendAndRenderPeriod(benchmark::State& state) {
    FluidSynthDevice synth(FluidSynthDevice::Output::Offline);
    if (!openOffline(state, synth)) return;
    Periods periods;
    const int held = static_cast<int>(state.range(0));
    // Oboes: they sound for as long as they are held, unlike a piano's decaying notes.
    for (int n = 0; n < held; ++n) {
        synth.send(packShortMessage(0xC0, n % 16, 68, 0));
        synth.send(packShortMessage(0x90, n % 16, 60 + n, 100));
    }
    int period = 0;
    for (auto _ : state) {
        if (period % 2 == 0) {
            const int bend = 8192 + (period % 64) * 16;
            synth.send(packShortMessage(0xE0, 0, bend & 0x7F, bend >> 7));
            synth.send(packShortMessage(0xB0, 0, 11, 64 + period % 32));
        }
        if (period % 64 == 0) {
            synth.send(packShortMessage(0x80, 0, 60, 0));
            synth.send(packShortMessage(0x90, 0, 60, 100));
        }
        periods.render(synth);
        benchmark::DoNotOptimize(periods.left.data());
        ++period;
    }
    // Audio seconds per CPU second; its inverse is the share of the audio thread's time used.
    state.counters["realtime_factor"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kPeriodMs / 1000.0, benchmark::Counter::kIsRate);
}
BENCHMARK(sendAndRenderPeriod)->ArgName("notes")->Arg(1)->Arg(8)->Unit(benchmark::kMicrosecond);

// A port of the benchmark's own that takes the events, as a synthesizer's would.
struct SequencerSink {
    SequencerSink() {
        if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
            seq = nullptr;
            return;
        }
        port = snd_seq_create_simple_port(seq, "sink",
                                          SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                          SND_SEQ_PORT_TYPE_APPLICATION);
    }
    ~SequencerSink() {
        if (seq) snd_seq_close(seq);
    }
    snd_seq_t* seq = nullptr;
    int port = -1;
};

void alsaSequencerSend(benchmark::State& state) {
    SequencerSink sink;
    if (!sink.seq || sink.port < 0) {
        state.SkipWithError("no ALSA sequencer (/dev/snd/seq) on this machine");
        return;
    }
    hummwell::AlsaSequencerDevice device(std::to_string(snd_seq_client_id(sink.seq)) + ":" +
                                         std::to_string(sink.port));
    std::string problem;
    if (!device.open(problem)) {
        state.SkipWithError(problem.c_str());
        return;
    }
    int sent = 0;
    for (auto _ : state) {
        device.send(packShortMessage(sent % 2 ? 0x80 : 0x90, 0, 60, 100));
        // Empty the sink's pool now and then, or a full one would turn sends into drops.
        if (++sent % 256 == 0) snd_seq_drop_input(sink.seq);
    }
}
BENCHMARK(alsaSequencerSend)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
