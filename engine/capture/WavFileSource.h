// A capture source that plays a WAV file as a microphone would: in real time from the start of
// every run, then silence. 16-bit PCM at 44,100 Hz; stereo files are mixed down to mono.
#pragma once

#include "PacedSource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tonik {

// The mono samples of a WAV file, or why it cannot be used.
struct WavSamples {
    std::vector<int16_t> samples;
    std::string error;  // empty when the file was read
};
WavSamples readWav(const std::string& path);

class WavFileSource final : public PacedSource {
public:
    explicit WavFileSource(std::string path, const SoftwareMixer* mixer = nullptr,
                           double speed = 1.0)
        : PacedSource(mixer, speed), path_(std::move(path)) {}

    // NoDevice when the file is missing; CannotConfigure when it is not 16-bit 44,100 Hz PCM.
    CaptureOpenResult open() override;
    const std::string& error() const { return error_; }
    const std::vector<int16_t>& samples() const { return samples_; }

protected:
    void fill(int16_t* out, long long first, int count) override;

private:
    std::string path_;
    std::string error_;
    std::vector<int16_t> samples_;
};

}  // namespace tonik
