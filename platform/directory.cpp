#include "platform/directory.h"

#include "platform/drives.h"
#include "platform/host_files.h"

namespace tarvelin::platform {

std::vector<DirectoryEntry> listDirectory(std::string_view path) {
    std::vector<DirectoryEntry> entries;
    const auto host = hostPath(path);
    if (!host) {
        return entries;
    }
    const std::vector<HostEntry> found = readHostFolder(*host);
    // Only the entries that a program path leads back to are listed: a listed name is the file it opens.
    std::vector<std::string> names;
    names.reserve(found.size());
    for (const auto& entry : found) {
        names.push_back(entry.name);
    }
    const HostFolderNames index(names);
    for (const auto& entry : found) {
        if (auto programName = index.programName(entry.name)) {
            entries.push_back({*std::move(programName), entry.folder, entry.file, entry.hidden});
        }
    }
    return entries;
}

bool driveReadable(char letter) {
    const Drive* drive = drives().find(letter);
    return drive != nullptr && hostFolderReadable(drive->hostRoot);
}

}  // namespace tarvelin::platform
