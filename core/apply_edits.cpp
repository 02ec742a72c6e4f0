#include "core/apply_edits.h"

#include <cstring>
#include <deque>
#include <functional>

#include "core/compact_in_place.h"
#include "core/pass_sizes.h"
#include "core/remove_percent.h"
#include "core/replace_ignoring_case.h"
#include "core/search_pattern.h"

namespace tarvelin::core {
namespace {

// One edit of a block of whole lines that puts the edited block at `dst` (dst <= src, or the same place):
// the block's new size.
using BlockEdit = std::function<size_t(char* dst, char* src, size_t size)>;

// An edit done in place, after the block has moved.
template <typename InPlace>
BlockEdit movingFirst(InPlace edit) {
    return [edit](char* dst, char* src, size_t size) {
        if (dst != src) {
            std::memmove(dst, src, size);
        }
        return edit(dst, size);
    };
}

// Runs `edits` over the text block by block: the first edit moves each block of whole lines down behind
// the blocks done as it edits it, and the others edit it there. Right only for edits that never make a
// block longer and never see past a line break.
Compacted editByBlocks(char* data, size_t size, const std::vector<BlockEdit>& edits) {
    // Blocks of about this size go through every edit of a series while they are in the cache.
    const size_t blockSize = passSizes().editBlock;
    size_t read = 0;
    size_t write = 0;
    while (read < size) {
        size_t end = size;
        if (size - read > blockSize) {
            const void* lineFeed = std::memchr(data + read + blockSize, '\n', size - read - blockSize);
            end = lineFeed != nullptr ? static_cast<size_t>(static_cast<const char*>(lineFeed) - data) + 1 : size;
        }
        char* const block = data + write;
        size_t length = edits.front()(block, data + read, end - read);
        for (size_t k = 1; k < edits.size(); ++k) {
            length = edits[k](block, block, length);
        }
        write += length;
        read = end;
    }
    return {0, write};
}

}  // namespace

void applyEdits(EditableText& text, bool removePercentFirst, const std::vector<ReplacementPair>& pairs) {
    std::deque<SearchPattern> patterns;  // stays where it is while more are added
    // Consecutive edits that keep to their lines and never grow the text go over it together; any other
    // edit runs on its own, on the whole text.
    std::vector<BlockEdit> series;
    const auto runSeries = [&] {
        if (!series.empty()) {
            compactInPlace(text, [&](char* data, size_t size) { return editByBlocks(data, size, series); });
            series.clear();
        }
    };
    if (removePercentFirst) {
        series.emplace_back(removePercentMoving);
    }
    for (const ReplacementPair& pair : pairs) {
        if (pair.search.empty()) {
            continue;
        }
        const bool keepsToItsLines = pair.search.find_first_of("\r\n") == std::string_view::npos &&
                                     pair.replacement.find_first_of("\r\n") == std::string_view::npos;
        if (keepsToItsLines && pair.replacement.size() <= pair.search.size()) {
            const SearchPattern& pattern = patterns.emplace_back(pair.search);
            series.push_back(movingFirst([&pattern, replacement = pair.replacement](char* data, size_t size) {
                return size < pattern.size() ? size : replaceShrinking(data, size, pattern, replacement).size;
            }));
            continue;
        }
        runSeries();
        replaceIgnoringCase(text, pair.search, pair.replacement);
    }
    runSeries();
}

}  // namespace tarvelin::core
