#include "core/program_check.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

#include "core/byte_scan.h"
#include "platform/codepage.h"
#include "platform/mbcs.h"

namespace tarvelin::core {
namespace {

using platform::ansi;

constexpr bool isBlank(int b) {
    return b == ' ' || b == '\t';
}
constexpr bool isDigit(int b) {
    return b >= '0' && b <= '9';
}
constexpr bool isBreak(int b) {
    return b == '\r' || b == '\n';
}
constexpr bool isLetter(int b) {
    return b < 0x80 && (b | 0x20) >= 'a' && (b | 0x20) <= 'z';
}
constexpr bool isAxis(char letter) {
    switch (letter) {
        case 'X':
        case 'Y':
        case 'Z':
        case 'A':
        case 'B':
        case 'C':
        case 'U':
        case 'V':
        case 'W':
            return true;
        default:
            return false;
    }
}
constexpr bool isCycle(uint64_t code) {
    return code == 73 || code == 74 || code == 76 || (code >= 81 && code <= 89);
}

// The statements of o-words ("o100 sub", "o100 call", ...): such a line names a subroutine or a branch,
// never a program.
bool isOWordKeyword(const char* word, size_t length) {
    static constexpr std::string_view kKeywords[] = {"sub",      "endsub", "call",      "return", "if",
                                                     "elseif",   "else",   "endif",     "do",     "while",
                                                     "endwhile", "repeat", "endrepeat", "break",  "continue"};
    const std::string_view w(word, length);
    return std::find(std::begin(kKeywords), std::end(kKeywords), w) != std::end(kKeywords);
}

// The 64 bytes at p sieved for the reader between words: `hits` marks the bytes that may change its state
// (the letters G, M, O in either case, "(", ":", ";", "<", and every byte from 0x80, which may lead a
// double-byte character), `cr` and `lf` the line breaks.
inline void sieve64(const char* p, uint64_t& hits, uint64_t& cr, uint64_t& lf) {
    hits = cr = lf = 0;
#if defined(__SSE2__)
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + ptrdiff_t{16} * k));
        // Bit 5 set makes G g one byte; bits 5 and 1 set make M m O o one byte. ":" ";" "<" are a range.
        const __m128i g = _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8('g'));
        const __m128i mo = _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(0x22)), _mm_set1_epi8('o'));
        const __m128i r = _mm_sub_epi8(v, _mm_set1_epi8(':'));
        const __m128i range = _mm_cmpeq_epi8(_mm_min_epu8(r, _mm_set1_epi8(2)), r);
        const __m128i paren = _mm_cmpeq_epi8(v, _mm_set1_epi8('('));
        const __m128i h = _mm_or_si128(_mm_or_si128(g, mo), _mm_or_si128(_mm_or_si128(range, paren), v));
        const int shift = 16 * k;
        hits |= uint64_t{static_cast<unsigned>(_mm_movemask_epi8(h))} << shift;
        cr |= uint64_t{static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r'))))} << shift;
        lf |= uint64_t{static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))))} << shift;
    }
#else
    for (int j = 0; j < 64; ++j) {
        const auto b = static_cast<unsigned char>(p[j]);
        const bool hit = (b | 0x20) == 'g' || (b | 0x22) == 'o' || (b >= ':' && b <= '<') || b == '(' || b >= 0x80;
        hits |= uint64_t{hit} << j;
        cr |= uint64_t{b == '\r'} << j;
        lf |= uint64_t{b == '\n'} << j;
    }
#endif
}

constexpr size_t kPrefetchDistance = 1024;

// The first position from i that holds `stop`, CR or LF, or n.
size_t findStop(const char* p, size_t n, size_t i, char stop) {
#if defined(__SSE2__)
    const __m128i s = _mm_set1_epi8(stop);
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i h =
            _mm_or_si128(_mm_cmpeq_epi8(v, s), _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(h));
        if (mask != 0) {
            return i + static_cast<size_t>(std::countr_zero(mask));
        }
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == stop || p[i] == '\r' || p[i] == '\n') {
            return i;
        }
    }
    return n;
}

// Bits [from, to) of a 64-bit mask, for from <= to < 64.
constexpr uint64_t bitsBetween(size_t from, size_t to) {
    return ((uint64_t{1} << to) - 1) & ~((uint64_t{1} << from) - 1);
}

std::string withCommas(size_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    for (size_t k = 0; k < digits.size(); ++k) {
        if (k > 0 && (digits.size() - k) % 3 == 0) {
            out += ',';
        }
        out += digits[k];
    }
    return out;
}

std::string padded(uint64_t value, uint32_t digits) {
    std::string s = std::to_string(value);
    const size_t width = std::min<size_t>(digits, 20);
    if (s.size() < width) {
        s.insert(0, width - s.size(), '0');
    }
    return s;
}

std::string gCode(unsigned code) {
    return (code < 10 ? "G0" : "G") + std::to_string(code);
}

}  // namespace

void ProgramCheck::Number::add(unsigned digit) {
    any = true;
    if (digits < UINT32_MAX) {
        ++digits;
    }
    if (significant == 0 && digit == 0) {
        return;
    }
    if (significant < 18) {
        value = value * 10 + digit;
        ++significant;
    } else {
        tooLong = true;
    }
}

// Counts a finding, and keeps it while fewer than the most are kept; its text is made only then.
template <typename MakeText>
void ProgramCheck::add(CheckSeverity severity, size_t line, MakeText&& text, size_t segment) {
    ++(severity == CheckSeverity::Warning ? warnings_ : notices_);
    if (findings_.size() < maxStored_) {
        findings_.push_back({severity, line, segment == kNoSegment ? segmentOf(line) : segment, text()});
    }
}

ProgramCheck::ProgramCheck(std::vector<CheckSegment> segments, size_t maxStored)
    : segments_(std::move(segments)), maxStored_(maxStored) {}

inline ProgramCheck::Skip ProgramCheck::skipMode() const {
    if (afterLead_) {
        return Skip::None;
    }
    switch (lex_) {
        case Lex::Paren:
            return Skip::Paren;
        case Lex::Angle:
            return Skip::Angle;
        case Lex::SkipLine:
            return Skip::Line;
        case Lex::LineStart:
        case Lex::Normal:
            // Between words the bytes outside the sieve do nothing, unless the block's end must be seen (M02,
            // M30, M98) or its axis words count (the program has not yet shown whether it moves first).
            return blockEnd_ || blockCall_ || wantAxes() ? Skip::None : Skip::Fast;
        default:
            return Skip::None;
    }
}

void ProgramCheck::feed(std::string_view text) {
    const char* p = text.data();
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        switch (skipMode()) {
            case Skip::None:
                consume(static_cast<unsigned char>(p[i]));
                ++i;
                break;
            case Skip::Fast:
                i = scanFast(p, n, i);
                break;
            case Skip::Paren:
            case Skip::Angle:
            case Skip::Line: {
                const Skip mode = skipMode();
                const size_t k = findStop(p, n, i, mode == Skip::Paren ? ')' : mode == Skip::Angle ? '>' : '\r');
                if (k > i) {
                    prevCr_ = false;  // the bytes passed over hold no line break
                }
                if (k < n) {
                    consume(static_cast<unsigned char>(p[k]));
                }
                i = k < n ? k + 1 : n;
                break;
            }
        }
    }
    if (n > 0) {
        prevCr_ = p[n - 1] == '\r';
        endsWithBreak_ = isBreak(p[n - 1]);
        size_t k = n;
        while (k > 0 && isBlank(p[k - 1])) {
            --k;
        }
        if (k > 0) {
            lineBlank_ = isBreak(p[k - 1]);
        }
    }
}

// The end of the digits of the G or M word at p[i], and their value, when the word is plain and all in this
// piece: at most five digits, then blanks perhaps, then a byte that ends the number (not a digit or a
// decimal point, nor, without digits, a sign or "#"). Else i: the reader takes the word.
inline size_t ProgramCheck::plainWord(const char* p, size_t n, size_t i, unsigned& value) {
    size_t k = i + 1;
    while (k < n && k - i <= 6 && isDigit(p[k])) {
        value = value * 10 + static_cast<unsigned>(p[k] - '0');
        ++k;
    }
    size_t t = k;  // blanks inside a number do not end it: "G0 1" is G01
    while (t < n && t - k < 8 && isBlank(p[t])) {
        ++t;
    }
    if (t >= n || k - i > 6) {
        return i;
    }
    const auto c = static_cast<unsigned char>(p[t]);
    if (isDigit(c) || isBlank(c) || c == '.' || (k == i + 1 && (c == '+' || c == '-' || c == '#'))) {
        return i;
    }
    return k;
}

// Passes over the bytes that do nothing between words, 64 at a time, and handles the bytes the sieve lets
// through: a G or M word whose number is all in this piece is read on the spot, any other byte goes to the
// reader. The line breaks passed over are counted once a window, or up to the byte where the line is
// needed. Returns where to go on.
size_t ProgramCheck::scanFast(const char* p, size_t n, size_t i) {
    alignas(16) char tail[64];
    while (i < n) {
        const char* w = p + i;
        size_t valid = n - i;
        if (valid < 64) {
            std::memcpy(tail, w, valid);
            std::memset(tail + valid, 0, 64 - valid);  // NUL is neither a hit nor a line break
            w = tail;
        } else {
            valid = 64;
        }
#if defined(__SSE2__)
        if (n - i > kPrefetchDistance) {
            // Reading ahead keeps the sieve at memory speed where the processor does not see the stream.
            _mm_prefetch(p + i + kPrefetchDistance, _MM_HINT_T0);
        }
#endif
        uint64_t hits = 0;
        uint64_t cr = 0;
        uint64_t lf = 0;
        sieve64(w, hits, cr, lf);
        // A line break is a CR, or an LF that does not follow a CR.
        const uint64_t crBefore = (cr << 1) | uint64_t{(i > 0 ? p[i - 1] == '\r' : prevCr_)};
        const uint64_t breaks = cr | (lf & ~crBefore);
        size_t counted = 0;  // the breaks before this position of the window are in line_
        const auto countTo = [&](size_t bit) {
            line_ += popcount64(breaks & bitsBetween(counted, bit));
            counted = bit;
        };
        for (;;) {
            if (hits == 0) {
                line_ += popcount64(breaks >> counted);
                i += valid;
                break;
            }
            const auto j = static_cast<size_t>(std::countr_zero(hits));
            const size_t at = i + j;
            const auto c = static_cast<unsigned char>(p[at]);
            const int folded = c | 0x20;
            unsigned value = 0;
            const size_t next = folded == 'g' || folded == 'm' ? plainWord(p, n, at, value) : at;
            if (next == at) {
                countTo(j);
                // An "O" or ":" opens a program number only at the start of a block.
                lex_ = (folded == 'o' || c == ':') && blockStartBefore(p, at) ? Lex::LineStart : Lex::Normal;
                prevCr_ = at > 0 ? p[at - 1] == '\r' : prevCr_;
                consume(c);
                return at + 1;
            }
            lex_ = Lex::Normal;
            if (next == at + 1) {
                // A letter without a number: nothing.
            } else if (folded == 'g') {
                // No G code ends the passing over: none makes the block's end or its axis words count.
                if (value <= 3) {
                    motionCode();  // the most common words, kept in line
                } else {
                    if (value == 20 || value == 21) {
                        countTo(j);  // the units may be reported at this line
                    }
                    applyG(value, false);
                }
            } else {
                applyM(value);
                if (skipMode() != Skip::Fast) {
                    countTo(j);
                    prevCr_ = false;
                    return next;
                }
            }
            if (next >= i + valid) {
                line_ += popcount64(breaks >> counted);  // the word ran past this window; it holds no break
                i = next;
                break;
            }
            hits &= ~((uint64_t{1} << (next - i)) - 1);
        }
    }
    return n;
}

// True when only blanks stand between the start of the line and position i.
bool ProgramCheck::blockStartBefore(const char* p, size_t i) const {
    while (i > 0 && isBlank(p[i - 1])) {
        --i;
    }
    return i == 0 ? lineBlank_ : isBreak(p[i - 1]);
}

void ProgramCheck::consume(int b) {
    if (afterLead_) {
        afterLead_ = false;
        if (b != kEnd && platform::isTrailByte(static_cast<unsigned char>(b))) {
            prevCr_ = false;
            return;  // the second byte of a double-byte character, whatever it looks like
        }
    }
    switch (lex_) {
        case Lex::LineStart:
            lineStart(b);
            break;
        case Lex::Normal:
            normal(b);
            break;
        case Lex::Letter:
        case Lex::Sign:
            wordValueStart(b);
            break;
        case Lex::Digits:
            wordDigits(b);
            break;
        case Lex::Fraction:
            wordFraction(b);
            break;
        case Lex::ProgNumber:
            programNumber(b);
            break;
        case Lex::ProgAfter:
            afterProgramNumber(b);
            break;
        case Lex::ProgKeyword:
            if (programKeyword(b)) {
                return;  // the bytes were consumed again, as words of the block
            }
            break;
        case Lex::Paren:
            skipUntil(b, ')');
            break;
        case Lex::Angle:
            skipUntil(b, '>');
            break;
        case Lex::SkipLine:
            skipUntil(b, kEnd);
            break;
    }
    prevCr_ = b == '\r';
}

// Only blanks since the line break: a program number may start here.
void ProgramCheck::lineStart(int b) {
    if (isBlank(b)) {
        return;
    }
    if (b == 'O' || b == 'o' || b == ':') {
        lex_ = Lex::ProgNumber;
        letter_ = b == ':' ? ':' : 'O';
        number_ = {};
        return;
    }
    lex_ = Lex::Normal;
    normal(b);
}

// After a word's letter (or its sign): the value's first digit or point.
void ProgramCheck::wordValueStart(int b) {
    if (lex_ == Lex::Letter && (b == '+' || b == '-')) {
        number_.negative = b == '-';
        lex_ = Lex::Sign;
        return;
    }
    if (isBlank(b)) {
        return;
    }
    if (isDigit(b)) {
        number_.add(static_cast<unsigned>(b - '0'));
        lex_ = Lex::Digits;
        return;
    }
    if (b == '.') {
        number_.any = true;
        lex_ = Lex::Fraction;
        return;
    }
    if (b == '#' && isAxis(letter_)) {
        blockAxis_ = true;  // a macro variable: the value is unknown, but the axis moves
        lex_ = Lex::Normal;
        return;
    }
    lex_ = Lex::Normal;  // a letter without a number means nothing
    normal(b);
}

void ProgramCheck::wordDigits(int b) {
    if (isDigit(b)) {
        number_.add(static_cast<unsigned>(b - '0'));
        return;
    }
    if (isBlank(b)) {
        return;
    }
    if (b == '.') {
        lex_ = Lex::Fraction;
        return;
    }
    commitWord();
    lex_ = Lex::Normal;
    normal(b);
}

void ProgramCheck::wordFraction(int b) {
    if (isDigit(b)) {
        number_.any = true;
        number_.fraction = number_.fraction || b != '0';
        return;
    }
    if (isBlank(b)) {
        return;
    }
    commitWord();
    lex_ = Lex::Normal;
    normal(b);
}

// "O" or ":" at a line's start: the program number's digits, or a name.
void ProgramCheck::programNumber(int b) {
    if (isDigit(b)) {
        number_.add(static_cast<unsigned>(b - '0'));
        return;
    }
    if (!number_.any) {
        if (isBlank(b)) {
            return;
        }
        // "O<name>": a named o-word of a subroutine or branch; the rest of its line is its statement.
        lex_ = b == '<' && letter_ == 'O' ? Lex::SkipLine : Lex::Normal;
        if (lex_ == Lex::Normal) {
            normal(b);
        }
        return;
    }
    lex_ = Lex::ProgAfter;
    afterProgramNumber(b);
}

// After a program number's digits: a keyword of another dialect ("o100 sub") or the block's words.
void ProgramCheck::afterProgramNumber(int b) {
    if (isBlank(b)) {
        return;
    }
    if (isLetter(b)) {
        keyword_[0] = static_cast<char>(b | 0x20);
        keywordLength_ = 1;
        lex_ = Lex::ProgKeyword;
        return;
    }
    startProgram();
    lex_ = Lex::Normal;
    normal(b);
}

bool ProgramCheck::programKeyword(int b) {
    if (isLetter(b) && keywordLength_ < sizeof keyword_) {
        keyword_[keywordLength_++] = static_cast<char>(b | 0x20);
        return false;
    }
    if (!isLetter(b) && isOWordKeyword(keyword_, keywordLength_)) {
        lex_ = Lex::SkipLine;  // "o100 sub", "o100 call [1]", ...: not a program
        if (isBreak(b) || b == kEnd) {
            lex_ = Lex::Normal;
            normal(b);
        }
        return false;
    }
    // A program number followed by words ("O1000 G90"): the letters read are words of the block.
    startProgram();
    lex_ = Lex::Normal;
    for (uint8_t k = 0; k < keywordLength_; ++k) {
        consume(keyword_[k]);
    }
    consume(b);
    return true;
}

// A comment in parentheses, a name in angle brackets or the rest of a line: ends at `close` (kEnd for none)
// or at the line's end.
void ProgramCheck::skipUntil(int b, int close) {
    if (b == close && close != kEnd) {
        lex_ = Lex::Normal;
    } else if (isBreak(b) || b == kEnd) {
        lex_ = Lex::Normal;
        normal(b);
    }
}

// A byte between words.
void ProgramCheck::normal(int b) {
    if (isBreak(b) || b == kEnd) {
        lex_ = Lex::LineStart;
        if (b == '\n' && prevCr_) {
            return;  // the LF of a CR LF: the CR ended the block
        }
        endOfBlock();
        if (b != kEnd) {
            ++line_;
        }
        return;
    }
    if (isLetter(b)) {
        const char l = static_cast<char>(b & ~0x20);
        // Letters whose words do nothing now are passed over with their numbers.
        if (l == 'G' || l == 'M' || ((l == 'P' || l == 'L' || l == 'K') && blockCall_) || (isAxis(l) && wantAxes())) {
            letter_ = l;
            number_ = {};
            lex_ = Lex::Letter;
        }
        return;
    }
    switch (b) {
        case '(':
            lex_ = Lex::Paren;
            break;
        case ';':
            lex_ = Lex::SkipLine;
            break;
        case '<':
            lex_ = Lex::Angle;  // "#<name>": a named parameter, whose letters are no words
            break;
        default:
            afterLead_ = platform::isLeadByte(static_cast<unsigned char>(b));
            break;
    }
}

void ProgramCheck::commitWord() {
    const Number& n = number_;
    if (!n.any) {
        return;
    }
    switch (letter_) {
        case 'G':
            if (!n.negative && !n.tooLong) {
                applyG(static_cast<unsigned>(std::min<uint64_t>(n.value, 100000)), n.fraction);
            }
            break;
        case 'M':
            if (!n.negative && !n.tooLong && !n.fraction) {
                applyM(static_cast<unsigned>(std::min<uint64_t>(n.value, 100000)));
            }
            break;
        case 'P':
            if (!n.negative && !n.tooLong && n.digits > 0) {
                callHasP_ = true;
                callP_ = n;
            }
            break;
        case 'L':
        case 'K':
            callCount_ = true;
            break;
        default:
            blockAxis_ = true;
            break;
    }
}

// A G code of the block. `fraction` marks a code with a non-zero decimal part (G41.1, G92.1).
void ProgramCheck::applyG(unsigned code, bool fraction) {
    if (fraction) {
        if (code == 92) {
            blockNoMotion_ = true;
        } else if ((code == 41 || code == 42) && !dead_) {
            comp_ = code;
            unit_.compSet = true;
        }
        return;
    }
    switch (code) {
        case 20:
        case 21:
            // The units of the whole file, blocks that never run included: a joined file that names both is
            // a mix of inch and millimetre programs.
            if (units_ == 0) {
                units_ = code;
            } else if (units_ != code && !unitsWarned_) {
                unitsWarned_ = true;
                add(CheckSeverity::Warning, line_, [] { return ansi("G20 (ｲﾝﾁ) と G21 (ﾐﾘ) が混在しています"); });
            }
            return;
        case 4:   // dwell
        case 10:  // offsets
        case 22:  // stroke limit
        case 50:  // scaling off, or the lathe's coordinate setting
        case 51:  // scaling centre
        case 52:  // local coordinates
        case 65:  // macro call
        case 66:
        case 68:                    // rotation centre
        case 92:                    // coordinate setting
            blockNoMotion_ = true;  // the block's axis words are data, not a move
            return;
        case 53:
            blockMachine_ = true;  // a move in machine coordinates, the same in G90 and G91
            return;
        default:
            break;
    }
    if (dead_) {
        return;
    }
    switch (code) {
        case 0:
        case 1:
        case 2:
        case 3:
            motionCode();
            break;
        case 90:
        case 91:
            distance_ = code;
            unit_.distanceSet = true;
            break;
        case 40:
            comp_ = 40;
            break;
        case 41:
        case 42:
            comp_ = code;
            unit_.compSet = true;
            break;
        case 80:
            cycle_ = 0;
            break;
        default:
            if (isCycle(code)) {
                cycle_ = code;
                unit_.cycleSet = true;
            }
            break;
    }
}

void ProgramCheck::applyM(unsigned code) {
    if (code == 2 || code == 30) {
        // Also where nothing runs: each file's own end then marks the next file's first motion.
        blockEnd_ = true;
        blockEndCode_ = code;
        return;
    }
    if (dead_) {
        return;
    }
    switch (code) {
        case 98:
            blockCall_ = true;
            break;
        case 99:
            unit_.returns = true;
            break;
        default:
            break;
    }
}

void ProgramCheck::endOfBlock() {
    if (blockCall_ && callHasP_ && calls_.size() < maxStored_) {
        calls_.insert(Call{line_, callP_.value, callP_.digits, callCount_});
    }
    // The axis words were read from the block's start whenever this holds at its end: it only turns on at a
    // block's start (a program number, the block after M02/M30), and those clear the flags.
    if (wantAxes() && blockAxis_ && !blockNoMotion_) {
        if (dead_) {
            deadReported_ = true;
            add(CheckSeverity::Warning, line_, [this] {
                return (deadCode_ == 2 ? std::string("M02") : std::string("M30")) +
                       ansi(" の後のﾌﾞﾛｯｸは実行されません");
            });
        } else if (!blockMachine_) {
            // The first move of a program that has not set G90/G91 runs in the mode left in force. The first
            // program of the text gets no notice: it inherits what ran before the file, as it would alone.
            unit_.motionSeen = true;
            const std::string label = programLabel(unit_.program);
            if (distance_ == 91) {
                unit_.hasPending = true;
                unit_.pending = {CheckSeverity::Warning, line_, kNoSegment,
                                 label + ansi(" は G90/G91 の指定前に移動します (G91 のまま)")};
            } else if (earlierProgram_) {
                unit_.hasPending = true;
                unit_.pending = {CheckSeverity::Notice, line_, kNoSegment,
                                 label + ansi(" は G90/G91 の指定前に移動します (前のﾓｰﾄﾞのまま)")};
            }
        }
    }
    if (blockEnd_) {
        if (!dead_) {
            endUnit(line_);
        }
        dead_ = true;
        deadReported_ = false;
        deadCode_ = blockEndCode_;
    }
    blockEnd_ = blockCall_ = callCount_ = callHasP_ = false;
    blockAxis_ = blockNoMotion_ = blockMachine_ = false;
}

void ProgramCheck::startProgram() {
    if (!dead_) {
        endUnit(line_ > 1 ? line_ - 1 : 1);  // the program before ends on the line before
    }
    programs_.push_back({line_, number_.value, number_.digits, letter_ == ':', number_.tooLong});
    unit_ = Unit{};
    unit_.program = programs_.size() - 1;
    dead_ = false;
    deadReported_ = false;
    blockAxis_ = blockNoMotion_ = blockMachine_ = false;
}

// The end of a program. A subprogram (M99) is left out: it runs from its caller, which sets its modes
// before the call and may cancel them after it.
void ProgramCheck::endUnit(size_t line) {
    if (!unit_.returns) {
        if (unit_.hasPending) {
            add(unit_.pending.severity, unit_.pending.line, [this] { return std::move(unit_.pending.text); });
        }
        if (unit_.compSet && (comp_ == 41 || comp_ == 42)) {
            add(CheckSeverity::Warning, line, [this] {
                return programLabel(unit_.program) + ansi(" の終わりで ") + gCode(comp_) +
                       ansi(" が有効のままです (G40 がありません)");
            });
        }
        if (unit_.cycleSet && cycle_ != 0) {
            add(CheckSeverity::Warning, line, [this] {
                return programLabel(unit_.program) + ansi(" の終わりで ") + gCode(cycle_) +
                       ansi(" が有効のままです (G80 がありません)");
            });
        }
    }
    unit_.hasPending = false;
    earlierProgram_ = earlierProgram_ || unit_.distanceSet || unit_.motionSeen;
}

void ProgramCheck::setSegments(std::vector<CheckSegment> segments) {
    segments_ = std::move(segments);
}

void ProgramCheck::finish() {
    if (finished_) {
        return;
    }
    finished_ = true;
    consume(kEnd);
    // The parts may have been given after the text that holds them (the join learns where each listed
    // file starts while the text before it is already being checked): the findings so far are placed now.
    for (auto& finding : findings_) {
        finding.segment = segmentOf(finding.line);
    }
    const size_t lastLine = endsWithBreak_ && line_ > 1 ? line_ - 1 : line_;
    if (!dead_) {
        endUnit(lastLine);
    }

    const std::vector<uint64_t> numbers = reportRepeatedNumbers();
    reportMissingCalls(numbers);
    reportFilesWithoutNumber(lastLine);

    const auto byLine = [](const CheckFinding& a, const CheckFinding& b) { return a.line < b.line; };
    if (!std::is_sorted(findings_.begin(), findings_.end(), byLine)) {
        std::stable_sort(findings_.begin(), findings_.end(), byLine);
    }
}

// The same program number twice: reported at each repeat, O1000 and O01000 being the same. Gives the
// numbers of the programs, sorted, each once.
std::vector<uint64_t> ProgramCheck::reportRepeatedNumbers() {
    std::vector<size_t> order;
    order.reserve(programs_.size());
    for (size_t k = 0; k < programs_.size(); ++k) {
        if (!programs_[k].tooLong) {
            order.push_back(k);
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [this](size_t a, size_t b) { return programs_[a].number < programs_[b].number; });
    std::vector<uint64_t> numbers;
    numbers.reserve(order.size());
    const std::string& repeated = ansi(" が重複しています (");
    const std::string& repeatedEnd = ansi(" 回目)");
    for (size_t k = 0, run = 0; k < order.size(); ++k) {
        const ProgramStart& start = programs_[order[k]];
        run = k > 0 && programs_[order[k - 1]].number == start.number ? run + 1 : 1;
        if (run == 1) {
            numbers.push_back(start.number);
        } else {
            add(CheckSeverity::Warning, start.line, [&] {
                std::string text = programLabel(order[k]);
                text += repeated;
                text += std::to_string(run);
                text += repeatedEnd;
                return text;
            });
        }
    }
    return numbers;
}

// M98 calls of programs that the file does not hold (they may be in the control's memory). A P of more than
// four digits without L or K is read both ways: the last four digits as the program with the leading ones
// as the repeat count (M98 P0051234: O1234 five times), and the whole as the number.
void ProgramCheck::reportMissingCalls(const std::vector<uint64_t>& numbers) {
    std::vector<Call> calls(calls_.begin(), calls_.end());
    std::sort(calls.begin(), calls.end(), [](const Call& a, const Call& b) { return a.line < b.line; });
    const auto has = [&numbers](uint64_t number) { return std::binary_search(numbers.begin(), numbers.end(), number); };
    std::unordered_set<uint64_t> reported;  // one notice for each program missing, at its first call
    for (const Call& call : calls) {
        const bool split = call.digits > 4 && !call.count;
        const uint64_t target = split ? call.value % 10000 : call.value;
        if (has(call.value) || (split && has(target)) || !reported.insert(target).second) {
            continue;
        }
        add(CheckSeverity::Notice, call.line, [&] {
            return "M98 P" + padded(call.value, call.digits) + ": O" + padded(target, split ? 4 : call.digits) +
                   ansi(" がありません");
        });
    }
}

// A listed file without a program number between files that have one: its blocks run on in the program
// before it.
void ProgramCheck::reportFilesWithoutNumber(size_t lastLine) {
    const auto firstProgramFrom = [this](size_t line) {
        const auto it = std::lower_bound(programs_.begin(), programs_.end(), line,
                                         [](const ProgramStart& s, size_t l) { return s.line < l; });
        return static_cast<size_t>(it - programs_.begin());  // the first program at or after `line`
    };
    std::vector<int> numbered(segments_.size(), -1);  // -1 not a listed file with lines, 0 no number, 1 number
    for (size_t k = 0; k < segments_.size(); ++k) {
        const size_t first = segments_[k].firstLine;
        const size_t end = k + 1 < segments_.size() ? segments_[k + 1].firstLine : lastLine + 1;
        if (!segments_[k].listedFile || end <= first || first > lastLine) {
            continue;
        }
        const size_t at = firstProgramFrom(first);
        numbered[k] = at < programs_.size() && programs_[at].line < end ? 1 : 0;
    }
    bool earlier = false;
    std::vector<bool> later(segments_.size() + 1, false);
    for (size_t k = segments_.size(); k-- > 0;) {
        later[k] = later[k + 1] || numbered[k] == 1;
    }
    for (size_t k = 0; k < segments_.size(); ++k) {
        if (numbered[k] == 0 && earlier && later[k + 1]) {
            const size_t before = firstProgramFrom(segments_[k].firstLine);
            add(
                CheckSeverity::Notice, segments_[k].firstLine,
                [&] { return ansi("ﾌﾟﾛｸﾞﾗﾑ番号がありません (") + programLabel(before - 1) + ansi(" に続きます)"); }, k);
        }
        earlier = earlier || numbered[k] == 1;
    }
}

std::string ProgramCheck::programLabel(size_t program) const {
    if (program >= programs_.size()) {
        return ansi("番号のないﾌﾟﾛｸﾞﾗﾑ");
    }
    const ProgramStart& s = programs_[program];
    return (s.colon ? ":" : "O") + padded(s.number, s.digits) + (s.tooLong ? "..." : "");
}

size_t ProgramCheck::segmentOf(size_t line) const {
    const auto it = std::upper_bound(segments_.begin(), segments_.end(), line,
                                     [](size_t l, const CheckSegment& s) { return l < s.firstLine; });
    return it == segments_.begin() ? kNoSegment : static_cast<size_t>(it - segments_.begin()) - 1;
}

std::string checkLogLine(const CheckFinding& finding, const std::vector<CheckSegment>& segments) {
    std::string line = ansi("ﾁｪｯｸ ") + (finding.severity == CheckSeverity::Warning ? ansi("警告") : ansi("注意")) +
                       ": " + withCommas(finding.line) + ansi("行 ");
    if (finding.segment < segments.size()) {
        line += segments[finding.segment].name + ": ";
    }
    return line + finding.text;
}

std::optional<size_t> lineOfCheckLogLine(std::string_view logLine) {
    for (const std::string* severity : {&ansi("警告"), &ansi("注意")}) {
        const std::string start = ansi("ﾁｪｯｸ ") + *severity + ": ";
        if (logLine.substr(0, start.size()) != start) {
            continue;
        }
        size_t line = 0;
        size_t digits = 0;
        for (size_t i = start.size(); i < logLine.size(); ++i) {
            const char c = logLine[i];
            if (c >= '0' && c <= '9') {
                if (line > (SIZE_MAX - 9) / 10) {
                    return std::nullopt;
                }
                line = line * 10 + static_cast<size_t>(c - '0');
                ++digits;
            } else if (c != ',') {
                return digits > 0 && logLine.substr(i, ansi("行").size()) == ansi("行") ? std::optional(line)
                                                                                        : std::nullopt;
            }
        }
    }
    return std::nullopt;
}

std::string checkSummaryLine(size_t warnings, size_t notices) {
    if (warnings == 0 && notices == 0) {
        return ansi("ﾁｪｯｸ: 問題はありません");
    }
    return ansi("ﾁｪｯｸ: 警告 ") + withCommas(warnings) + ansi(" 件、注意 ") + withCommas(notices) + ansi(" 件");
}

}  // namespace tarvelin::core
