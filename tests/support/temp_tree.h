#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"

namespace tarvelin::test {

// A temporary folder for one test, removed with everything in it at the end. While it lives, the
// installed drive table maps C: to it, so that tests use drive paths, and Z: to the host's root "/" (on
// Windows the other letters stay the system's drives: under Wine Z: is the host's root there too).
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The host path of the folder, or of a file below it ("NC/A.NC"): UTF-8 with "/" between components,
    // on Windows too ("C:/Users/op/AppData/Local/Temp/tarvelin-test-1234/NC/A.NC").
    const std::string& root() const { return root_; }
    std::string host(std::string_view relative) const;
    // The drive path of a file below the folder: "NC/A.NC" gives "C:\NC\A.NC".
    std::string drive(std::string_view relative) const;
    // The path by which a user names a file below the folder to the program (its bytes as `relative` has
    // them): its host path, or on Windows, where a host path ("C:/...") would name a file of the system's own
    // drive C:, its drive path.
    std::string userPath(std::string_view relative) const;

    // Writes a file (creating its folders) and returns its drive path.
    std::string write(std::string_view relative, std::string_view bytes) const;
    std::string read(std::string_view relative) const;
    bool exists(std::string_view relative) const;
    void makeFolder(std::string_view relative) const;

private:
    std::string root_;
    platform::DriveTable previous_;
};

// The folder of the shared test data beside the repository ("" when it is absent).
std::string sharedDataFolder();

}  // namespace tarvelin::test

// Another user exists only where the system has uids to switch to: on Windows the tests that need one skip.
#ifndef _WIN32

namespace tarvelin::test {

// The user that asUnprivilegedUser runs as ("nobody").
inline constexpr unsigned kUnprivilegedUser = 65534;

// Runs `body` as a user without privileges, where the superuser would pass every permission check: as the
// superuser, in a child process switched to the user "nobody", after handing the tree over to it, except
// the files `keptByRoot` (relative paths), which stay another user's, and after `prepare` has run as the
// superuser. Returns what `body` returns (false when the child could not be started).
bool asUnprivilegedUser(const TempTree& tree, const std::function<bool()>& body,
                        const std::vector<std::string>& keptByRoot = {}, const std::function<void()>& prepare = {});

}  // namespace tarvelin::test

#endif
