#include "core/line_index.h"

#include <random>

#include <gtest/gtest.h>

#include "core/split_lines.h"

namespace tarvelin::core {
namespace {

// The lines as the index gives them, against the full list of splitLines (plus the empty last line after
// a final break).
void expectSameLines(const std::string& text) {
    std::vector<LineSpan> expected = splitLines(text);
    if (text.empty() || text.back() == '\n' || text.back() == '\r') {
        expected.push_back({text.size(), 0});
    }
    const LineIndex index(text);
    ASSERT_EQ(index.lineCount(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const LineSpan line = index.line(i);
        ASSERT_EQ(line.offset, expected[i].offset) << i;
        ASSERT_EQ(line.length, expected[i].length) << i;
    }
    // Out of order too: from the end back to the start, in steps that land on every place between two
    // noted lines.
    for (size_t i = expected.size(); i-- > 0; i -= std::min<size_t>(i, 97)) {
        ASSERT_EQ(index.line(i).offset, expected[i].offset) << i;
    }
}

TEST(LineIndex, SmallTexts) {
    for (const std::string text : {"", "A", "A\r\n", "A\r\nB", "\n\n\r\r\n", "A\rB\nC\r\nD"}) {
        expectSameLines(text);
    }
}

TEST(LineIndex, EveryLineOfLongMixedTexts) {
    std::mt19937 random(9);
    const std::vector<std::string> pieces = {"\r\n", "\n", "\r", "G01 X1.", std::string(70, 'x'), "A"};
    for (const size_t size : {size_t{5000}, size_t{17} << 20}) {  // the second is scanned in two halves
        std::string text;
        while (text.size() < size) {
            text += pieces[random() % pieces.size()];
        }
        expectSameLines(text);
    }
}

}  // namespace
}  // namespace tarvelin::core
