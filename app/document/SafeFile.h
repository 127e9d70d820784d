// Writing a whole file so that a failure never destroys the one it replaces: the bytes go to a
// temporary file in the same folder, are flushed to disk, and only then renamed over the
// target. A reader of whole files to go with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hummwell {

// True when every byte reached the target path. On failure the target is as it was, no
// temporary file is left behind, and `reason` (when given) holds the system's words for what
// went wrong ("Permission denied", "No space left on device", "File too large"). A target
// that is a symbolic link is written through it: the file it names is replaced and the link
// stays. A target with other hard links is overwritten in place once the new contents are
// safe in the temporary file, so every link sees them; should that write fail part-way, the
// temporary file is kept and `reason` names it.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* reason = nullptr);

// "Failed to Open File." followed by the reason, when there is one.
std::string failedToOpenMessage(const std::string& reason);

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path);

// Little-endian fields of the binary formats, appended to or read from a byte buffer.
void putInt32(std::vector<uint8_t>& out, int32_t v);
void putDouble(std::vector<uint8_t>& out, double v);
int32_t getInt32(const uint8_t* p);
double getDouble(const uint8_t* p);

}  // namespace hummwell
