#include <algorithm>
#include <windows.h>

#include "platform/code_page_932.h"
#include "platform/codepage.h"
#include "platform/mbcs.h"
#include "platform/windows/wide.h"

// Code page 932 through the system's own converters, MultiByteToWideChar and WideCharToMultiByte, with the
// code page named (not the system's ANSI code page, which may be another).
//
// The program's text model rests on one table of the code page on every system (see cp932_utf16.h): the
// table of glibc's iconv "CP932". The system's table differs from it in a few characters, which are
// handled here so that a file reads and saves the same on Windows as elsewhere:
// - the single bytes 0x80, 0xA0 and 0xFD..0xFF start no character: the system takes 0x80 for U+0080 (and
//   may take the others for private-use characters), which would show nothing in the widgets;
// - the JIS forms of "〜", "−", "‖", "—", "¢", "£" and "¬" are saved as the codes of their twins ("～",
//   "－", "∥", "―", "￠", "￡", "￢"), and "¥" and "‾" as the backslash and tilde bytes, where the system
//   has them only as best-fit characters and would drop the operator's text.
namespace tarvelin::platform {
namespace {

constexpr UINT kCp932 = 932;

bool isUndefinedSingleByte(unsigned char b) {
    return b == 0x80 || b == 0xA0 || b >= 0xFD;
}

constexpr wchar_t kNoCode = L'\uFFFF';

// The character whose code the system gives `c` in the common table, `c` itself when it has one of its
// own, or kNoCode for the characters that the system alone codes.
wchar_t inCommonTable(wchar_t c) {
    switch (c) {
        case L'\u301C':
            return L'\uFF5E';
        case L'\u2212':
            return L'\uFF0D';
        case L'\u2016':
            return L'\u2225';
        case L'\u2014':
            return L'\u2015';
        case L'\u00A2':
            return L'\uFFE0';
        case L'\u00A3':
            return L'\uFFE1';
        case L'\u00AC':
            return L'\uFFE2';
        case L'\u00A5':
            return L'\\';
        case L'\u203E':
            return L'~';
        case L'\u0080':
        case L'\uF8F0':
        case L'\uF8F1':
        case L'\uF8F2':
        case L'\uF8F3':
            return kNoCode;
        default:
            return c;
    }
}

// Converts code page 932 to UTF-16 one character at a time, so that a byte that starts no character is
// told apart: it stops the conversion (exact) or becomes U+FFFD.
bool decode(std::string_view cp932, std::wstring& out, bool exact) {
    out.clear();
    out.reserve(cp932.size());
    for (size_t i = 0; i < cp932.size();) {
        const size_t length = charLengthAt(cp932, i);
        wchar_t units[2];
        const int n = length == 1 && isUndefinedSingleByte(static_cast<unsigned char>(cp932[i]))
                          ? 0
                          : ::MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, cp932.data() + i,
                                                  static_cast<int>(length), units, 2);
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

// Converts UTF-16 to code page 932 exactly (no best-fit characters beyond the common table's), or gives
// nothing.
bool encode(std::wstring_view original, std::string& out) {
    out.clear();
    if (original.empty()) {
        return true;
    }
    std::wstring text(original);
    for (wchar_t& c : text) {
        c = inCommonTable(c);
        if (c == kNoCode) {
            return false;
        }
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
    std::wstring units;
    return decode(code, units, true) && units.size() == 1 ? static_cast<char16_t>(units[0]) : char16_t{0xFFFF};
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
