#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvelin::platform {

// The user's private folder for the lock and the door below: $XDG_RUNTIME_DIR, else a folder of the user's
// own in /tmp; nothing when another user has taken that name.
std::optional<std::string> privateRuntimeFolder();

// The lock that lets only one copy of a program file's name run for a user at a time: a lock file named
// after the program file's name (letter case counts) in the user's private runtime folder, held with flock
// and let go by the kernel when the process ends, however it ends. On Windows a named mutex of the user's
// session.
class SingleInstanceLock {
public:
    // Takes the lock, or nothing when another copy holds it. Without a private folder for it the program
    // runs unlocked (and says so on standard error).
    static std::optional<SingleInstanceLock> acquire(std::string_view programFileName);

    SingleInstanceLock(SingleInstanceLock&& other) noexcept;
    SingleInstanceLock& operator=(SingleInstanceLock&&) = delete;
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;
    ~SingleInstanceLock();

    // The lock file's host path for a program file's name; nothing without a private folder.
    static std::optional<std::string> lockPath(std::string_view programFileName);

private:
    explicit SingleInstanceLock(intptr_t handle) : handle_(handle) {}
    intptr_t handle_ = -1;  // the lock file's descriptor, or the mutex's handle
};

// The running copy's door for a second start: a local socket beside the lock file (on Windows a named event).
// A second start knocks (connects and goes, or sets the event) before it ends, and the running copy brings
// its window to the front.
class RaiseDoor {
public:
    // Opens the door of the copy that holds the lock: removes a socket an ended copy left, and listens.
    // Nothing when the socket cannot be made (the program runs without the door).
    static std::optional<RaiseDoor> open(std::string_view programFileName);

    RaiseDoor(RaiseDoor&& other) noexcept;
    RaiseDoor& operator=(RaiseDoor&&) = delete;
    RaiseDoor(const RaiseDoor&) = delete;
    RaiseDoor& operator=(const RaiseDoor&) = delete;
    ~RaiseDoor();

    // The listening socket, readable when a second start has knocked (it never blocks); on Windows the
    // event, signalled then.
    intptr_t handle() const { return handle_; }
    // Takes every knock waiting; true when there was at least one.
    bool takeKnocks();

    // The socket's host path for a program file's name: the lock file's path with ".raise" appended.
    static std::optional<std::string> socketPath(std::string_view programFileName);

private:
    RaiseDoor(intptr_t handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    intptr_t handle_ = -1;
    std::string path_;
};

// Knocks at the running copy's door. False when no copy listens there.
bool knockAtRunningCopy(std::string_view programFileName);

}  // namespace tarvelin::platform
