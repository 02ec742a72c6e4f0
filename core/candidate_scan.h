#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvelin::core {

// The positions among the 64 bytes at p that equal `a` or `b`, as a bit mask.
inline uint64_t maskOfEither64(const char* p, char a, char b) {
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

// The scan of 16 bytes at a time that every x86-64 processor can run, and the one of 32 at a time for
// processors with AVX2 (null where the program is built without it).
void scanCandidates16(const char* p, size_t blocks, const CandidateBytes& bytes, uint64_t* masks);
extern const CandidateScan scanCandidates32;

// The fastest scan this processor runs.
CandidateScan fastestCandidateScan();

}  // namespace tarvelin::core
