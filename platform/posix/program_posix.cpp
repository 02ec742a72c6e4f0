#include <climits>
#include <cstdlib>
#include <unistd.h>

#include "platform/drives.h"
#include "platform/program.h"

namespace tarvelin::platform {

std::string executableHostPath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

UserFolders userFoldersOfProcess() {
    UserFolders user;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr) {
        user.configHome = config;
    }
    user.home = drives().find('C') != nullptr ? drives().find('C')->hostRoot : std::string();
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        user.home = home;
    }
    return user;
}

}  // namespace tarvelin::platform
