#include "platform/single_instance.h"

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace tarvelin::platform {
namespace {

TEST(SingleInstanceLock, OneHolderPerProgramFileName) {
    const std::string name = "tarvelin-test-" + std::to_string(::getpid());
    {
        auto first = SingleInstanceLock::acquire(name);
        ASSERT_TRUE(first);
        EXPECT_FALSE(SingleInstanceLock::acquire(name));              // a second copy of the same name
        EXPECT_TRUE(SingleInstanceLock::acquire(name + ".renamed"));  // another file name runs beside it
        EXPECT_TRUE(
            SingleInstanceLock::acquire(name.substr(0, 1) == "t" ? "T" + name.substr(1) : name));  // case counts
    }
    EXPECT_TRUE(SingleInstanceLock::acquire(name));  // let go when the holder ends
    ::unlink(SingleInstanceLock::lockPath(name).c_str());
    ::unlink(SingleInstanceLock::lockPath(name + ".renamed").c_str());
    ::unlink(SingleInstanceLock::lockPath("T" + name.substr(1)).c_str());
}

TEST(RaiseDoor, KnocksReachTheRunningCopyAndALeftSocketIsReplaced) {
    const std::string name = "tarvelin-door-" + std::to_string(::getpid());
    const std::string path = RaiseDoor::socketPath(name);
    EXPECT_FALSE(knockAtRunningCopy(name));  // no copy runs
    // A copy that was killed leaves its socket file behind, with nobody listening.
    const int left = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(left, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(left);
    EXPECT_FALSE(knockAtRunningCopy(name));

    std::optional<RaiseDoor> running = RaiseDoor::open(name);
    ASSERT_TRUE(running);
    EXPECT_FALSE(running->takeKnocks());
    EXPECT_TRUE(knockAtRunningCopy(name));
    EXPECT_TRUE(knockAtRunningCopy(name));
    EXPECT_TRUE(running->takeKnocks());
    EXPECT_FALSE(running->takeKnocks());
    running.reset();
    EXPECT_FALSE(knockAtRunningCopy(name));  // the door goes with its copy
    EXPECT_NE(::access(path.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace tarvelin::platform
