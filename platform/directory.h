#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvelin::platform {

struct DirectoryEntry {
    std::string name;     // code page 932 (a name that is not UTF-8 comes as its bytes)
    bool folder = false;  // a folder, or a link to one
    bool file = false;    // a regular file, or a link to one (not a device, FIFO, socket or dangling link)
    bool hidden = false;  // hidden by the system's rule (a name that starts with ".", a hidden attribute)
};

// The entries of a folder (a program path), without "." and "..", in no particular order. Read with
// readdir, so that names that are not valid UTF-8 are listed too. Empty when the folder cannot be read.
std::vector<DirectoryEntry> listDirectory(std::string_view path);

// Whether a drive of the installed table has a readable folder behind it (the floppy probe).
bool driveReadable(char letter);

}  // namespace tarvelin::platform
