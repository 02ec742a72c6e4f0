#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/drives.h"
#include "platform/file_replacement.h"
#include "platform/temporary_name.h"
#include "platform/termination.h"

namespace tarvelin::platform {
namespace {

// The process's file-creation mask, read once before main so that no thread ever sees it changed: reading
// it means setting it for a moment.
const mode_t processUmask = [] {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}();

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

std::string folderOf(const std::string& host) {
    const size_t slash = host.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : host.substr(0, slash);
}

uint32_t thisMachine() {
    static const uint32_t mark = [] {
        char name[256] = {};
        ::gethostname(name, sizeof name - 1);
        return machineMarkOf(name);
    }();
    return mark;
}

// Whether the leftover `name` in the folder `dir` is the new file of an ended process of this machine: its
// name says this machine and a process that no longer runs, and nobody holds its lock (the writer holds it
// until the file is renamed or removed, on a network folder too).
bool isOwnEndedLeftover(int dir, const char* name) {
    const auto owner = ownerOfTemporaryName(name);
    if (!owner || owner->machineMark != thisMachine() || owner->process == static_cast<unsigned long>(::getpid()) ||
        owner->process > static_cast<unsigned long>(INT_MAX)) {
        return false;
    }
    if (::kill(static_cast<pid_t>(owner->process), 0) == 0 || errno != ESRCH) {
        return false;
    }
    const int fd = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    const bool free = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

void removeLeftovers(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (isOwnEndedLeftover(::dirfd(dir), entry->d_name)) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

std::string procPathOf(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

// Whether this user may write the file open (as a path) at `fd`. access() says yes to the superuser for every
// file, so for the superuser a file without any write bit counts as read-only, as the operator meant it.
bool mayWrite(int fd, const std::string& hostPath, const struct stat& st) {
    if (::geteuid() == 0) {
        return (st.st_mode & 0222) != 0;
    }
    if (::faccessat(AT_FDCWD, procPathOf(fd).c_str(), W_OK, AT_EACCESS) == 0) {
        return true;
    }
    return errno == ENOENT && ::faccessat(AT_FDCWD, hostPath.c_str(), W_OK, AT_EACCESS) == 0;  // no /proc
}

// The protection that the system gives links in sticky world-writable folders (/tmp), kept here too for the
// systems that leave it off: such a link is followed only by its owner or the folder's owner.
bool isProtectedLink(const std::string& hostPath) {
    struct stat link {};
    struct stat folder {};
    if (::lstat(hostPath.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) ||
        ::stat(folderOf(hostPath).c_str(), &folder) != 0) {
        return false;
    }
    const bool sharedSticky = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return sharedSticky && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid;
}

// Where the file open at `fd` lies, as the system resolved the path that opened it; nothing when that cannot
// be told.
std::optional<std::string> resolvedPathOf(int fd) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(procPathOf(fd).c_str(), buffer, sizeof buffer - 1);
    if (n <= 0 || buffer[0] != '/') {
        return std::nullopt;
    }
    return std::string(buffer, static_cast<size_t>(n));
}

bool isLink(const std::string& hostPath) {
    struct stat st {};
    return ::lstat(hostPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool isStickyFolder(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && (st.st_mode & S_ISVTX) != 0;
}

// Whether the system refuses to rename over `old` in `folder`: a sticky folder protects the files of other
// users from everyone but the folder's owner and the superuser.
bool renameRefused(const std::string& folder, const struct stat& old) {
    struct stat st {};
    return ::geteuid() != 0 && old.st_uid != ::geteuid() && ::stat(folder.c_str(), &st) == 0 &&
           (st.st_mode & S_ISVTX) != 0 && st.st_uid != ::geteuid();
}

}  // namespace

struct FileReplacement::State {
    std::string target;  // the file that the new one replaces, as the system resolved the path
    bool throughLink = false;
    bool createdThroughLink = false;  // an empty file made where a dangling link leads, removed on failure
    std::optional<struct stat> old;   // the file replaced, when there is one
    std::string temporary;            // the new file
    int fd = -1;                      // the new file, open for writing and locked
    std::optional<PendingFile> pending;
    mode_t mode = 0;
    std::optional<uid_t> owner;  // an owner to give the new file back to
    bool executable = false;

    ~State() {
        if (fd >= 0) {
            ::close(fd);
        }
        if (!temporary.empty()) {
            ::unlink(temporary.c_str());
        }
        struct stat now {};
        if (createdThroughLink && old && !target.empty() && ::stat(target.c_str(), &now) == 0 &&
            now.st_ino == old->st_ino && now.st_dev == old->st_dev && now.st_size == 0) {
            ::unlink(target.c_str());
        }
    }

    // Takes the existing file that `found` (a descriptor of any kind) is open at; false when it may not
    // be replaced.
    bool takeExisting(int found, const std::string& hostPath) {
        struct stat st {};
        if (::fstat(found, &st) != 0) {
            return false;
        }
        old = st;
        auto resolved = resolvedPathOf(found);
        throughLink = isLink(hostPath);
        if (!resolved && throughLink) {
            return false;
        }
        target = resolved ? *std::move(resolved) : hostPath;
        mode = st.st_mode & 07777;
        return S_ISREG(st.st_mode) && mayWrite(found, hostPath, st) && !renameRefused(folderOf(target), st);
    }
};

FileReplacement::FileReplacement(std::unique_ptr<State> state) : state_(std::move(state)) {}
FileReplacement::FileReplacement(FileReplacement&& other) noexcept = default;
FileReplacement::~FileReplacement() = default;

std::optional<FileReplacement> FileReplacement::prepare(const std::string& hostPath) {
    if (hostPath.empty() || hostPath.back() == '/' || isProtectedLink(hostPath)) {
        return std::nullopt;
    }
    auto state = std::make_unique<State>();
    // The system follows the path, links included, with its own protections; what it opened is what is
    // replaced.
    if (const int found = ::open(hostPath.c_str(), O_PATH | O_CLOEXEC); found >= 0) {
        const bool taken = state->takeExisting(found, hostPath);
        ::close(found);
        if (!taken) {
            return std::nullopt;
        }
    } else if (errno == ENOENT && isLink(hostPath)) {
        // A link to a file that does not exist yet: the system makes the file where the link leads.
        const int made = ::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
        if (made < 0) {
            return std::nullopt;
        }
        state->createdThroughLink = true;
        const bool taken = state->takeExisting(made, hostPath);
        ::close(made);
        if (!taken) {
            return std::nullopt;  // the destructor removes the empty file again
        }
        state->mode = 0666 & ~processUmask;
    } else if (errno == ENOENT) {
        state->target = hostPath;
        state->mode = 0666 & ~processUmask;
    } else {
        return std::nullopt;  // a folder on the way that is missing or closed, a loop of links
    }

    const std::string folder = folderOf(state->target);
    removeLeftovers(folder);
    std::string temporary = (folder == "/" ? "" : folder) + "/" +
                            temporaryNamePrefix(thisMachine(), static_cast<unsigned long>(::getpid())) + "XXXXXX";
    // mkostemp creates the file new, never through a link or an existing name.
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    state->fd = fd;
    state->temporary = std::move(temporary);
    state->pending.emplace(state->temporary.c_str());
    ::flock(fd, LOCK_EX);
    if (state->old && state->old->st_gid != ::getegid() &&
        ::fchown(fd, static_cast<uid_t>(-1), state->old->st_gid) != 0) {
        state->mode &=
            ~static_cast<mode_t>(S_ISGID);  // the writer is not in the old file's group: the file takes the folder's
    }
    if (state->old && state->old->st_uid != ::geteuid()) {
        // Another user's file becomes the writer's own. The superuser gives it back, except in a sticky
        // folder, where the file may have been put by anyone to be handed what the superuser writes.
        if (::geteuid() == 0 && !isStickyFolder(folder)) {
            state->owner = state->old->st_uid;
        } else {
            state->mode &= ~static_cast<mode_t>(S_ISUID);  // never a program that runs as its new owner
        }
    }
    return FileReplacement(std::move(state));
}

bool FileReplacement::write(std::string_view piece) {
    return state_->fd >= 0 && writeAll(state_->fd, piece);
}

const std::string& FileReplacement::temporaryHostPath() const {
    return state_->temporary;
}

void FileReplacement::makeExecutable() {
    state_->executable = true;
}

bool FileReplacement::commit(std::string_view data, Flush flush) {
    State& s = *state_;
    if (s.fd < 0) {
        return false;
    }
    if (s.executable) {
        s.mode |= (s.mode & 0444) >> 2;  // execute permission for every class that may read the file
    }
    const int fd = std::exchange(s.fd, -1);
    bool ok = (!s.owner || ::fchown(fd, *s.owner, static_cast<gid_t>(-1)) == 0) && ::fchmod(fd, s.mode) == 0 &&
              writeAll(fd, data) && (flush == Flush::Later || ::fsync(fd) == 0);
    ok = closeChecked(fd) && ok;
    if (ok && s.throughLink) {
        // The file the link led to must still be the one checked: never replace what another program put
        // there meanwhile.
        struct stat now {};
        ok = ::lstat(s.target.c_str(), &now) == 0 && now.st_dev == s.old->st_dev && now.st_ino == s.old->st_ino;
    }
    if (!ok || ::rename(s.temporary.c_str(), s.target.c_str()) != 0) {
        return false;  // the destructor removes the new file
    }
    s.temporary.clear();
    s.pending.reset();
    s.createdThroughLink = false;
    if (flush == Flush::ToDisk) {
        // The rename itself reaches the disk: the folder's entry is flushed too.
        const int dir = ::open(folderOf(s.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return true;
}

}  // namespace tarvelin::platform
