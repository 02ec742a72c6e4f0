#include "core/replace_ignoring_case.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace tarvelin::core {
namespace {

using platform::utf8ToCp932;

struct ReplaceCase {
    const char* text;  // UTF-8
    const char* search;
    const char* replacement;
    const char* expected;
    size_t count;
};

class ReplaceIgnoringCase : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceIgnoringCase, Replaces) {
    const ReplaceCase& c = GetParam();
    std::string text = utf8ToCp932(c.text);
    EXPECT_EQ(replaceIgnoringCase(text, utf8ToCp932(c.search), utf8ToCp932(c.replacement)), c.count);
    EXPECT_EQ(platform::cp932ToUtf8(text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceIgnoringCase,
    ::testing::Values(ReplaceCase{"g91 G91", "G91", "G90", "G90 G90", 2}, ReplaceCase{"G91 g91", "g91", "x", "x x", 2},
                      ReplaceCase{"AAAA", "AA", "B", "BB", 2},         // left to right, no overlap
                      ReplaceCase{"AAA", "AA", "AAA", "AAAA", 1},      // the replacement is not searched again
                      ReplaceCase{"ab", "AB", "abab", "abab", 1},      // nor is it when it grows
                      ReplaceCase{"XYZ", "Y", "", "XZ", 1},            // an empty replacement deletes
                      ReplaceCase{"XYZ", "", "Q", "XYZ", 0},           // an empty search does nothing
                      ReplaceCase{"XYZ", "XYZW", "Q", "XYZ", 0},       // longer than the text
                      ReplaceCase{"アa", "A", "B", "アB", 1},          // "ア" is 0x83 0x41: never a match on its trail
                      ReplaceCase{"ソA表\\", "\\", "/", "ソA表/", 1},  // "ソ" 0x83 0x5C, "表" 0x95 0x5C
                      ReplaceCase{"ａｂｃabc", "ABC", "x", "ａｂｃx", 1},  // double-byte letters match exactly
                      ReplaceCase{"穴あき穴", "穴", "孔", "孔あき孔", 2},
                      ReplaceCase{"N10G1N20G1", "g1", "G01", "N10G01N20G01", 2}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(ReplaceIgnoringCaseBytes, ASearchEndingWithALoneLeadByteNeverSplitsACharacter) {
    std::string text = "X\x83\x41X\x83";
    EXPECT_EQ(replaceIgnoringCase(text, "X\x83", "-"), 1U);
    EXPECT_EQ(text, "X\x83\x41-");
}

// Matching must find the same occurrences whether the replacement shrinks the text in place or grows it.
TEST(ReplaceIgnoringCaseBytes, GrowingAndShrinkingAgreeOnLongMixedText) {
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {"G1", "g1", "\x83\x41", "\x95\x5C", "X", "\r\n", "\x81"};
    std::string text;
    for (int i = 0; i < 5000; ++i) {
        text += pieces[random() % pieces.size()];
    }
    std::string shrunk = text;
    std::string grown = text;
    const size_t a = replaceIgnoringCase(shrunk, "g1", "#");
    const size_t b = replaceIgnoringCase(grown, "g1", "[G1]");
    EXPECT_GT(a, 0U);
    EXPECT_EQ(a, b);
    std::string back = grown;
    replaceIgnoringCase(back, "[G1]", "#");
    EXPECT_EQ(back, shrunk);
}

}  // namespace
}  // namespace tarvelin::core
