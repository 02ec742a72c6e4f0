#pragma once

#include <cstddef>
#include <cstdint>
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

// The bits set in x. std::popcount becomes a library call where the build may not assume the processor's
// POPCNT instruction; this is a dozen instructions inline.
constexpr size_t popcount64(uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return static_cast<size_t>((x * 0x0101010101010101u) >> 56);
}

}  // namespace tarvelin::core
