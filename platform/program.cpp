#include "platform/program.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/drives.h"

namespace tarvelin::platform {

std::string executableHostPath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

namespace {

// The folder part of a host path: "/" for a file in the root, "." for a bare name.
std::string hostFolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return ".";
    }
    return std::string(path.substr(0, slash == 0 ? 1 : slash));
}

std::string hostNameOf(std::string_view path) {
    return std::string(path.substr(path.rfind('/') + 1));
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string joined(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path + std::string(name);
}

}  // namespace

std::string executablePath() {
    const std::string host = executableHostPath();
    if (auto drivePath = drives().toDrivePath(host)) {
        return *drivePath;
    }
    return hostNameToCp932(host);
}

std::string executableFolder() {
    return toProgramFolder(hostFolderOf(executableHostPath()));
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

ProgramFolders programFoldersFor(std::string_view programHostPath, const UserFolders& user,
                                 bool (*nameable)(std::string_view hostFolder)) {
    const std::string folder = hostFolderOf(programHostPath);
    const std::string prefixShare = joined(hostFolderOf(folder), "share/tarvelin");
    const bool inPrefix = hostNameOf(folder) == "bin" && isFolder(prefixShare);
    ProgramFolders result;
    result.installed = inPrefix || ::access(folder.c_str(), W_OK) != 0 || !nameable(folder);
    result.sharedFolder = inPrefix ? prefixShare : folder;
    if (!result.installed) {
        result.dataFolder = folder;
        return result;
    }
    // The XDG base-directory rule: a relative $XDG_CONFIG_HOME is ignored.
    const std::string configHome =
        !user.configHome.empty() && user.configHome.front() == '/' ? user.configHome : joined(user.home, ".config");
    result.dataFolder = joined(configHome, "tarvelin");
    return result;
}

ProgramFolders programFolders() {
    return programFoldersFor(executableHostPath(), userFoldersOfProcess(), isNameableFolder);
}

bool makeFolders(std::string_view hostFolder) {
    std::string path(hostFolder);
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') {
            continue;
        }
        const std::string prefix = path.substr(0, at);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return isFolder(path);
}

bool isNameableFolder(std::string_view hostFolder) {
    const auto back = drives().toHostPath(toProgramFolder(hostFolder));
    return back && *back == hostFolder;
}

std::string toProgramFolder(std::string_view hostFolder) {
    if (auto drivePath = drives().toDrivePath(hostFolder)) {
        return *drivePath;
    }
    return hostNameToCp932(hostFolder);
}

}  // namespace tarvelin::platform
