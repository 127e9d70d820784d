// Writing a whole file so that a failure never destroys the one it replaces: the bytes go to an
// unnamed file in the same folder, are flushed to disk, and only then take the target's name.
// A save killed half-way leaves nothing behind. Readers to go with it, which never block on a
// pipe, never read a device and never read more than the format can hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hummwell {

// True when every byte reached the target path. On failure the target is as it was, no
// temporary file is left behind, and `reason` (when given) holds the system's words for what
// went wrong ("Permission denied", "No space left on device", "File too large"). Where the
// folder cannot hold an unnamed file, a named one (".NAME.saving-XXXXXX") stands in; one that
// a killed save left is removed by the next save of the same file. A target
// that is a symbolic link is written through it: the file it names is replaced and the link
// stays. A target with other hard links is overwritten in place once the new contents are
// safe in the temporary file, so every link sees them; should that write fail part-way, the
// temporary file is kept and `reason` names it.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* reason = nullptr);

// "Failed to Open File." followed by the file and the reason, when there are.
std::string failedToOpenMessage(const std::string& reason, const std::string& path = {});

// Opens a regular file for reading, without blocking on a pipe: -1 and the reason otherwise
// ("No such file or directory", "is a folder", "is not a regular file (a pipe, a device or a
// socket)", "Permission denied"). `size` gets its length.
int openRegularFile(const std::string& path, std::string* reason = nullptr, long long* size = nullptr);

// A size in words: "444 bytes", "12.3 kB", "1.4 GB".
std::string sizeInWords(long long bytes);

// The whole of a regular file of at most `maxBytes`, or nothing, with the reason.
inline constexpr size_t kReadLimitBytes = 64'000'000;
std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path, size_t maxBytes = kReadLimitBytes,
                                                  std::string* reason = nullptr);
// `count` bytes from `offset` of an open file, or false.
bool readAt(int fd, long long offset, uint8_t* into, size_t count);

// Little-endian fields of the binary formats, appended to or read from a byte buffer.
void putInt32(std::vector<uint8_t>& out, int32_t v);
void putDouble(std::vector<uint8_t>& out, double v);
int32_t getInt32(const uint8_t* p);
double getDouble(const uint8_t* p);

}  // namespace hummwell
