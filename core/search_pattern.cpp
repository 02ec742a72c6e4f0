#include "core/search_pattern.h"

namespace tarvelin::core {

SearchPattern::SearchPattern(std::string_view search) : bytes_(platform::upper(search)), folds_(bytes_.size(), 0) {
    size_t i = 0;
    while (i < bytes_.size()) {
        const size_t length = platform::charLengthAt(bytes_, i);
        folds_[i] = length == 1 ? 1 : 0;
        endsWithLoneLead_ = length == 1 && platform::isLeadByte(static_cast<unsigned char>(bytes_[i]));
        i += length;
    }
    first_ = variants(0);
    last_ = variants(bytes_.size() - 1);
#if defined(__SSE2__)
    if (bytes_.size() <= 16) {
        // Sixteen bytes compared at once: at a letter position both sides get the 0x20 bit, which
        // folds exactly the two cases of that letter together; other positions compare as they are.
        alignas(16) char pattern[16] = {};
        alignas(16) char caseBits[16] = {};
        for (size_t k = 0; k < bytes_.size(); ++k) {
            const auto b = static_cast<unsigned char>(bytes_[k]);
            caseBits[k] = folds_[k] != 0 && b >= 'A' && b <= 'Z' ? 0x20 : 0;
            pattern[k] = static_cast<char>(b | static_cast<unsigned char>(caseBits[k]));
        }
        simdPattern_ = _mm_load_si128(reinterpret_cast<const __m128i*>(pattern));
        simdCaseBits_ = _mm_load_si128(reinterpret_cast<const __m128i*>(caseBits));
        simdLengthMask_ = (1U << bytes_.size()) - 1;
        simdCompare_ = true;
    }
#endif
}

std::pair<char, char> SearchPattern::variants(size_t i) const {
    const auto b = static_cast<unsigned char>(bytes_[i]);
    const bool letter = folds_[i] != 0 && b >= 'A' && b <= 'Z';
    return {bytes_[i], letter ? static_cast<char>(b + ('a' - 'A')) : bytes_[i]};
}

}  // namespace tarvelin::core
