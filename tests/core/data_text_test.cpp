#include "core/data_text.h"

#include <random>

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace tarvelin::core {
namespace {

using platform::utf8ToCp932;

struct TextCase {
    std::string input;
    std::string expected;
};

TEST(NormalizeLineBreaks, EveryBreakBecomesCrLf) {
    const std::vector<TextCase> cases = {
        {"", ""},
        {"A", "A"},
        {"A\r\nB\r\n", "A\r\nB\r\n"},
        {"A\nB\n", "A\r\nB\r\n"},
        {"A\rB\r", "A\r\nB\r\n"},
        {"A\r\r\nB", "A\r\n\r\nB"},
        {"A\n\rB", "A\r\n\r\nB"},
        {"\n\n", "\r\n\r\n"},
        {"\r", "\r\n"},
        {std::string(40, 'x') + "\n" + std::string(20, 'y') + "\r",
         std::string(40, 'x') + "\r\n" + std::string(20, 'y') + "\r\n"},
        // A CR LF pair that straddles a 16-byte block.
        {std::string(15, 'x') + "\r\n" + std::string(15, 'y') + "\n",
         std::string(15, 'x') + "\r\n" + std::string(15, 'y') + "\r\n"},
    };
    for (const auto& c : cases) {
        std::string text = c.input;
        normalizeLineBreaks(text);
        EXPECT_EQ(text, c.expected) << testing::PrintToString(c.input);
    }
}

// Text that arrives in pieces must come out exactly as the whole text does, wherever the pieces are cut
// (a CR LF pair split between two pieces is the case to get right).
TEST(LineBreakNormalizer, PiecesGiveTheSameResultAsTheWholeText) {
    std::mt19937 random(42);
    const std::string alphabet = "\r\nAB%";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const size_t length = random() % 120;
        for (size_t i = 0; i < length; ++i) {
            text += alphabet[random() % alphabet.size()];
        }
        std::string expected = text;
        normalizeLineBreaks(expected);

        LineBreakNormalizer normalizer;
        std::string streamed;
        for (size_t at = 0; at < text.size();) {
            const size_t piece = std::min(text.size() - at, static_cast<size_t>(random() % 20));
            streamed += normalizer.feed(std::string_view(text).substr(at, piece));
            at += piece;
        }
        streamed += normalizer.finish();
        ASSERT_EQ(streamed, expected) << testing::PrintToString(text);
    }
}

// The one-pass check must agree with cutting at the first NUL and asking whether normalizing changes
// anything, wherever NUL bytes and line breaks fall against the 16-byte blocks.
TEST(CutAtNul, KeepsTheBytesBeforeTheFirstNul) {
    std::string text("AB\0CD\0", 6);
    cutAtNul(text);
    EXPECT_EQ(text, "AB");
    std::string none = "ABC";
    cutAtNul(none);
    EXPECT_EQ(none, "ABC");
}

TEST(RemovePercent, RemovesEveryPercentWhereverItStands) {
    const std::vector<TextCase> cases = {
        {"", ""},
        {"%", ""},
        {"%\r\nO1\r\n%\r\n", "\r\nO1\r\n\r\n"},
        {"A%%B%C%", "ABC"},
        {std::string(100, '%') + "X", "X"},
        {utf8ToCp932("（％）%"), utf8ToCp932("（％）")},  // the full-width sign is not "%"
    };
    for (const auto& c : cases) {
        std::string text = c.input;
        removePercent(text);
        EXPECT_EQ(text, c.expected) << testing::PrintToString(c.input);
    }
}

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

TEST(PercentMarks, BackMarkKeepsTheTextsLastLineBreakState) {
    EXPECT_EQ(backMarkFor(""), "%\r\n");
    EXPECT_EQ(backMarkFor("O1\r\n"), "%\r\n");
    EXPECT_EQ(backMarkFor("O1"), "\r\n%");
    EXPECT_EQ(backMarkFor("\n"), "\r\n%");
    EXPECT_EQ(kFrontMark, "%\r\n");
}

TEST(ReadLinePieces, TakesNonEmptyPiecesOfAtMost499BytesAsLines) {
    const std::vector<TextCase> cases = {
        {"", ""},
        {"A\r\nB\r\n", "A\r\nB\r\n"},
        {"A\n\n\r\nB", "A\r\nB\r\n"},
        {std::string("A\0B\nC\n", 6), "A\r\nC\r\n"},
        {std::string(499, 'x') + "\r\n", std::string(499, 'x') + "\r\n"},
        {std::string(500, 'x') + "\n", std::string(499, 'x') + "\r\nx\r\n"},
        {std::string(998, 'x'), std::string(499, 'x') + "\r\n" + std::string(499, 'x') + "\r\n"},
        {"A\rB\n", "A\r\nB\r\n"},  // a lone CR is a break of the text too
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readLinePieces(c.input), c.expected) << testing::PrintToString(c.input);
    }
}

}  // namespace
}  // namespace tarvelin::core

namespace tarvelin::core {
namespace {

// Texts of more than 16 MB are worked on in two halves by two threads. Their results must be those of
// the same pass over pieces small enough for one thread, since no match spans a line break.
class LargeText : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::mt19937 random(11);
        const std::vector<std::string> lines = {"%\r\n",       "O1234(工具 ア)\r\n", "N10 G01 X1.5 g01 Y2.\r\n",
                                                "N20 M08\r\n", "(ソ表\\G01)\r\n",    "N30 G0 Z5. F1200.\r\n"};
        while (text.size() < (20U << 20)) {
            text += utf8ToCp932(lines[random() % lines.size()]);
        }
    }

    // Applies `pass` to pieces of about a megabyte, each ending with a line feed, and joins the results.
    template <typename Pass>
    static std::string piecewise(const std::string& input, Pass pass) {
        std::string result;
        for (size_t at = 0; at < input.size();) {
            const size_t end = std::min(input.find('\n', at + (1U << 20)), input.size() - 1) + 1;
            std::string piece = input.substr(at, end - at);
            pass(piece);
            result += piece;
            at = end;
        }
        return result;
    }

    static std::string text;
};

std::string LargeText::text;

TEST_F(LargeText, ReplacementsAndPercentRemovalMatchSmallPieces) {
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"G01", "G1"}, {"M08", ""}, {"F1200.", "F1000."}, {"\\", "/"}, {utf8ToCp932("ア"), "A"}};
    for (const auto& [search, replacement] : pairs) {
        std::string whole = text;
        replaceIgnoringCase(whole, search, replacement);
        const std::string expected =
            piecewise(text, [&](std::string& piece) { replaceIgnoringCase(piece, search, replacement); });
        ASSERT_TRUE(whole == expected) << search;
    }
    std::string whole = text;
    removePercent(whole);
    ASSERT_TRUE(whole == piecewise(text, [](std::string& piece) { removePercent(piece); }));
}

// After the halves are worked on, the second moves down by what the first lost: a little, about as much
// as a thread may keep aside, or most of the first half.
TEST_F(LargeText, TheSecondHalfMovesDownByAnyGap) {
    for (const size_t percentPerLine : {size_t{0}, size_t{1}, size_t{4}, size_t{40}}) {
        std::string head;
        while (head.size() < text.size() / 2) {
            head += std::string(percentPerLine, '%') + "N1 G01\r\n";
        }
        const std::string input = head + text;
        std::string whole = input;
        removePercent(whole);
        ASSERT_TRUE(whole == piecewise(input, [](std::string& piece) { removePercent(piece); })) << percentPerLine;
    }
}

// The same text as the edits one at a time, whatever mix of shrinking, equal and growing replacements.
std::string oneAtATime(std::string text, bool percent, const std::vector<ReplacementPair>& pairs) {
    if (percent) {
        removePercent(text);
    }
    for (const ReplacementPair& pair : pairs) {
        replaceIgnoringCase(text, pair.search, pair.replacement);
    }
    return text;
}

const std::vector<std::vector<ReplacementPair>>& editSeries() {
    static const std::vector<std::vector<ReplacementPair>> series = {
        {},
        {{"G01", "G1"}, {"M08", "M8"}, {"F1200.", "F1000."}},
        // A later pair finds what an earlier one made; an empty search does nothing.
        {{"G01", "G0"}, {"", "X"}, {"G0 ", ""}},
        // A growing pair between shrinking ones, and one that matches nothing.
        {{"M08", ""}, {"G1", "G001"}, {"G00", "G"}, {"QQQ", "Q"}},
        // A search longer than some lines.
        {{"N10 G01 X1.5 G01 Y2.", "N"}},
    };
    return series;
}

TEST(ApplyEdits, GivesTheTextOfTheEditsOneAtATime) {
    const std::vector<std::string> texts = {
        "", "%", "G01", "%G%01\r\n", "N1 G01 M08\r\nN2 g01 F1200.\r\n%\r\n", utf8ToCp932("(ソ表G01)\r\nG01ア"),
    };
    for (const std::string& text : texts) {
        for (const bool percent : {false, true}) {
            for (const auto& pairs : editSeries()) {
                std::string edited = text;
                applyEdits(edited, percent, pairs);
                EXPECT_EQ(edited, oneAtATime(text, percent, pairs)) << platform::cp932ToUtf8(text);
            }
        }
    }
}

TEST_F(LargeText, EditSeriesGiveTheTextOfTheEditsOneAtATime) {
    for (const auto& pairs : editSeries()) {
        std::string edited = text;
        applyEdits(edited, true, pairs);
        ASSERT_TRUE(edited == oneAtATime(text, true, pairs)) << pairs.size();
    }
}

TEST(SplitLines, EveryKindOfLineBreakEndsALine) {
    const auto spans = [](const std::string& text) {
        std::vector<std::string> lines;
        for (const auto& line : splitLines(text)) {
            lines.push_back(text.substr(line.offset, line.length));
        }
        return lines;
    };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(spans(""), Lines{});
    EXPECT_EQ(spans("A"), Lines{"A"});
    EXPECT_EQ(spans("A\r\nB\r\n"), (Lines{"A", "B"}));
    EXPECT_EQ(spans("A\nB\rC\r\n\r\nD"), (Lines{"A", "B", "C", "", "D"}));
    EXPECT_EQ(spans("\r\n\r\n"), (Lines{"", ""}));
    // Long texts go 64 bytes at a time: a CR LF pair across two blocks is one break.
    const std::string line(63, 'x');
    const std::string text = line + "\r\n" + line + "\n" + line + "\r" + line;
    EXPECT_EQ(spans(text), (Lines{line, line, line, line}));
}

}  // namespace
}  // namespace tarvelin::core
