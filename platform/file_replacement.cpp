#include "platform/file_replacement.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/drives.h"

namespace tarvelin::platform {
namespace {

// Writes all of `data` to `fd`, retrying after interruptions; false on failure.
bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Closes `fd`; false when the close reports that written data was lost.
bool closeChecked(int fd) {
    return ::close(fd) == 0 || errno == EINTR;
}

std::pair<std::string, std::string> splitHostPath(const std::string& host) {
    const size_t slash = host.rfind('/');
    if (slash == std::string::npos) {
        return {".", host};
    }
    return {slash == 0 ? "/" : host.substr(0, slash), host.substr(slash + 1)};
}

mode_t currentUmask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Whether this user may write the existing file. access() says yes to root for every file, so for root a
// file without any write bit counts as read-only, as the operator meant it.
bool mayWrite(const std::string& host, const struct stat& st) {
    if (::geteuid() == 0) {
        return (st.st_mode & 0222) != 0;
    }
    return ::faccessat(AT_FDCWD, host.c_str(), W_OK, AT_EACCESS) == 0;
}

// The start of the names of the new files for `name`: ".NAME.tarvelin-", followed by the writing
// process's number, "-" and a unique part.
std::string temporaryPrefix(const std::string& name) {
    return "." + name + ".tarvelin-";
}

// Removes new files for `name` left behind by processes that have ended (killed during a save). The fixed
// name that earlier versions used (".NAME.tarvelin-new") is such a leftover too.
void removeLeftovers(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const std::string prefix = temporaryPrefix(name);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view entryName(entry->d_name);
        if (entryName.substr(0, prefix.size()) != prefix) {
            continue;
        }
        const std::string_view rest = entryName.substr(prefix.size());
        bool leftover = rest == "new";
        if (!leftover) {
            char* end = nullptr;
            const std::string digits(rest.substr(0, rest.find('-')));
            const long pid = std::strtol(digits.c_str(), &end, 10);
            leftover = pid > 0 && *end == '\0' && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 &&
                       errno == ESRCH;
        }
        if (leftover) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

// Reasons to rewrite a file in place rather than beside it: the folder takes no new file.
bool folderRefusesNewFile(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == ENAMETOOLONG;
}

}  // namespace

std::string finalTarget(std::string host) {
    for (int depth = 0; depth < 40; ++depth) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(host.c_str(), target, sizeof target - 1);
        if (n <= 0) {
            break;
        }
        const std::string link(target, static_cast<size_t>(n));
        host = link.front() == '/' ? link : splitHostPath(host).first + "/" + link;
    }
    return host;
}

std::optional<FileReplacement> FileReplacement::prepare(const std::string& hostPath, mode_t newFileMode) {
    std::string target = finalTarget(hostPath);
    const auto [folder, name] = splitHostPath(target);
    if (name.empty()) {
        return std::nullopt;
    }
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || !mayWrite(target, st))) {
        return std::nullopt;
    }
    const mode_t mode = exists ? (st.st_mode & 07777) : (newFileMode & ~currentUmask() & 07777);
    const uid_t owner = exists ? st.st_uid : ::geteuid();
    const gid_t group = exists ? st.st_gid : ::getegid();
    // A new file is the writer's own: only root can give it to another user. Where it cannot keep the old
    // file's owner, the old file is rewritten in place.
    if (exists && owner != ::geteuid() && ::geteuid() != 0) {
        return FileReplacement(std::move(target), {}, -1, mode, owner, group);
    }

    removeLeftovers(folder, name);
    std::string temporary =
        (folder == "/" ? "" : folder) + "/" + temporaryPrefix(name) + std::to_string(::getpid()) + "-XXXXXX";
    // mkostemp creates the file new (never through a link or an existing name).
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        if (exists && folderRefusesNewFile(errno)) {
            return FileReplacement(std::move(target), {}, -1, mode, owner, group);
        }
        return std::nullopt;
    }
    if (group != ::getegid() && ::fchown(fd, static_cast<uid_t>(-1), group) != 0) {
        // The writer is not a member of the old file's group.
        ::close(fd);
        ::unlink(temporary.c_str());
        return FileReplacement(std::move(target), {}, -1, mode, owner, group);
    }
    return FileReplacement(std::move(target), std::move(temporary), fd, mode, owner, group);
}

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})),
      fd_(std::exchange(other.fd_, -1)),
      mode_(other.mode_),
      owner_(other.owner_),
      group_(other.group_),
      executable_(other.executable_) {}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

bool FileReplacement::write(std::string_view piece) {
    return fd_ >= 0 && writeAll(fd_, piece);
}

bool FileReplacement::commit(std::string_view data, Flush flush) {
    if (executable_) {
        // Execute permission for every class that may read the file.
        mode_ |= (mode_ & 0444) >> 2;
    }
    return temporary_.empty() ? commitInPlace(data, flush) : commitByRename(data, flush);
}

bool FileReplacement::commitByRename(std::string_view data, Flush flush) {
    const int fd = std::exchange(fd_, -1);
    bool ok = ::fchmod(fd, mode_) == 0 && (owner_ == ::geteuid() || ::fchown(fd, owner_, group_) == 0) &&
              writeAll(fd, data) && (flush == Flush::Later || ::fsync(fd) == 0);
    ok = closeChecked(fd) && ok && ::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (ok) {
        temporary_.clear();
    }
    return ok;
}

// The file is rewritten where it is. Its room is reserved before the first byte changes, so that a full
// disk fails before anything is written.
bool FileReplacement::commitInPlace(std::string_view data, Flush flush) {
    const int fd = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    const int reserved = data.empty() ? 0 : ::posix_fallocate(fd, 0, static_cast<off_t>(data.size()));
    if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
        ::close(fd);
        return false;
    }
    bool ok = writeAll(fd, data) && ::ftruncate(fd, static_cast<off_t>(data.size())) == 0 &&
              (flush == Flush::Later || ::fsync(fd) == 0);
    if (ok && (st.st_mode & 07777) != mode_) {
        ok = ::fchmod(fd, mode_) == 0;
    }
    return closeChecked(fd) && ok;
}

bool replaceFileContents(std::string_view path, std::string_view data) {
    const auto host = hostPath(path);
    if (!host) {
        return false;
    }
    auto replacement = FileReplacement::prepare(*host);
    return replacement && replacement->commit(data);
}

}  // namespace tarvelin::platform
