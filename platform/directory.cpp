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
    std::vector<std::pair<std::string, bool>> found;  // host name, folder
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st {};
            folder = ::stat((*host + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        found.emplace_back(std::move(name), folder);
    }
    ::closedir(dir);
    // Only the entries that a program path leads back to are listed: a listed name is the file it opens.
    std::vector<std::string> names;
    names.reserve(found.size());
    for (const auto& [name, folder] : found) {
        names.push_back(name);
    }
    const HostFolderNames index(names);
    for (const auto& [name, folder] : found) {
        if (auto programName = index.programName(name)) {
            entries.push_back({*std::move(programName), folder, name.front() == '.'});
        }
    }
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
