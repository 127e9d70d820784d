#include "SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace hummwell {

namespace {

std::string lockPath(const std::string& directory) {
    return directory + "/" + kInstanceLockName + ".lock";
}

// A write lock on the whole file; POSIX record locks end with their process.
struct flock wholeFile(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock;
}

}  // namespace

SingleInstance::SingleInstance(const std::string& directory) {
    const std::string path = lockPath(directory);
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        problem_ = "cannot open " + path + ": " + std::strerror(errno);
        acquired_ = true;
        return;
    }
    struct flock lock = wholeFile(F_WRLCK);
    if (::fcntl(fd_, F_SETLK, &lock) == 0) {
        acquired_ = true;
        // Who holds it, for a person looking at the file; the lock itself is what counts.
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd_, 0) == 0) {
            const ssize_t written = ::write(fd_, pid.data(), pid.size());
            (void)written;
        }
        return;
    }
    if (errno != EACCES && errno != EAGAIN) {
        problem_ = "cannot lock " + path + ": " + std::strerror(errno);
        acquired_ = true;
    }
    ::close(fd_);
    fd_ = -1;
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) ::close(fd_);
}

std::string SingleInstance::defaultDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) return runtime;
    const std::string dir = "/tmp/hummwell-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    // Someone else's folder or a link in /tmp is not ours to lock in.
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return dir + "-unsafe-folder";
    return dir;
}

int SingleInstance::holder(const std::string& directory) {
    const int fd = ::open(lockPath(directory).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return 0;
    struct flock lock = wholeFile(F_WRLCK);
    const bool asked = ::fcntl(fd, F_GETLK, &lock) == 0;
    ::close(fd);
    return asked && lock.l_type != F_UNLCK ? lock.l_pid : 0;
}

}  // namespace hummwell
