#include "core/data_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/mbcs.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvelin::core {
namespace {

constexpr size_t kPieceLimit = 499;

// Index of the first line break in [from, size) that is not part of a CR LF pair, or size. `text[from - 1]`
// is taken into account, so a LF right after a CR at from - 1 is regular.
size_t findIrregularBreak(std::string_view text, size_t from) {
    const char* p = text.data();
    const size_t n = text.size();
    size_t i = from;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (i + 16 <= n) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, cr)));
        const unsigned lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lf)));
        if ((crs | lfs) != 0) {
            const unsigned crBefore = (crs << 1) | (i > 0 && p[i - 1] == '\r' ? 1U : 0U);
            const unsigned lfAfter = (lfs >> 1) | (i + 16 < n && p[i + 16] == '\n' ? 0x8000U : 0U);
            const unsigned irregular = ((lfs & ~crBefore) | (crs & ~lfAfter)) & 0xFFFFU;
            if (irregular != 0) {
                return i + static_cast<size_t>(__builtin_ctz(irregular));
            }
        }
        i += 16;
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == '\n' && (i == 0 || p[i - 1] != '\r')) {
            return i;
        }
        if (p[i] == '\r' && (i + 1 == n || p[i + 1] != '\n')) {
            return i;
        }
    }
    return n;
}

// Index of the first byte in [from, size) equal to `a` or `b`, or size.
size_t findEitherByte(std::string_view text, size_t from, char a, char b) {
    const char* p = text.data();
    const size_t n = text.size();
    if (a == b) {
        const void* hit = from < n ? std::memchr(p + from, a, n - from) : nullptr;
        return hit != nullptr ? static_cast<size_t>(static_cast<const char*>(hit) - p) : n;
    }
    size_t i = from;
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    while (i + 16 <= n) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, va), _mm_cmpeq_epi8(block, vb)));
        if (hits != 0) {
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
        }
        i += 16;
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == a || p[i] == b) {
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

// A search string prepared for matching: upper-cased, with the positions where case is ignored (the
// single-byte characters) marked.
class Pattern {
public:
    explicit Pattern(std::string_view search) : bytes_(platform::upper(search)), folds_(bytes_.size(), false) {
        size_t i = 0;
        while (i < bytes_.size()) {
            const size_t length = platform::charLengthAt(bytes_, i);
            folds_[i] = length == 1;
            endsWithLoneLead_ = length == 1 && platform::isLeadByte(static_cast<unsigned char>(bytes_[i]));
            i += length;
        }
        const auto first = static_cast<unsigned char>(bytes_[0]);
        first_ = static_cast<char>(first);
        firstOther_ = folds_[0] && first >= 'A' && first <= 'Z' ? static_cast<char>(first + ('a' - 'A')) : first_;
    }

    size_t size() const { return bytes_.size(); }

    // The next match in `text` at or after `from`. `knownStart` is a position <= from known to start a
    // character; it is moved forward as characters are found, and set to the match's end.
    size_t findIn(std::string_view text, size_t from, size_t& knownStart) const {
        const size_t m = bytes_.size();
        while (from + m <= text.size()) {
            const size_t p = findEitherByte(text.substr(0, text.size() - m + 1), from, first_, firstOther_);
            if (p + m > text.size()) {
                return std::string_view::npos;
            }
            if (!platform::isCharStart(text, p, knownStart)) {
                knownStart = p + 1;
                from = p + 1;
                continue;
            }
            knownStart = p;
            if (matchesAt(text, p)) {
                knownStart = p + m;
                return p;
            }
            from = p + 1;
        }
        return std::string_view::npos;
    }

private:
    bool matchesAt(std::string_view text, size_t p) const {
        for (size_t i = 0; i < bytes_.size(); ++i) {
            const auto t = static_cast<unsigned char>(text[p + i]);
            if ((folds_[i] ? kUpper[t] : t) != static_cast<unsigned char>(bytes_[i])) {
                return false;
            }
        }
        // A search string that ends with a lone lead byte must not take the first byte of a character.
        const size_t end = p + bytes_.size();
        return !endsWithLoneLead_ || end == text.size() || !platform::isTrailByte(static_cast<unsigned char>(text[end]));
    }

    std::string bytes_;
    std::vector<bool> folds_;
    bool endsWithLoneLead_ = false;
    char first_ = 0;
    char firstOther_ = 0;
};

// Replaces in place where the replacement is not longer than the search string: the write position never
// passes the read position.
size_t replaceShrinking(std::string& text, const Pattern& pattern, std::string_view replacement) {
    size_t knownStart = 0;
    size_t read = 0;
    size_t write = 0;
    size_t count = 0;
    for (size_t p = pattern.findIn(text, 0, knownStart); p != std::string::npos;
         p = pattern.findIn(text, read, knownStart)) {
        if (write != read) {
            std::memmove(text.data() + write, text.data() + read, p - read);
        }
        write += p - read;
        std::memcpy(text.data() + write, replacement.data(), replacement.size());
        write += replacement.size();
        read = p + pattern.size();
        ++count;
    }
    if (count > 0) {
        std::memmove(text.data() + write, text.data() + read, text.size() - read);
        text.resize(write + text.size() - read);
    }
    return count;
}

// Replaces in place where the replacement is longer: the matches are counted, the text is moved to the end
// of the grown buffer, and the result is written from the front. The write position stays behind the read
// position, and the matcher looks back no further than the end of the last match.
size_t replaceGrowing(std::string& text, const Pattern& pattern, std::string_view replacement) {
    size_t count = 0;
    size_t knownStart = 0;
    for (size_t p = pattern.findIn(text, 0, knownStart); p != std::string::npos;
         p = pattern.findIn(text, p + pattern.size(), knownStart)) {
        ++count;
    }
    if (count == 0) {
        return 0;
    }
    const size_t oldSize = text.size();
    const size_t offset = count * (replacement.size() - pattern.size());
    text.resize(oldSize + offset);
    std::memmove(text.data() + offset, text.data(), oldSize);
    const std::string_view source(text.data() + offset, oldSize);
    size_t read = 0;
    size_t write = 0;
    knownStart = 0;
    for (size_t p = pattern.findIn(source, 0, knownStart); p != std::string::npos;
         p = pattern.findIn(source, read, knownStart)) {
        std::memmove(text.data() + write, source.data() + read, p - read);
        write += p - read;
        std::memcpy(text.data() + write, replacement.data(), replacement.size());
        write += replacement.size();
        read = p + pattern.size();
    }
    std::memmove(text.data() + write, source.data() + read, oldSize - read);
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

void cutAtNul(std::string& text) {
    const size_t at = text.find('\0');
    if (at != std::string::npos) {
        text.resize(at);
    }
}

void normalizeLineBreaks(std::string& text) {
    if (findIrregularBreak(text, 0) == text.size()) {
        return;
    }
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    appendNormalized(text, out);
    text.swap(out);
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

void removePercent(std::string& text) {
    const size_t first = text.find('%');
    if (first == std::string::npos) {
        return;
    }
    size_t write = first;
    size_t read = first + 1;
    while (read < text.size()) {
        const size_t next = findEitherByte(text, read, '%', '%');
        std::memmove(text.data() + write, text.data() + read, next - read);
        write += next - read;
        read = next + 1;
    }
    text.resize(write);
}

size_t replaceIgnoringCase(std::string& text, std::string_view search, std::string_view replacement) {
    if (search.empty() || text.size() < search.size()) {
        return 0;
    }
    const Pattern pattern(search);
    return replacement.size() <= search.size() ? replaceShrinking(text, pattern, replacement)
                                               : replaceGrowing(text, pattern, replacement);
}

void addFrontMark(std::string& text) { text.insert(0, "%\r\n"); }

void addBackMark(std::string& text) {
    const bool endsWithBreak = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
    text.append(text.empty() || endsWithBreak ? "%\r\n" : "\r\n%");
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
