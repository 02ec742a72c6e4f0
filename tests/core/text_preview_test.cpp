#include "core/text_preview.h"

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

TEST(IsTextFile, OnlyANulAmongTheFirstHundredBytesMakesABufferBinary) {
    struct Case {
        const char* name;
        std::string bytes;
        bool text;
    };
    const std::vector<Case> cases = {
        {"empty", "", true},
        {"plain", "C:\\NC\\A.NC\r\n", true},
        {"control and high bytes", std::string("\x01\x1A\x7F\x80\xFF\x83\x41", 7), true},
        {"NUL first", std::string("\0A", 2), false},
        {"NUL at 50", std::string(50, 'a') + std::string(1, '\0') + "b", false},
        {"NUL at 99", std::string(99, 'a') + std::string(1, '\0'), false},
        {"NUL at 100 of 101", std::string(100, 'a') + std::string(1, '\0'), true},
        {"NUL at 200", std::string(200, 'a') + std::string(1, '\0'), true},
        {"100 bytes", std::string(100, 'a'), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsTextFile(c.bytes.data(), c.bytes.size()), c.text) << c.name;
    }
    const std::string nulAt50 = std::string(50, 'a') + std::string(1, '\0');
    EXPECT_TRUE(IsTextFile(nulAt50.data(), 50));  // only `length` bytes count
}

TEST(PreviewText, EndsBeforeTheFirstNul) {
    EXPECT_EQ(previewText(std::string(200, 'a') + std::string(1, '\0') + "b"), std::string(200, 'a'));
    EXPECT_EQ(previewText("A\nB\r\n"), "A\nB\r\n");
    EXPECT_EQ(previewText(""), "");
}

}  // namespace
}  // namespace tarvelin::core
