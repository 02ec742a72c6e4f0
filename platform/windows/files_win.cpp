#include <algorithm>
#include <utility>
#include <windows.h>

#include "platform/drives.h"
#include "platform/file_error.h"
#include "platform/files.h"
#include "platform/windows/wide.h"

namespace tarvelin::platform {
namespace {

HANDLE handleOf(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The attributes of what a program path names (links followed), or nothing.
std::optional<WIN32_FILE_ATTRIBUTE_DATA> attributesOf(std::string_view path) {
    const auto host = hostPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!host || !::GetFileAttributesExW(widePathOf(*host).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return data;
}

// Opens what a program path names for reading, the others free to read, write and remove it meanwhile.
HANDLE openForReading(std::string_view path) {
    const auto host = hostPath(path);
    if (!host) {
        return INVALID_HANDLE_VALUE;
    }
    return ::CreateFileW(widePathOf(*host).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

uint64_t joined(DWORD high, DWORD low) {
    return (uint64_t{high} << 32) | low;
}

std::optional<FileStamp> stampOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandle(file, &info) ||
        !::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
        return std::nullopt;
    }
    return FileStamp{joined(info.nFileSizeHigh, info.nFileSizeLow), basic.LastWriteTime.QuadPart, 0,
                     basic.ChangeTime.QuadPart, 0};
}

bool isRegularFile(HANDLE file) {
    return ::GetFileType(file) == FILE_TYPE_DISK;
}

}  // namespace

bool fileExists(std::string_view path) {
    const auto data = attributesOf(path);
    return data && (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool directoryExists(std::string_view path) {
    const auto data = attributesOf(path);
    return data && (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool pathExists(std::string_view path) {
    return attributesOf(path).has_value();
}

std::optional<size_t> fileSize(std::string_view path) {
    const auto data = attributesOf(path);
    if (!data || (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return static_cast<size_t>(joined(data->nFileSizeHigh, data->nFileSizeLow));
}

std::optional<FileIdentity> fileIdentity(std::string_view path) {
    // A folder is opened with backup semantics; nothing is read.
    const auto host = hostPath(path);
    if (!host) {
        return std::nullopt;
    }
    const HANDLE file =
        ::CreateFileW(widePathOf(*host).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    if (!known) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber, joined(info.nFileIndexHigh, info.nFileIndexLow)};
}

OpenFile OpenFile::forReading(std::string_view path) {
    const HANDLE file = openForReading(path);
    const auto stamp = file != INVALID_HANDLE_VALUE && isRegularFile(file) ? stampOf(file) : std::nullopt;
    if (!stamp) {
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
        }
        throw FileError::cannotOpen(path);
    }
    return OpenFile(reinterpret_cast<intptr_t>(file), std::string(path), *stamp);
}

void OpenFile::close() {
    if (handle_ != -1) {
        ::CloseHandle(handleOf(handle_));
        handle_ = -1;
    }
}

size_t OpenFile::read(char* buffer, size_t size) {
    DWORD got = 0;
    const DWORD asked = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    if (!::ReadFile(handleOf(handle_), buffer, asked, &got, nullptr)) {
        throw FileError::cannotOpen(path_);
    }
    return got;
}

bool OpenFile::changed() const {
    return stampOf(handleOf(handle_)) != stamp_;
}

size_t OpenFile::size() const {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(handleOf(handle_), &size) ? static_cast<size_t>(size.QuadPart) : 0;
}

size_t OpenFile::remaining() const {
    LARGE_INTEGER position{};
    LARGE_INTEGER size{};
    const LARGE_INTEGER zero{};
    if (::SetFilePointerEx(handleOf(handle_), zero, &position, FILE_CURRENT) &&
        ::GetFileSizeEx(handleOf(handle_), &size) && size.QuadPart > position.QuadPart) {
        return static_cast<size_t>(size.QuadPart - position.QuadPart);
    }
    return 0;
}

}  // namespace tarvelin::platform
