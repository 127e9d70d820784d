// Throughput of hummwell-cli in seconds of audio per second of wall time, on one thread:
// decoding (read, mix to mono, resample), the transcription itself, and the whole command;
// and its peak memory on a long take, which streaming keeps to a few megabytes.
#include "Cli.h"
#include "FileTranscription.h"
#include "AudioFileStream.h"
#include "melody/SungMelody.h"

#include "document/ProjectFile.h"
#include "document/SafeFile.h"
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <fstream>
#include <chrono>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
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
    std::vector<int16_t> block(512);
    for (auto _ : state) {
        tonik::AudioFileStream stream;
        if (!stream.open(path)) state.SkipWithError(stream.error().c_str());
        while (stream.read(block.data(), block.size()) > 0) benchmark::DoNotOptimize(block.data());
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
        benchmark::DoNotOptimize(t.track.frameCount());
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

// A long take at 48 kHz stereo: the example melody over and over, written a piece at a time.
std::string longFile(int minutes) {
    const std::string path = "/tmp/hummwell-bench-" + std::to_string(getpid()) + "-long-" +
                             std::to_string(minutes) + ".wav";
    const std::vector<float> melody = sungmelody::render(sungmelody::exampleMelody(kRepeats), 48000, 2);
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    const sf_count_t frames = static_cast<sf_count_t>(minutes) * 60 * 48000;
    const sf_count_t piece = static_cast<sf_count_t>(melody.size() / 2);
    for (sf_count_t done = 0; done < frames; done += piece)
        sf_writef_float(f, melody.data(), std::min(piece, frames - done));
    sf_close(f);
    return path;
}

// Peak memory of hummwell-cli transcribe on a long file, over what the process held before:
// each run in a child process, whose peak resident size the kernel reports.
void peakMemory(benchmark::State& state) {
    const std::string in = longFile(static_cast<int>(state.range(0)));
    const std::string out = "/tmp/hummwell-bench-" + std::to_string(getpid()) + "-long.mid";
    const auto childPeakKb = [&](bool transcribe) {
        const pid_t child = fork();
        if (child == 0) {
            int code = 0;
            if (transcribe) {
                std::ostringstream sink;
                code = hummwell::cli::runCli({"transcribe", in, "-o", out}, {sink, sink, false});
            }
            _exit(code);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the transcription failed");
        return static_cast<double>(usage.ru_maxrss);
    };
    double peakMb = 0.0;
    for (auto _ : state) peakMb = (childPeakKb(true) - childPeakKb(false)) / 1024.0;
    state.counters["peak_MB"] = peakMb;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(in)) / 1e6;
    std::remove(in.c_str());
    std::remove(out.c_str());
}
BENCHMARK(peakMemory)->ArgName("minutes")->Arg(1)->Arg(120)->Iterations(1)->Unit(benchmark::kSecond);

// Files that once took gigabytes or hung: hummwell-cli on each in a child process, its peak
// resident size over what a child that does nothing holds, and its wall time.
//   0: info on a 1.4 GB project (sparse) whose header counts 50 million frames
//   1: transcribe a 444-byte WAV whose header says 1 Hz
//   2: info on a pipe nobody writes to
void oddFile(benchmark::State& state) {
    const std::string folder = "/tmp/hummwell-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(folder);
    std::vector<std::string> args;
    switch (state.range(0)) {
    case 0: {
        std::vector<uint8_t> header(hummwell::kProjectMagic, hummwell::kProjectMagic + 16);
        hummwell::putInt32(header, 1);
        header.resize(40, 0);
        for (const int32_t v : hummwell::ProjectSettings{}.values) hummwell::putInt32(header, v);
        hummwell::putInt32(header, 50'000'000);
        const std::string path = folder + "/huge.hwp";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(header.data()), 124);
        std::filesystem::resize_file(path, 124 + 28ULL * 50'000'000);
        args = {"info", path};
        break;
    }
    case 1: {
        std::vector<float> samples(200, 0.2f);
        SF_INFO info{};
        info.samplerate = 1;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open((folder + "/onehz.wav").c_str(), SFM_WRITE, &info);
        sf_writef_float(f, samples.data(), 200);
        sf_close(f);
        args = {"transcribe", folder + "/onehz.wav", "-o", folder + "/onehz.mid"};
        break;
    }
    default:
        mkfifo((folder + "/pipe.hwp").c_str(), 0644);
        args = {"info", folder + "/pipe.hwp"};
    }
    const auto child = [&](bool run, double& seconds) {
        const auto started = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            std::ostringstream sink;
            if (run) hummwell::cli::runCli(args, {sink, sink, false});
            _exit(0);
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return static_cast<double>(usage.ru_maxrss);
    };
    double peakMb = 0.0, seconds = 0.0, idle = 0.0;
    for (auto _ : state) peakMb = (child(true, seconds) - child(false, idle)) / 1024.0;
    state.counters["peak_MB"] = peakMb;
    state.counters["seconds"] = seconds;
    std::filesystem::remove_all(folder);
}
BENCHMARK(oddFile)->ArgName("kind")->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
