// Writing a whole file so that a failure never destroys the one it replaces: the bytes go to a
// temporary file in the same folder, are flushed to disk, and only then renamed over the
// target. A reader of whole files to go with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hummwell {

// True when every byte reached the target path. On failure the target is as it was and no
// temporary file is left behind.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path);

// Little-endian fields of the binary formats, appended to or read from a byte buffer.
void putInt32(std::vector<uint8_t>& out, int32_t v);
void putDouble(std::vector<uint8_t>& out, double v);
int32_t getInt32(const uint8_t* p);
double getDouble(const uint8_t* p);

}  // namespace hummwell
