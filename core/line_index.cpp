#include "core/line_index.h"

#include <algorithm>
#include <cstring>

#include "core/byte_scan.h"
#include "core/two_thread_split.h"
#include "core/two_threads.h"

namespace tarvelin::core {
namespace {

constexpr size_t kMaxWindow = size_t{1} << 20;

}  // namespace

LineIndex::Segment LineIndex::scan(std::string_view text, size_t begin, size_t end) {
    // Counts the ends of lines (every LF, and every CR that no LF follows); each noted line starts right
    // after the end of the line before it.
    Segment segment;
    segment.starts.push_back(begin);
    const char* p = text.data();
    size_t lines = 0;  // lines ended so far
    const auto ended = [&](size_t at) {
        if (++lines % kStep == 0) {
            segment.starts.push_back(at + 1);
        }
    };
    size_t i = begin;
    for (; i + 64 <= end; i += 64) {
        const uint64_t lfs = maskOf64(p + i, '\n');
        const uint64_t crs = maskOf64(p + i, '\r');
        if ((lfs | crs) == 0) {
            continue;
        }
        const uint64_t lfAfter = (lfs >> 1) | (i + 64 < end && p[i + 64] == '\n' ? uint64_t{1} << 63 : 0);
        uint64_t ends = lfs | (crs & ~lfAfter);
        const auto found = popcount64(ends);
        if ((lines % kStep) + found < kStep) {
            lines += found;  // no noted line starts in this block
            continue;
        }
        while (ends != 0) {
            ended(i + lowestBit(ends));
            ends &= ends - 1;
        }
    }
    for (; i < end; ++i) {
        if (p[i] == '\n' || (p[i] == '\r' && !(i + 1 < end && p[i + 1] == '\n'))) {
            ended(i);
        }
    }
    segment.count = lines;
    return segment;
}

LineIndex::LineIndex(std::string_view text) : text_(text) {
    // A large text is scanned in two halves at once, split after a line feed.
    const size_t split = twoThreadSplit(text);
    if (split < text.size()) {
        Segment first;
        Segment second;
        bothAtOnce([&] { first = scan(text, 0, split); }, [&] { second = scan(text, split, text.size()); });
        segments_.push_back(std::move(first));
        segments_.push_back(std::move(second));
    } else {
        segments_.push_back(scan(text, 0, text.size()));
    }
    numberLines();
}

void LineIndex::Builder::add(std::string_view text) {
    if (text.size() <= scanned_) {
        return;
    }
    // Up to the last line feed: a segment ends with a whole line break (a CR at the end may yet be the
    // first half of a CR LF).
    const char* lastLf = findLastByte(text.data() + scanned_, '\n', text.size() - scanned_);
    if (lastLf == nullptr) {
        return;
    }
    const auto end = static_cast<size_t>(lastLf - text.data()) + 1;
    segments_.push_back(scan(text, scanned_, end));
    scanned_ = end;
}

LineIndex::LineIndex(std::string_view text, Builder builder) : text_(text), segments_(std::move(builder.segments_)) {
    if (builder.scanned_ < text.size() || segments_.empty()) {
        segments_.push_back(scan(text, std::min(builder.scanned_, text.size()), text.size()));
    }
    numberLines();
}

void LineIndex::numberLines() {
    // Each segment but the last ends with a line break, so its lines are whole; the last segment's final
    // line (after its last break, possibly empty) is one more.
    size_t first = 0;
    for (auto& segment : segments_) {
        segment.firstLine = first;
        first += segment.count;
    }
    count_ = first + 1;
}

size_t LineIndex::lineEnd(size_t offset, size_t& length) const {
    // Looks for the first LF and then for a CR before it, in windows that grow as the line goes on: short
    // lines cost little, a line of hundreds of megabytes is read at memory speed, and a text broken by lone
    // CRs is not searched to its end for an LF at every line.
    const char* p = text_.data();
    size_t window = 256;
    for (size_t at = std::min(offset, text_.size()); at < text_.size();
         at += window, window = std::min(window * 2, kMaxWindow)) {
        const size_t size = std::min(window, text_.size() - at);
        const auto* lf = static_cast<const char*>(std::memchr(p + at, '\n', size));
        const size_t beforeLf = lf == nullptr ? size : static_cast<size_t>(lf - (p + at));
        const auto* cr = static_cast<const char*>(std::memchr(p + at, '\r', beforeLf));
        if (cr != nullptr || lf != nullptr) {
            const size_t breakAt = at + (cr != nullptr ? static_cast<size_t>(cr - (p + at)) : beforeLf);
            length = breakAt - offset;
            return breakAt + (text_.compare(breakAt, 2, "\r\n") == 0 ? 2 : 1);
        }
    }
    length = text_.size() - std::min(offset, text_.size());
    return text_.size() + 1;
}

LineSpan LineIndex::line(size_t index) const {
    index = std::min(index, count_ - 1);
    if (index == cachedLine_ && cachedLength_ != kUnknown) {
        return {cachedOffset_, cachedLength_};
    }
    size_t line = 0;
    size_t offset = 0;
    if (cachedLine_ <= index && index - cachedLine_ < kStep) {
        line = cachedLine_;
        offset = cachedOffset_;
    } else {
        // The last segment that starts at or before the line (a built index has one for every part written).
        const auto after = std::upper_bound(segments_.begin(), segments_.end(), index,
                                            [](size_t wanted, const Segment& s) { return wanted < s.firstLine; });
        const Segment* segment = after == segments_.begin() ? &segments_.front() : &*(after - 1);
        const size_t k = std::min((index - segment->firstLine) / kStep, segment->starts.size() - 1);
        line = segment->firstLine + k * kStep;
        offset = segment->starts[k];
    }
    size_t length = 0;
    size_t next = lineEnd(offset, length);
    while (line < index) {
        offset = next;
        next = lineEnd(offset, length);
        ++line;
    }
    cachedLine_ = line;
    cachedOffset_ = offset;
    cachedLength_ = std::min(length, text_.size() - std::min(offset, text_.size()));
    return {cachedOffset_, cachedLength_};
}

}  // namespace tarvelin::core
