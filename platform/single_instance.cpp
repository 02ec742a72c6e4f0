#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
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

}  // namespace tarvelin::platform
