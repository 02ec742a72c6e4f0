#include "core/normalize_line_breaks.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

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

}  // namespace
}  // namespace tarvelin::core
