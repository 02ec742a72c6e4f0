#include "platform/files.h"

#include <utility>

namespace tarvelin::platform {

// An open file is moved with its handle (the system's own, -1 for none); close() is the system's.
OpenFile::OpenFile(OpenFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)), stamp_(other.stamp_) {}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
        path_ = std::move(other.path_);
        stamp_ = other.stamp_;
    }
    return *this;
}

OpenFile::~OpenFile() {
    close();
}

std::string readWholeFile(std::string_view path) {
    OpenFile file = OpenFile::forReading(path);
    std::string content;
    file.readRest(content);
    return content;
}

void OpenFile::readRest(std::string& text, size_t extraCapacity) {
    const size_t expected = remaining();
    text.reserve(text.size() + expected + extraCapacity);
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

}  // namespace tarvelin::platform
