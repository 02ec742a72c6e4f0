#include "core/remove_percent.h"

#include <cstring>

#include "core/compact_in_place.h"

namespace tarvelin::core {

size_t removePercentMoving(char* dst, const char* src, size_t size) {
    size_t read = 0;
    size_t write = 0;
    while (read < size) {
        const void* hit = std::memchr(src + read, '%', size - read);
        const size_t next = hit != nullptr ? static_cast<size_t>(static_cast<const char*>(hit) - src) : size;
        if (dst + write != src + read) {
            std::memmove(dst + write, src + read, next - read);
        }
        write += next - read;
        read = next + 1;
    }
    return write;
}

void removePercent(EditableText& text) {
    // How many were removed is not counted.
    compactInPlace(text, [](char* data, size_t size) { return Compacted{0, removePercentMoving(data, data, size)}; });
}

}  // namespace tarvelin::core
