#include "core/candidate_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TARVELIN_SCAN32 1
#endif

namespace tarvelin::core {
namespace {

#if defined(__SSE2__)
// The positions among 16 bytes at p that equal `a` or `b`, as the low bits of a mask.
inline uint64_t maskOf16(const char* p, __m128i a, __m128i b) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(block, a), _mm_cmpeq_epi8(block, b));
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
}

// The positions among 64 bytes that equal `a` or `b`, as a bit mask.
inline uint64_t maskOfEither(const char* p, __m128i a, __m128i b) {
    return maskOf16(p, a, b) | maskOf16(p + 16, a, b) << 16 | maskOf16(p + 32, a, b) << 32 |
           maskOf16(p + 48, a, b) << 48;
}
#endif

#if defined(TARVELIN_SCAN32)
// The positions among 32 bytes at p that equal `a` or `b`, as a byte mask.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i either32(const char* p, __m256i a, __m256i b) {
    const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return _mm256_or_si256(_mm256_cmpeq_epi8(block, a), _mm256_cmpeq_epi8(block, b));
}

[[gnu::target("avx2")]] void scan32(const char* p, size_t blocks, const CandidateBytes& bytes, uint64_t* masks) {
    const __m256i firstA = _mm256_set1_epi8(bytes.firstA);
    const __m256i firstB = _mm256_set1_epi8(bytes.firstB);
    const __m256i lastA = _mm256_set1_epi8(bytes.lastA);
    const __m256i lastB = _mm256_set1_epi8(bytes.lastB);
    for (size_t k = 0; k < blocks; ++k, p += 64) {
        const char* q = p + bytes.lastOffset;
        const auto low = static_cast<uint32_t>(
            _mm256_movemask_epi8(_mm256_and_si256(either32(p, firstA, firstB), either32(q, lastA, lastB))));
        const auto high = static_cast<uint32_t>(
            _mm256_movemask_epi8(_mm256_and_si256(either32(p + 32, firstA, firstB), either32(q + 32, lastA, lastB))));
        masks[k] = low | uint64_t{high} << 32;
    }
}
#endif

}  // namespace

void scanCandidates16(const char* p, size_t blocks, const CandidateBytes& bytes, uint64_t* masks) {
#if defined(__SSE2__)
    const __m128i firstA = _mm_set1_epi8(bytes.firstA);
    const __m128i firstB = _mm_set1_epi8(bytes.firstB);
    const __m128i lastA = _mm_set1_epi8(bytes.lastA);
    const __m128i lastB = _mm_set1_epi8(bytes.lastB);
    for (size_t k = 0; k < blocks; ++k, p += 64) {
        masks[k] = maskOfEither(p, firstA, firstB) & maskOfEither(p + bytes.lastOffset, lastA, lastB);
    }
#else
    for (size_t k = 0; k < blocks; ++k, p += 64) {
        uint64_t mask = 0;
        for (size_t j = 0; j < 64; ++j) {
            const char first = p[j];
            const char last = p[j + bytes.lastOffset];
            const bool hit =
                (first == bytes.firstA || first == bytes.firstB) && (last == bytes.lastA || last == bytes.lastB);
            mask |= uint64_t{hit} << j;
        }
        masks[k] = mask;
    }
#endif
}

#if defined(TARVELIN_SCAN32)
const CandidateScan scanCandidates32 = &scan32;
#else
const CandidateScan scanCandidates32 = nullptr;
#endif

CandidateScan fastestCandidateScan() {
    static const CandidateScan fastest = [] {
#if defined(TARVELIN_SCAN32)
        if (__builtin_cpu_supports("avx2")) {
            return scanCandidates32;
        }
#endif
        return &scanCandidates16;
    }();
    return fastest;
}

}  // namespace tarvelin::core
