#include "platform/single_instance.h"

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

}  // namespace
}  // namespace tarvelin::platform
