#include "core/irregular_break.h"

#include <cstdint>

#include "core/byte_scan.h"

namespace tarvelin::core {

size_t findIrregularBreak(std::string_view text) {
    return findIrregularBreak(text, 0);
}

size_t findIrregularBreak(std::string_view text, size_t from) {
    const char* p = text.data();
    const size_t n = text.size();
    size_t i = from;
    // In a text of CR LF pairs only, the LF positions are the CR positions moved on by one. The text is
    // looked at 64 bytes at a time.
    uint64_t carry = 0;  // a CR in the last byte of the block before
    while (i + 64 <= n) {
        const uint64_t crs = maskOf64(p + i, '\r');
        const uint64_t lfs = maskOf64(p + i, '\n');
        const uint64_t mismatch = lfs ^ ((crs << 1) | carry);
        if (mismatch != 0) {
            // A lone LF at k, or a lone CR before it.
            const size_t k = lowestBit(mismatch);
            return ((lfs >> k) & 1U) != 0 ? i + k : i + k - 1;
        }
        carry = crs >> 63;
        i += 64;
    }
    if (carry != 0 && (i == n || p[i] != '\n')) {
        return i - 1;
    }
    for (; i < n; ++i) {
        if (p[i] == '\n' && (i == from || p[i - 1] != '\r')) {
            return i;
        }
        if (p[i] == '\r' && (i + 1 == n || p[i + 1] != '\n')) {
            return i;
        }
    }
    return n;
}

}  // namespace tarvelin::core
