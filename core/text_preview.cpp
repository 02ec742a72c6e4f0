#include "core/text_preview.h"

#include <algorithm>
#include <cstring>

namespace tarvelin::core {

bool IsTextFile(const char* buffer, size_t length) {
    const size_t n = std::min(length, kTextTestBytes);
    return n == 0 || std::memchr(buffer, '\0', n) == nullptr;
}

std::string previewText(std::string_view firstBytes) {
    return std::string(firstBytes.substr(0, firstBytes.find('\0')));
}

}  // namespace tarvelin::core
