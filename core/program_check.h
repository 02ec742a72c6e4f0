#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The join check (結合ﾁｪｯｸ): reads the joined NC text as it is saved and reports what would stop, misbehave
// or crash the machine when the joined programs run one after another. The text comes in pieces of any
// size, in order; the check keeps only its state between them, so its memory grows with the findings and
// the number of programs, never with the text, and it skips the bytes that cannot matter 64 at a time.
namespace tarvelin::core {

enum class CheckSeverity { Warning, Notice };  // 警告 / 注意

// A part of the joined text: the front data, each listed file, the end data. Its lines run from
// `firstLine` (1-based) up to the next part's first line. `name` is in code page 932 (a file name, or a
// label for the front and end data); `listedFile` is false for the front and end data.
struct CheckSegment {
    size_t firstLine = 1;
    std::string name;
    bool listedFile = true;
};

inline constexpr size_t kNoSegment = ~size_t{0};

// One thing found: `line` is 1-based in the joined text; `segment` the index of the part that holds it
// (kNoSegment before the first part); `text` a short Japanese sentence in code page 932.
struct CheckFinding {
    CheckSeverity severity = CheckSeverity::Warning;
    size_t line = 0;
    size_t segment = kNoSegment;
    std::string text;
};

// The most findings kept; the rest are only counted, so that a hostile text cannot exhaust memory.
inline constexpr size_t kMaxStoredFindings = 1'000'000;

// What is reported, as 警告 unless marked 注意:
// - a program number that comes again (O1000, O01000 and :1000 are one number);
// - the first motion after M02/M30 and before the next program number: it never runs;
// - a program's first motion before it sets G90/G91 while G91 is in force; 注意 when it inherits another
//   mode, except in the text's first program;
// - G20 and G21 both in the text, once;
// - G41/G42 or a canned cycle that a program set and left on at its end (M02/M30, the next program
//   number, or the end of the text);
// - 注意: a listed file without a program number between listed files that have one;
// - 注意: M98 calling a program that the text does not hold, once for each program.
// Subprograms (M99) run from their caller and are left out of the G90/G91 and end checks. Blocks after
// M02/M30 change no mode in force, as they never run.
class ProgramCheck {
public:
    // `segments` in the order of their lines. `maxStored` bounds the findings kept and the M98 calls noted.
    explicit ProgramCheck(std::vector<CheckSegment> segments = {}, size_t maxStored = kMaxStoredFindings);

    // Gives the parts of the text, at any time before finish().
    void setSegments(std::vector<CheckSegment> segments);

    // The next piece of the text.
    void feed(std::string_view text);
    // After the last piece: the checks at the end of the text and those that need the whole text.
    void finish();

    // The findings kept, in the order of their lines once finish() has run.
    const std::vector<CheckFinding>& findings() const { return findings_; }
    // All findings, kept or not.
    size_t warningCount() const { return warnings_; }
    size_t noticeCount() const { return notices_; }
    const std::vector<CheckSegment>& segments() const { return segments_; }

private:
    // Where the reader is inside a block.
    enum class Lex : uint8_t {
        LineStart,    // only blanks since the line break
        Normal,       // between words
        Letter,       // a word's letter read, its number not yet
        Sign,         // the number's sign read
        Digits,       // in the number's integer part
        Fraction,     // after the number's decimal point
        ProgNumber,   // after an "O" or ":" at the start of the block
        ProgAfter,    // after the program number's digits
        ProgKeyword,  // letters after an o-word's number ("sub", "call", ...)
        Paren,        // in a "( ... )" comment
        Angle,        // in a "<name>" of a named parameter
        SkipLine,     // the rest of the line means nothing here (after ";", an o-word statement)
    };
    enum class Skip : uint8_t { None, Fast, Paren, Angle, Line };

    // A number read after a letter: the first 18 significant digits as a value (more make `tooLong`).
    struct Number {
        uint64_t value = 0;
        uint32_t digits = 0;  // as written, leading zeros included (saturating)
        uint8_t significant = 0;
        bool tooLong = false;
        bool negative = false;
        bool fraction = false;  // a decimal part other than zero
        bool any = false;       // a digit was read
        void add(unsigned digit);
    };

    struct ProgramStart {
        size_t line = 0;
        uint64_t number = 0;
        uint32_t digits = 0;
        bool colon = false;
        bool tooLong = false;
    };

    // What the program being read has set itself (the control's modes in force are kept apart).
    struct Unit {
        size_t program = ~size_t{0};  // index in programs_, or none for the text before the first number
        bool distanceSet = false;     // G90 or G91 given
        bool motionSeen = false;      // a block moved before G90/G91 was given
        bool compSet = false;         // G41/G42 given
        bool cycleSet = false;        // a canned cycle given
        bool returns = false;         // M99: a subprogram, entered from its caller
        bool hasPending = false;      // the G90/G91 finding, kept until the end shows whether it returns
        CheckFinding pending;
    };

    struct Call {
        size_t line = 0;
        uint64_t value = 0;
        uint32_t digits = 0;
        bool count = false;  // L or K given: P is the whole program number
        bool operator==(const Call& other) const {
            return value == other.value && digits == other.digits && count == other.count;
        }
    };
    struct CallHash {
        size_t operator()(const Call& c) const {
            return std::hash<uint64_t>()(c.value * 1000003u + c.digits * 2u + (c.count ? 1u : 0u));
        }
    };

    Skip skipMode() const;
    bool wantAxes() const { return dead_ ? !deadReported_ : !unit_.distanceSet && !unit_.motionSeen; }
    size_t scanFast(const char* p, size_t n, size_t i);
    bool blockStartBefore(const char* p, size_t i) const;
    static size_t plainWord(const char* p, size_t n, size_t i, unsigned& value);

    // The reader, one byte at a time; kEnd stands for the end of the text.
    static constexpr int kEnd = 256;
    void consume(int b);
    // What consume does with a byte in each state of the lexer.
    void lineStart(int b);
    void wordValueStart(int b);
    void wordDigits(int b);
    void wordFraction(int b);
    void programNumber(int b);
    void afterProgramNumber(int b);
    bool programKeyword(int b);  // true when it consumed the bytes again as words of the block
    void skipUntil(int b, int close);
    void normal(int b);
    void startWord(char letter);
    void commitWord();
    void applyG(unsigned code, bool fraction);
    // G00..G03: a motion ends a canned cycle on most controls, as G80 does.
    void motionCode() {
        if (!dead_) {
            cycle_ = 0;
        }
    }
    void applyM(unsigned code);
    void endOfBlock();
    void startProgram();
    void endUnit(size_t line);

    template <typename MakeText>
    void add(CheckSeverity severity, size_t line, MakeText&& text, size_t segment = kNoSegment);
    // The findings that need the whole text, made by finish().
    std::vector<uint64_t> reportRepeatedNumbers();
    void reportMissingCalls(const std::vector<uint64_t>& numbers);
    void reportFilesWithoutNumber(size_t lastLine);
    std::string programLabel(size_t program) const;
    size_t segmentOf(size_t line) const;

    std::vector<CheckSegment> segments_;
    size_t maxStored_;
    std::vector<CheckFinding> findings_;
    size_t warnings_ = 0;
    size_t notices_ = 0;
    bool finished_ = false;

    // Reading.
    size_t line_ = 1;
    bool prevCr_ = false;         // the byte before the reader is CR
    bool lineBlank_ = true;       // only blanks since the last line break, at the end of the last piece
    bool afterLead_ = false;      // the byte before was a lead byte: a trail byte now is part of its character
    bool endsWithBreak_ = false;  // the last byte read is a line break
    Lex lex_ = Lex::LineStart;
    char letter_ = 0;
    Number number_;
    char keyword_[10] = {};
    uint8_t keywordLength_ = 0;

    // The block being read.
    bool blockEnd_ = false;  // M02 or M30
    unsigned blockEndCode_ = 0;
    bool blockCall_ = false;  // M98
    bool callCount_ = false;  // L or K
    bool callHasP_ = false;
    Number callP_;
    bool blockAxis_ = false;      // an axis word
    bool blockNoMotion_ = false;  // a code that reads the axis words as data (dwell, offsets, ...)
    bool blockMachine_ = false;   // G53: machine coordinates, the same in G90 and G91

    // The control's modes in force, as the live blocks leave them.
    unsigned distance_ = 0;  // 0 unknown, 90, 91
    unsigned comp_ = 40;
    unsigned cycle_ = 0;
    unsigned units_ = 0;  // the first of G20/G21 in the text
    bool unitsWarned_ = false;

    // Programs.
    Unit unit_;
    bool earlierProgram_ = false;  // a program before this one set G90/G91 or moved
    bool dead_ = false;            // after M02/M30, before the next program number: nothing runs
    bool deadReported_ = false;
    unsigned deadCode_ = 0;
    std::vector<ProgramStart> programs_;
    std::unordered_set<Call, CallHash> calls_;
};

// A log line for a finding: "ﾁｪｯｸ 警告: 12,345行 O1001.NC: O1000 が重複しています (2 回目)".
std::string checkLogLine(const CheckFinding& finding, const std::vector<CheckSegment>& segments);
// The line of the joined text that a finding's log line names, or nothing for another line.
std::optional<size_t> lineOfCheckLogLine(std::string_view logLine);
// The closing line: "ﾁｪｯｸ: 問題はありません", or the count of warnings and notices.
std::string checkSummaryLine(size_t warnings, size_t notices);

}  // namespace tarvelin::core
