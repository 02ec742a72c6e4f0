#pragma once

#include <cstddef>
#include <cstring>

namespace tarvelin::core {

// The last byte `c` among the first `size` bytes at `data`, or null. The C library's memrchr where it has
// one (glibc), a plain loop elsewhere: the searches that use it stop at the nearest line break, a few bytes
// back.
inline const char* findLastByte(const char* data, char c, size_t size) {
#if defined(__GLIBC__)
    return static_cast<const char*>(::memrchr(data, c, size));
#else
    for (size_t i = size; i > 0; --i) {
        if (data[i - 1] == c) {
            return data + i - 1;
        }
    }
    return nullptr;
#endif
}

}  // namespace tarvelin::core
