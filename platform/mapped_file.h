#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace tarvelin::platform {

// A file mapped into memory. Through a writable mapping the program edits the file's bytes in place, in
// the system's file cache, without copying them into memory of its own: the join edits joined output of
// hundreds of megabytes so.
//
// A mapping stays safe to read and write when another program cuts the file short meanwhile: the part
// that is gone reads as zero bytes (and takes writes that go nowhere) instead of ending the program, and
// damaged() tells it.
class MappedFile {
public:
    enum class Mode { ReadOnly, ReadWrite };

    // Maps an existing regular file. Nothing when it cannot be opened or mapped (no error is raised: the
    // caller reads the file another way or reports it).
    static std::optional<MappedFile> map(std::string_view path, Mode mode);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    char* data() { return data_; }
    const char* data() const { return data_; }
    size_t size() const { return size_; }
    std::string_view view() const { return {data_, size_}; }

    // Makes the file, and the mapping with it, `size` bytes long; bytes added at the end are zero. Only
    // for a writable mapping. False when the file cannot be grown (a full disk) or the mapping moved.
    bool resize(size_t size);

    // True when part of the file vanished under the mapping.
    bool damaged() const;

private:
    MappedFile() = default;
    void release();

    int fd_ = -1;
    Mode mode_ = Mode::ReadOnly;
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t mapped_ = 0;  // bytes of address space mapped (a multiple of the page size, >= size_)
    int guard_ = -1;     // slot in the table of guarded mappings
};

}  // namespace tarvelin::platform
