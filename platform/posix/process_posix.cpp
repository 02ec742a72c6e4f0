#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/process.h"

namespace tarvelin::platform {

void openMissingStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free descriptor is the one missing.
            [[maybe_unused]] const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        }
    }
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return {argv, argv + argc};
}

std::unique_ptr<std::streambuf> consoleTextBuffer(int) {
    return nullptr;  // a terminal here takes UTF-8
}

bool isTerminal(int standardStream) {
    return ::isatty(standardStream) == 1;
}

}  // namespace tarvelin::platform
