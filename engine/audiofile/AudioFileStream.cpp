#include "AudioFileStream.h"

#include <sndfile.h>
#include <soxr.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tonik {

namespace {

constexpr sf_count_t kChunkFrames = 4096;

// A WAV cut short is opened at the length it really has; only libsndfile's log keeps what the
// header said ("data : 88200 (should be 44100)", in bytes).
long long promisedByHeader(SNDFILE* file, long long frames) {
    char log[4096] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    if (const char* data = std::strstr(log, "\ndata : ")) {
        long long said = 0, is = 0;
        if (std::sscanf(data, "\ndata : %lld (should be %lld)", &said, &is) == 2 && is > 0 && said > is)
            return std::llround(static_cast<double>(frames) * said / is);
    }
    return frames;
}

std::string lowerFirst(std::string text) {
    if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

}  // namespace

int16_t toPcm16(float sample) {
    // 32,768 per unit, as 16-bit files are scaled on reading, so they come back unchanged.
    return static_cast<int16_t>(std::clamp(std::lrint(sample * 32768.0), -32767L, 32767L));
}

AudioFileStream::AudioFileStream() = default;

AudioFileStream::~AudioFileStream() { close(); }

void AudioFileStream::close() {
    if (resampler_) soxr_delete(resampler_);
    resampler_ = nullptr;
    if (file_) sf_close(file_);
    file_ = nullptr;
}

bool AudioFileStream::open(const std::string& path) {
    close();
    error_.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error_ = errno == ENOENT ? "no such file" : lowerFirst(std::strerror(errno));
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error_ = "is a folder, not an audio file";
        return false;
    }
    // A pipe would hold the open until something writes to it, and a device may never end;
    // the file is read twice besides.
    if (!S_ISREG(st.st_mode)) {
        error_ = "is not a regular file (a pipe, a device or a socket)";
        return false;
    }
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else {
        error_ = lowerFirst(std::strerror(errno));
        return false;
    }
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (!file_) {
        error_ = std::string("not an audio file that can be read (") + sf_strerror(nullptr) + ")";
        return false;
    }
    if (info.channels < 1 || info.samplerate < 1) {
        close();
        error_ = "not an audio file that can be read (no channels or no sample rate)";
        return false;
    }
    rate_ = info.samplerate;
    channels_ = info.channels;
    frames_ = info.frames;
    promised_ = promisedByHeader(file_, frames_);
    if (rate_ != kRate) {
        // High quality: 20-bit precision, flat to 95 % of the band; one thread, as the
        // analysis that takes the samples is single-threaded too.
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        soxr_error_t failed = nullptr;
        resampler_ = soxr_create(rate_, kRate, 1, &failed, &io, &quality, &runtime);
        if (failed || !resampler_) {
            close();
            error_ = std::string("cannot be resampled from ") + std::to_string(rate_) + " Hz (" +
                     (failed ? failed : "no resampler") + ")";
            return false;
        }
    }
    // A chunk of the file makes at most about a chunk at the engine's rate, however low the
    // file's rate: a header that claims 1 Hz must not ask for a buffer of gigabytes.
    chunkFrames_ = rate_ >= kRate ? kChunkFrames
                                  : std::max<sf_count_t>(1, kChunkFrames * static_cast<sf_count_t>(rate_) / kRate);
    interleaved_.resize(static_cast<size_t>(chunkFrames_) * channels_);
    mono_.resize(static_cast<size_t>(chunkFrames_));
    resampled_.resize(static_cast<size_t>(std::ceil(static_cast<double>(chunkFrames_) * kRate / rate_)) + 64);
    return rewind();
}

bool AudioFileStream::rewind() {
    if (!file_) return false;
    if (sf_seek(file_, 0, SEEK_SET) < 0) {
        error_ = std::string("cannot go back to the start (") + sf_strerror(file_) + ")";
        return false;
    }
    if (resampler_) soxr_clear(resampler_);
    framesRead_ = 0;
    nonFinite_ = 0;
    overRange_ = 0;
    loudest_ = 0.0;
    inputDone_ = false;
    ended_ = false;
    pending_.clear();
    pendingAt_ = 0;
    return true;
}

size_t AudioFileStream::read(int16_t* out, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (pendingAt_ == pending_.size() && !decodeMore()) break;
        const size_t n = std::min(count - done, pending_.size() - pendingAt_);
        std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(pendingAt_), n, out + done);
        pendingAt_ += n;
        done += n;
    }
    return done;
}

void AudioFileStream::emit(const float* samples, size_t count) {
    pending_.resize(count);
    std::transform(samples, samples + count, pending_.begin(), toPcm16);
    pendingAt_ = 0;
}

// Decodes the next chunk into pending_; false when nothing more comes.
bool AudioFileStream::decodeMore() {
    if (!file_ || ended_) return false;
    size_t monoFrames = 0;
    if (!inputDone_) {
        const sf_count_t got = sf_readf_float(file_, interleaved_.data(), chunkFrames_);
        if (got <= 0) {
            inputDone_ = true;
            if (sf_error(file_) != SF_ERR_NO_ERROR)
                error_ = std::string("cannot be read to the end (") + sf_strerror(file_) + ")";
        } else {
            framesRead_ += got;
            monoFrames = static_cast<size_t>(got);
            // A NaN would spread through the resampler and drag the measured floor down; a
            // sample far beyond full scale (a float file's 1e30) is only clipped, but counted.
            for (size_t i = 0; i < monoFrames * channels_; ++i) {
                if (!std::isfinite(interleaved_[i])) {
                    interleaved_[i] = 0.0f;
                    ++nonFinite_;
                } else if (std::abs(interleaved_[i]) > kFarBeyondFullScale) {
                    ++overRange_;
                    loudest_ = std::max(loudest_, static_cast<double>(std::abs(interleaved_[i])));
                }
            }
            for (size_t f = 0; f < monoFrames; ++f) {
                double sum = 0.0;
                for (int c = 0; c < channels_; ++c) sum += interleaved_[f * channels_ + c];
                mono_[f] = static_cast<float>(sum / channels_);
            }
        }
    }
    if (!resampler_) {
        if (inputDone_) {
            ended_ = true;
            return false;
        }
        emit(mono_.data(), monoFrames);
        return true;
    }
    // Input in, or, once it has ended, the resampler's last samples out (a null input flushes).
    size_t produced = 0;
    const soxr_error_t failed =
        soxr_process(resampler_, inputDone_ ? nullptr : mono_.data(), monoFrames, nullptr,
                     resampled_.data(), resampled_.size(), &produced);
    if (failed) {
        error_ = std::string("cannot be resampled (") + failed + ")";
        ended_ = true;
        return false;
    }
    if (inputDone_ && produced == 0) {
        ended_ = true;
        return false;
    }
    emit(resampled_.data(), produced);
    return true;
}

}  // namespace tonik
