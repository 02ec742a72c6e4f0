#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The transformations of the join on its data text: byte strings in code page 932 whose lines are
// separated by CR LF. They work in place, in a few passes at close to memory speed, because joined NC
// programs reach hundreds of megabytes.
namespace tarvelin::core {

// A text that the passes edit in place: a whole string, or a part of one.
class EditableText {
public:
    virtual ~EditableText() = default;
    virtual char* data() = 0;
    virtual size_t size() const = 0;
    // Makes the text `size` bytes long, keeping the bytes it had before its old end.
    virtual void resize(size_t size) = 0;

    std::string_view view() { return {data(), size()}; }
};

// A std::string as an editable text.
class StringText final : public EditableText {
public:
    explicit StringText(std::string& text) : text_(text) {}
    char* data() override { return text_.data(); }
    size_t size() const override { return text_.size(); }
    void resize(size_t size) override;

private:
    std::string& text_;
};

// Cuts `text` at its first NUL byte.
void cutAtNul(EditableText& text);

// Makes every line break CR LF: a CR LF pair stays one break, a lone CR and a lone LF each become CR LF.
void normalizeLineBreaks(EditableText& text);

// Normalizes line breaks as normalizeLineBreaks does, for text that arrives in pieces. A CR at the end of
// a piece is held back until the next byte shows whether it starts a CR LF pair.
class LineBreakNormalizer {
public:
    // The normalized form of the next piece, valid until the next call. A piece that needs no change comes
    // back as it is, without a copy.
    std::string_view feed(std::string_view piece);
    // What is held back at the end (a final lone CR becomes CR LF).
    std::string_view finish();

private:
    bool pendingCr_ = false;
    std::string out_;
};

// Removes every "%" byte. No "%" can be the trail byte of a double-byte character.
void removePercent(EditableText& text);

// Replaces every occurrence of `search` in `text` by `replacement` and returns how many there were.
// Letter case is ignored (single-byte a..z match A..Z; double-byte characters match exactly); matches are
// found from left to right without overlapping; a match never starts or ends inside a double-byte
// character; an inserted replacement is not searched again. An empty `search` changes nothing.
size_t replaceIgnoringCase(EditableText& text, std::string_view search, std::string_view replacement);

// A series of edits of the joined text, applied in order: the removal of every "%" (when asked), then
// each replacement pair with a search string. Gives the same text as removePercent followed by one
// replaceIgnoringCase per pair, but goes over the text once where it can: the edits that do not make the
// text longer run one after another on each block of lines while the block is in the cache.
struct ReplacementPair {
    std::string_view search;
    std::string_view replacement;
};
void applyEdits(EditableText& text, bool removePercentFirst, const std::vector<ReplacementPair>& pairs);

// The "%" marks of the percent mode. The front mark is put before the first character. The back mark adds
// a last line "%": "%" CR LF after a text that is empty or ends with a line break, else CR LF "%", so that
// the text still ends without a line break. `textEnd` is the end of the text (any tail that holds its last
// line break, or the whole text).
inline constexpr std::string_view kFrontMark = "%\r\n";
std::string_view backMarkFor(std::string_view textEnd);

// The passes on a std::string.
inline void cutAtNul(std::string& text) {
    StringText t(text);
    cutAtNul(t);
}
inline void normalizeLineBreaks(std::string& text) {
    StringText t(text);
    normalizeLineBreaks(t);
}
inline void removePercent(std::string& text) {
    StringText t(text);
    removePercent(t);
}
inline size_t replaceIgnoringCase(std::string& text, std::string_view search, std::string_view replacement) {
    StringText t(text);
    return replaceIgnoringCase(t, search, replacement);
}
inline void applyEdits(std::string& text, bool removePercentFirst, const std::vector<ReplacementPair>& pairs) {
    StringText t(text);
    applyEdits(t, removePercentFirst, pairs);
}

// Index of the first line break in `text` that is not part of a CR LF pair, or its size.
size_t findIrregularBreak(std::string_view text);

// The text that the fallback reader takes from a file's bytes: the file read as text, line by line, in
// pieces of at most 499 bytes (CR LF counts as one LF); each piece cut at its first NUL byte and freed of
// its final LF; every piece that is left non-empty becomes a line of its own, followed by CR LF.
std::string readLinePieces(std::string_view bytes);

}  // namespace tarvelin::core

namespace tarvelin::core {

// Where the lines of a text lie: each line's first byte and length, its line break not included. A line
// ends at CR LF, a lone CR or a lone LF; a text that ends with a line break has no empty last line after it.
struct LineSpan {
    size_t offset = 0;
    size_t length = 0;
};
std::vector<LineSpan> splitLines(std::string_view text);

}  // namespace tarvelin::core
