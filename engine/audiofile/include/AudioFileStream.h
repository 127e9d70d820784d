// An audio file read as a stream of what the engine takes: any format libsndfile reads, at
// any rate and channel count, mixed to mono, resampled to 44,100 Hz and scaled to 16 bits.
// Memory stays at a few chunks whatever the file's length. One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;
struct soxr;

namespace tonik {

class AudioFileStream {
public:
    static constexpr int kRate = 44100;

    AudioFileStream();
    ~AudioFileStream();
    AudioFileStream(const AudioFileStream&) = delete;
    AudioFileStream& operator=(const AudioFileStream&) = delete;

    // False with a one-line reason in error(), which does not name the file: missing, a
    // folder, unreadable, not audio, no channels or rate.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return file_ != nullptr; }
    const std::string& error() const { return error_; }

    // Up to `count` samples; fewer only at the end of the file or when reading failed (then
    // error() says why). Samples that are not finite numbers are read as silence.
    size_t read(int16_t* out, size_t count);
    // Back to the first sample, as if just opened.
    bool rewind();

    int sourceRate() const { return rate_; }
    int sourceChannels() const { return channels_; }
    // The file's length as its reader found it, in frames at its own rate.
    long long sourceFrames() const { return frames_; }
    double sourceSeconds() const { return rate_ > 0 ? static_cast<double>(frames_) / rate_ : 0.0; }
    // What the header promised: more than sourceFrames when the file was cut short.
    long long promisedFrames() const { return promised_; }
    // Frames of the file decoded so far, and of those the samples that were no numbers.
    long long framesRead() const { return framesRead_; }
    long long nonFiniteSamples() const { return nonFinite_; }
    // Samples beyond twice full scale (6 dB over; a float file may hold anything) are read as
    // full scale: how many, and the largest of them.
    static constexpr float kFarBeyondFullScale = 2.0f;
    long long samplesBeyondFullScale() const { return overRange_; }
    double loudestSample() const { return loudest_; }
    // The most samples at the engine's rate one decoding step may hold.
    size_t samplesPerStep() const { return resampled_.size() > mono_.size() ? resampled_.size() : mono_.size(); }
    // True once read has delivered everything.
    bool atEnd() const { return ended_ && pendingAt_ == pending_.size(); }

private:
    bool decodeMore();
    void emit(const float* samples, size_t count);

    sf_private_tag* file_ = nullptr;
    soxr* resampler_ = nullptr;
    std::string error_;
    int rate_ = 0;
    int channels_ = 0;
    long long frames_ = 0;
    long long promised_ = 0;
    long long framesRead_ = 0;
    long long nonFinite_ = 0;
    long long overRange_ = 0;
    double loudest_ = 0.0;
    long long chunkFrames_ = 0;  // frames of the file decoded at a time
    bool inputDone_ = false;
    bool ended_ = false;
    std::vector<float> interleaved_;
    std::vector<float> mono_;
    std::vector<float> resampled_;
    std::vector<int16_t> pending_;
    size_t pendingAt_ = 0;
};

// Scales samples in -1..1 to 16 bits, clipped to the symmetric range -32767..32767 (16-bit
// files come back exactly).
int16_t toPcm16(float sample);

}  // namespace tonik
