#include "platform/host_io.h"

#include <cerrno>
#include <unistd.h>

namespace tarvelin::platform {

bool writeAll(int fd, std::string_view data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool closeChecked(int fd) {
    return ::close(fd) == 0 || errno == EINTR;
}

}  // namespace tarvelin::platform
