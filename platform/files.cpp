#include "platform/files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/drives.h"
#include "platform/file_error.h"
#include "platform/memory.h"

namespace tarvelin::platform {
namespace {

std::optional<struct stat> statOf(std::string_view path) {
    const auto host = hostPath(path);
    struct stat st {};
    if (!host || ::stat(host->c_str(), &st) != 0) {
        return std::nullopt;
    }
    return st;
}

int openHost(std::string_view path, int flags) {
    const auto host = hostPath(path);
    if (!host) {
        errno = ENOENT;
        return -1;
    }
    int fd = -1;
    do {
        fd = ::open(host->c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes all of `data` to `fd`; false on failure.
bool writeAll(int fd, std::string_view data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool closeChecked(int fd) {
    return ::close(fd) == 0 || errno == EINTR;
}

std::string folderOfHost(const std::string& host) {
    const size_t slash = host.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : host.substr(0, slash);
}

// The file a host path finally names: links followed as far as they lead (the last link's target may
// not exist yet).
std::string finalTarget(std::string host) {
    for (int depth = 0; depth < 40; ++depth) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(host.c_str(), target, sizeof target - 1);
        if (n < 0) {
            break;
        }
        const std::string link(target, static_cast<size_t>(n));
        host = link.front() == '/' ? link : folderOfHost(host) + "/" + link;
    }
    return host;
}

mode_t currentUmask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Writes `data` to a new file beside `target` and renames it over `target`. False when the folder does
// not allow it; the target is then untouched. The new file has a fixed name, so that a program killed
// before the rename leaves at most one stray file per target, which the next write takes over.
bool replaceByRename(const std::string& target, std::string_view data) {
    const size_t slash = target.rfind('/');
    const std::string temp = slash == std::string::npos
                                 ? "." + target + ".tarvelin-new"
                                 : target.substr(0, slash + 1) + "." + target.substr(slash + 1) + ".tarvelin-new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0666 & ~currentUmask();
    const bool written = ::fchmod(fd, mode) == 0 && writeAll(fd, data) && ::fsync(fd) == 0;
    if (!closeChecked(fd) || !written || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

// Rewrites an existing file in place. The space is reserved before the first byte changes, so a full disk
// fails before anything is written.
bool rewriteInPlace(const std::string& target, std::string_view data) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const int reserved = data.empty() ? 0 : ::posix_fallocate(fd, 0, static_cast<off_t>(data.size()));
    if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
        ::close(fd);
        return false;
    }
    const bool written =
        writeAll(fd, data) && ::ftruncate(fd, static_cast<off_t>(data.size())) == 0 && ::fsync(fd) == 0;
    return closeChecked(fd) && written;
}

}  // namespace

bool fileExists(std::string_view path) {
    const auto st = statOf(path);
    return st && S_ISREG(st->st_mode);
}

bool directoryExists(std::string_view path) {
    const auto st = statOf(path);
    return st && S_ISDIR(st->st_mode);
}

std::string readWholeFile(std::string_view path) {
    OpenFile file = OpenFile::forReading(path);
    std::string content;
    file.readRest(content);
    return content;
}

void createEmptyFile(std::string_view path) {
    const int fd = openHost(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0) {
        throw FileError::cannotCreate(path);
    }
    if (!closeChecked(fd)) {
        throw FileError::cannotWrite(path);
    }
}

void writeWholeFile(std::string_view path, std::string_view data) {
    // The old content is written over and then cut to the new length, rather than cut to nothing first:
    // dropping hundreds of megabytes that the kernel is still writing back makes the writer wait for the
    // disk, while writing over them does not.
    const int fd = openHost(path, O_WRONLY | O_CREAT);
    if (fd < 0) {
        throw FileError::cannotCreate(path);
    }
    const bool written = writeAll(fd, data) && ::ftruncate(fd, static_cast<off_t>(data.size())) == 0;
    if (!closeChecked(fd) || !written) {
        throw FileError::cannotWrite(path);
    }
}

bool replaceFileContents(std::string_view path, std::string_view data) {
    const auto host = hostPath(path);
    if (!host) {
        return false;
    }
    const std::string target = finalTarget(*host);
    return replaceByRename(target, data) || rewriteInPlace(target, data);
}

std::optional<size_t> fileSize(std::string_view path) {
    const auto st = statOf(path);
    if (!st || !S_ISREG(st->st_mode)) {
        return std::nullopt;
    }
    return static_cast<size_t>(st->st_size);
}

std::optional<FileIdentity> fileIdentity(std::string_view path) {
    const auto st = statOf(path);
    if (!st) {
        return std::nullopt;
    }
    return FileIdentity{st->st_dev, st->st_ino};
}

OpenFile OpenFile::forReading(std::string_view path) {
    const int fd = openHost(path, O_RDONLY);
    if (fd < 0) {
        throw FileError::cannotOpen(path);
    }
    return OpenFile(fd, std::string(path));
}

OpenFile OpenFile::forAppending(std::string_view path) {
    const int fd = openHost(path, O_RDWR);
    if (fd < 0 || ::lseek(fd, 0, SEEK_END) < 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw FileError::cannotOpen(path);
    }
    return OpenFile(fd, std::string(path));
}

OpenFile::OpenFile(OpenFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

OpenFile::~OpenFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

size_t OpenFile::read(char* buffer, size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) {
            return static_cast<size_t>(n);
        }
        if (errno != EINTR) {
            throw FileError::cannotOpen(path_);
        }
    }
}

size_t OpenFile::size() const {
    struct stat st {};
    return ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) : 0;
}

void OpenFile::readRest(std::string& text, size_t extraCapacity) {
    struct stat st {};
    const off_t position = ::lseek(fd_, 0, SEEK_CUR);
    size_t expected = 0;
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && position >= 0 && st.st_size > position) {
        expected = static_cast<size_t>(st.st_size - position);
    }
    reserveLarge(text, text.size() + expected + extraCapacity);
    // The expected size in one go (straight into place), then whatever the file grew by meanwhile.
    const size_t at = text.size();
    text.resize(at + expected);
    size_t got = 0;
    while (got < expected) {
        const size_t n = read(text.data() + at + got, expected - got);
        if (n == 0) {
            break;
        }
        got += n;
    }
    text.resize(at + got);
    char more[65536];
    while (const size_t n = read(more, sizeof more)) {
        text.append(more, n);
    }
}

void OpenFile::write(std::string_view data) {
    if (!writeAll(fd_, data)) {
        throw FileError::cannotWrite(path_);
    }
}

void OpenFile::close() {
    if (fd_ < 0) {
        return;
    }
    if (!closeChecked(std::exchange(fd_, -1))) {
        throw FileError::cannotWrite(path_);
    }
}

}  // namespace tarvelin::platform
