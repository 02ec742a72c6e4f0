#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvelin::core {

// Copies `n` bytes, sizeof(Word) <= n <= 2 * sizeof(Word), as two words that may overlap: both loaded
// before either is stored, so that the copy may move bytes down inside one buffer.
template <typename Word>
[[gnu::always_inline]] inline void copyHeadAndTail(char* dst, const char* src, size_t n) {
    Word head;
    Word tail;
    std::memcpy(&head, src, sizeof(Word));
    std::memcpy(&tail, src + n - sizeof(Word), sizeof(Word));
    std::memcpy(dst, &head, sizeof(Word));
    std::memcpy(dst + n - sizeof(Word), &tail, sizeof(Word));
}

// Copies `n` bytes to a lower address inside the same buffer (dst < src) or to another buffer. Small
// copies, the usual gap between two matches, are done with loads that all come before the stores.
[[gnu::always_inline]] inline void copyDown(char* dst, const char* src, size_t n) {
#if defined(__SSE2__)
    if (n >= 16 && n <= 64) {
        const auto load = [](const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
        const auto store = [](char* at, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v); };
        if (n <= 32) {
            const __m128i a = load(src);
            const __m128i b = load(src + n - 16);
            store(dst, a);
            store(dst + n - 16, b);
        } else {
            const __m128i a = load(src);
            const __m128i b = load(src + 16);
            const __m128i c = load(src + n - 32);
            const __m128i d = load(src + n - 16);
            store(dst, a);
            store(dst + 16, b);
            store(dst + n - 32, c);
            store(dst + n - 16, d);
        }
        return;
    }
#endif
    if (n >= 8 && n < 16) {
        copyHeadAndTail<uint64_t>(dst, src, n);
        return;
    }
    if (n >= 4 && n < 8) {
        copyHeadAndTail<uint32_t>(dst, src, n);
        return;
    }
    if (n >= 2 && n < 4) {
        copyHeadAndTail<uint16_t>(dst, src, n);
        return;
    }
    if (n == 1) {
        *dst = *src;
        return;
    }
    if (n > 0) {
        std::memmove(dst, src, n);
    }
}

}  // namespace tarvelin::core
