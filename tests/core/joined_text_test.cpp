#include "core/joined_text.h"

#include <random>

#include <gtest/gtest.h>

#include "core/normalize_line_breaks.h"
#include "core/remove_percent.h"
#include "core/replace_ignoring_case.h"

namespace tarvelin::core {
namespace {

// The joined text built piece by piece, with the edits made as lines complete, must be the text that the
// stages give one after the other: each file's breaks made CR LF, the files put together, then the "%"
// removal and each pair over the whole.
std::string stagesOneAfterTheOther(const std::vector<std::string>& files, const std::vector<ReplacementPair>& pairs) {
    std::string text;
    for (std::string file : files) {
        normalizeLineBreaks(file);
        text += file;
    }
    removePercent(text);
    for (const auto& pair : pairs) {
        replaceIgnoringCase(text, pair.search, pair.replacement);
    }
    return text;
}

TEST(JoinedText, GivesWhatTheStagesGiveOneAfterTheOther) {
    std::mt19937 random(11);
    // Short lines with every kind of break, "%", double-byte characters and the pairs' letters, in files
    // that end anywhere (inside a CR LF pair too) and arrive in pieces of any size.
    const std::string alphabet = "GgMm01%% \r\n\r\n\r\n\x82\xa0\x83\x67XY";
    const std::vector<std::vector<ReplacementPair>> pairSets = {
        {},
        {{"G01", "G1"}, {"m", ""}},
        {{"G0", "G100"}, {"G1", "X"}},           // a growing pair, then one that finds what it made
        {{"\x82\xa0", "A"}, {"\xa0\x83", "Z"}},  // a match never starts on a trail byte
        {{"1\r\nG", "<>"}},                      // a pair across a line break: applied to the whole at the end
    };
    for (const auto& pairs : pairSets) {
        std::vector<std::string> files(5);
        for (auto& file : files) {
            file.resize(random() % 400000);
            for (char& c : file) {
                c = alphabet[random() % alphabet.size()];
            }
        }
        std::string text;
        JoinedText joined(text, true, pairs);
        joined.appendUnedited("%G1m\r\n");
        joined.appendUnedited("x%");
        for (const auto& file : files) {
            for (size_t at = 0; at < file.size();) {
                const size_t piece = 1 + random() % 90000;
                joined.append(std::string_view(file).substr(at, piece));
                at += piece;
            }
            joined.endFile();
        }
        joined.finish();
        ASSERT_EQ(text, "%G1m\r\nx%" + stagesOneAfterTheOther(files, pairs)) << "pairs: " << pairs.size();
    }
}

}  // namespace
}  // namespace tarvelin::core
