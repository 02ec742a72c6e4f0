#include "platform/program.h"

#include "platform/desktop_launcher.h"
#include "platform/drives.h"
#include "platform/host_files.h"

namespace tarvelin::platform {

namespace {

// The folder part of a host path: the root with its "/" ("/", "C:/") for a file in a root, "." for a bare
// name.
std::string hostFolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return ".";
    }
    return std::string(path.substr(0, isHostRoot(path.substr(0, slash + 1)) ? slash + 1 : slash));
}

std::string hostNameOf(std::string_view path) {
    return std::string(path.substr(path.rfind('/') + 1));
}

std::string joined(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path + std::string(name);
}

}  // namespace

std::string workingFolderOf(std::string_view programHostPath) {
    return hostFolderOf(programHostPath);
}

ProgramFolders programFoldersFor(std::string_view programHostPath, const UserFolders& user,
                                 bool (*nameable)(std::string_view hostFolder)) {
    const std::string folder = hostFolderOf(programHostPath);
    const std::string prefixShare = joined(hostFolderOf(folder), "share/tarvelin");
    const bool inPrefix = hostNameOf(folder) == "bin" && isHostFolder(prefixShare);
    ProgramFolders result;
    result.installed = inPrefix || !hostFolderWritable(folder) || !nameable(folder);
    result.sharedFolder = inPrefix ? prefixShare : folder;
    if (!result.installed) {
        result.dataFolder = folder;
        return result;
    }
    // The XDG base-directory rule: a relative $XDG_CONFIG_HOME is ignored. (On Windows the configuration
    // folder is the user's application-data folder.)
    const std::string configHome = isAbsoluteHostPath(user.configHome) ? user.configHome : joined(user.home, ".config");
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
        if (!isHostRoot(prefix + "/") && !makeHostFolder(prefix)) {
            return false;
        }
    }
    return isHostFolder(path);
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
