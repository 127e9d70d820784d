#include "AudioFile.h"

#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cmath>
#include <filesystem>
#include <memory>

namespace hummwell::cli {

namespace {

struct CloseSndfile {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

}  // namespace

std::vector<float> mixToMono(const std::vector<float>& interleaved, int channels) {
    if (channels <= 1) return interleaved;
    const size_t frames = interleaved.size() / static_cast<size_t>(channels);
    std::vector<float> mono(frames);
    for (size_t i = 0; i < frames; ++i) {
        double sum = 0.0;
        for (int c = 0; c < channels; ++c) sum += interleaved[i * channels + c];
        mono[i] = static_cast<float>(sum / channels);
    }
    return mono;
}

bool resample(const std::vector<float>& in, int fromRate, int toRate, std::vector<float>& out,
              std::string& error) {
    if (fromRate == toRate || in.empty()) {
        out = in;
        return true;
    }
    // High quality: 20-bit precision, flat to 95% of the band; on one thread, since the
    // transcription that follows is single-threaded too and a batch of files runs in parallel.
    const double ratio = static_cast<double>(toRate) / fromRate;
    out.assign(static_cast<size_t>(std::ceil(in.size() * ratio)) + 16, 0.0f);
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    size_t produced = 0;
    if (const soxr_error_t failed = soxr_oneshot(fromRate, toRate, 1, in.data(), in.size(), nullptr,
                                                 out.data(), out.size(), &produced, &io, &quality,
                                                 &runtime)) {
        error = std::string("cannot resample: ") + failed;
        return false;
    }
    out.resize(produced);
    return true;
}

std::vector<int16_t> toInt16(const std::vector<float>& samples) {
    std::vector<int16_t> out(samples.size());
    std::transform(samples.begin(), samples.end(), out.begin(), [](float v) {
        return static_cast<int16_t>(std::clamp(std::lrint(v * 32767.0), -32767L, 32767L));
    });
    return out;
}

bool decodeAudio(const std::string& path, double maxSeconds, DecodedAudio& out,
                 std::string& error) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        error = "no such file";
        return false;
    }
    if (std::filesystem::is_directory(path, ec)) {
        error = "is a folder, not an audio file";
        return false;
    }
    SF_INFO info{};
    std::unique_ptr<SNDFILE, CloseSndfile> file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) {
        error = std::string("not an audio file that can be read (") + sf_strerror(nullptr) + ")";
        return false;
    }
    if (info.channels < 1 || info.samplerate < 1) {
        error = "not an audio file that can be read (no channels or no sample rate)";
        return false;
    }
    out.sourceRate = info.samplerate;
    out.sourceChannels = info.channels;
    // What the header promises. A WAV cut short is opened at the length it really has, and
    // only the library's log says so ("data : 88200 (should be 44100)").
    sf_count_t promised = info.frames;
    char log[4096] = {};
    sf_command(file.get(), SFC_GET_LOG_INFO, log, sizeof log);
    if (const char* data = std::strstr(log, "\ndata : ")) {
        long long said = 0, is = 0;
        if (std::sscanf(data, "\ndata : %lld (should be %lld)", &said, &is) == 2 && is > 0 && said > is)
            promised = static_cast<sf_count_t>(static_cast<double>(info.frames) * said / is);
    }

    // Read a little past the limit, so the resampler's edge lies beyond what is kept. The
    // samples are read straight into place: a recording is tens of megabytes.
    constexpr sf_count_t kChunk = 65536;
    const sf_count_t wanted = static_cast<sf_count_t>((maxSeconds + 0.1) * info.samplerate);
    std::vector<float> interleaved;
    if (info.frames > 0)
        interleaved.reserve(static_cast<size_t>(std::min(info.frames, wanted) + kChunk) * info.channels);
    sf_count_t frames = 0;
    while (frames < wanted) {
        const size_t at = interleaved.size();
        interleaved.resize(at + static_cast<size_t>(kChunk) * info.channels);
        const sf_count_t got = sf_readf_float(file.get(), interleaved.data() + at, kChunk);
        const sf_count_t keep = std::clamp<sf_count_t>(std::min(got, wanted - frames), 0, kChunk);
        interleaved.resize(at + static_cast<size_t>(keep) * info.channels);
        if (got <= 0) break;
        frames += got;
    }
    if (frames >= wanted && info.frames > frames) {
        frames = info.frames;  // the rest is not read
    } else if (promised > frames) {
        // The header promised more than the file holds: a copy or a recording cut short.
        char text[160];
        std::snprintf(text, sizeof text, "the file ends after %.2f s though its header promises %.2f s; "
                      "what is there is transcribed", static_cast<double>(frames) / info.samplerate,
                      static_cast<double>(promised) / info.samplerate);
        out.warnings.push_back(text);
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
        error = std::string("cannot be read to the end (") + sf_strerror(file.get()) + ")";
        return false;
    }
    if (frames == 0) {
        error = "holds no audio";
        return false;
    }
    out.sourceSeconds = static_cast<double>(frames) / info.samplerate;

    // Floating-point files may hold NaN or infinity: silence, before anything computes with
    // them (a NaN would spread through the resampler and drag the measured floor down).
    size_t notNumbers = 0;
    for (float& v : interleaved)
        if (!std::isfinite(v)) {
            v = 0.0f;
            ++notNumbers;
        }
    if (notNumbers > 0)
        out.warnings.push_back(std::to_string(notNumbers) +
                               " samples are not finite numbers; they are read as silence");

    std::vector<float> mono =
        info.channels == 1 ? std::move(interleaved) : mixToMono(interleaved, info.channels);
    std::vector<float> resampled;
    if (info.samplerate == kEngineRate)
        resampled = std::move(mono);
    else if (!resample(mono, info.samplerate, kEngineRate, resampled, error))
        return false;
    const size_t limit = static_cast<size_t>(maxSeconds * kEngineRate);
    if (resampled.size() > limit) resampled.resize(limit);
    out.samples = toInt16(resampled);
    return true;
}

}  // namespace hummwell::cli
