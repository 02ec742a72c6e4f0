#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/line_span.h"

namespace tarvelin::core {

// The lines of a large text without a table of all of them: their number and where every 64th begins,
// found in one pass at memory speed, so that a view of hundreds of megabytes opens at once. Any line is
// then found by reading on from the nearest noted line. A line ends at CR LF, a lone CR or a lone LF; a
// text that ends with a line break has an empty last line after it (an empty text is one empty line).
class LineIndex {
    struct Segment;

public:
    // Builds the index of a text while it grows at its end (the join's output as it is written, its bytes
    // still in the cache), so that the whole text needs no pass of its own once it is complete.
    class Builder {
    public:
        // Takes in the lines that `text` has gained since the last call (only whole lines: the rest waits).
        // `text` may have moved meanwhile; its bytes so far must be the same.
        void add(std::string_view text);

    private:
        friend class LineIndex;
        size_t scanned_ = 0;
        std::vector<Segment> segments_;
    };

    LineIndex() = default;
    explicit LineIndex(std::string_view text);
    // The index of the complete text that `builder` has seen grow.
    LineIndex(std::string_view text, Builder builder);

    size_t lineCount() const { return count_; }
    // The line's first byte and length, its line break not included.
    LineSpan line(size_t index) const;

    static constexpr size_t kStep = 64;

private:
    // Lines [firstLine, firstLine + count) start in [begin, end) of the text; starts_[k] is the offset of
    // line firstLine + k * kStep.
    struct Segment {
        size_t firstLine = 0;
        size_t count = 0;
        std::vector<size_t> starts;
    };

    static Segment scan(std::string_view text, size_t begin, size_t end);
    // Numbers the segments' lines and counts them all.
    void numberLines();
    // The start of the line after the one that starts at `offset`, and that line's length.
    size_t lineEnd(size_t offset, size_t& length) const;

    std::string_view text_;
    size_t count_ = 1;
    std::vector<Segment> segments_;
    // The last line found, to go on from when lines are asked for in order, and to give again at once when
    // it is asked for again (a line can be hundreds of megabytes long).
    static constexpr size_t kUnknown = ~size_t{0};
    mutable size_t cachedLine_ = 0;
    mutable size_t cachedOffset_ = 0;
    mutable size_t cachedLength_ = kUnknown;
};

}  // namespace tarvelin::core
