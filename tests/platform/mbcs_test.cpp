#include "platform/mbcs.h"

#include <random>

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace tarvelin::platform {
namespace {

TEST(Upper, SingleByteLettersOnly) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (!isLeadByte(static_cast<unsigned char>(b))) {
            all += static_cast<char>(b);
        }
    }
    const std::string upperAll = upper(all);
    for (size_t i = 0; i < all.size(); ++i) {
        const auto b = static_cast<unsigned char>(all[i]);
        const auto expected = static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - 32 : b);
        EXPECT_EQ(static_cast<unsigned char>(upperAll[i]), expected) << "byte " << int(b);
    }
}

TEST(Upper, DoubleByteCharactersAreLeftAlone) {
    // "ア" is 0x83 0x41 and "Ｂ" 0x82 0x61: their trail bytes look like letters.
    EXPECT_EQ(upper(utf8ToCp932("aアbＢcｂ")), utf8ToCp932("AアBＢCｂ"));
    EXPECT_EQ(upper("abc\x82"), "ABC\x82");  // a lone lead byte at the end
    EXPECT_EQ(upper("\x82"
                    "a"
                    "a"),
              "\x82"
              "aA");  // the first "a" is a trail byte
    EXPECT_EQ(upper("\x82\x0A"
                    "a"),
              "\x82\x0A"
              "A");  // a line feed is no trail byte
}

// Long texts of any bytes, upper-cased from every offset, against the rule applied a character at a time.
TEST(Upper, LongTextsFollowTheRuleAtEveryByte) {
    std::mt19937 random(932);
    std::string text(4000, '\0');
    for (char& b : text) {
        const auto r = random();
        b = static_cast<char>(r % 4 == 0 ? r % 0x100 : 0x40 + r % 0x3F);  // mostly letters and signs
    }
    for (size_t start = 0; start < 16; ++start) {
        const std::string_view part = std::string_view(text).substr(start);
        std::string expected(part);
        for (size_t i = 0; i < expected.size(); i += charLengthAt(expected, i)) {
            if (expected[i] >= 'a' && expected[i] <= 'z') {
                expected[i] = static_cast<char>(expected[i] - 32);
            }
        }
        EXPECT_EQ(upper(part), expected) << start;
    }
}

TEST(SameText, IgnoresSingleByteCase) {
    EXPECT_TRUE(sameText("c:\\nc\\a.nc", "C:\\NC\\A.NC"));
    EXPECT_FALSE(sameText("C:\\NC\\A.NC", "C:\\NC\\A.NC "));
    // Double-byte characters are compared as they are: full-width letters are no single-byte case.
    EXPECT_FALSE(sameText(utf8ToCp932("ｂ"), utf8ToCp932("Ｂ")));
    EXPECT_FALSE(sameText(utf8ToCp932("ア"),
                          "\x83"
                          "a"));
}

TEST(IsCharStart, FollowsPairsFromTheStart) {
    const std::string s = utf8ToCp932("Aアア\\表") + "\x81";  // A 83 41 83 41 5C 95 5C 81
    const std::vector<bool> starts = {true, true, false, true, false, true, true, false, true};
    ASSERT_EQ(s.size(), starts.size());
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(isCharStart(s, i), starts[i]) << i;
        EXPECT_EQ(isCharStart(s, i, i), true) << i;  // a known start is a start
    }
    // A run of lead-range bytes pairs off from its beginning.
    const std::string run =
        "\x81\x81\x81\x81"
        "A";
    EXPECT_TRUE(isCharStart(run, 4));
    EXPECT_FALSE(isCharStart(run.substr(1), 3));
}

TEST(LastDelimiter, SkipsTrailBytes) {
    EXPECT_EQ(lastDelimiter("C:\\NC\\A", "\\:"), 5U);
    EXPECT_EQ(lastDelimiter(utf8ToCp932("C:\\表"), "\\:"), 2U);
    EXPECT_EQ(lastDelimiter("ABC", "\\:"), std::string_view::npos);
}

}  // namespace
}  // namespace tarvelin::platform
