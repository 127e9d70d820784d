// One running program per user: a lock on a file in the user's runtime directory, held for
// the life of the process. The kernel drops the lock when the process ends, however it ends,
// so a crashed instance never blocks the next start.
#pragma once

#include <string>

namespace hummwell {

inline constexpr char kInstanceLockName[] = "__HUMMWELL__";

class SingleInstance {
public:
    // Tries to take the lock in `directory`.
    explicit SingleInstance(const std::string& directory = defaultDirectory());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False only when another process holds the lock. When the lock file cannot be made at
    // all (no writable runtime directory), the program still starts: a missing guard must not
    // keep the user out. problem() then says why.
    bool acquired() const { return acquired_; }
    const std::string& problem() const { return problem_; }

    // $XDG_RUNTIME_DIR, or a private folder /tmp/hummwell-UID made for it.
    static std::string defaultDirectory();
    // The process that holds the lock in `directory`, or 0; never takes the lock itself. Not
    // for the holder: closing any descriptor of the file would end its own lock.
    static int holder(const std::string& directory);

private:
    int fd_ = -1;
    bool acquired_ = false;
    std::string problem_;
};

}  // namespace hummwell
