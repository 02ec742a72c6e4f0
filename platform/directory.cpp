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
    struct Found {
        std::string name;  // the host name
        bool folder;
        bool file;
    };
    std::vector<Found> found;
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        bool folder = entry->d_type == DT_DIR;
        bool file = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // A link is what it leads to; a dangling one is neither.
            struct stat st {};
            const bool exists = ::stat((*host + "/" + name).c_str(), &st) == 0;
            folder = exists && S_ISDIR(st.st_mode);
            file = exists && S_ISREG(st.st_mode);
        }
        found.push_back({std::move(name), folder, file});
    }
    ::closedir(dir);
    // Only the entries that a program path leads back to are listed: a listed name is the file it opens.
    std::vector<std::string> names;
    names.reserve(found.size());
    for (const auto& entry : found) {
        names.push_back(entry.name);
    }
    const HostFolderNames index(names);
    for (const auto& entry : found) {
        if (auto programName = index.programName(entry.name)) {
            entries.push_back({*std::move(programName), entry.folder, entry.file, entry.name.front() == '.'});
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
