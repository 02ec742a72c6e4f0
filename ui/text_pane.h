#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QAbstractScrollArea>
#include <QTimer>

#include "core/data_text.h"
#include "core/line_index.h"

// A plain-text pane for texts of hundreds of megabytes: the join window's data pane. It shows a code page
// 932 text in a fixed-pitch font without word wrap, reading the text where it lies (no copy, no conversion
// of the whole) and drawing only the lines in view, so that a large joined program shows at once and its
// last line is a scroll away. The operator can edit it; the edits stay in the pane.
//
// A half-width character takes one cell and a double-byte character two; a tab goes to the next multiple of
// eight cells. Bytes that are not Shift-JIS show as a replacement mark and stay as they are in text().
namespace tarvelin::ui {

class TextPane : public QAbstractScrollArea {
    Q_OBJECT

public:
    // A place in the text: a line and a byte offset in it (always the start of a character).
    struct Position {
        size_t line = 0;
        size_t offset = 0;
        bool operator==(const Position&) const = default;
        auto operator<=>(const Position&) const = default;
    };

    explicit TextPane(QWidget* parent = nullptr);

    // Shows a text that stays valid and unchanged until the pane is given another or cleared.
    void setTextView(std::string_view text);
    // Shows a text that the pane keeps a copy of.
    void setText(std::string text);
    void clear();

    // The pane's whole text: the text it was given, with the operator's edits; lines joined by CR LF.
    std::string text() const;
    bool isEmpty() const;
    size_t lineCount() const { return edited_ ? lines_.size() : index_.lineCount(); }
    std::string_view lineText(size_t line) const;

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
    // A line of the text: where it lies in the text given or, for an edited line, kEdited and the index of its
    // copy in editedLines_.
    using Line = core::LineSpan;
    static constexpr size_t kEdited = size_t{1} << 63;
    static bool isEdited(const Line& line) { return (line.offset & kEdited) != 0; }

    void indexLines(std::string_view text);
    void listAllLines();
    void updateMetrics();
    void updateScrollBars();
    void ensureCaretVisible();
    std::string& editableLine(size_t line);
    void replaceLine(size_t line, std::string text);
    void deleteRange(Position from, Position to);
    Position selectionStart() const { return std::min(anchor_, caret_); }
    Position selectionEnd() const { return std::max(anchor_, caret_); }
    bool hasSelection() const { return anchor_ != caret_; }
    // The cell where the character at `offset` of a line starts.
    size_t cellOf(size_t line, size_t offset) const;
    // The offset of the character that covers `cell` in a line (its end when the cell is beyond it).
    size_t offsetAt(size_t line, size_t cell, bool nearest) const;
    size_t previousCharacter(size_t line, size_t offset) const;
    size_t nextCharacter(size_t line, size_t offset) const;
    Position positionAt(const QPoint& point) const;
    void moveCaret(Position position, bool keepAnchor, bool keepColumn = false);
    void paintLine(QPainter& painter, size_t line, int y);

    std::string owned_;      // the text, when the pane keeps a copy
    std::string_view text_;  // the text given
    // Until the first edit the lines are found through a sparse index; the first edit lists them all.
    core::LineIndex index_;
    bool edited_ = false;
    std::vector<Line> lines_;
    std::vector<std::string> editedLines_;
    size_t widest_ = 0;  // the longest line seen, in bytes, which bounds its width in cells

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
