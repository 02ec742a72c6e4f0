#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvelin::platform {

// The lock that lets only one copy of a program file's name run for a user at a time: a lock file named
// after the program file's name (letter case counts) in the user's runtime folder, held with flock and let
// go by the kernel when the process ends, however it ends.
class SingleInstanceLock {
public:
    // Takes the lock, or nothing when another copy holds it.
    static std::optional<SingleInstanceLock> acquire(std::string_view programFileName);

    SingleInstanceLock(SingleInstanceLock&& other) noexcept;
    SingleInstanceLock& operator=(SingleInstanceLock&&) = delete;
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;
    ~SingleInstanceLock();

    // The lock file's host path for a program file's name.
    static std::string lockPath(std::string_view programFileName);

private:
    explicit SingleInstanceLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

}  // namespace tarvelin::platform
