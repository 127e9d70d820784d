// Audio files into what the engine takes: any format libsndfile reads, any rate and channel
// count, mixed to mono and resampled to 44,100 Hz, as 16-bit samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hummwell::cli {

inline constexpr int kEngineRate = 44100;

struct DecodedAudio {
    std::vector<int16_t> samples;  // mono, 44,100 Hz
    int sourceRate = 0;
    int sourceChannels = 0;
    double sourceSeconds = 0.0;  // the whole file, also when only its start was decoded
    double seconds() const { return static_cast<double>(samples.size()) / kEngineRate; }
    // What the caller should tell the user: a file cut short, samples that are no numbers.
    std::vector<std::string> warnings;
};

// Mono, resampled and quantised audio of `path`, at most its first `maxSeconds`; false with a
// one-line reason in `error` (without the path) when the file is missing, is not audio or
// holds no samples.
bool decodeAudio(const std::string& path, double maxSeconds, DecodedAudio& out,
                 std::string& error);

// The steps of decodeAudio on samples already in memory: interleaved floats in -1..1.
std::vector<float> mixToMono(const std::vector<float>& interleaved, int channels);
// Converts the rate; the result has about in.size() * to / from samples.
bool resample(const std::vector<float>& in, int fromRate, int toRate, std::vector<float>& out,
              std::string& error);
std::vector<int16_t> toInt16(const std::vector<float>& samples);

}  // namespace hummwell::cli
