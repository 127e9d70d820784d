#include "SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hummwell {

namespace {

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path finally names: a chain of symbolic links followed, each relative link
// read from its own folder. The path itself when it is no link (or the chain is too long).
std::string followLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0) return path;
        target.resize(static_cast<size_t>(n));
        path = target.front() == '/' ? target : folderOf(path) + "/" + target;
    }
    return path;
}

// Writes `bytes` over the file at `path` in place, so that every hard link to it sees them. The
// space is claimed first: a full disk or a size limit then fails before a byte is changed.
// Returns 0 or the error; `touched` tells whether the file may have changed.
int overwriteInPlace(const std::string& path, const std::vector<uint8_t>& bytes, bool& touched) {
    touched = false;
    const int fd = ::open(path.c_str(), O_WRONLY);
    if (fd < 0) return errno;
    int code = bytes.empty() ? 0 : ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
    if (code == EOPNOTSUPP || code == EINVAL) code = 0;  // a file system without it: just write
    if (code == 0) {
        touched = true;
        size_t done = 0;
        while (done < bytes.size() && code == 0) {
            const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (n < 0 && errno != EINTR) code = errno;
            if (n > 0) done += static_cast<size_t>(n);
        }
        if (code == 0 && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) code = errno;
        if (code == 0 && ::fsync(fd) != 0) code = errno;
    }
    if (::close(fd) != 0 && code == 0) code = errno;
    return code;
}

}  // namespace

std::string failedToOpenMessage(const std::string& reason) {
    return reason.empty() ? "Failed to Open File." : "Failed to Open File. " + reason;
}

bool writeFileAtomically(const std::string& requested, const std::vector<uint8_t>& bytes,
                         std::string* reason) {
    const auto fail = [reason](int code) {
        if (reason) *reason = std::strerror(code);
        return false;
    };
    if (requested.empty()) return fail(ENOENT);
    const std::string path = followLinks(requested);
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return fail(errno);
    // mkstemp makes the file private: a replaced file keeps its mode, a new one gets the usual.
    struct stat existing {};
    const bool existingFile = ::stat(path.c_str(), &existing) == 0;
    ::fchmod(fd, existingFile ? (existing.st_mode & 07777) : 0644);

    int code = 0;
    if (!writeAll(fd, bytes.data(), bytes.size()) || ::fsync(fd) != 0) code = errno;
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code == 0 && existingFile && existing.st_nlink > 1 && S_ISREG(existing.st_mode)) {
        // A rename would give this name a new file and leave the other links on the old one.
        // The complete new contents wait in the temporary file until the target holds them;
        // if writing the target failed after it changed, they stay there, and the reason says so.
        bool touched = false;
        code = overwriteInPlace(path, bytes, touched);
        if (code != 0 && touched) {
            if (reason) *reason = std::string(std::strerror(code)) + "; the new contents are in " + temporary;
            return false;
        }
        ::unlink(temporary.c_str());
        return code == 0 || fail(code);
    }
    if (code == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) code = errno;
    if (code != 0) {
        ::unlink(temporary.c_str());
        return fail(code);
    }
    // The rename itself is made durable by syncing the folder; a failure here loses nothing.
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return bytes;
}

void putInt32(std::vector<uint8_t>& out, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

void putDouble(std::vector<uint8_t>& out, double v) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

int32_t getInt32(const uint8_t* p) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * i);
    return static_cast<int32_t>(u);
}

double getDouble(const uint8_t* p) {
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(p[i]) << (8 * i);
    double v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

}  // namespace hummwell
