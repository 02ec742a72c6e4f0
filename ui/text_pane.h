#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QAbstractScrollArea>
#include <QTimer>

#include "core/edited_text.h"

// A plain-text pane for texts of hundreds of megabytes: the join window's data pane. It shows a code page
// 932 text in a fixed-pitch font without word wrap, reading the text where it lies (no copy, no conversion
// of the whole) and drawing only the lines in view, so that a large joined program shows at once and its
// last line is a scroll away. The operator can edit it; the edits stay in the pane, beside the text given,
// so that an edit costs what it changes.
//
// A half-width character takes one cell and a double-byte character two; a tab goes to the next multiple of
// eight cells. Bytes that are not Shift-JIS show as a replacement mark and stay as they are in text().
namespace tarvelin::ui {

class TextPane : public QAbstractScrollArea {
    Q_OBJECT

public:
    // A place in the text: a line and a byte offset in it (always the start of a character).
    using Position = core::TextPosition;

    explicit TextPane(QWidget* parent = nullptr);

    // Shows a text that stays valid and unchanged until the pane is given another or cleared.
    void setTextView(std::string_view text);
    // The same, with the index of the text's lines made already.
    void setTextView(std::string_view text, core::LineIndex index);
    // Shows a text that the pane keeps a copy of.
    void setText(std::string text);
    void clear();

    // The pane's whole text: the text it was given, with the operator's edits; lines joined by CR LF.
    std::string text() const;
    bool isEmpty() const;
    size_t lineCount() const { return lines_.lineCount(); }
    std::string_view lineText(size_t line) const { return lines_.line(line); }
    // The lines themselves, for a reader that must not copy the text (the print holder).
    const core::EditedText& lines() const { return lines_; }

    Position caret() const { return caret_; }
    // Moves the caret; with keepAnchor the selection stretches to it. The view follows the caret.
    void setCaret(Position position, bool keepAnchor = false);
    void selectAll();
    std::string selectedText() const;
    // Replaces the selection with `text` (code page 932; its line breaks start new lines).
    void insertText(std::string_view text);

    // The index of the first line in view.
    size_t firstVisibleLine() const;

signals:
    void textChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void showLines(core::EditedText lines);
    void updateMetrics();
    void updateScrollBars();
    void ensureCaretVisible();
    Position selectionStart() const { return std::min(anchor_, caret_); }
    Position selectionEnd() const { return std::max(anchor_, caret_); }
    bool hasSelection() const { return anchor_ != caret_; }
    // A place in a line whose cell is known. The last ones found are kept (a few), and
    // the cells of a line are read on from them rather than from the line's start: a line can be hundreds of
    // megabytes long, and the caret's column is asked for at every key and every blink.
    struct ColumnMark {
        size_t line = ~size_t{0};
        size_t offset = 0;  // the start of a character
        size_t cell = 0;
    };
    // The kept place when it lies in `line` at or before `offset` and `cell`, else the line's start.
    ColumnMark markBefore(size_t line, size_t offset, size_t cell) const;
    void keepMark(const ColumnMark& mark) const;
    // The character that covers `cell` in a line (the line's end when the cell is beyond it), and its cell.
    ColumnMark characterAtCell(size_t line, size_t cell) const;
    // The cell where the character at `offset` of a line starts.
    size_t cellOf(size_t line, size_t offset) const;
    // The offset of the character that covers `cell` in a line (its end when the cell is beyond it).
    size_t offsetAt(size_t line, size_t cell, bool nearest) const;
    size_t previousCharacter(size_t line, size_t offset) const;
    size_t nextCharacter(size_t line, size_t offset) const;
    Position positionAt(const QPoint& point) const;
    void moveCaret(Position position, bool keepAnchor, bool keepColumn = false);
    // Moves the caret a line up or down, or by the rows in view for the page keys, to the column it keeps.
    void moveCaretAcrossLines(int key, bool keepAnchor);
    // The position before and after the character at `at`, across line breaks; `at` at either end.
    Position characterBefore(Position at) const;
    Position characterAfter(Position at) const;
    // The keys of the clipboard, of caret moves and of edits: whether `event` was one of them, handled.
    bool clipboardKey(QKeyEvent* event);
    bool caretKey(const QKeyEvent* event);
    bool editingKey(const QKeyEvent* event);
    void paintLine(QPainter& painter, size_t line, int y);
    // Widens the scroll range to a line of `size` bytes, where it is the longest seen so far.
    void followLineSize(size_t size);
    // The bytes [from, to) of a line of `size` bytes that are selected; `to` is past its end where the
    // selection takes in its line break.
    std::pair<size_t, size_t> selectedBytes(size_t line, size_t size) const;

    std::string owned_;  // the text, when the pane keeps a copy
    // The lines: the text given, read through a sparse index, and the edited lines beside it.
    core::EditedText lines_;
    size_t widest_ = 0;  // the longest line seen, in bytes, which bounds its width in cells
    mutable std::array<ColumnMark, 8> marks_;
    mutable size_t nextMark_ = 0;

    Position caret_;
    Position anchor_;
    size_t preferredCell_ = 0;
    bool caretShown_ = true;
    QTimer blink_;
    int cell_ = 8;
    int lineHeight_ = 16;
    int ascent_ = 12;
};

}  // namespace tarvelin::ui
