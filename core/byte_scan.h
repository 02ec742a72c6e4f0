#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The byte searches of the text passes. A pass looks at its text 64 bytes at a time: the bytes it wants
// in a block of 64 come back as the bits of a 64-bit mask (bit j for the block's byte j), which the pass
// then walks bit by bit or counts. SSE2 finds them 16 bytes at a time; elsewhere a plain loop gives the
// same masks.
namespace tarvelin::core {

// The positions among the 64 bytes at p that equal `c`, as a bit mask.
[[gnu::always_inline]] inline uint64_t maskOf64(const char* p, char c) {
    uint64_t mask = 0;
#if defined(__SSE2__)
    const __m128i value = _mm_set1_epi8(c);
    for (int k = 0; k < 4; ++k) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        mask |= uint64_t{static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, value)))} << (16 * k);
    }
#else
    for (size_t j = 0; j < 64; ++j) {
        mask |= uint64_t{p[j] == c} << j;
    }
#endif
    return mask;
}

// The positions among the 64 bytes at p that equal `a` or `b`, as a bit mask.
[[gnu::always_inline]] inline uint64_t maskOfEither64(const char* p, char a, char b) {
    uint64_t mask = 0;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    for (int k = 0; k < 4; ++k) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(block, va), _mm_cmpeq_epi8(block, vb));
        mask |= uint64_t{static_cast<unsigned>(_mm_movemask_epi8(hits))} << (16 * k);
    }
#else
    for (size_t j = 0; j < 64; ++j) {
        mask |= uint64_t{p[j] == a || p[j] == b} << j;
    }
#endif
    return mask;
}

// The index of the lowest bit set in a mask that is not 0.
[[gnu::always_inline]] inline size_t lowestBit(uint64_t mask) {
    return static_cast<size_t>(__builtin_ctzll(mask));
}

// The bits set in x. std::popcount becomes a library call where the build may not assume the processor's
// POPCNT instruction; this is a dozen instructions inline.
constexpr size_t popcount64(uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return static_cast<size_t>((x * 0x0101010101010101u) >> 56);
}

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

// The first sieve of the replacement search: where a search string may start, told by its first and last
// bytes, 64 positions at a time.
struct CandidateBytes {
    char firstA, firstB;  // the two forms of the first byte (both cases of a letter, else the byte twice)
    char lastA, lastB;    // the same of the last byte
    size_t lastOffset;    // the last byte's place in the search string
};

// Fills masks[k], for k < blocks, with the positions p + 64k + j (bit j) that hold either form of the first
// byte and whose position + lastOffset holds either form of the last byte. Reads p[0, 64 * blocks +
// lastOffset).
using CandidateScan = void (*)(const char* p, size_t blocks, const CandidateBytes& bytes, uint64_t* masks);

// The scan of 16 bytes at a time that every x86-64 processor can run (a plain loop elsewhere), and the one
// of 32 at a time for processors with AVX2 (null where the program is built without it).
void scanCandidates16(const char* p, size_t blocks, const CandidateBytes& bytes, uint64_t* masks);
extern const CandidateScan scanCandidates32;

// The fastest scan this processor runs.
CandidateScan fastestCandidateScan();

}  // namespace tarvelin::core
