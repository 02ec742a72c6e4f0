#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"

namespace tarvelin::test {

// A temporary folder for one test, removed with everything in it at the end. While it lives, the
// installed drive table maps C: to it (and Z: to the host's root), so that tests use drive paths.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The host path of the folder, or of a file below it ("NC/A.NC").
    const std::string& root() const { return root_; }
    std::string host(std::string_view relative) const;
    // The drive path of a file below the folder: "NC/A.NC" gives "C:\NC\A.NC".
    std::string drive(std::string_view relative) const;

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
