#include "WavFileSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tonik {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool readFile(const std::string& path, std::vector<uint8_t>& bytes, int& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = errno;
        return false;
    }
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    error = ok ? 0 : EIO;
    return ok;
}

}  // namespace

WavSamples readWav(const std::string& path) {
    WavSamples out;
    std::vector<uint8_t> b;
    int error = 0;
    if (!readFile(path, b, error)) {
        out.error = error == ENOENT ? "no such file" : std::strerror(error);
        return out;
    }
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) {
        out.error = "not a WAV file";
        return out;
    }
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    const uint8_t* data = nullptr;
    size_t dataBytes = 0;
    // Chunks are walked by their declared sizes, each checked against what the file holds.
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = le32(b.data() + at + 4);
        const size_t body = at + 8;
        const size_t available = std::min<size_t>(size, b.size() - body);
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && available >= 16) {
            format = le16(b.data() + body);
            channels = le16(b.data() + body + 2);
            rate = le32(b.data() + body + 4);
            bits = le16(b.data() + body + 14);
            if (format == kFormatExtensible && available >= 26) format = le16(b.data() + body + 24);
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            data = b.data() + body;
            dataBytes = available;  // a recorder that stopped early leaves the size too large
        }
        at = body + size + (size & 1);  // chunks are padded to even sizes
        if (at < body) break;            // a size that wraps around
    }
    if (!data) {
        out.error = "no sample data";
        return out;
    }
    if (format != kFormatPcm || bits != 16 || (channels != 1 && channels != 2) || rate != 44100) {
        out.error = "not 16-bit PCM, mono or stereo, at 44,100 Hz";
        return out;
    }
    const size_t frames = dataBytes / (2u * channels);
    out.samples.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        const uint8_t* p = data + i * 2u * channels;
        int v = static_cast<int16_t>(le16(p));
        if (channels == 2) v = (v + static_cast<int16_t>(le16(p + 2))) / 2;
        out.samples[i] = static_cast<int16_t>(v);
    }
    return out;
}

CaptureOpenResult WavFileSource::open() {
    WavSamples wav = readWav(path_);
    error_ = wav.error;
    if (!wav.error.empty()) {
        return wav.error == "no such file" ? CaptureOpenResult::NoDevice
                                           : CaptureOpenResult::CannotConfigure;
    }
    samples_ = std::move(wav.samples);
    return CaptureOpenResult::Ok;
}

void WavFileSource::fill(int16_t* out, long long first, int count) {
    const long long size = static_cast<long long>(samples_.size());
    const long long from = std::min(first, size);
    const long long to = std::min(first + count, size);
    std::copy(samples_.begin() + from, samples_.begin() + to, out);
    std::fill(out + (to - from), out + count, int16_t{0});
}

}  // namespace tonik
