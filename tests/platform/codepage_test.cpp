#include "platform/codepage.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/files.h"

#include "support/temp_tree.h"
#endif

#include <gtest/gtest.h>

namespace tarvelin::platform {
namespace {

#ifdef _WIN32
// The settings file is read and written through the system's private-profile service, and text upper-cased
// by the system, only where the ANSI code page is 932: the tests run on such a system, which takes every
// name. (Under Wine both come from the locale ja_JP.UTF-8, which glibc must have: without it the code page
// is 932 but names other than ASCII cannot be made.)
TEST(SystemLocale, IsJapaneseAndTakesJapaneseNames) {
    EXPECT_EQ(::GetACP(), 932u);
    test::TempTree tree;
    EXPECT_NO_THROW(tree.write("結合.NC", "O1"));
    EXPECT_TRUE(fileExists(utf8ToCp932("C:\\結合.NC")));
}
#endif

TEST(Codepage, JapaneseTextRoundTrips) {
    const std::string utf8 = "結合ﾌｧｲﾙ名は C:\\表\\ソ.NC ①㈱ です。";
    const std::string cp932 = utf8ToCp932(utf8);
    EXPECT_EQ(cp932.substr(0, 4), "\x8C\x8B\x8D\x87");     // 結合
    EXPECT_NE(cp932.find("\x95\x5C"), std::string::npos);  // 表
    EXPECT_EQ(cp932ToUtf8(cp932), utf8);
}

TEST(Codepage, BackslashAndTildeStayAscii) {
    EXPECT_EQ(utf8ToCp932("C:\\~"), "C:\\~");
    EXPECT_EQ(cp932ToUtf8("C:\\~"), "C:\\~");
    EXPECT_EQ(cp932ToUtf8("\x1A\x1C\x7F"), "\x1A\x1C\x7F");  // control bytes are not swapped
}

TEST(Codepage, InvalidBytesAndUnrepresentableCharactersAreReplaced) {
    EXPECT_EQ(cp932ToUtf8("A\x80"
                          "B"),
              "A\xEF\xBF\xBD"
              "B");
    EXPECT_EQ(cp932ToUtf8("A\x82"), "A\xEF\xBF\xBD");  // a lead byte at the end
    EXPECT_EQ(cp932ToUtf8("\x82\x0A"
                          "B"),
              "\xEF\xBF\xBD\nB");  // a lead byte before a line feed
    EXPECT_EQ(utf8ToCp932("A\xF0\x9F\x98\x80"
                          "B"),
              "A?B");  // an emoji
    EXPECT_EQ(utf8ToCp932("A\xFF"
                          "B"),
              "A?B");

    std::string out;
    EXPECT_FALSE(tryUtf8ToCp932("\xF0\x9F\x98\x80", out));
    EXPECT_FALSE(tryCp932ToUtf8("\x80", out));
    EXPECT_TRUE(tryCp932ToUtf8("\x83\x41", out));
    EXPECT_EQ(out, "ア");
}

TEST(Codepage, AnsiLiteralIsConvertedOnceAndStaysValid) {
    const std::string& first = ansi("--- 開始 ---");
    EXPECT_EQ(first, utf8ToCp932("--- 開始 ---"));
    for (int i = 0; i < 100; ++i) {
        ansi("filler " + std::to_string(i));
    }
    EXPECT_EQ(&ansi("--- 開始 ---"), &first);
}

}  // namespace
}  // namespace tarvelin::platform
