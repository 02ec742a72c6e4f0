// The code-page helpers: conversion between code page 932 and UTF-8, character boundaries, upper-casing.
//
// Input: any bytes, taken as code page 932 text and as UTF-8 text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/codepage.h"
#include "platform/mbcs.h"

#include "fuzz/reference.h"

using namespace tarvelin;
using fuzz::check;

namespace {

bool validUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t n = b < 0x80                 ? 1
                   : b >= 0xC2 && b <= 0xDF ? 2
                   : b >= 0xE0 && b <= 0xEF ? 3
                   : b >= 0xF0 && b <= 0xF4 ? 4
                                            : 0;
        if (n == 0 || i + n > s.size()) {
            return false;
        }
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += n;
    }
    return true;
}

void checkConversions(std::string_view bytes) {
    const std::string utf8 = platform::cp932ToUtf8(bytes);
    check(validUtf8(utf8), "cp932ToUtf8 gives UTF-8");
    std::string exact;
    if (platform::tryCp932ToUtf8(bytes, exact)) {
        check(exact == utf8, "an exact conversion equals the lossy one");
        std::string back;
        check(platform::tryUtf8ToCp932(exact, back), "converted text converts back");
        std::string again;
        check(platform::tryCp932ToUtf8(back, again) && again == exact, "code page 932 -> UTF-8 round trip");
    }

    const std::string cp932 = platform::utf8ToCp932(bytes);
    std::string exactCp932;
    if (platform::tryUtf8ToCp932(bytes, exactCp932)) {
        check(exactCp932 == cp932, "an exact conversion equals the lossy one");
        // Some characters share a code (£ and ￡, 〜 and ～, − and －): the text may come back with the
        // other one, which converts to the same bytes.
        std::string back;
        std::string again;
        check(
            platform::tryCp932ToUtf8(exactCp932, back) && platform::tryUtf8ToCp932(back, again) && again == exactCp932,
            "UTF-8 -> code page 932 round trip");
    }
}

void checkCharacters(std::string_view s) {
    const std::vector<char> starts = fuzz::refCharStarts(s);
    size_t lastKnown = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        check(platform::isCharStart(s, i) == starts[i], "isCharStart");
        check(platform::isCharStart(s, i, lastKnown) == starts[i], "isCharStart from a known start");
        check(platform::isCharStartFast(s, i, lastKnown) == starts[i], "isCharStartFast");
        if (starts[i]) {
            check(platform::charLengthAt(s, i) == (starts[i + 1] ? 1u : 2u), "charLengthAt");
            if (i % 7 == 0) {
                lastKnown = i;
            }
        }
    }

    const std::string upper = platform::upper(s);
    check(upper == fuzz::refUpper(s), "upper");
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (starts[i] && !starts[i + 1]) {
            check(upper[i] == s[i] && upper[i + 1] == s[i + 1], "upper keeps double-byte characters");
        }
    }
    check(platform::sameText(s, upper), "a text is the same as its upper case");
    const std::string_view a = s.substr(0, s.size() / 2);
    const std::string_view b = s.substr(s.size() / 2);
    check(platform::sameText(a, b) == (fuzz::refUpper(a) == fuzz::refUpper(b)), "sameText");

    size_t last = std::string_view::npos;
    for (size_t i = 0; i < s.size(); ++i) {
        if (starts[i] && (s[i] == '\\' || s[i] == ':')) {
            last = i;
        }
    }
    check(platform::lastDelimiter(s, "\\:") == last, "lastDelimiter");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkConversions(bytes);
    checkCharacters(bytes);
    return 0;
}
