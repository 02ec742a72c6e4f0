#pragma once

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_index.h"

namespace tarvelin::core {

// A place in a text of lines: a line and a byte offset in it.
struct TextPosition {
    size_t line = 0;
    size_t offset = 0;
    bool operator==(const TextPosition&) const = default;
    auto operator<=>(const TextPosition&) const = default;
};

// A large text that the operator edits: the text as it was given, read where it lies through a sparse line
// index, and the edited lines beside it. The lines are a short list of pieces, each either a run of lines
// of the given text or a block of lines of its own, so an edit costs what it changes: the first key typed
// into hundreds of megabytes copies one line, not the text nor a table of all its lines.
//
// Lines end at CR LF, a lone CR or a lone LF, as in LineIndex; the whole text comes back with its lines
// joined by CR LF.
class EditedText {
public:
    EditedText();
    // The text must stay valid and unchanged as long as this object reads it.
    explicit EditedText(std::string_view text);
    // The same, with the text's index made already.
    EditedText(std::string_view text, LineIndex index);

    size_t lineCount() const { return ends_.empty() ? 0 : ends_.back(); }
    // The line without its line break; valid until the next edit.
    std::string_view line(size_t index) const;
    bool isEdited() const { return edited_; }

    // Replaces the bytes from `from` to `to` with `text`, whose line breaks start new lines, and gives the
    // place right after the inserted text. Positions beyond a line or the text are taken as its end.
    TextPosition replace(TextPosition from, TextPosition to, std::string_view text);

    // The whole text: as it was given until the first edit, then its lines joined by CR LF.
    std::string text() const;

    // How many pieces the lines are kept in (one for an unedited text).
    size_t pieceCount() const { return pieces_.size(); }

private:
    // A run of `count` lines of the given text from line `first`, or (with count 0) lines of its own.
    struct Piece {
        size_t first = 0;
        size_t count = 0;
        std::vector<std::string> own;
        size_t size() const { return count != 0 ? count : own.size(); }
    };

    // The piece that holds a line and the line's place in it.
    std::pair<size_t, size_t> locate(size_t line) const;
    TextPosition clamp(TextPosition position) const;
    // Makes `line` the first line of a piece (or the end of the text), and gives that piece's index.
    size_t splitAt(size_t line);
    // Replaces lines [first, first + count) with `lines` (at least one).
    void replaceLines(size_t first, size_t count, std::vector<std::string> lines);
    void updateEnds(size_t fromPiece);

    std::string_view given_;
    LineIndex index_;
    std::vector<Piece> pieces_;
    std::vector<size_t> ends_;  // ends_[p]: the line after piece p
    bool edited_ = false;
};

}  // namespace tarvelin::core
