#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Characters of code page 932 (Shift-JIS) in byte strings.
//
// A double-byte character is a lead byte (0x81..0x9F, 0xE0..0xFC) followed by a trail byte (0x40..0x7E,
// 0x80..0xFC). A lead byte that is not followed by a trail byte stands alone. Trail bytes include "\",
// "|" and the letters, so byte-wise searches and case folding must know where characters start.
namespace tarvelin::platform {

constexpr bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool isTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// Length (1 or 2) of the character that starts at byte `i` of `s`; `i` must be the start of a character.
inline size_t charLengthAt(std::string_view s, size_t i) {
    return isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                   isTrailByte(static_cast<unsigned char>(s[i + 1]))
               ? 2
               : 1;
}

// True when byte `i` of `s` starts a character, false when it is the trail byte of a double-byte character.
// `knownStart` is any position <= i known to start a character (0 always is); it bounds the work, which
// looks back only over the run of lead-range bytes before `i`.
bool isCharStart(std::string_view s, size_t i, size_t knownStart = 0);

// isCharStart for the common case, inline: a byte that cannot be a trail byte, or that follows a byte that
// cannot be a lead byte, starts a character.
inline bool isCharStartFast(std::string_view s, size_t i, size_t knownStart) {
    if (i <= knownStart || !isTrailByte(static_cast<unsigned char>(s[i])) ||
        !isLeadByte(static_cast<unsigned char>(s[i - 1]))) {
        return true;
    }
    return isCharStart(s, i, knownStart);
}

// The ANSI upper-casing of code page 932: single-byte a..z become A..Z; both bytes of a double-byte
// character stay as they are, so a trail byte that looks like a letter is never changed. On Windows the
// system's CharUpperBuffA does it, given the runs of single-byte characters only, where the system's code
// page is 932; upperInPlaceAsCodePage932 is the same rule in the program's own code, for the other systems.
void upperInPlace(char* data, size_t size);
void upperInPlaceAsCodePage932(char* data, size_t size);
std::string upper(std::string_view text);

// Case-insensitive comparison: both sides upper-cased as above, then compared byte for byte and by length.
bool sameText(std::string_view a, std::string_view b);

// Index of the last byte of `s` that is one of `delimiters` and starts a character (so never the trail
// byte of a double-byte character), or npos.
size_t lastDelimiter(std::string_view s, std::string_view delimiters);

}  // namespace tarvelin::platform
