#include "core/remove_percent.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace tarvelin::core {
namespace {

using platform::utf8ToCp932;

struct TextCase {
    std::string input;
    std::string expected;
};

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

}  // namespace
}  // namespace tarvelin::core
