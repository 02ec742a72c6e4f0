#include "support/temp_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <random>
#include <windows.h>
#else
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tarvelin::test {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32

// Host paths are UTF-8 with "/" between components; the file system library reads a narrow string in the C
// library's encoding, not as UTF-8, so they go in and come out as UTF-8 explicitly.
fs::path fsPath(const std::string& host) {
    return fs::path(std::u8string(host.begin(), host.end()));
}

std::string hostOf(const fs::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

// A new folder below the user's temporary folder, under its long name, as the system resolves it.
std::string makeRoot() {
    std::random_device random;
    const fs::path base = fs::canonical(fs::temp_directory_path());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("tarvelin-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            return hostOf(candidate);
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

// Removes a folder with everything in it, read-only files too, through the "\\?\" form of its path, which
// knows no length limit (the file system library's removal stops at 260 characters).
void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                ::DeleteFileW(path.c_str());
            } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                ::RemoveDirectoryW(path.c_str());  // a link to a folder: only the link goes
            } else {
                removeTree(path);
            }
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

// The system's drives with C: taken by the tree.
platform::DriveTable driveTableFor(const std::string& root) {
    static const platform::DriveTable system = platform::DriveTable::systemDefault();
    platform::DriveTable table = system;
    table.set('C', root);
    return table;
}

#else

fs::path fsPath(const std::string& host) {
    return host;
}

std::string makeRoot() {
    std::string pattern = (fs::temp_directory_path() / "tarvelin-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    return pattern;
}

platform::DriveTable driveTableFor(const std::string& root) {
    platform::DriveTable table;
    table.set('C', root);
    table.set('Z', "/");
    return table;
}

#endif

}  // namespace

TempTree::TempTree() : root_(makeRoot()), previous_(platform::drives()) {
    platform::installDrives(driveTableFor(root_));
}

TempTree::~TempTree() {
    platform::installDrives(previous_);
#ifdef _WIN32
    removeTree(L"\\\\?\\" + fsPath(root_).make_preferred().wstring());
#else
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
#endif
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

std::string TempTree::userPath(std::string_view relative) const {
#ifdef _WIN32
    return drive(relative);
#else
    return host(relative);
#endif
}

std::string TempTree::write(std::string_view relative, std::string_view bytes) const {
    const fs::path path = fsPath(host(relative));
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + host(relative));
    }
    return drive(relative);
}

std::string TempTree::read(std::string_view relative) const {
    std::ifstream in(fsPath(host(relative)), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TempTree::exists(std::string_view relative) const {
    return fs::exists(fsPath(host(relative)));
}

void TempTree::makeFolder(std::string_view relative) const {
    fs::create_directories(fsPath(host(relative)));
}

std::string sharedDataFolder() {
    std::error_code ignored;
    const fs::path folder = fsPath(TARVELIN_SHARED_DIR);
    if (!fs::is_directory(folder, ignored)) {
        return {};
    }
#ifdef _WIN32
    return hostOf(fs::canonical(folder, ignored));
#else
    return fs::canonical(folder, ignored).string();
#endif
}

}  // namespace tarvelin::test

#ifndef _WIN32

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

#endif
