#include <algorithm>
#include <windows.h>

#include "platform/code_page_932.h"
#include "platform/codepage.h"
#include "platform/mbcs.h"
#include "platform/windows/wide.h"

// Code page 932 through the system's own converters, MultiByteToWideChar and WideCharToMultiByte, with the
// code page named (not the system's ANSI code page, which may be another).
namespace tarvelin::platform {
namespace {

constexpr UINT kCp932 = 932;

// Converts code page 932 to UTF-16 one character at a time, so that a byte that starts no character is
// told apart: it stops the conversion (exact) or becomes U+FFFD.
bool decode(std::string_view cp932, std::wstring& out, bool exact) {
    out.clear();
    out.reserve(cp932.size());
    for (size_t i = 0; i < cp932.size();) {
        const size_t length = charLengthAt(cp932, i);
        wchar_t units[2];
        const int n =
            ::MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, cp932.data() + i, static_cast<int>(length), units, 2);
        if (n <= 0) {
            if (exact) {
                return false;
            }
            out += L'\xFFFD';
        } else {
            out.append(units, static_cast<size_t>(n));
        }
        i += length;
    }
    return true;
}

// Converts UTF-16 to code page 932 exactly (no best-fit characters), or gives nothing.
bool encode(std::wstring_view text, std::string& out) {
    out.clear();
    if (text.empty()) {
        return true;
    }
    BOOL usedDefault = FALSE;
    const int size = static_cast<int>(text.size());
    const int n =
        ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) {
        return false;
    }
    out.resize(static_cast<size_t>(n));
    ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, text.data(), size, out.data(), n, nullptr, &usedDefault);
    return !usedDefault;
}

// The UTF-16 of UTF-8 text; false when it is not valid UTF-8.
bool wideOfExactly(std::string_view utf8, std::wstring& out) {
    out.clear();
    if (utf8.empty()) {
        return true;
    }
    const int size = static_cast<int>(utf8.size());
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (n <= 0) {
        return false;
    }
    out.resize(static_cast<size_t>(n));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, out.data(), n);
    return true;
}

// Code page 932 of UTF-8, with "?" for each character (or invalid byte) that does not convert.
std::string encodeLossy(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        // One UTF-8 sequence at a time: its length from its first byte, 1 for a byte that starts none.
        const auto b = static_cast<unsigned char>(utf8[i]);
        size_t length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
        length = std::min(length, utf8.size() - i);
        std::wstring wide;
        std::string bytes;
        if (wideOfExactly(utf8.substr(i, length), wide) && encode(wide, bytes)) {
            out += bytes;
        } else {
            out += '?';
            length = wide.empty() ? 1 : length;
        }
        i += length;
    }
    return out;
}

}  // namespace

std::string cp932ToUtf8(std::string_view cp932) {
    std::wstring wide;
    decode(cp932, wide, false);
    return utf8Of(wide);
}

std::string utf8ToCp932(std::string_view utf8) {
    std::string out;
    std::wstring wide;
    if (wideOfExactly(utf8, wide) && encode(wide, out)) {
        return out;
    }
    return encodeLossy(utf8);
}

bool tryCp932ToUtf8(std::string_view cp932, std::string& out) {
    std::wstring wide;
    if (!decode(cp932, wide, true)) {
        return false;
    }
    out = utf8Of(wide);
    return true;
}

bool tryUtf8ToCp932(std::string_view utf8, std::string& out) {
    std::wstring wide;
    return wideOfExactly(utf8, wide) && encode(wide, out);
}

char16_t systemDecode932(std::string_view code) {
    wchar_t units[2];
    const int n =
        ::MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, code.data(), static_cast<int>(code.size()), units, 2);
    return n == 1 ? static_cast<char16_t>(units[0]) : char16_t{0xFFFF};
}

uint16_t systemEncode932(char16_t character) {
    std::string bytes;
    const wchar_t unit = static_cast<wchar_t>(character);
    if (!encode(std::wstring_view(&unit, 1), bytes) || bytes.empty() || bytes.size() > 2) {
        return 0;
    }
    return bytes.size() == 1 ? static_cast<unsigned char>(bytes[0])
                             : static_cast<uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                                     static_cast<unsigned char>(bytes[1]));
}

}  // namespace tarvelin::platform
