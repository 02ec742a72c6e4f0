#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/drives.h"

#include "fuzz/reference.h"

namespace tarvelin::fuzz {

// A scratch folder for the targets that write files, in memory where the host has /dev/shm, made once per
// process and removed at exit. Drive C: names it, so that the program's paths are "C:\NAME".
inline const std::string& scratchFolder() {
    static const std::string folder = [] {
        std::string pattern =
            ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/tarvelin-fuzz-XXXXXX" : "/tmp/tarvelin-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            fail("cannot create a scratch folder");
        }
        platform::DriveTable table;
        table.set('C', pattern);
        platform::installDrives(table);
        return pattern;
    }();
    static const bool removedAtExit = [] {
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        });
        return true;
    }();
    (void)removedAtExit;
    return folder;
}

}  // namespace tarvelin::fuzz
