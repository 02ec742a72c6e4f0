#include "platform/cp932_utf16.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "platform/code_page_932.h"
#include "platform/mbcs.h"

namespace tarvelin::platform {
namespace {

constexpr char16_t kNone = 0xFFFF;  // a noncharacter: no code of the code page decodes to it
constexpr int kVariantCount = 2;
constexpr uint16_t kNoCode = 0xFFFF;  // no code: a lead byte is at most 0xFC

// The code of one character in code page 932: a single byte below 0x100, a double-byte code as lead * 256 +
// trail.
using Code = uint16_t;

std::string bytesOf(Code code) {
    if (code < 0x100) {
        return {static_cast<char>(code)};
    }
    return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

struct Tables {
    std::array<char16_t, 256> single{};
    std::vector<char16_t> pair = std::vector<char16_t>(0x10000, kNone);
    std::vector<uint8_t> variant = std::vector<uint8_t>(0x10000, 0);  // 0, or 1 + the selector's index
    std::unordered_map<char16_t, Code> canonical;                     // the code a character encodes to
    std::unordered_map<uint32_t, Code> variants;                      // character * 256 + selector index
    // The same as flat tables for the conversions of long texts: a byte's character or its mark, and the
    // code a character encodes to (kNoCode for none).
    std::array<char16_t, 256> singleOrMark{};
    std::vector<Code> code = std::vector<Code>(0x10000, kNoCode);

    Tables() {
        const auto decode = [](const std::string& bytes) { return systemDecode932(bytes); };
        single.fill(kNone);
        for (size_t b = 0; b < 0x100; ++b) {
            if (!isLeadByte(static_cast<unsigned char>(b))) {
                single[b] = decode(std::string(1, static_cast<char>(b)));
                if (single[b] != kNone) {
                    canonical.emplace(single[b], static_cast<Code>(b));
                }
            }
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLeadByte(static_cast<unsigned char>(lead))) {
                continue;
            }
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (!isTrailByte(static_cast<unsigned char>(trail))) {
                    continue;
                }
                const Code pairCode = static_cast<Code>(lead << 8 | trail);
                const char16_t c = decode(bytesOf(pairCode));
                if (c == kNone) {
                    continue;
                }
                pair[pairCode] = c;
                auto it = canonical.find(c);
                if (it == canonical.end()) {
                    const Code encoded = systemEncode932(c);
                    it = canonical.emplace(c, encoded != 0 ? encoded : pairCode).first;
                }
                if (it->second == pairCode) {
                    continue;
                }
                // Another pairCode of the same character: the next free selector in byte order.
                for (int index = 0; index < kVariantCount; ++index) {
                    if (variants.emplace(static_cast<uint32_t>(c) << 8 | static_cast<uint32_t>(index), pairCode)
                            .second) {
                        variant[pairCode] = static_cast<uint8_t>(index + 1);
                        break;
                    }
                }
                if (variant[pairCode] == 0) {
                    throw std::runtime_error("pairCode page 932: more duplicate codes than selectors");
                }
            }
        }
        for (size_t b = 0; b < 0x100; ++b) {
            singleOrMark[b] = single[b] == kNone ? static_cast<char16_t>(kByteMarkBase + b) : single[b];
        }
        for (const auto& [c, encoded] : canonical) {
            code[c] = encoded;
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

bool isSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

bool isSelector(char16_t c) {
    return c >= kFirstVariantSelector && c < kFirstVariantSelector + kVariantCount;
}

// Encodes `text`; each character that does not encode is left out, or becomes "?" when `question` is set,
// and sets `*unencodable`. A character is one unit, a surrogate pair, or a character with its selector.
// Writes to `out`, which has room for two bytes a unit, and returns the end of what it wrote.
char* encode(std::u16string_view text, char* out, bool question, bool* unencodable) {
    const Tables& t = tables();
    thread_local std::unordered_map<char16_t, Code> others;  // characters that no code decodes to
    char* next = out;
    const auto appendCode = [&next](Code code) {
        if (code >= 0x100) {
            *next++ = static_cast<char>(code >> 8);
        }
        *next++ = static_cast<char>(code & 0xFF);
    };
    const auto none = [&] {
        *unencodable = true;
        if (question) {
            *next++ = '?';
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isByteMark(c)) {
            *next++ = static_cast<char>(c - kByteMarkBase);
            continue;
        }
        if (isSurrogate(c)) {
            if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                ++i;
            }
            none();
            continue;
        }
        if (i + 1 < text.size() && isSelector(text[i + 1])) {
            const uint32_t key =
                static_cast<uint32_t>(c) << 8 | static_cast<uint32_t>(text[i + 1] - kFirstVariantSelector);
            if (const auto it = t.variants.find(key); it != t.variants.end()) {
                appendCode(it->second);
                ++i;
                continue;
            }
        }
        if (isSelector(c)) {
            none();
            continue;
        }
        if (const Code code = t.code[c]; code != kNoCode) {
            appendCode(code);
            continue;
        }
        auto it = others.find(c);
        if (it == others.end()) {
            // 0x00 is U+0000's own code, found above: here it marks "none".
            it = others.emplace(c, systemEncode932(c)).first;
        }
        if (it->second == 0) {
            none();
        } else {
            appendCode(it->second);
        }
    }
    return next;
}

std::string encode(std::u16string_view text, bool question, bool* unencodable) {
    std::string out(text.size() * 2, '\0');  // no unit gives more than two bytes
    out.resize(static_cast<size_t>(encode(text, out.data(), question, unencodable) - out.data()));
    return out;
}

}  // namespace

size_t decodeCp932(std::string_view cp932, char16_t* out) {
    const Tables& t = tables();
    const auto* bytes = reinterpret_cast<const unsigned char*>(cp932.data());
    const size_t size = cp932.size();
    char16_t* next = out;
    for (size_t i = 0; i < size;) {
        const unsigned char b = bytes[i];
        if (!isLeadByte(b)) {
            *next++ = t.singleOrMark[b];
            ++i;
        } else if (i + 1 < size && isTrailByte(bytes[i + 1])) {
            const Code code = static_cast<Code>(b << 8 | bytes[i + 1]);
            if (t.pair[code] == kNone) {
                *next++ = static_cast<char16_t>(kByteMarkBase + b);
                *next++ = static_cast<char16_t>(kByteMarkBase + bytes[i + 1]);
            } else {
                *next++ = t.pair[code];
                if (t.variant[code] != 0) {
                    *next++ = static_cast<char16_t>(kFirstVariantSelector + t.variant[code] - 1);
                }
            }
            i += 2;
        } else {
            *next++ = static_cast<char16_t>(kByteMarkBase + b);  // a lead byte without its trail byte
            ++i;
        }
    }
    return static_cast<size_t>(next - out);
}

std::u16string decodeCp932(std::string_view cp932) {
    std::u16string out(cp932.size(), u'\0');
    out.resize(decodeCp932(cp932, out.data()));
    return out;
}

std::string encodeCp932(std::u16string_view text, bool* exact) {
    bool unencodable = false;
    std::string out = encode(text, true, &unencodable);
    if (exact != nullptr) {
        *exact = !unencodable;
    }
    return out;
}

size_t encodeCp932(std::u16string_view text, char* out, bool* exact) {
    bool unencodable = false;
    const auto size = static_cast<size_t>(encode(text, out, true, &unencodable) - out);
    if (exact != nullptr) {
        *exact = !unencodable;
    }
    return size;
}

std::u16string canonicalCp932(std::u16string_view text, bool* dropped) {
    bool unencodable = false;
    const std::string bytes = encode(text, false, &unencodable);
    if (dropped != nullptr) {
        *dropped = unencodable;
    }
    return decodeCp932(bytes);
}

}  // namespace tarvelin::platform
