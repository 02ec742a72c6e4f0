#include "platform/directory.h"

#include <dirent.h>
#include <sys/stat.h>

#include "platform/drives.h"

namespace tarvelin::platform {

std::vector<DirectoryEntry> listDirectory(std::string_view path) {
    std::vector<DirectoryEntry> entries;
    const auto host = hostPath(path);
    if (!host) {
        return entries;
    }
    DIR* dir = ::opendir(host->c_str());
    if (dir == nullptr) {
        return entries;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st {};
            folder = ::stat((*host + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({hostNameToCp932(name), folder, name.front() == '.'});
    }
    ::closedir(dir);
    return entries;
}

bool driveReadable(char letter) {
    const Drive* drive = drives().find(letter);
    if (drive == nullptr) {
        return false;
    }
    DIR* dir = ::opendir(drive->hostRoot.c_str());
    if (dir == nullptr) {
        return false;
    }
    ::closedir(dir);
    return true;
}

}  // namespace tarvelin::platform
