#include "platform/mbcs.h"

#include <cstdint>
#include <cstring>

namespace tarvelin::platform {

bool isCharStart(std::string_view s, size_t i, size_t knownStart) {
    if (i <= knownStart || !isTrailByte(static_cast<unsigned char>(s[i]))) {
        return true;
    }
    // Every byte in the run of lead-range bytes just before i is a valid trail byte too, and the run
    // begins at a character start (after a byte that ends a character, or at knownStart). So the run
    // pairs off from its beginning, and i is a trail byte exactly when the run has odd length.
    size_t run = 0;
    while (i - run > knownStart && isLeadByte(static_cast<unsigned char>(s[i - run - 1]))) {
        ++run;
    }
    return run % 2 == 0;
}

void upperInPlaceAsCodePage932(char* data, size_t size) {
    const std::string_view s(data, size);
    constexpr uint64_t kHighBits = 0x8080808080808080;
    for (size_t i = 0; i < size;) {
        // Eight bytes below 0x80 at a character start are eight single-byte characters: each byte's high
        // bit tells whether it is at least "a", and whether it is past "z", after an addition that carries
        // into no other byte.
        uint64_t word = 0;
        if (size - i >= sizeof word) {
            std::memcpy(&word, data + i, sizeof word);
            if ((word & kHighBits) == 0) {
                const uint64_t fromA = word + 0x1F1F1F1F1F1F1F1F;  // 0x80 - 'a' on each byte
                const uint64_t pastZ = word + 0x0505050505050505;  // 0x80 - ('z' + 1)
                word -= (fromA & ~pastZ & kHighBits) >> 2;         // 0x20 off each letter
                std::memcpy(data + i, &word, sizeof word);
                i += sizeof word;
                continue;
            }
        }
        const auto b = static_cast<unsigned char>(data[i]);
        if (b >= 'a' && b <= 'z') {
            data[i] = static_cast<char>(b - ('a' - 'A'));
            ++i;
        } else {
            i += charLengthAt(s, i);
        }
    }
}

std::string upper(std::string_view text) {
    std::string result(text);
    upperInPlace(result.data(), result.size());
    return result;
}

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && upper(a) == upper(b);
}

size_t lastDelimiter(std::string_view s, std::string_view delimiters) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < s.size(); i += charLengthAt(s, i)) {
        if (delimiters.find(s[i]) != std::string_view::npos) {
            found = i;
        }
    }
    return found;
}

}  // namespace tarvelin::platform
