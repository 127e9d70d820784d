// A capture source that plays an audio file as a microphone would: in real time from the start
// of every run, then silence. WAV, FLAC or anything else libsndfile reads, at any rate and
// channel count: it is mixed to mono and resampled to 44,100 Hz as it plays.
#pragma once

#include "AudioFileStream.h"
#include "PacedSource.h"

#include <cstdint>
#include <string>

namespace tonik {

class AudioFileSource final : public PacedSource {
public:
    explicit AudioFileSource(std::string path, const SoftwareMixer* mixer = nullptr,
                             double speed = 1.0)
        : PacedSource(mixer, speed), path_(std::move(path)) {}

    // NoDevice when the file is missing, CannotConfigure when it cannot be used; problem()
    // then names the file and says why.
    CaptureOpenResult open() override;
    std::string problem() const override { return problem_; }
    void close() override { stream_.close(); }

protected:
    // Runs on the recorder's worker; the stream is only touched there while a run is going.
    void fill(int16_t* out, long long first, int count) override;

private:
    std::string path_;
    std::string problem_;
    AudioFileStream stream_;
    long long position_ = 0;  // the next sample the stream delivers
};

}  // namespace tonik
