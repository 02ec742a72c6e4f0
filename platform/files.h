#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// File services on program paths (code page 932, drive letters), mapped to the host through the installed
// drive table. Failures that the operator must see raise FileError with the program path in the message.
namespace tarvelin::platform {

// True when the path names an existing regular file (links followed). A folder, a device or a path on an
// unknown drive is not a file.
bool fileExists(std::string_view path);

// True when the path names an existing folder (links followed).
bool directoryExists(std::string_view path);

// True when the path names anything that exists (links followed): a file, a folder, a device.
bool pathExists(std::string_view path);

// The whole content of a file. Raises FileError::cannotOpen when it cannot be opened or read.
std::string readWholeFile(std::string_view path);

// The size of an existing file in bytes, or nothing.
std::optional<size_t> fileSize(std::string_view path);

// Identity of an existing file (its volume and its number there: device and inode, or on Windows the
// volume serial number and file index; links followed), or nothing when it does not exist.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> fileIdentity(std::string_view path);

// What tells that a file was written to: its size and its modification and change times (as the system
// keeps them).
struct FileStamp {
    uint64_t size = 0;
    int64_t modified = 0;
    int64_t modifiedFraction = 0;
    int64_t changed = 0;
    int64_t changedFraction = 0;
    bool operator==(const FileStamp&) const = default;
};

// An open file, closed when it goes out of scope. The path in messages is the program path it was opened by.
class OpenFile {
public:
    // Opens an existing regular file for reading; others may read and write it meanwhile. Raises
    // FileError::cannotOpen, also for a folder, a device, a FIFO or a socket, which are never waited on.
    static OpenFile forReading(std::string_view path);
    OpenFile(OpenFile&& other) noexcept;
    OpenFile& operator=(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile();

    // The file's size in bytes (0 when it cannot be told).
    size_t size() const;
    // Reads up to `size` bytes; 0 at the end of the file. Raises FileError::cannotOpen on a read error.
    size_t read(char* buffer, size_t size);
    // True when the file was cut short, or written to by any means, since it was opened: what was read
    // from it may then be a mix of its old and new content.
    bool changed() const;
    // Appends the rest of the file to `text`, reserving its size first plus `extraCapacity` bytes for what
    // the caller will add. Raises FileError::cannotOpen on a read error.
    void readRest(std::string& text, size_t extraCapacity = 0);

private:
    OpenFile(intptr_t handle, std::string path, FileStamp stamp)
        : handle_(handle), path_(std::move(path)), stamp_(stamp) {}
    void close();
    // The bytes from the read position to the file's end (0 when it cannot be told).
    size_t remaining() const;

    intptr_t handle_ = -1;  // the system's descriptor or handle of the file
    std::string path_;
    FileStamp stamp_;
};

}  // namespace tarvelin::platform
