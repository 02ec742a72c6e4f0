#include "core/compact_in_place.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/pass_sizes.h"

namespace tarvelin::core {

void moveDown(char* dst, char* src, size_t n) {
    const size_t half = n / 2;
    char* const lo = std::max(dst + half, src);
    char* const hi = std::min(dst + n, src + half);
    const size_t covered = lo < hi ? static_cast<size_t>(hi - lo) : 0;
    if (n < passSizes().twoThreadsFrom / 4 || covered > n / 8) {
        std::memmove(dst, src, n);
        return;
    }
    const std::string kept(lo, covered);
    bothAtOnce(
        [&] {
            if (covered == 0) {
                std::memmove(dst, src, half);
                return;
            }
            std::memmove(dst, src, static_cast<size_t>(lo - src));
            std::memmove(dst + (hi - src), hi, static_cast<size_t>(src + half - hi));
        },
        [&] { std::memmove(dst + half, src + half, n - half); });
    std::memcpy(dst + (lo - src), kept.data(), covered);
}

}  // namespace tarvelin::core
