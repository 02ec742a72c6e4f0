#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "core/byte_scan.h"
#include "platform/mbcs.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvelin::core {

// Each single-byte letter a..z as A..Z, every other byte as it is.
inline constexpr std::array<unsigned char, 256> kAsciiUpper = [] {
    std::array<unsigned char, 256> table{};
    for (size_t b = 0; b < table.size(); ++b) {
        table[b] = static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - ('a' - 'A') : b);
    }
    return table;
}();

// A search string prepared for matching: upper-cased, with the positions where case is ignored (the
// single-byte characters) marked. Candidates are found sixteen positions at a time by their first and last
// bytes (both cases of a letter) before the rest is compared.
class SearchPattern {
public:
    explicit SearchPattern(std::string_view search);

    size_t size() const { return bytes_.size(); }

    // Calls onMatches(positions, n) with the positions of the matches in `text`, from left to right,
    // without overlapping, a few at a time (those that start within the same 64 bytes). The callback may
    // rewrite the text below the end of the last match it was given: the scan reads no byte there again.
    // Returns the number of matches.
    template <typename OnMatches>
    size_t forEachMatch(std::string_view text, OnMatches&& onMatches) const {
        const size_t m = bytes_.size();
        if (m > text.size()) {
            return 0;
        }
        const size_t lastStart = text.size() - m;
        const char* p = text.data();
        size_t knownStart = 0;  // a position known to start a character
        size_t next = 0;        // where the next match may start: the end of the last one
        size_t count = 0;
        size_t batch[64];
        size_t i = 0;
        // 64 positions at a time: the candidates are where both the first and the last byte fit, found for
        // a few thousand positions in one go. The matches among 64 are handed on together, so that the
        // callback keeps its state in registers. (The callback rewrites only bytes below the end of its last
        // match, so the candidates found ahead stay right.)
        const CandidateBytes bytes{first_.first, first_.second, last_.first, last_.second, m - 1};
        const CandidateScan scanCandidates = fastestCandidateScan();
        constexpr size_t kBlocksAtOnce = 64;
        uint64_t masks[kBlocksAtOnce];
        while (i + 63 <= lastStart) {
            const size_t blocks = std::min(kBlocksAtOnce, (lastStart - i + 1) / 64);
            scanCandidates(p + i, blocks, bytes, masks);
            for (size_t k = 0; k < blocks; ++k, i += 64) {
                uint64_t candidates = masks[k];
                size_t found = 0;
                while (candidates != 0) {
                    const size_t at = i + lowestBit(candidates);
                    candidates &= candidates - 1;
                    if (at >= next && accept(text, at, knownStart)) {
                        batch[found++] = at;
                        next = at + m;
                    }
                }
                if (found > 0) {
                    onMatches(batch, found);
                    count += found;
                }
            }
        }
        for (i = std::max(i, next); i <= lastStart; ++i) {
            const char b = p[i];
            if ((b == first_.first || b == first_.second) && accept(text, i, knownStart)) {
                batch[0] = i;
                onMatches(batch, 1);
                ++count;
                next = i + m;
                i = next - 1;
            }
        }
        return count;
    }

private:
    // The two bytes that match at position i: both cases of a single-byte letter, else the byte twice.
    std::pair<char, char> variants(size_t i) const;

    // Whether a candidate at `at` is a match; keeps knownStart.
    [[gnu::always_inline]] bool accept(std::string_view text, size_t at, size_t& knownStart) const {
        if (!platform::isCharStartFast(text, at, knownStart)) {
            knownStart = at + 1;
            return false;
        }
        knownStart = at;
        if (!matchesAt(text, at)) {
            return false;
        }
        knownStart = at + bytes_.size();
        return true;
    }

    [[gnu::always_inline]] bool matchesAt(std::string_view text, size_t p) const {
        const size_t m = bytes_.size();
#if defined(__SSE2__)
        if (simdCompare_ && p + 16 <= text.size()) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + p));
            const __m128i folded = _mm_or_si128(block, simdCaseBits_);
            const auto equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(folded, simdPattern_)));
            if ((equal & simdLengthMask_) != simdLengthMask_) {
                return false;
            }
        } else
#endif
        {
            const auto* t = reinterpret_cast<const unsigned char*>(text.data() + p);
            const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data());
            for (size_t i = 0; i < m; ++i) {
                if ((folds_[i] != 0 ? kAsciiUpper[t[i]] : t[i]) != b[i]) {
                    return false;
                }
            }
        }
        // A search string that ends with a lone lead byte must not take the first byte of a character.
        const size_t end = p + m;
        return !endsWithLoneLead_ || end == text.size() ||
               !platform::isTrailByte(static_cast<unsigned char>(text[end]));
    }

    std::string bytes_;
    std::string folds_;  // 1 where case is ignored
    bool endsWithLoneLead_ = false;
    std::pair<char, char> first_;
    std::pair<char, char> last_;
#if defined(__SSE2__)
    bool simdCompare_ = false;
    __m128i simdPattern_{};
    __m128i simdCaseBits_{};
    unsigned simdLengthMask_ = 0;
#endif
};

}  // namespace tarvelin::core
