#pragma once

#include <string>
#include <string_view>

// Code page 932 text as UTF-16 for the widgets, both ways without loss.
//
// Every byte string decodes to a UTF-16 text that encodes back to the same bytes:
// - a character of the code page decodes to its Unicode character (the code page's table is glibc iconv's
//   "CP932");
// - a double-byte code that shares its character with another code (the NEC and IBM duplicates: 0xED 0x40
//   and 0xFA 0x5C are both U+7E8A) decodes to the character when it is the code that the character encodes
//   to, and otherwise to the character followed by a variation selector, U+FE00 for the first other code
//   and U+FE01 for the second, in byte order. A font draws nothing for the selector;
// - a byte that starts no character (0x80, 0xA0, 0xFD..0xFF, a lead byte without its trail byte, and both
//   bytes of a double-byte code that the code page leaves undefined) decodes to the private-use character
//   U+F700 plus the byte, which the widgets show as a mark.
namespace tarvelin::platform {

constexpr char16_t kByteMarkBase = 0xF700;
constexpr char16_t kFirstVariantSelector = 0xFE00;

constexpr bool isByteMark(char16_t c) {
    return c >= kByteMarkBase && c <= kByteMarkBase + 0xFF;
}

// Decodes code page 932 bytes; encodeCp932 of the result gives the same bytes.
std::u16string decodeCp932(std::string_view cp932);

// The same into `out`, which has room for cp932.size() units (no byte gives more than one unit): the
// number of units written. Bytes decoded in pieces give the same text as decoded at once where no piece
// ends between the two bytes of a double-byte character.
size_t decodeCp932(std::string_view cp932, char16_t* out);

// Encodes UTF-16 text. A character that the code page cannot hold (é, an emoji, a selector that names no
// code) becomes "?" and makes `*exact` false.
std::string encodeCp932(std::u16string_view text, bool* exact = nullptr);

// The same into `out`, which has room for 2 * text.size() bytes: the number of bytes written.
size_t encodeCp932(std::u16string_view text, char* out, bool* exact = nullptr);

// The text as it reads back after encoding: each character as decodeCp932 gives it back (U+301C "〜" is
// encoded as 0x81 0x60, which reads back as U+FF5E "～"; a byte mark followed by a trail character joins it
// into one double-byte character), and characters that the code page cannot hold are left out, which
// makes `*dropped` true.
std::u16string canonicalCp932(std::u16string_view text, bool* dropped = nullptr);

}  // namespace tarvelin::platform
