#include "core/split_lines.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

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
