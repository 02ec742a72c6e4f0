#include "core/split_lines.h"

#include <algorithm>
#include <cstdint>

#include "core/byte_scan.h"
#include "core/two_thread_split.h"
#include "core/two_threads.h"

namespace tarvelin::core {
namespace {

// Appends the lines of `part`, which starts at `base` in the whole text, to `lines`.
void appendLines(std::string_view part, size_t base, std::vector<LineSpan>& lines) {
    const char* p = part.data();
    const size_t n = part.size();
    size_t lineStart = 0;
    const auto endLine = [&](size_t breakAt, size_t breakLength) {
        lines.push_back({base + lineStart, breakAt - lineStart});
        lineStart = breakAt + breakLength;
    };
    size_t i = 0;
    // 64 bytes at a time; most blocks hold one or two CR LF pairs and nothing else of interest.
    for (; i + 64 <= n; i += 64) {
        uint64_t breaks = maskOfEither64(p + i, '\r', '\n');
        while (breaks != 0) {
            const size_t at = i + lowestBit(breaks);
            breaks &= breaks - 1;
            if (at < lineStart) {
                continue;  // the LF of a CR LF pair already taken
            }
            const bool pair = p[at] == '\r' && at + 1 < n && p[at + 1] == '\n';
            endLine(at, pair ? 2 : 1);
        }
    }
    for (i = std::max(i, lineStart); i < n; ++i) {
        if (i < lineStart || (p[i] != '\r' && p[i] != '\n')) {
            continue;
        }
        const bool pair = p[i] == '\r' && i + 1 < n && p[i + 1] == '\n';
        endLine(i, pair ? 2 : 1);
    }
    if (lineStart < n) {
        lines.push_back({base + lineStart, n - lineStart});
    }
}

}  // namespace

std::vector<LineSpan> splitLines(std::string_view text) {
    // A large text is split in two halves at once; the first half ends with a line feed, so no line and
    // no CR LF pair spans the two.
    const size_t split = twoThreadSplit(text);
    std::vector<LineSpan> lines;
    lines.reserve(split / 32);
    if (split == text.size()) {
        appendLines(text, 0, lines);
        return lines;
    }
    std::vector<LineSpan> second;
    second.reserve((text.size() - split) / 32);
    bothAtOnce([&] { appendLines(text.substr(0, split), 0, lines); },
               [&] { appendLines(text.substr(split), split, second); });
    lines.insert(lines.end(), second.begin(), second.end());
    return lines;
}

}  // namespace tarvelin::core
