// applyEdits on texts longer than the blocks it edits one at a time, so that block edges fall inside the
// text, against the plain models of fuzz/reference.h. The blocks are made a few bytes long, so that a short
// text crosses many of their edges. The lines of the same texts, as the line index and splitLines find
// them, split between two threads too.
//
// Input: a flags byte, then a text and up to three search/replacement pairs, separated by 0xFF. The text
// is repeated to past 1 KiB. Flags: bit 0 removes "%" before the pairs; bits 1-6 give the block size less
// one; bit 7 splits the passes between two threads.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/apply_edits.h"
#include "core/line_index.h"
#include "core/pass_sizes.h"
#include "core/split_lines.h"

#include "fuzz/reference.h"

using namespace tarvelin;

namespace {

constexpr size_t kRepeatedSize = size_t{1} << 10;

// The lines of `text` as the line index gives them, and as splitLines does (which has no empty last line
// after a final line break).
void checkLines(const std::string& text) {
    std::vector<std::string> expected = fuzz::refLines(text);
    const core::LineIndex index(text);
    fuzz::check(index.lineCount() == expected.size(), "LineIndex line count");
    for (size_t i = 0; i < expected.size(); ++i) {
        const core::LineSpan span = index.line(i);
        fuzz::check(text.compare(span.offset, span.length, expected[i]) == 0, "LineIndex line");
    }
    if (expected.back().empty()) {
        expected.pop_back();
    }
    const std::vector<core::LineSpan> spans = core::splitLines(text);
    fuzz::check(spans.size() == expected.size(), "splitLines line count");
    for (size_t i = 0; i < spans.size() && i < expected.size(); ++i) {
        fuzz::check(text.compare(spans[i].offset, spans[i].length, expected[i]) == 0, "splitLines line");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Fields input(data, size);
    core::PassSizes sizes;
    sizes.editBlock = 1 + ((input.flags >> 1) & 63);
    sizes.twoThreadsFrom = (input.flags & 128) != 0 ? 256 : kRepeatedSize * 4;
    core::setPassSizes(sizes);
    const std::string once = input.field(0);
    if (once.empty()) {
        return 0;
    }
    std::string text;
    text.reserve(kRepeatedSize + once.size());
    while (text.size() < kRepeatedSize) {
        text += once;
    }
    const std::vector<fuzz::RefPair> refPairs = fuzz::boundedPairs(input);
    std::vector<core::ReplacementPair> pairs;
    for (const auto& pair : refPairs) {
        pairs.push_back({pair.search, pair.replacement});
    }
    checkLines(text);
    const bool removeFirst = (input.flags & 1) != 0;
    std::string edited = text;
    core::applyEdits(edited, removeFirst, pairs);
    fuzz::check(edited == fuzz::refEdits(text, removeFirst, refPairs), "applyEdits on blocks");
    return 0;
}
