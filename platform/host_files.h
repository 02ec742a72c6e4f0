#pragma once

#include <string>
#include <string_view>
#include <vector>

// The host's own file system under the program's drive paths, for the platform layer itself. A host path
// is UTF-8 with "/" between its components: "/home/op/NC" here, "C:/NC" on Windows, where a drive's root
// is "C:/".
namespace tarvelin::platform {

struct HostEntry {
    std::string name;     // UTF-8 where the name is valid UTF-8, else its bytes (this system only)
    bool folder = false;  // a folder, or a link to one
    bool file = false;    // a regular file, or a link to one
    bool hidden = false;  // hidden by the system's rule: a name that starts with ".", a hidden attribute
};

// Whether anything has this host path itself (a link is not followed).
bool hostEntryExists(const std::string& hostPath);

// Whether the host path is a folder (links followed).
bool isHostFolder(const std::string& hostPath);

// The entries of a host folder, without "." and ".."; empty when it cannot be read. With `kinds` false only
// the names are filled in, which spares a look at every link.
std::vector<HostEntry> readHostFolder(const std::string& hostFolder, bool kinds = true);

// Whether a host folder can be read at all.
bool hostFolderReadable(const std::string& hostFolder);

// Whether an existing host file may be written by this user (for the superuser, a file with no write bit at
// all counts as read-only, as the operator meant it).
bool hostFileWritable(const std::string& hostPath);

// Whether a host folder exists and this user may make files in it.
bool hostFolderWritable(const std::string& hostFolder);

// Makes one host folder, for this user alone where the system has owners (mode 0700); true when it exists
// afterwards.
bool makeHostFolder(const std::string& hostFolder);

// Whether a host path is the root of its file system or drive: "/" here, "C:/" on Windows.
bool isHostRoot(std::string_view hostPath);

// Whether a host path is absolute: "/..." here, "C:/..." on Windows.
bool isAbsoluteHostPath(std::string_view hostPath);

}  // namespace tarvelin::platform
