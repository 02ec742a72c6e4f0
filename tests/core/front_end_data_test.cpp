#include "core/front_end_data.h"

#ifdef _WIN32
#include <filesystem>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <random>

#include <gtest/gtest.h>

#include "core/cut_at_nul.h"
#include "core/mask_rule.h"
#include "core/normalize_line_breaks.h"
#include "platform/codepage.h"
#include "platform/file_error.h"
#include "platform/mbcs.h"

#include "support/temp_tree.h"

namespace tarvelin::core {
namespace {

using platform::utf8ToCp932;

TEST(FrontEndData, SavingUpperCasesAndEndsEveryLineWithCrLf) {
    test::TempTree tree;
    tree.makeFolder("PROG");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"g90 g54", "G90 G54\r\n"},
        {"g90\ng54\n", "G90\r\nG54\r\n"},
        {"a\r\nb", "A\r\nB\r\n"},
        {"", ""},
        {utf8ToCp932("(加工ｱ) g01"), utf8ToCp932("(加工ｱ) G01\r\n")},
    };
    for (const auto& [text, file] : cases) {
        const std::string shown = saveFrontEndData("C:\\PROG", "Front.txt", text);
        EXPECT_EQ(tree.read("PROG/Front.txt"), file) << text;
        EXPECT_EQ(shown, platform::upper(text));
    }
    EXPECT_TRUE(tree.exists("PROG/Front.txt"));  // an empty memo still gives a file
}

TEST(FrontEndData, LoadingTakesEveryLineBreakAndAMissingFileIsEmpty) {
    test::TempTree tree;
    EXPECT_EQ(loadFrontEndData("C:\\", "End.txt"), "");
    tree.write("End.txt", "M30\nM02\r%");
    EXPECT_EQ(loadFrontEndData("C:\\", "End.txt"), "M30\r\nM02\r\n%");
}

// Read in pieces, a file gives the text that it gives whole (cut at its first NUL, every line break
// CR LF), and no piece ends inside a double-byte character, wherever the pieces of the file end.
TEST(FrontEndData, PiecesMakeTheWholeTextAndEndBetweenCharacters) {
    test::TempTree tree;
    std::mt19937 random(7);
    std::string noise(3000, '\0');
    for (char& b : noise) {
        const char some[] = {'\r', '\n', 'G', '\x81', '\x82', '\xA0', '\x40', '\x9F', '\xE0', '\xFC'};
        b = some[random() % std::size(some)];
    }
    for (const std::string& file :
         {std::string(), std::string("G90\nG54\r\rM30\r"), std::string("\x81\x81\x81\x40\x82"),
          std::string("A\r\nB\0C\r\n", 8), std::string("\x82\xA0\r\n\x81"), noise}) {
        tree.write("End.txt", file);
        std::string whole = file;
        cutAtNul(whole);
        normalizeLineBreaks(whole);
        EXPECT_EQ(loadFrontEndData("C:\\", "End.txt"), whole);
        for (const size_t pieceSize : {1, 2, 3, 5, 64}) {
            FrontEndDataReader reader("C:\\", "End.txt", pieceSize);
            std::string joined;
            bool between = true;
            for (std::string_view piece = reader.next(); !piece.empty(); piece = reader.next()) {
                EXPECT_LE(piece.size(), 2 * pieceSize + 2);  // lone line breaks grow by a byte each
                joined += piece;
                between = between && platform::isCharStart(whole, joined.size());
            }
            EXPECT_EQ(joined, whole) << pieceSize;
            EXPECT_TRUE(between) << pieceSize;
            EXPECT_TRUE(reader.next().empty());
        }
    }
}

TEST(FrontEndData, FailuresNameTheFile) {
    test::TempTree tree;
    try {
        saveFrontEndData("C:\\NO", "Front.txt", "X");
        FAIL();
    } catch (const platform::FileError& e) {
        EXPECT_EQ(platform::cp932ToUtf8(e.message()), "ファイル C:\\NO\\Front.txt を作成できません");
    }
    tree.write("End.txt", "x");
    const auto refusedWithItsMessage = [] {
        try {
            loadFrontEndData("C:\\", "End.txt");
        } catch (const platform::FileError& e) {
            return platform::cp932ToUtf8(e.message()) == "ファイル C:\\End.txt は開けません";
        }
        return false;
    };
#ifdef _WIN32
    // Held by another program that lets nobody else open it.
    const HANDLE held = ::CreateFileW(std::filesystem::path(tree.host("End.txt")).c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(refusedWithItsMessage());
    ::CloseHandle(held);
#else
    ::chmod(tree.host("End.txt").c_str(), 0);
    EXPECT_TRUE(test::asUnprivilegedUser(tree, refusedWithItsMessage));
#endif
}

TEST(completeMask, Examples) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"abc", "*.abc"},   {".abc", "*.abc"}, {"*.abc", "*.abc"}, {"a.b", "*a.b"},
        {"*abc", "*.*abc"}, {"x*.y", "x*.y"},  {"  ", "*.  "},     {"NC;TXT", "*.NC;TXT"}};
    for (const auto& [typed, mask] : cases) {
        EXPECT_EQ(completeMask(typed), mask) << typed;
    }
}

TEST(AllowedInExtension, EightCharactersAreRefused) {
    for (const char32_t c : std::u32string(U"/:,;?<>|")) {
        EXPECT_FALSE(AllowedInExtension(c));
    }
    for (const char32_t c : std::u32string(U"a*.\\\"ア 1")) {
        EXPECT_TRUE(AllowedInExtension(c));
    }
}

}  // namespace
}  // namespace tarvelin::core
