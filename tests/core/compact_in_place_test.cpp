#include "core/compact_in_place.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/remove_percent.h"
#include "core/replace_ignoring_case.h"
#include "platform/codepage.h"

#include "support/large_text.h"

namespace tarvelin::core {
namespace {

using platform::utf8ToCp932;

// Texts of more than 16 MB are worked on in two halves by two threads; the passes that shrink the text
// in place must give the text of the same pass over pieces small enough for one thread.
class TwoHalves : public test::LargeText {};

TEST_F(TwoHalves, ReplacementsAndPercentRemovalMatchSmallPieces) {
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
TEST_F(TwoHalves, TheSecondHalfMovesDownByAnyGap) {
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

}  // namespace
}  // namespace tarvelin::core
