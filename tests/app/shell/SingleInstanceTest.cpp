#include "shell/SingleInstance.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using hummwell::SingleInstance;

namespace {

// Another process that takes the lock and holds it until it is killed.
struct LockHolder {
    explicit LockHolder(const std::string& dir) {
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            const SingleInstance guard(dir);
            const char took = guard.acquired() ? 'y' : 'n';
            if (::write(ready[1], &took, 1) != 1) ::_exit(2);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char took = 0;
        if (::read(ready[0], &took, 1) == 1) acquired = took == 'y';
        ::close(ready[0]);
    }
    // However the first instance ends, even killed outright, the next start may go on.
    void crash() {
        if (pid <= 0) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
    ~LockHolder() { crash(); }
    pid_t pid = -1;
    bool acquired = false;
};

}  // namespace

TEST(SingleInstance, RefusedWhileAnotherProcessHoldsItAndTakenAfterItsCrash) {
    const testsignals::TempFolder dir;
    LockHolder first(dir.path);
    ASSERT_GT(first.pid, 0);
    ASSERT_TRUE(first.acquired);
    EXPECT_EQ(SingleInstance::holder(dir.path), first.pid);
    {
        const SingleInstance second(dir.path);
        EXPECT_FALSE(second.acquired());
        EXPECT_TRUE(second.problem().empty());
    }
    // The refused attempt did not disturb the holder.
    EXPECT_EQ(SingleInstance::holder(dir.path), first.pid);

    first.crash();
    EXPECT_EQ(SingleInstance::holder(dir.path), 0);
    const SingleInstance next(dir.path);
    EXPECT_TRUE(next.acquired());
    EXPECT_TRUE(next.problem().empty());
}

TEST(SingleInstance, StartsWithAProblemWhenTheLockCannotBeMade) {
    const testsignals::TempFolder dir;
    const SingleInstance guard(dir.path + "/no-such-folder");
    EXPECT_TRUE(guard.acquired());
    EXPECT_NE(guard.problem().find("no-such-folder"), std::string::npos);
}
