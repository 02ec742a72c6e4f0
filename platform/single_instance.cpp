#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace tarvelin::platform {

std::string SingleInstanceLock::lockPath(std::string_view programFileName) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/') {
        return std::string(runtime) + "/" + std::string(programFileName) + ".lock";
    }
    // Without a runtime folder (as in CI) the lock lives in /tmp, one per user.
    return "/tmp/" + std::string(programFileName) + "-" + std::to_string(::getuid()) + ".lock";
}

std::optional<SingleInstanceLock> SingleInstanceLock::acquire(std::string_view programFileName) {
    const std::string path = lockPath(programFileName);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // No place for a lock: the program runs rather than refusing to start at all.
        return SingleInstanceLock(-1);
    }
    int rc = 0;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return std::nullopt;
    }
    return SingleInstanceLock(fd);
}

SingleInstanceLock::SingleInstanceLock(SingleInstanceLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

SingleInstanceLock::~SingleInstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

namespace {

// The socket address of a path; false when the path does not fit.
bool socketAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

std::string RaiseDoor::socketPath(std::string_view programFileName) {
    return SingleInstanceLock::lockPath(programFileName) + ".raise";
}

std::optional<RaiseDoor> RaiseDoor::open(std::string_view programFileName) {
    const std::string path = socketPath(programFileName);
    sockaddr_un address{};
    if (!socketAddress(path, address)) {
        return std::nullopt;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    // Only the lock's holder gets here, so a socket at the path is one that an ended copy left.
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    return RaiseDoor(fd, path);
}

RaiseDoor::RaiseDoor(RaiseDoor&& other) noexcept : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

RaiseDoor::~RaiseDoor() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
}

bool RaiseDoor::takeKnocks() {
    bool knocked = false;
    for (int client; (client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0 || errno == EINTR;) {
        if (client >= 0) {
            ::close(client);
            knocked = true;
        }
    }
    return knocked;
}

bool knockAtRunningCopy(std::string_view programFileName) {
    sockaddr_un address{};
    if (!socketAddress(RaiseDoor::socketPath(programFileName), address)) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool answered = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answered;
}

}  // namespace tarvelin::platform
