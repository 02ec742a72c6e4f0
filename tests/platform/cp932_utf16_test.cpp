#include "platform/cp932_utf16.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/mbcs.h"

namespace tarvelin::platform {
namespace {

TEST(Cp932Utf16, EveryOneAndTwoByteStringComesBackAsItWas) {
    std::string bad;
    for (int a = 0; a < 0x100; ++a) {
        const std::string one(1, static_cast<char>(a));
        if (encodeCp932(decodeCp932(one)) != one) {
            bad += " " + std::to_string(a);
        }
        for (int b = 0; b < 0x100; ++b) {
            const std::string two{static_cast<char>(a), static_cast<char>(b)};
            bool exact = false;
            if (encodeCp932(decodeCp932(two), &exact) != two || !exact) {
                bad += " " + std::to_string(a) + "/" + std::to_string(b);
            }
        }
    }
    EXPECT_EQ(bad, "");
}

// Long runs of any bytes, decoded at once and in pieces that end at character starts.
TEST(Cp932Utf16, LongTextsComeBackAsTheyWereAndDecodeInPieces) {
    std::mt19937 random(932);
    std::string bytes(200000, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(random() % 3 == 0 ? random() % 0x80 : random() % 0x100);
    }
    const std::u16string whole = decodeCp932(bytes);
    bool exact = false;
    EXPECT_EQ(encodeCp932(whole, &exact), bytes);
    EXPECT_TRUE(exact);
    std::string encoded(2 * whole.size(), '\0');
    exact = false;
    encoded.resize(encodeCp932(whole, encoded.data(), &exact));
    EXPECT_EQ(encoded, bytes);
    EXPECT_TRUE(exact);
    std::u16string pieces(bytes.size(), u'\0');
    size_t written = 0;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = std::min(bytes.size(), start + 1 + random() % 40);
        while (end < bytes.size() && !isCharStart(bytes, end, start)) {
            ++end;
        }
        written += decodeCp932(std::string_view(bytes).substr(start, end - start), pieces.data() + written);
        start = end;
    }
    pieces.resize(written);
    EXPECT_EQ(pieces, whole);
}

TEST(Cp932Utf16, DuplicateCodesAndBytesThatAreNoCharacterStayDistinct) {
    const std::vector<std::pair<std::string, std::u16string>> cases = {
        {"\xFA\x5C", u"\u7E8A"},        // the code that U+7E8A encodes to
        {"\xED\x40", u"\u7E8A\uFE00"},  // its NEC-selected duplicate
        {"\x81\xE6", u"\u2235"},        // ∵ and its two duplicates
        {"\x87\x9A", u"\u2235\uFE00"},
        {"\xFA\x5B", u"\u2235\uFE01"},
        {"A\x80\xA0\xFD\xFE\xFF", u"A\uF780\uF7A0\uF7FD\uF7FE\uF7FF"},
        {"\x85\x40", u"\uF785\uF740"},  // an undefined double-byte code
        {"X\x81\r\n", u"X\uF781\r\n"},  // a lead byte before a line break
        {"\x82", u"\uF782"},            // a lead byte at the end
        {"\\~\x1A\x7F", u"\\~\x1A\x7F"},
        {"\x83\x41\xB1", u"アｱ"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(decodeCp932(bytes), text) << cp932ToUtf8(bytes);
        EXPECT_EQ(encodeCp932(text), bytes) << cp932ToUtf8(bytes);
    }
}

TEST(Cp932Utf16, TextReadsBackAsItWillBeSaved) {
    struct Case {
        std::u16string typed;
        std::u16string saved;
        bool dropped;
    };
    const std::vector<Case> cases = {
        {u"加工\u301C1", u"加工\uFF5E1", false},  // 〜 is saved as 0x81 0x60, which reads back as ～
        {u"\u2212", u"\uFF0D", false},
        {u"caf\u00E9!", u"caf!", true},  // é cannot be saved
        {u"a\U0001F600b", u"ab", true},
        {u"\uF781A", u"、", false},  // a lone lead byte and a trail byte make one character
        {u"A\uFE00", u"A", true},    // a selector that names no code
        {u"\u7E8A\uFE00", u"\u7E8A\uFE00", false},
    };
    for (const auto& c : cases) {
        bool dropped = !c.dropped;
        EXPECT_EQ(canonicalCp932(c.typed, &dropped), c.saved);
        EXPECT_EQ(dropped, c.dropped);
    }
    bool exact = true;
    EXPECT_EQ(encodeCp932(u"caf\u00E9", &exact), "caf?");
    EXPECT_FALSE(exact);
}

}  // namespace
}  // namespace tarvelin::platform
