// The join's text passes against the plain models of fuzz/reference.h.
//
// Input: a flags byte, then the text and up to three search/replacement pairs, separated by 0xFF. Flags:
// bit 0 removes "%" before the pairs in applyEdits; bits 2-7 give the piece size for the streaming
// line-break normalizer. The texts stay small; edit_blocks_fuzz covers texts longer than the blocks that
// applyEdits edits one at a time.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/apply_edits.h"
#include "core/cut_at_nul.h"
#include "core/line_break_normalizer.h"
#include "core/normalize_line_breaks.h"
#include "core/percent_marks.h"
#include "core/read_line_pieces.h"
#include "core/remove_percent.h"
#include "core/replace_ignoring_case.h"

#include "fuzz/reference.h"

using namespace tarvelin;
using fuzz::check;

namespace {

void checkLineBreaks(const std::string& text, size_t pieceSize) {
    const std::string expected = fuzz::refNormalize(text);
    std::string normalized = text;
    core::normalizeLineBreaks(normalized);
    check(normalized == expected, "normalizeLineBreaks");

    core::LineBreakNormalizer streaming;
    std::string streamed;
    for (size_t at = 0; at < text.size(); at += pieceSize) {
        streamed += streaming.feed(std::string_view(text).substr(at, pieceSize));
    }
    streamed += streaming.finish();
    check(streamed == expected, "LineBreakNormalizer");

    const std::string cut = fuzz::refCutAtNul(text);
    std::string cutText = text;
    core::cutAtNul(cutText);
    check(cutText == cut, "cutAtNul");

    check(core::readLinePieces(text) == fuzz::refReadLinePieces(text), "readLinePieces");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Fields input(data, size);
    std::string text = input.field(0);
    const bool removeFirst = (input.flags & 1) != 0;
    const std::vector<fuzz::RefPair> refPairs = fuzz::boundedPairs(input);
    std::vector<core::ReplacementPair> pairs;
    for (const auto& pair : refPairs) {
        pairs.push_back({pair.search, pair.replacement});
    }

    checkLineBreaks(text, 1 + (input.flags >> 2));

    std::string withoutPercent = text;
    core::removePercent(withoutPercent);
    check(withoutPercent == fuzz::refRemovePercent(text), "removePercent");

    for (const auto& pair : refPairs) {
        size_t expectedCount = 0;
        const std::string expected = fuzz::refReplace(text, pair.search, pair.replacement, &expectedCount);
        std::string replaced = text;
        const size_t count = core::replaceIgnoringCase(replaced, pair.search, pair.replacement);
        check(replaced == expected, "replaceIgnoringCase text");
        check(count == expectedCount, "replaceIgnoringCase count");
    }

    std::string edited = text;
    core::applyEdits(edited, removeFirst, pairs);
    check(edited == fuzz::refEdits(text, removeFirst, refPairs), "applyEdits");

    check(core::backMarkFor(edited) == fuzz::refBackMark(edited), "backMarkFor");
    return 0;
}
