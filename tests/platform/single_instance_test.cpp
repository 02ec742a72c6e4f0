#include "platform/single_instance.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

namespace tarvelin::platform {
namespace {

unsigned long processNumber() {
#ifdef _WIN32
    return ::GetCurrentProcessId();
#else
    return static_cast<unsigned long>(::getpid());
#endif
}

// On Windows the lock is a named mutex and the door a named event of the session: no files.
TEST(SingleInstanceLock, OneHolderPerProgramFileName) {
    const std::string name = "tarvelin-test-" + std::to_string(processNumber());
    {
        auto first = SingleInstanceLock::acquire(name);
        ASSERT_TRUE(first);
        EXPECT_FALSE(SingleInstanceLock::acquire(name));              // a second copy of the same name
        EXPECT_TRUE(SingleInstanceLock::acquire(name + ".renamed"));  // another file name runs beside it
        EXPECT_TRUE(
            SingleInstanceLock::acquire(name.substr(0, 1) == "t" ? "T" + name.substr(1) : name));  // case counts
    }
    EXPECT_TRUE(SingleInstanceLock::acquire(name));  // let go when the holder ends
#ifndef _WIN32
    for (const auto& each : {name, name + ".renamed", "T" + name.substr(1)}) {
        ::unlink(SingleInstanceLock::lockPath(each)->c_str());
    }
#endif
}

TEST(RaiseDoor, KnocksReachTheRunningCopyAndALeftSocketIsReplaced) {
    const std::string name = "tarvelin-door-" + std::to_string(processNumber());
    EXPECT_FALSE(knockAtRunningCopy(name));  // no copy runs
#ifndef _WIN32
    const std::string path = *RaiseDoor::socketPath(name);
    // A copy that was killed leaves its socket file behind, with nobody listening.
    const int left = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(left, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(left);
    EXPECT_FALSE(knockAtRunningCopy(name));
#endif

    std::optional<RaiseDoor> running = RaiseDoor::open(name);
    ASSERT_TRUE(running);
    EXPECT_FALSE(running->takeKnocks());
    EXPECT_TRUE(knockAtRunningCopy(name));
    EXPECT_TRUE(knockAtRunningCopy(name));
    EXPECT_TRUE(running->takeKnocks());
    EXPECT_FALSE(running->takeKnocks());
    running.reset();
    EXPECT_FALSE(knockAtRunningCopy(name));  // the door goes with its copy
#ifndef _WIN32
    EXPECT_NE(::access(path.c_str(), F_OK), 0);
#endif
}

#ifndef _WIN32

// Without a runtime folder the lock lives in a folder of the user's own in /tmp. Another user who took that
// name first (a folder open to others, or a file or link) cannot hold the lock in the user's place: the
// program then runs without it.
TEST(SingleInstanceLock, AFolderTakenByAnotherUserIsNotUsed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as two users";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::unsetenv("XDG_RUNTIME_DIR");
        constexpr uid_t kVictim = 4005;
        const std::string taken = "/tmp/tarvelin-" + std::to_string(kVictim);
        ::rmdir(taken.c_str());
        bool ok = ::mkdir(taken.c_str(), 0777) == 0 && ::chmod(taken.c_str(), 0777) == 0 &&  // root's, open
                  ::setuid(kVictim) == 0 && !privateRuntimeFolder() && !SingleInstanceLock::lockPath("tarvelin") &&
                  SingleInstanceLock::acquire("tarvelin").has_value() && SingleInstanceLock::acquire("tarvelin");
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::rmdir("/tmp/tarvelin-4005");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

#endif

}  // namespace
}  // namespace tarvelin::platform
