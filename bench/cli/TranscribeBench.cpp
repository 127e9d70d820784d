// Throughput of hummwell-cli in seconds of audio per second of wall time, on one thread:
// decoding (read, mix to mono, resample), the transcription itself, and the whole command.
#include "AudioFile.h"
#include "Cli.h"
#include "FileTranscription.h"
#include "melody/SungMelody.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace {

constexpr int kRepeats = 4;  // the example melody four times: 31 s of audio

double melodySeconds() { return sungmelody::exampleMelody(kRepeats).seconds; }

// One WAV file per rate and channel count, written once and removed at exit.
const std::string& audioFile(int rate, int channels) {
    static std::map<std::pair<int, int>, std::string> files;
    auto [it, fresh] = files.try_emplace({rate, channels});
    if (fresh) {
        it->second = "/tmp/hummwell-bench-" + std::to_string(getpid()) + "-" + std::to_string(rate) +
                     "-" + std::to_string(channels) + ".wav";
        const std::vector<float> samples =
            sungmelody::render(sungmelody::exampleMelody(kRepeats), rate, channels);
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(it->second.c_str(), SFM_WRITE, &info);
        sf_writef_float(f, samples.data(), static_cast<sf_count_t>(samples.size()) / channels);
        sf_close(f);
        std::atexit([] {
            for (const auto& [key, path] : files) std::remove(path.c_str());
        });
    }
    return it->second;
}

void reportRealtime(benchmark::State& state, double audioSeconds) {
    state.counters["realtime_factor"] = benchmark::Counter(
        audioSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void decode(benchmark::State& state) {
    const std::string& path = audioFile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        hummwell::cli::DecodedAudio audio;
        std::string error;
        benchmark::DoNotOptimize(hummwell::cli::decodeAudio(path, 1000.0, audio, error));
    }
    reportRealtime(state, melodySeconds());
}
BENCHMARK(decode)->ArgNames({"rate", "channels"})->Args({44100, 1})->Args({48000, 2})->Args({22050, 1})
    ->Unit(benchmark::kMillisecond);

// The engine and the transcriber on samples already in memory.
void transcription(benchmark::State& state) {
    const std::vector<int16_t> samples =
        sungmelody::toPcm16(sungmelody::render(sungmelody::exampleMelody(kRepeats), 44100, 1));
    for (auto _ : state) {
        hummwell::cli::FileTranscription t;
        t.run(samples, {});
        benchmark::DoNotOptimize(t.view.frameCount());
    }
    reportRealtime(state, melodySeconds());
}
BENCHMARK(transcription)->Unit(benchmark::kMillisecond);

// hummwell-cli transcribe IN -o OUT.mid --quantize note, in process.
void wholeCommand(benchmark::State& state) {
    const std::string& in = audioFile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const std::string out = "/tmp/hummwell-bench-" + std::to_string(getpid()) + ".mid";
    for (auto _ : state) {
        std::ostringstream sink;
        const int code = hummwell::cli::runCli({"transcribe", in, "-o", out, "--quantize", "note"},
                                               {sink, sink, false});
        if (code != 0) state.SkipWithError(sink.str().c_str());
    }
    std::remove(out.c_str());
    reportRealtime(state, melodySeconds());
}
BENCHMARK(wholeCommand)->ArgNames({"rate", "channels"})->Args({44100, 1})->Args({48000, 2})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
