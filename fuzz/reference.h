#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// Plain byte-by-byte models of the join's text passes, written for clarity rather than speed, for the fuzz
// targets to compare the fast passes against. They share no code with core/ and platform/: the character
// classes of code page 932 are spelled out here again.
namespace tarvelin::fuzz {

bool refLead(unsigned char b);
bool refTrail(unsigned char b);

// starts[i] != 0: byte i begins a character (a lead byte followed by a trail byte is one character of two
// bytes, every other byte one of its own). starts[size] is set.
std::vector<char> refCharStarts(std::string_view s);

// Upper case: single-byte a..z only; both bytes of a double-byte character stay.
std::string refUpper(std::string_view s);

std::string refCutAtNul(std::string_view s);

// Every line break CR LF: CR LF stays one break, a lone CR and a lone LF each become CR LF.
std::string refNormalize(std::string_view s);

std::string refRemovePercent(std::string_view s);

// Every occurrence of `search` replaced, case ignored for single-byte letters, left to right without
// overlapping; a match starts and ends on character boundaries of the text; what is put in is not
// searched again. `count`, when given, receives the number of matches.
std::string refReplace(std::string_view text, std::string_view search, std::string_view replacement,
                       size_t* count = nullptr);

struct RefPair {
    std::string search;
    std::string replacement;
};

// The "%" removal (when asked), then each pair on the result of the one before.
std::string refEdits(std::string text, bool removePercentFirst, const std::vector<RefPair>& pairs);

// The back "%" line: "%" CR LF after an empty text or one that ends with a line break, else CR LF "%".
std::string refBackMark(std::string_view text);

// The fallback line reader: the bytes read in text mode (CR LF becomes LF), line by line in pieces of at
// most 499 bytes, a piece ending after its LF; each piece cut at a NUL and freed of a final LF; each piece
// left non-empty is a line followed by CR LF; the result's line breaks then made CR LF.
std::string refReadLinePieces(std::string_view bytes);

// The lines of a text, without their line breaks: a line ends at CR LF, a lone CR or a lone LF, and what
// follows the last line break (empty after a final break, or the whole of an empty text) is a line too.
std::vector<std::string> refLines(std::string_view s);

// Stops the fuzzer with a finding.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool ok, const char* what) {
    if (!ok) {
        fail(what);
    }
}

// The fields of an input: a first byte of flags, then fields separated by 0xFF (a byte that is no part of
// any code page 932 character).
struct Fields {
    unsigned char flags = 0;
    std::vector<std::string> fields;

    Fields(const uint8_t* data, size_t size) {
        if (size == 0) {
            return;
        }
        flags = data[0];
        std::string current;
        for (size_t i = 1; i < size; ++i) {
            if (data[i] == 0xFF) {
                fields.push_back(current);
                current.clear();
            } else {
                current += static_cast<char>(data[i]);
            }
        }
        fields.push_back(current);
    }

    std::string field(size_t i) const { return i < fields.size() ? fields[i] : std::string(); }
};

// The three search/replacement pairs of fields 1 to 6. A replacement at most 8 bytes longer than its search
// string keeps the text's growth bounded.
inline std::vector<RefPair> boundedPairs(const Fields& input) {
    std::vector<RefPair> pairs;
    for (size_t k = 0; k < 3; ++k) {
        const std::string search = input.field(1 + 2 * k);
        pairs.push_back({search, input.field(2 + 2 * k).substr(0, search.size() + 8)});
    }
    return pairs;
}

}  // namespace tarvelin::fuzz
