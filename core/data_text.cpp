#include "core/data_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "core/byte_scan.h"
#include "core/pass_sizes.h"
#include "core/two_threads.h"
#include "platform/mbcs.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvelin::core {
namespace {

constexpr size_t kPieceLimit = 499;

// Index of the first byte in [from, size) that is a NUL (when `stopAtNul`) or a line break that is not part
// of a CR LF pair, or size. What stands before `from` is not looked at.
size_t findIrregularBreak(std::string_view text, size_t from, bool stopAtNul = false) {
    const char* p = text.data();
    const size_t n = text.size();
    size_t i = from;
    // In a text of CR LF pairs only, the LF positions are the CR positions moved on by one. The text is
    // looked at 64 bytes at a time.
    uint64_t carry = 0;  // a CR in the last byte of the block before
    while (i + 64 <= n) {
        const uint64_t crs = maskOf64(p + i, '\r');
        const uint64_t lfs = maskOf64(p + i, '\n');
        const uint64_t nuls = stopAtNul ? maskOf64(p + i, '\0') : 0;
        const uint64_t mismatch = lfs ^ ((crs << 1) | carry);
        if ((mismatch | nuls) != 0) {
            // A lone LF at k, or a lone CR before it; or a NUL, whichever comes first.
            const size_t k = lowestBit(mismatch | nuls);
            if (((mismatch >> k) & 1U) != 0) {
                return ((lfs >> k) & 1U) != 0 ? i + k : i + k - 1;
            }
            return i + k;
        }
        carry = crs >> 63;
        i += 64;
    }
    if (carry != 0 && (i == n || p[i] != '\n')) {
        return i - 1;
    }
    for (; i < n; ++i) {
        if ((p[i] == '\n' && (i == from || p[i - 1] != '\r')) || (stopAtNul && p[i] == '\0')) {
            return i;
        }
        if (p[i] == '\r' && (i + 1 == n || p[i + 1] != '\n')) {
            return i;
        }
    }
    return n;
}

constexpr std::array<unsigned char, 256> kUpper = [] {
    std::array<unsigned char, 256> table{};
    for (size_t b = 0; b < table.size(); ++b) {
        table[b] = static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - ('a' - 'A') : b);
    }
    return table;
}();

// Copies `n` bytes, sizeof(Word) <= n <= 2 * sizeof(Word), as two words that may overlap: both loaded
// before either is stored, so that the copy may move bytes down inside one buffer.
template <typename Word>
[[gnu::always_inline]] inline void copyHeadAndTail(char* dst, const char* src, size_t n) {
    Word head;
    Word tail;
    std::memcpy(&head, src, sizeof(Word));
    std::memcpy(&tail, src + n - sizeof(Word), sizeof(Word));
    std::memcpy(dst, &head, sizeof(Word));
    std::memcpy(dst + n - sizeof(Word), &tail, sizeof(Word));
}

// Copies `n` bytes to a lower address inside the same buffer (dst < src) or to another buffer. Small
// copies, the usual gap between two matches, are done with loads that all come before the stores.
[[gnu::always_inline]] inline void copyDown(char* dst, const char* src, size_t n) {
#if defined(__SSE2__)
    if (n >= 16 && n <= 64) {
        const auto load = [](const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
        const auto store = [](char* at, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v); };
        if (n <= 32) {
            const __m128i a = load(src);
            const __m128i b = load(src + n - 16);
            store(dst, a);
            store(dst + n - 16, b);
        } else {
            const __m128i a = load(src);
            const __m128i b = load(src + 16);
            const __m128i c = load(src + n - 32);
            const __m128i d = load(src + n - 16);
            store(dst, a);
            store(dst + 16, b);
            store(dst + n - 32, c);
            store(dst + n - 16, d);
        }
        return;
    }
#endif
    if (n >= 8 && n < 16) {
        copyHeadAndTail<uint64_t>(dst, src, n);
        return;
    }
    if (n >= 4 && n < 8) {
        copyHeadAndTail<uint32_t>(dst, src, n);
        return;
    }
    if (n >= 2 && n < 4) {
        copyHeadAndTail<uint16_t>(dst, src, n);
        return;
    }
    if (n == 1) {
        *dst = *src;
        return;
    }
    if (n > 0) {
        std::memmove(dst, src, n);
    }
}

// A search string prepared for matching: upper-cased, with the positions where case is ignored (the
// single-byte characters) marked. Candidates are found sixteen positions at a time by their first and last
// bytes (both cases of a letter) before the rest is compared.
class Pattern {
public:
    explicit Pattern(std::string_view search) : bytes_(platform::upper(search)), folds_(bytes_.size(), 0) {
        size_t i = 0;
        while (i < bytes_.size()) {
            const size_t length = platform::charLengthAt(bytes_, i);
            folds_[i] = length == 1 ? 1 : 0;
            endsWithLoneLead_ = length == 1 && platform::isLeadByte(static_cast<unsigned char>(bytes_[i]));
            i += length;
        }
        first_ = variants(0);
        last_ = variants(bytes_.size() - 1);
#if defined(__SSE2__)
        if (bytes_.size() <= 16) {
            // Sixteen bytes compared at once: at a letter position both sides get the 0x20 bit, which
            // folds exactly the two cases of that letter together; other positions compare as they are.
            alignas(16) char pattern[16] = {};
            alignas(16) char caseBits[16] = {};
            for (size_t i = 0; i < bytes_.size(); ++i) {
                const auto b = static_cast<unsigned char>(bytes_[i]);
                caseBits[i] = folds_[i] != 0 && b >= 'A' && b <= 'Z' ? 0x20 : 0;
                pattern[i] = static_cast<char>(b | static_cast<unsigned char>(caseBits[i]));
            }
            simdPattern_ = _mm_load_si128(reinterpret_cast<const __m128i*>(pattern));
            simdCaseBits_ = _mm_load_si128(reinterpret_cast<const __m128i*>(caseBits));
            simdLengthMask_ = (1U << bytes_.size()) - 1;
            simdCompare_ = true;
        }
#endif
    }

    size_t size() const {
        return bytes_.size();
    }

    // Calls onMatches(positions, n) with the positions of the matches in `text`, from left to right,
    // without overlapping, a few at a time (those that start within the same 64 bytes). The callback may
    // rewrite the text below the end of the last match it was given: the scan reads no byte there again.
    // Returns the number of matches.
    template <typename OnMatches>
    size_t forEachMatch(std::string_view text, OnMatches&& onMatches) const {
        const size_t m = bytes_.size();
        if (m > text.size()) {
            return 0;
        }
        const size_t lastStart = text.size() - m;
        const char* p = text.data();
        size_t knownStart = 0;  // a position known to start a character
        size_t next = 0;        // where the next match may start: the end of the last one
        size_t count = 0;
        size_t batch[64];
        size_t i = 0;
        // 64 positions at a time: the candidates are where both the first and the last byte fit, found for
        // a few thousand positions in one go. The matches among 64 are handed on together, so that the
        // callback keeps its state in registers. (The callback rewrites only bytes below the end of its last
        // match, so the candidates found ahead stay right.)
        const CandidateBytes bytes{first_.first, first_.second, last_.first, last_.second, m - 1};
        const CandidateScan scanCandidates = fastestCandidateScan();
        constexpr size_t kBlocksAtOnce = 64;
        uint64_t masks[kBlocksAtOnce];
        while (i + 63 <= lastStart) {
            const size_t blocks = std::min(kBlocksAtOnce, (lastStart - i + 1) / 64);
            scanCandidates(p + i, blocks, bytes, masks);
            for (size_t k = 0; k < blocks; ++k, i += 64) {
                uint64_t candidates = masks[k];
                size_t found = 0;
                while (candidates != 0) {
                    const size_t at = i + lowestBit(candidates);
                    candidates &= candidates - 1;
                    if (at >= next && accept(text, at, knownStart)) {
                        batch[found++] = at;
                        next = at + m;
                    }
                }
                if (found > 0) {
                    onMatches(batch, found);
                    count += found;
                }
            }
        }
        for (i = std::max(i, next); i <= lastStart; ++i) {
            const char b = p[i];
            if ((b == first_.first || b == first_.second) && accept(text, i, knownStart)) {
                batch[0] = i;
                onMatches(batch, 1);
                ++count;
                next = i + m;
                i = next - 1;
            }
        }
        return count;
    }

private:
    // The two bytes that match at position i: both cases of a single-byte letter, else the byte twice.
    std::pair<char, char> variants(size_t i) const {
        const auto b = static_cast<unsigned char>(bytes_[i]);
        const bool letter = folds_[i] != 0 && b >= 'A' && b <= 'Z';
        return {bytes_[i], letter ? static_cast<char>(b + ('a' - 'A')) : bytes_[i]};
    }

    // Whether a candidate at `at` is a match; keeps knownStart.
    [[gnu::always_inline]] bool accept(std::string_view text, size_t at, size_t& knownStart) const {
        if (!platform::isCharStartFast(text, at, knownStart)) {
            knownStart = at + 1;
            return false;
        }
        knownStart = at;
        if (!matchesAt(text, at)) {
            return false;
        }
        knownStart = at + bytes_.size();
        return true;
    }

    [[gnu::always_inline]] bool matchesAt(std::string_view text, size_t p) const {
        const size_t m = bytes_.size();
#if defined(__SSE2__)
        if (simdCompare_ && p + 16 <= text.size()) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + p));
            const __m128i folded = _mm_or_si128(block, simdCaseBits_);
            const auto equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(folded, simdPattern_)));
            if ((equal & simdLengthMask_) != simdLengthMask_) {
                return false;
            }
        } else
#endif
        {
            const auto* t = reinterpret_cast<const unsigned char*>(text.data() + p);
            const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data());
            for (size_t i = 0; i < m; ++i) {
                if ((folds_[i] != 0 ? kUpper[t[i]] : t[i]) != b[i]) {
                    return false;
                }
            }
        }
        // A search string that ends with a lone lead byte must not take the first byte of a character.
        const size_t end = p + m;
        return !endsWithLoneLead_ || end == text.size() ||
               !platform::isTrailByte(static_cast<unsigned char>(text[end]));
    }

    std::string bytes_;
    std::string folds_;  // 1 where case is ignored
    bool endsWithLoneLead_ = false;
    std::pair<char, char> first_;
    std::pair<char, char> last_;
#if defined(__SSE2__)
    bool simdCompare_ = false;
    __m128i simdPattern_{};
    __m128i simdCaseBits_{};
    unsigned simdLengthMask_ = 0;
#endif
};

// What an in-place pass over a stretch of text did: how many changes, and the stretch's new size.
struct Compacted {
    size_t count = 0;
    size_t size = 0;
};

// Replaces in place where the replacement is not longer than the search string: the write position never
// passes the read position.
Compacted replaceShrinking(char* data, size_t size, const Pattern& pattern, std::string_view replacement) {
    size_t read = 0;
    size_t write = 0;
    const size_t m = pattern.size();
    const size_t count = pattern.forEachMatch(std::string_view(data, size), [&](const size_t* at, size_t n) {
        // Local copies: stores through `data` could otherwise be taken to change them.
        size_t r = read;
        size_t w = write;
        for (size_t k = 0; k < n; ++k) {
            if (w != r) {  // nothing moves until a replacement came out shorter
                copyDown(data + w, data + r, at[k] - r);
            }
            w += at[k] - r;
            copyDown(data + w, replacement.data(), replacement.size());
            w += replacement.size();
            r = at[k] + m;
        }
        read = r;
        write = w;
    });
    if (write != read) {
        std::memmove(data + write, data + read, size - read);
    }
    return {count, write + size - read};
}

// Removes every "%" from `size` bytes at `src` and puts what is left at `dst` (dst <= src, or the same
// place): the block's move and the removal in one go. The new size.
size_t removePercentMoving(char* dst, const char* src, size_t size) {
    size_t read = 0;
    size_t write = 0;
    while (read < size) {
        const void* hit = std::memchr(src + read, '%', size - read);
        const size_t next = hit != nullptr ? static_cast<size_t>(static_cast<const char*>(hit) - src) : size;
        if (dst + write != src + read) {
            std::memmove(dst + write, src + read, next - read);
        }
        write += next - read;
        read = next + 1;
    }
    return write;
}

// Removes every "%" from a stretch of text, in place (how many is not counted).
Compacted removePercentIn(char* data, size_t size) {
    return {0, removePercentMoving(data, data, size)};
}

// Where a large text is split between two threads: just after a line feed near its middle. No match spans
// a line break (search strings hold none), a CR LF pair is never cut, and a character always starts after
// a line feed. The text's size when it is small or has no line feed in its second half.
size_t splitPoint(std::string_view text) {
    if (text.size() < passSizes().twoThreadsFrom) {
        return text.size();
    }
    const size_t middle = text.size() / 2;
    const void* lineFeed = std::memchr(text.data() + middle, '\n', text.size() - middle);
    return lineFeed != nullptr ? static_cast<size_t>(static_cast<const char*>(lineFeed) - text.data()) + 1
                               : text.size();
}

// Moves `n` bytes down inside one buffer (dst < src), a large move in two pieces at once. Where the second
// piece's new place covers bytes that the first piece has yet to move, those bytes are kept aside first
// and put in place last; when that would be a large share of the move, it is done in one piece.
void moveDown(char* dst, char* src, size_t n) {
    const size_t half = n / 2;
    char* const lo = std::max(dst + half, src);
    char* const hi = std::min(dst + n, src + half);
    const size_t covered = lo < hi ? static_cast<size_t>(hi - lo) : 0;
    if (n < passSizes().twoThreadsFrom / 4 || covered > n / 8) {
        std::memmove(dst, src, n);
        return;
    }
    const std::string kept(lo, covered);
    bothAtOnce(
        [&] {
            if (covered == 0) {
                std::memmove(dst, src, half);
                return;
            }
            std::memmove(dst, src, static_cast<size_t>(lo - src));
            std::memmove(dst + (hi - src), hi, static_cast<size_t>(src + half - hi));
        },
        [&] { std::memmove(dst + half, src + half, n - half); });
    std::memcpy(dst + (lo - src), kept.data(), covered);
}

// Runs an in-place pass over the text, in two halves at once when the text is large; the second half's
// result then moves down to follow the first's.
template <typename Pass>
size_t compactInPlace(EditableText& text, Pass pass) {
    char* data = text.data();
    const size_t size = text.size();
    const size_t split = splitPoint(text.view());
    Compacted first;
    Compacted second;
    if (split < size) {
        bothAtOnce([&] { first = pass(data, split); }, [&] { second = pass(data + split, size - split); });
        if (first.size != split) {
            moveDown(data + first.size, data + split, second.size);
        }
    } else {
        first = pass(data, size);
    }
    if (first.size + second.size != size) {
        text.resize(first.size + second.size);
    }
    return first.count + second.count;
}

// Replaces in place where the replacement is longer: the matches are counted, the text is moved to the end
// of the grown buffer, and the result is written from the front, where the write position stays behind
// the read position.
size_t replaceGrowing(EditableText& text, const Pattern& pattern, std::string_view replacement) {
    const size_t count = pattern.forEachMatch(text.view(), [](const size_t*, size_t) {});
    if (count == 0) {
        return 0;
    }
    const size_t oldSize = text.size();
    const size_t offset = count * (replacement.size() - pattern.size());
    text.resize(oldSize + offset);
    char* data = text.data();
    std::memmove(data + offset, data, oldSize);
    const char* source = data + offset;
    size_t read = 0;
    size_t write = 0;
    pattern.forEachMatch(std::string_view(source, oldSize), [&](const size_t* at, size_t n) {
        size_t r = read;
        size_t w = write;
        for (size_t k = 0; k < n; ++k) {
            copyDown(data + w, source + r, at[k] - r);
            w += at[k] - r;
            std::memcpy(data + w, replacement.data(), replacement.size());
            w += replacement.size();
            r = at[k] + pattern.size();
        }
        read = r;
        write = w;
    });
    std::memmove(data + write, source + read, oldSize - read);
    return count;
}

void appendNormalized(std::string_view text, std::string& out) {
    size_t from = 0;
    while (from < text.size()) {
        const size_t at = findIrregularBreak(text, from);
        out.append(text.substr(from, at - from));
        if (at == text.size()) {
            break;
        }
        out.append("\r\n");
        from = at + 1;
    }
}

}  // namespace

void StringText::resize(size_t size) {
    text_.reserve(size);
    text_.resize(size);
}

size_t findIrregularBreak(std::string_view text) {
    return findIrregularBreak(text, 0);
}

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
    const size_t split = splitPoint(text);
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

void cutAtNul(EditableText& text) {
    if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
        text.resize(static_cast<size_t>(static_cast<const char*>(nul) - text.data()));
    }
}

void normalizeLineBreaks(EditableText& text) {
    const std::string_view view = text.view();
    size_t lone = 0;
    for (size_t at = findIrregularBreak(view, 0); at < view.size(); at = findIrregularBreak(view, at + 1)) {
        ++lone;
    }
    if (lone == 0) {
        return;
    }
    // Each lone CR or LF grows by one byte: the text is widened from its end, where every byte moves up
    // by the number of lone breaks still before it.
    const size_t oldSize = text.size();
    text.resize(oldSize + lone);
    char* data = text.data();
    const auto lastBefore = [data](char c, size_t limit) -> ptrdiff_t {
        const char* hit = findLastByte(data, c, limit);
        return hit != nullptr ? hit - data : -1;
    };
    size_t read = oldSize;
    size_t write = oldSize + lone;
    ptrdiff_t cr = lastBefore('\r', read);
    ptrdiff_t lf = lastBefore('\n', read);
    while (read > 0) {
        const ptrdiff_t brk = std::max(cr, lf);  // the last byte of the last line break, or -1
        const auto lineStart = static_cast<size_t>(brk + 1);
        write -= read - lineStart;
        std::memmove(data + write, data + lineStart, read - lineStart);
        if (brk < 0) {
            break;
        }
        const bool pair = data[brk] == '\n' && brk >= 1 && data[brk - 1] == '\r';
        read = static_cast<size_t>(pair ? brk - 1 : brk);
        write -= 2;
        data[write] = '\r';
        data[write + 1] = '\n';
        if (cr >= static_cast<ptrdiff_t>(read)) {
            cr = lastBefore('\r', read);
        }
        if (lf >= static_cast<ptrdiff_t>(read)) {
            lf = lastBefore('\n', read);
        }
    }
}

std::string_view LineBreakNormalizer::feed(std::string_view piece) {
    if (piece.empty()) {
        return {};
    }
    const bool heldCr = std::exchange(pendingCr_, false);
    if (!piece.empty() && piece.back() == '\r') {
        pendingCr_ = true;
        piece.remove_suffix(1);
    }
    if (!heldCr && findIrregularBreak(piece, 0) == piece.size()) {
        return piece;
    }
    out_.clear();
    if (heldCr) {
        out_.append("\r\n");
        if (!piece.empty() && piece.front() == '\n') {
            piece.remove_prefix(1);
        }
    }
    appendNormalized(piece, out_);
    return out_;
}

std::string_view LineBreakNormalizer::finish() {
    return std::exchange(pendingCr_, false) ? std::string_view("\r\n") : std::string_view();
}

void removePercent(EditableText& text) {
    compactInPlace(text, removePercentIn);
}

size_t replaceIgnoringCase(EditableText& text, std::string_view search, std::string_view replacement) {
    if (search.empty() || text.size() < search.size()) {
        return 0;
    }
    const Pattern pattern(search);
    if (replacement.size() > search.size()) {
        return replaceGrowing(text, pattern, replacement);
    }
    if (search.find_first_of("\r\n") != std::string_view::npos) {
        // A match could span the line break where two halves meet: one pass.
        const Compacted result = replaceShrinking(text.data(), text.size(), pattern, replacement);
        text.resize(result.size);
        return result.count;
    }
    return compactInPlace(text,
                          [&](char* data, size_t size) { return replaceShrinking(data, size, pattern, replacement); });
}

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
    std::deque<Pattern> patterns;  // stays where it is while more are added
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
            const Pattern& pattern = patterns.emplace_back(pair.search);
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

std::string_view backMarkFor(std::string_view textEnd) {
    const bool endsWithBreak = textEnd.size() >= 2 && textEnd.substr(textEnd.size() - 2) == "\r\n";
    return textEnd.empty() || endsWithBreak ? "%\r\n" : "\r\n%";
}

std::string readLinePieces(std::string_view bytes) {
    // Text mode: CR LF reads as one LF.
    std::string translated;
    translated.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        translated += bytes[i];
    }
    std::string lines;
    size_t at = 0;
    while (at < translated.size()) {
        size_t length = std::min(kPieceLimit, translated.size() - at);
        if (const void* lf = std::memchr(translated.data() + at, '\n', length)) {
            length = static_cast<size_t>(static_cast<const char*>(lf) - (translated.data() + at)) + 1;
        }
        std::string_view piece(translated.data() + at, length);
        at += length;
        piece = piece.substr(0, piece.find('\0'));
        if (!piece.empty() && piece.back() == '\n') {
            piece.remove_suffix(1);
        }
        if (!piece.empty()) {
            lines.append(piece);
            lines.append("\r\n");
        }
    }
    normalizeLineBreaks(lines);
    return lines;
}

}  // namespace tarvelin::core
