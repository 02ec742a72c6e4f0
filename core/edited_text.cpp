#include "core/edited_text.h"

#include <algorithm>
#include <utility>

#include "core/line_break_normalizer.h"
#include "core/split_lines.h"

namespace tarvelin::core {
namespace {

// The lines of an inserted text: a text that ends with a line break (or is empty) ends with an empty line.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (const LineSpan& span : splitLines(text)) {
        lines.push_back(text.substr(span.offset, span.length));
    }
    if (text.empty() || text.back() == '\n' || text.back() == '\r') {
        lines.emplace_back();
    }
    return lines;
}

// The given text is joined in slices, so that a normalizing copy stays small.
constexpr size_t kSlice = size_t{8} << 20;

// Room left in a line copied for an edit, for the keys typed next.
constexpr size_t kRoom = 64;

}  // namespace

EditedText::EditedText() : EditedText(std::string_view()) {}

EditedText::EditedText(std::string_view text) : EditedText(text, LineIndex(text)) {}

EditedText::EditedText(std::string_view text, LineIndex index) : given_(text), index_(std::move(index)) {
    pieces_.push_back(Piece{0, index_.lineCount(), {}});
    updateEnds(0);
}

std::pair<size_t, size_t> EditedText::locate(size_t line) const {
    const auto p = static_cast<size_t>(std::upper_bound(ends_.begin(), ends_.end(), line) - ends_.begin());
    return {p, line - (p == 0 ? 0 : ends_[p - 1])};
}

std::string_view EditedText::line(size_t index) const {
    const auto [p, k] = locate(std::min(index, lineCount() - 1));
    const Piece& piece = pieces_[p];
    if (piece.count == 0) {
        return piece.own[k];
    }
    const LineSpan span = index_.line(piece.first + k);
    return given_.substr(span.offset, span.length);
}

TextPosition EditedText::clamp(TextPosition position) const {
    position.line = std::min(position.line, lineCount() - 1);
    position.offset = std::min(position.offset, line(position.line).size());
    return position;
}

void EditedText::updateEnds(size_t fromPiece) {
    ends_.resize(pieces_.size());
    for (size_t p = fromPiece; p < pieces_.size(); ++p) {
        ends_[p] = (p == 0 ? 0 : ends_[p - 1]) + pieces_[p].size();
    }
}

size_t EditedText::splitAt(size_t line) {
    if (line >= lineCount()) {
        return pieces_.size();
    }
    const auto [p, k] = locate(line);
    if (k == 0) {
        return p;
    }
    Piece tail;
    Piece& head = pieces_[p];
    if (head.count != 0) {
        tail.first = head.first + k;
        tail.count = head.count - k;
        head.count = k;
    } else {
        tail.own.assign(std::make_move_iterator(head.own.begin() + static_cast<std::ptrdiff_t>(k)),
                        std::make_move_iterator(head.own.end()));
        head.own.resize(k);
    }
    pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(p) + 1, std::move(tail));
    updateEnds(p);
    return p + 1;
}

void EditedText::replaceLines(size_t first, size_t count, std::vector<std::string> lines) {
    const auto [p, k] = locate(first);
    if (pieces_[p].count == 0 && k + count <= pieces_[p].own.size()) {
        // Within a block of lines of its own: edited where they are.
        auto& own = pieces_[p].own;
        const auto at = own.begin() + static_cast<std::ptrdiff_t>(k);
        own.erase(at, at + static_cast<std::ptrdiff_t>(count));
        own.insert(own.begin() + static_cast<std::ptrdiff_t>(k), std::make_move_iterator(lines.begin()),
                   std::make_move_iterator(lines.end()));
        updateEnds(p);
        return;
    }
    size_t a = splitAt(first);
    const size_t b = splitAt(first + count);
    pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(a), pieces_.begin() + static_cast<std::ptrdiff_t>(b));
    pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(a), Piece{0, 0, std::move(lines)});
    // Neighbouring blocks of own lines become one, so the list stays as short as the edited places.
    const auto absorb = [this](size_t into) {
        auto& own = pieces_[into].own;
        auto& next = pieces_[into + 1].own;
        own.insert(own.end(), std::make_move_iterator(next.begin()), std::make_move_iterator(next.end()));
        pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(into) + 1);
    };
    if (a + 1 < pieces_.size() && pieces_[a + 1].count == 0) {
        absorb(a);
    }
    if (a > 0 && pieces_[a - 1].count == 0) {
        absorb(--a);
    }
    updateEnds(a);
}

TextPosition EditedText::replace(TextPosition from, TextPosition to, std::string_view text) {
    from = clamp(from);
    to = clamp(to);
    if (to < from) {
        std::swap(from, to);
    }
    edited_ = true;
    // A copy of what is inserted: the text may lie in a line that the edit replaces.
    const std::string inserted(text);
    const std::vector<std::string_view> parts = linesOf(inserted);
    if (from.line == to.line && parts.size() == 1) {
        // Within one line: a line of the given text is copied once, edited on the way; a line of its own is
        // edited in place.
        const std::string_view part = parts.front();
        const auto [p, k] = locate(from.line);
        if (pieces_[p].count != 0) {
            const std::string_view given = line(from.line);
            std::string edited;
            edited.reserve(given.size() - (to.offset - from.offset) + part.size() + kRoom);
            edited.append(given.substr(0, from.offset)).append(part).append(given.substr(to.offset));
            std::vector<std::string> lines(1);  // not from a list, which would copy the line again
            lines.front() = std::move(edited);
            replaceLines(from.line, 1, std::move(lines));
        } else {
            pieces_[p].own[k].replace(from.offset, to.offset - from.offset, part);
        }
        return {from.line, from.offset + part.size()};
    }
    const std::string_view head = line(from.line).substr(0, from.offset);
    const std::string_view tail = line(to.line).substr(to.offset);
    std::vector<std::string> lines(parts.size());
    lines.front().reserve(head.size() + parts.front().size() + kRoom);
    lines.front().append(head).append(parts.front());
    for (size_t i = 1; i < parts.size(); ++i) {
        lines[i] = parts[i];
    }
    const TextPosition end{from.line + parts.size() - 1, lines.back().size()};
    lines.back().reserve(lines.back().size() + tail.size() + kRoom);
    lines.back().append(tail);
    replaceLines(from.line, to.line - from.line + 1, std::move(lines));
    return end;
}

std::string EditedText::text() const {
    if (!edited_) {
        return std::string(given_);
    }
    // The given text's runs of lines are copied as they lie, their line breaks made CR LF.
    const auto rangeOf = [this](const Piece& piece) {
        const size_t begin = index_.line(piece.first).offset;
        const LineSpan last = index_.line(piece.first + piece.count - 1);
        return given_.substr(begin, last.offset + last.length - begin);
    };
    size_t size = 0;
    for (const Piece& piece : pieces_) {
        size += piece.count != 0 ? rangeOf(piece).size() : 0;
        for (const std::string& own : piece.own) {
            size += own.size() + 2;
        }
    }
    std::string whole;
    whole.reserve(size + 2 * pieces_.size());
    for (const Piece& piece : pieces_) {
        if (&piece != &pieces_.front()) {
            whole += "\r\n";
        }
        if (piece.count != 0) {
            const std::string_view range = rangeOf(piece);
            LineBreakNormalizer normalizer;
            for (size_t at = 0; at < range.size(); at += kSlice) {
                whole += normalizer.feed(range.substr(at, kSlice));
            }
            whole += normalizer.finish();
            continue;
        }
        for (size_t i = 0; i < piece.own.size(); ++i) {
            if (i > 0) {
                whole += "\r\n";
            }
            whole += piece.own[i];
        }
    }
    return whole;
}

}  // namespace tarvelin::core
