#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/drives.h"
#include "platform/file_error.h"
#include "platform/files.h"

namespace tarvelin::platform {
namespace {

// The descriptor that an OpenFile holds.
int descriptor(intptr_t handle) {
    return static_cast<int>(handle);
}

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

FileStamp stampOf(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec,
            st.st_ctim.tv_nsec};
}

std::optional<FileStamp> stampOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return std::nullopt;
    }
    return stampOf(st);
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

bool pathExists(std::string_view path) {
    return statOf(path).has_value();
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
    return FileIdentity{static_cast<uint64_t>(st->st_dev), static_cast<uint64_t>(st->st_ino)};
}

OpenFile OpenFile::forReading(std::string_view path) {
    // Opened without waiting, so that a FIFO or a device is refused instead of blocking or never ending.
    const int fd = openHost(path, O_RDONLY | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw FileError::cannotOpen(path);
    }
    return {fd, std::string(path), stampOf(st)};
}

void OpenFile::close() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
        handle_ = -1;
    }
}

size_t OpenFile::read(char* buffer, size_t size) {
    for (;;) {
        const ssize_t n = ::read(descriptor(handle_), buffer, size);
        if (n >= 0) {
            return static_cast<size_t>(n);
        }
        if (errno != EINTR) {
            throw FileError::cannotOpen(path_);
        }
    }
}

bool OpenFile::changed() const {
    return stampOf(descriptor(handle_)) != stamp_;
}

size_t OpenFile::size() const {
    struct stat st {};
    return ::fstat(descriptor(handle_), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) : 0;
}

size_t OpenFile::remaining() const {
    struct stat st {};
    const off_t position = ::lseek(descriptor(handle_), 0, SEEK_CUR);
    if (::fstat(descriptor(handle_), &st) == 0 && S_ISREG(st.st_mode) && position >= 0 && st.st_size > position) {
        return static_cast<size_t>(st.st_size - position);
    }
    return 0;
}

}  // namespace tarvelin::platform
