#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>

#include "platform/code_page_932.h"
#include "platform/codepage.h"
#include "platform/mbcs.h"

namespace tarvelin::platform {
namespace {

// glibc's "CP932" is the Windows code page: 0x5C stays the backslash and the NEC/IBM extensions convert.
constexpr const char* kCp932 = "CP932";
constexpr const char* kUtf8 = "UTF-8";

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr): iconv's failure value
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; on an invalid or unconvertible sequence either stops (replacement empty) or
    // appends `replacement` and skips `skip(in)` bytes of the input.
    template <typename Skip>
    bool convert(std::string_view in, std::string& out, std::string_view replacement, Skip skip) {
        out.clear();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* inPtr = const_cast<char*>(in.data());
        size_t inLeft = in.size();
        char buffer[1024];
        bool exact = true;
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<size_t>(outPtr - buffer));
            if (rc != static_cast<size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ or EINVAL: an invalid, unconvertible or truncated sequence.
            exact = false;
            if (replacement.empty()) {
                return false;
            }
            out.append(replacement);
            const size_t n = std::min(inLeft, skip(std::string_view(inPtr, inLeft)));
            inPtr += n;
            inLeft -= n;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        return exact;
    }

private:
    iconv_t cd_;
};

// Length of the UTF-8 sequence that starts `s`, or 1 for a byte that starts none.
size_t utf8SequenceLength(std::string_view s) {
    const auto b = static_cast<unsigned char>(s[0]);
    size_t n = 1;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
    }
    for (size_t i = 1; i < n; ++i) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return n;
}

// Length of the code page 932 character that starts `s`.
size_t cp932SequenceLength(std::string_view s) {
    return charLengthAt(s, 0);
}

// iconv descriptors keep state, so each thread gets its own pair.
Converter& toUtf8() {
    thread_local Converter converter(kUtf8, kCp932);
    return converter;
}

Converter& toCp932() {
    thread_local Converter converter(kCp932, kUtf8);
    return converter;
}

}  // namespace

std::string cp932ToUtf8(std::string_view cp932) {
    std::string out;
    toUtf8().convert(cp932, out, "\xEF\xBF\xBD", cp932SequenceLength);
    return out;
}

std::string utf8ToCp932(std::string_view utf8) {
    std::string out;
    toCp932().convert(utf8, out, "?", utf8SequenceLength);
    return out;
}

bool tryCp932ToUtf8(std::string_view cp932, std::string& out) {
    return toUtf8().convert(cp932, out, {}, cp932SequenceLength);
}

bool tryUtf8ToCp932(std::string_view utf8, std::string& out) {
    return toCp932().convert(utf8, out, {}, utf8SequenceLength);
}

char16_t systemDecode932(std::string_view code) {
    thread_local Converter decoder("UTF-16LE", kCp932);
    std::string out;
    if (!decoder.convert(code, out, {}, cp932SequenceLength) || out.size() != 2) {
        return 0xFFFF;
    }
    return static_cast<char16_t>(static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8);
}

uint16_t systemEncode932(char16_t character) {
    thread_local Converter encoder(kCp932, "UTF-16LE");
    const char unit[2] = {static_cast<char>(character & 0xFF), static_cast<char>(character >> 8)};
    std::string out;
    if (!encoder.convert(std::string_view(unit, 2), out, {}, [](std::string_view) { return size_t{2}; }) ||
        out.empty() || out.size() > 2) {
        return 0;
    }
    return out.size() == 1
               ? static_cast<unsigned char>(out[0])
               : static_cast<uint16_t>(static_cast<unsigned char>(out[0]) << 8 | static_cast<unsigned char>(out[1]));
}

}  // namespace tarvelin::platform
