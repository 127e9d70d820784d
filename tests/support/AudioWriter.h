// Writes audio files of any format libsndfile writes, for the tests of the file readers.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <string>
#include <vector>

namespace testsignals {

// Writes interleaved samples in -1..1, as 16-bit WAV unless another libsndfile format is given.
inline void writeAudio(const std::string& path, const std::vector<float>& samples, int rate,
                       int channels, int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    EXPECT_EQ(sf_writef_float(f, samples.data(), frames), frames);
    sf_close(f);
}

// A sine of `hz` at `amplitude`, `seconds` long, the same in every channel.
inline std::vector<float> sine(double hz, double seconds, int rate, int channels = 1, double amplitude = 0.5) {
    const size_t frames = static_cast<size_t>(seconds * rate);
    std::vector<float> out(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out[i * channels + c] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * i / rate));
    return out;
}

// Zero crossings from one sample to the next, from `from` to `to`.
inline int zeroCrossings(const std::vector<int16_t>& s, size_t from, size_t to) {
    int n = 0;
    for (size_t i = from + 1; i < to && i < s.size(); ++i) n += (s[i - 1] < 0) != (s[i] < 0);
    return n;
}

}  // namespace testsignals
