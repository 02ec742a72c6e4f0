#include "core/line_break_normalizer.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "core/normalize_line_breaks.h"

namespace tarvelin::core {
namespace {

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

}  // namespace
}  // namespace tarvelin::core
