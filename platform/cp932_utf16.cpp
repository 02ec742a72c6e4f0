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
                const Code code = static_cast<Code>(lead << 8 | trail);
                const char16_t c = decode(bytesOf(code));
                if (c == kNone) {
                    continue;
                }
                pair[code] = c;
                auto it = canonical.find(c);
                if (it == canonical.end()) {
                    const Code encoded = systemEncode932(c);
                    it = canonical.emplace(c, encoded != 0 ? encoded : code).first;
                }
                if (it->second == code) {
                    continue;
                }
                // Another code of the same character: the next free selector in byte order.
                for (int index = 0; index < kVariantCount; ++index) {
                    if (variants.emplace(static_cast<uint32_t>(c) << 8 | static_cast<uint32_t>(index), code).second) {
                        variant[code] = static_cast<uint8_t>(index + 1);
                        break;
                    }
                }
                if (variant[code] == 0) {
                    throw std::runtime_error("code page 932: more duplicate codes than selectors");
                }
            }
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

// Encodes `text`; each character that does not encode goes through `unencodable` (which may append a
// replacement). A character is one unit, a surrogate pair, or a character with its selector.
template <typename Unencodable>
std::string encode(std::u16string_view text, Unencodable unencodable) {
    const Tables& t = tables();
    thread_local std::unordered_map<char16_t, Code> others;  // characters that no code decodes to
    std::string out;
    out.reserve(text.size() * 2);
    const auto appendCode = [&out](Code code) {
        if (code >= 0x100) {
            out += static_cast<char>(code >> 8);
        }
        out += static_cast<char>(code & 0xFF);
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isByteMark(c)) {
            out += static_cast<char>(c - kByteMarkBase);
            continue;
        }
        if (isSurrogate(c)) {
            if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                ++i;
            }
            unencodable(out);
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
            unencodable(out);
            continue;
        }
        if (const auto it = t.canonical.find(c); it != t.canonical.end()) {
            appendCode(it->second);
            continue;
        }
        auto it = others.find(c);
        if (it == others.end()) {
            // 0x00 is U+0000's own code, found above: here it marks "none".
            it = others.emplace(c, systemEncode932(c)).first;
        }
        if (it->second == 0) {
            unencodable(out);
        } else {
            appendCode(it->second);
        }
    }
    return out;
}

}  // namespace

std::u16string decodeCp932(std::string_view cp932) {
    const Tables& t = tables();
    std::u16string out;
    out.reserve(cp932.size());
    for (size_t i = 0; i < cp932.size();) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        if (charLengthAt(cp932, i) == 2) {
            const auto trail = static_cast<unsigned char>(cp932[i + 1]);
            const Code code = static_cast<Code>(b << 8 | trail);
            if (t.pair[code] == kNone) {
                out += static_cast<char16_t>(kByteMarkBase + b);
                out += static_cast<char16_t>(kByteMarkBase + trail);
            } else {
                out += t.pair[code];
                if (t.variant[code] != 0) {
                    out += static_cast<char16_t>(kFirstVariantSelector + t.variant[code] - 1);
                }
            }
            i += 2;
            continue;
        }
        out += t.single[b] == kNone ? static_cast<char16_t>(kByteMarkBase + b) : t.single[b];
        ++i;
    }
    return out;
}

std::string encodeCp932(std::u16string_view text, bool* exact) {
    bool all = true;
    std::string out = encode(text, [&all](std::string& bytes) {
        bytes += '?';
        all = false;
    });
    if (exact != nullptr) {
        *exact = all;
    }
    return out;
}

std::u16string canonicalCp932(std::u16string_view text, bool* dropped) {
    bool any = false;
    const std::string bytes = encode(text, [&any](std::string&) { any = true; });
    if (dropped != nullptr) {
        *dropped = any;
    }
    return decodeCp932(bytes);
}

}  // namespace tarvelin::platform
