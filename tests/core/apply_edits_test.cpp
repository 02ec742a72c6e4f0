#include "core/apply_edits.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/remove_percent.h"
#include "core/replace_ignoring_case.h"
#include "platform/codepage.h"

#include "support/large_text.h"

namespace tarvelin::core {
namespace {

using platform::utf8ToCp932;

// The same text as the edits one at a time, whatever mix of shrinking, equal and growing replacements.
std::string oneAtATime(std::string text, bool percent, const std::vector<ReplacementPair>& pairs) {
    if (percent) {
        removePercent(text);
    }
    for (const ReplacementPair& pair : pairs) {
        replaceIgnoringCase(text, pair.search, pair.replacement);
    }
    return text;
}

const std::vector<std::vector<ReplacementPair>>& editSeries() {
    static const std::vector<std::vector<ReplacementPair>> series = {
        {},
        {{"G01", "G1"}, {"M08", "M8"}, {"F1200.", "F1000."}},
        // A later pair finds what an earlier one made; an empty search does nothing.
        {{"G01", "G0"}, {"", "X"}, {"G0 ", ""}},
        // A growing pair between shrinking ones, and one that matches nothing.
        {{"M08", ""}, {"G1", "G001"}, {"G00", "G"}, {"QQQ", "Q"}},
        // A search longer than some lines.
        {{"N10 G01 X1.5 G01 Y2.", "N"}},
    };
    return series;
}

TEST(ApplyEdits, GivesTheTextOfTheEditsOneAtATime) {
    const std::vector<std::string> texts = {
        "", "%", "G01", "%G%01\r\n", "N1 G01 M08\r\nN2 g01 F1200.\r\n%\r\n", utf8ToCp932("(ソ表G01)\r\nG01ア"),
    };
    for (const std::string& text : texts) {
        for (const bool percent : {false, true}) {
            for (const auto& pairs : editSeries()) {
                std::string edited = text;
                applyEdits(edited, percent, pairs);
                EXPECT_EQ(edited, oneAtATime(text, percent, pairs)) << platform::cp932ToUtf8(text);
            }
        }
    }
}

// Texts of more than 16 MB are edited in two halves by two threads.
class LargeEditSeries : public test::LargeText {};

TEST_F(LargeEditSeries, EditSeriesGiveTheTextOfTheEditsOneAtATime) {
    for (const auto& pairs : editSeries()) {
        std::string edited = text;
        applyEdits(edited, true, pairs);
        ASSERT_TRUE(edited == oneAtATime(text, true, pairs)) << pairs.size();
    }
}

}  // namespace
}  // namespace tarvelin::core
