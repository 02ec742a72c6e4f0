#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tarvelin::platform {

// A file mapped into memory for reading: the join reads listed files of hundreds of megabytes where they
// lie in the system's file cache, without copying them into memory of its own first.
//
// A mapping stays safe to read when another program cuts the file short meanwhile: the part that is gone
// reads as zero bytes instead of ending the program, and damaged() tells it.
class MappedFile {
public:
    // Maps an existing regular file. Nothing when it cannot be opened or mapped (no error is raised: the
    // caller reads the file another way or reports it).
    static std::optional<MappedFile> map(std::string_view path);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    const char* data() const { return data_; }
    size_t size() const { return size_; }
    std::string_view view() const { return {data_, size_}; }

    // True when part of the file vanished under the mapping.
    bool damaged() const;
    // True when the file was cut short, or written to by any means, since it was mapped: what was read
    // from it may then be a mix of its old and new content.
    bool changed() const;

    struct Stamp {
        size_t size = 0;
        long modifiedSeconds = 0;
        long modifiedNanoseconds = 0;
        long changedSeconds = 0;
        long changedNanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };

private:
    MappedFile() = default;
    void release();

    int fd_ = -1;
    Stamp stamp_;
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t mapped_ = 0;  // bytes of address space mapped (a multiple of the page size, >= size_)
    int guard_ = -1;     // slot in the table of guarded mappings
};

}  // namespace tarvelin::platform
