#include "core/read_line_pieces.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

struct TextCase {
    std::string input;
    std::string expected;
};

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
