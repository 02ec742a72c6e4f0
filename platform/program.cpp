#include "platform/program.h"

#include <climits>
#include <unistd.h>

#include "platform/drives.h"

namespace tarvelin::platform {

std::string executableHostPath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

namespace {

std::string toProgramPath(const std::string& host) {
    if (auto drivePath = drives().toDrivePath(host)) {
        return *drivePath;
    }
    return hostNameToCp932(host);
}

}  // namespace

std::string executablePath() {
    return toProgramPath(executableHostPath());
}

std::string executableFolder() {
    const std::string host = executableHostPath();
    const size_t slash = host.rfind('/');
    return toProgramPath(slash == 0 || slash == std::string::npos ? "/" : host.substr(0, slash));
}

}  // namespace tarvelin::platform
