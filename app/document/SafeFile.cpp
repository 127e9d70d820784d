#include "SafeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
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

std::string nameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name a save's new contents take for a moment before they replace the target, and that
// a save killed in that moment leaves: hidden, and plainly ours.
std::string savingPrefix(const std::string& path) { return "." + nameOf(path) + ".saving-"; }

// Removes what earlier saves of `path` that were killed left beside it.
void removeLeftovers(const std::string& path) {
    const std::string folder = folderOf(path), prefix = savingPrefix(path);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
            ::unlink((folder + "/" + name).c_str());
    }
    ::closedir(dir);
}

// A name beside `path` that nothing has yet: the prefix and six random letters.
std::string freshSavingName(const std::string& path) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 rng(seed());
    std::string name = folderOf(path) + "/" + savingPrefix(path);
    for (int i = 0; i < 6; ++i) name += kLetters[rng() % (sizeof kLetters - 1)];
    return name;
}

// Gives the unnamed file `fd` a fresh name beside `path`; the name, or empty with errno set.
std::string nameUnnamed(int fd, const std::string& path) {
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name = freshSavingName(path);
        if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return name;
        if (errno != EEXIST) return {};
    }
    return {};
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

std::string failedToOpenMessage(const std::string& reason, const std::string& path) {
    std::string text = "Failed to Open File.";
    if (!path.empty()) text += "\n" + path + (reason.empty() ? "" : ": " + reason);
    else if (!reason.empty()) text += " " + reason;
    return text;
}

bool writeFileAtomically(const std::string& requested, const std::vector<uint8_t>& bytes,
                         std::string* reason) {
    const auto fail = [reason](int code) {
        if (reason) *reason = std::strerror(code);
        return false;
    };
    if (requested.empty()) return fail(ENOENT);
    const std::string path = followLinks(requested);
    removeLeftovers(path);
    // A replaced file keeps its mode, a new one gets the usual.
    struct stat existing {};
    const bool existingFile = ::stat(path.c_str(), &existing) == 0;
    const mode_t mode = existingFile ? (existing.st_mode & 07777) : 0644;

    // An unnamed file first: killed before it is named, the save leaves nothing.
    std::string named;
    int fd = ::open(folderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    const bool unnamed = fd >= 0;
    if (!unnamed) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return fail(errno);
        named = folderOf(path) + "/" + savingPrefix(path) + "XXXXXX";
        fd = ::mkstemp(named.data());
        if (fd < 0) return fail(errno);
    }
    ::fchmod(fd, mode);  // O_TMPFILE applies the umask, and mkstemp makes the file private

    int code = 0;
    if (!writeAll(fd, bytes.data(), bytes.size()) || ::fsync(fd) != 0) code = errno;
    const bool inPlace = existingFile && existing.st_nlink > 1 && S_ISREG(existing.st_mode);
    // The unnamed file gets a name only now, and takes the target's at once: a save killed
    // between the two leaves that name, which the next save of the file removes.
    if (code == 0 && unnamed) {
        named = nameUnnamed(fd, path);
        if (named.empty()) code = errno ? errno : EIO;
    }
    if (code == 0 && !inPlace && ::rename(named.c_str(), path.c_str()) != 0) code = errno;
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code != 0) {
        if (!named.empty()) ::unlink(named.c_str());
        return fail(code);
    }
    if (inPlace) {
        // A rename would give this name a new file and leave the other links on the old one.
        // The complete new contents wait beside it until the target holds them; if writing the
        // target failed after it changed, they stay there, and the reason says so.
        bool touched = false;
        code = overwriteInPlace(path, bytes, touched);
        if (code != 0 && touched) {
            if (reason) *reason = std::string(std::strerror(code)) + "; the new contents are in " + named;
            return false;
        }
        ::unlink(named.c_str());
        return code == 0 || fail(code);
    }
    // The rename itself is made durable by syncing the folder; a failure here loses nothing.
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::string sizeInWords(long long bytes) {
    char text[32];
    if (bytes < 1000) std::snprintf(text, sizeof text, "%lld bytes", bytes);
    else if (bytes < 1000000) std::snprintf(text, sizeof text, "%.1f kB", bytes / 1e3);
    else if (bytes < 1000000000) std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    else std::snprintf(text, sizeof text, "%.1f GB", bytes / 1e9);
    return text;
}

int openRegularFile(const std::string& path, std::string* reason, long long* size) {
    const auto fail = [reason](const std::string& why) {
        if (reason) *reason = why;
        return -1;
    };
    // Non-blocking, so that a pipe with no writer cannot hold the caller; regular files read
    // the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return fail(errno == EISDIR ? "is a folder" : std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int code = errno;
        ::close(fd);
        return fail(std::strerror(code));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(S_ISDIR(st.st_mode) ? "is a folder" : "is not a regular file (a pipe, a device or a socket)");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (size) *size = static_cast<long long>(st.st_size);
    return fd;
}

bool readAt(int fd, long long offset, uint8_t* into, size_t count) {
    while (count > 0) {
        const ssize_t n = ::pread(fd, into, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        into += n;
        offset += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path, size_t maxBytes, std::string* reason) {
    long long size = 0;
    const int fd = openRegularFile(path, reason, &size);
    if (fd < 0) return std::nullopt;
    const auto tooLarge = [&](long long bytes) {
        if (reason)
            *reason = "is " + sizeInWords(bytes) + "; a file of this kind is read up to " +
                      sizeInWords(static_cast<long long>(maxBytes));
        ::close(fd);
        return std::nullopt;
    };
    if (size < 0 || static_cast<unsigned long long>(size) > maxBytes) return tooLarge(size);
    // Read to the end, but never past the limit: the file may grow while it is read.
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    size_t got = 0;
    while (true) {
        if (got == bytes.size()) {
            if (bytes.size() > maxBytes) return tooLarge(static_cast<long long>(bytes.size()));
            bytes.resize(std::min(bytes.size() + 65536, maxBytes + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (reason) *reason = std::strerror(errno);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got > maxBytes) {
        if (reason) *reason = "grew while it was read; a file of this kind is read up to " + sizeInWords(static_cast<long long>(maxBytes));
        return std::nullopt;
    }
    bytes.resize(got);
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
