#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/host_files.h"

namespace tarvelin::platform {

bool hostEntryExists(const std::string& hostPath) {
    struct stat st {};
    return ::lstat(hostPath.c_str(), &st) == 0;
}

bool isHostFolder(const std::string& hostPath) {
    struct stat st {};
    return ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<HostEntry> readHostFolder(const std::string& hostFolder, bool kinds) {
    std::vector<HostEntry> entries;
    DIR* dir = ::opendir(hostFolder.c_str());
    if (dir == nullptr) {
        return entries;
    }
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        const bool hidden = name.front() == '.';
        HostEntry found{std::move(name), entry->d_type == DT_DIR, entry->d_type == DT_REG, hidden};
        if (kinds && (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)) {
            // A link is what it leads to; a dangling one is neither.
            struct stat st {};
            const bool exists = ::stat((hostFolder + "/" + found.name).c_str(), &st) == 0;
            found.folder = exists && S_ISDIR(st.st_mode);
            found.file = exists && S_ISREG(st.st_mode);
        }
        entries.push_back(std::move(found));
    }
    ::closedir(dir);
    return entries;
}

bool hostFolderReadable(const std::string& hostFolder) {
    DIR* dir = ::opendir(hostFolder.c_str());
    if (dir == nullptr) {
        return false;
    }
    ::closedir(dir);
    return true;
}

bool hostFileWritable(const std::string& hostPath) {
    struct stat st {};
    if (::geteuid() == 0) {
        return ::stat(hostPath.c_str(), &st) == 0 && (st.st_mode & 0222) != 0;
    }
    return ::access(hostPath.c_str(), W_OK) == 0;
}

bool hostFolderWritable(const std::string& hostFolder) {
    return isHostFolder(hostFolder) && ::access(hostFolder.c_str(), W_OK) == 0;
}

bool makeHostFolder(const std::string& hostFolder) {
    return ::mkdir(hostFolder.c_str(), 0700) == 0 || isHostFolder(hostFolder);
}

bool isHostRoot(std::string_view hostPath) {
    return hostPath == "/";
}

bool isAbsoluteHostPath(std::string_view hostPath) {
    return hostPath.substr(0, 1) == "/";
}

}  // namespace tarvelin::platform
