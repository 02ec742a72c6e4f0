#include "core/byte_scan.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TARVELIN_SCAN32 1
#endif

namespace tarvelin::core {
namespace {

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
    for (size_t k = 0; k < blocks; ++k, p += 64) {
        masks[k] = maskOfEither64(p, bytes.firstA, bytes.firstB) &
                   maskOfEither64(p + bytes.lastOffset, bytes.lastA, bytes.lastB);
    }
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
