// Writes 16-bit PCM WAV files for the capture tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace testsignals {

inline void putLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// interleaved: channels x frames samples. formatTag 1 is PCM.
inline std::vector<uint8_t> wavBytes(const std::vector<int16_t>& interleaved, int channels = 1,
                                     uint32_t rate = 44100, int bits = 16, uint16_t formatTag = 1) {
    std::vector<uint8_t> out;
    const uint32_t dataBytes = static_cast<uint32_t>(interleaved.size() * 2);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    putLe(out, 36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe(out, 16, 4);
    putLe(out, formatTag, 2);
    putLe(out, channels, 2);
    putLe(out, rate, 4);
    putLe(out, rate * channels * bits / 8, 4);
    putLe(out, channels * bits / 8, 2);
    putLe(out, bits, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    putLe(out, dataBytes, 4);
    for (int16_t s : interleaved) putLe(out, static_cast<uint16_t>(s), 2);
    return out;
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

}  // namespace testsignals
