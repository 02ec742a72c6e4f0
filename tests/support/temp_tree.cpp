#include "support/temp_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarvelin::test {

namespace fs = std::filesystem;

TempTree::TempTree() : previous_(platform::drives()) {
    std::string pattern = (fs::temp_directory_path() / "tarvelin-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    root_ = pattern;
    platform::DriveTable table;
    table.set('C', root_);
    table.set('Z', "/");
    platform::installDrives(table);
}

TempTree::~TempTree() {
    platform::installDrives(previous_);
    std::error_code ignored;
    // Folders made read-only by a test must become writable again to be removed.
    for (auto it = fs::recursive_directory_iterator(root_, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
}

std::string TempTree::host(std::string_view relative) const {
    return relative.empty() ? root_ : root_ + "/" + std::string(relative);
}

std::string TempTree::drive(std::string_view relative) const {
    std::string path = "C:\\";
    for (const char c : relative) {
        path += c == '/' ? '\\' : c;
    }
    return path;
}

std::string TempTree::write(std::string_view relative, std::string_view bytes) const {
    const fs::path path = host(relative);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return drive(relative);
}

std::string TempTree::read(std::string_view relative) const {
    std::ifstream in(host(relative), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TempTree::exists(std::string_view relative) const {
    return fs::exists(host(relative));
}

void TempTree::makeFolder(std::string_view relative) const {
    fs::create_directories(host(relative));
}

std::string sharedDataFolder() {
    std::error_code ignored;
    const fs::path folder = TARVELIN_SHARED_DIR;
    return fs::is_directory(folder, ignored) ? fs::canonical(folder, ignored).string() : std::string();
}

}  // namespace tarvelin::test

namespace tarvelin::test {

bool asUnprivilegedUser(const TempTree& tree, const std::function<bool()>& body,
                        const std::vector<std::string>& keptByRoot, const std::function<void()>& prepare) {
    if (::geteuid() != 0) {
        return body();
    }
    constexpr uid_t kNobody = kUnprivilegedUser;
    for (const auto& entry : fs::recursive_directory_iterator(tree.root())) {
        if (::lchown(entry.path().c_str(), kNobody, kNobody) != 0) {
            return false;
        }
    }
    if (::chown(tree.root().c_str(), kNobody, kNobody) != 0) {
        return false;
    }
    for (const auto& relative : keptByRoot) {
        if (::lchown(tree.host(relative).c_str(), 0, 0) != 0) {
            return false;
        }
    }
    if (prepare) {
        prepare();
    }
    const pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        const bool ok = ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 && body();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tarvelin::test
