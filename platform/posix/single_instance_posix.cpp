#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include "platform/single_instance.h"

namespace tarvelin::platform {

namespace {

// Whether `path` is a folder of this user's alone: not a link, owned by the user, closed to everyone else.
bool isPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

}  // namespace

std::optional<std::string> privateRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/') {
        return std::string(runtime);
    }
    // Without a runtime folder (as in CI, or a login without a session manager): a folder of the user's own
    // in /tmp. A name there that another user took first is not used, so that nobody can hold the lock in
    // another user's place.
    const std::string folder = "/tmp/tarvelin-" + std::to_string(::geteuid());
    ::mkdir(folder.c_str(), 0700);
    if (!isPrivateFolder(folder)) {
        return std::nullopt;
    }
    return folder;
}

std::optional<std::string> SingleInstanceLock::lockPath(std::string_view programFileName) {
    const auto folder = privateRuntimeFolder();
    if (!folder) {
        return std::nullopt;
    }
    return *folder + "/" + std::string(programFileName) + ".lock";
}

std::optional<SingleInstanceLock> SingleInstanceLock::acquire(std::string_view programFileName) {
    const auto path = lockPath(programFileName);
    const int fd = path ? ::open(path->c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600) : -1;
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        // No place for a lock of the user's own: the program runs rather than refusing to start at all.
        if (fd >= 0) {
            ::close(fd);
        }
        std::fprintf(stderr, "%s: no private folder for the lock that keeps a second copy from starting\n",
                     std::string(programFileName).c_str());
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

SingleInstanceLock::SingleInstanceLock(SingleInstanceLock&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)) {}

SingleInstanceLock::~SingleInstanceLock() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
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

std::optional<std::string> RaiseDoor::socketPath(std::string_view programFileName) {
    const auto lock = SingleInstanceLock::lockPath(programFileName);
    return lock ? std::optional(*lock + ".raise") : std::nullopt;
}

std::optional<RaiseDoor> RaiseDoor::open(std::string_view programFileName) {
    const auto socket = socketPath(programFileName);
    sockaddr_un address{};
    if (!socket || !socketAddress(*socket, address)) {
        return std::nullopt;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    // Only the lock's holder gets here, so a socket at the path is one that an ended copy left.
    ::unlink(socket->c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    return RaiseDoor(fd, *socket);
}

RaiseDoor::RaiseDoor(RaiseDoor&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

RaiseDoor::~RaiseDoor() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
        ::unlink(path_.c_str());
    }
}

bool RaiseDoor::takeKnocks() {
    bool knocked = false;
    const int listening = static_cast<int>(handle_);
    for (int client; (client = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC)) >= 0 || errno == EINTR;) {
        if (client >= 0) {
            ::close(client);
            knocked = true;
        }
    }
    return knocked;
}

bool knockAtRunningCopy(std::string_view programFileName) {
    const auto socket = RaiseDoor::socketPath(programFileName);
    sockaddr_un address{};
    if (!socket || !socketAddress(*socket, address)) {
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
