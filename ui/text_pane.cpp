#include "ui/text_pane.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextDocument>

#include "platform/mbcs.h"
#include "ui/ansi_text.h"

namespace tarvelin::ui {
namespace {

constexpr size_t kTabCells = 8;

// How a byte at a character start is drawn and how wide it is.
enum class Glyph { Narrow, Wide, Tab, Replacement };

Glyph glyphAt(std::string_view line, size_t offset) {
    const auto b = static_cast<unsigned char>(line[offset]);
    if (platform::charLengthAt(line, offset) == 2) {
        return Glyph::Wide;
    }
    if (b == '\t') {
        return Glyph::Tab;
    }
    // A lead byte without its trail byte, a byte that is no character and a control character.
    if (platform::isLeadByte(b) || b == 0x80 || b == 0xA0 || b >= 0xFD || b < 0x20 || b == 0x7F) {
        return Glyph::Replacement;
    }
    return Glyph::Narrow;
}

size_t cellsOf(Glyph glyph, size_t cell) {
    switch (glyph) {
        case Glyph::Wide:
            return 2;
        case Glyph::Tab:
            return kTabCells - cell % kTabCells;
        default:
            return 1;
    }
}

QString glyphText(std::string_view line, size_t offset, size_t length, Glyph glyph) {
    if (glyph == Glyph::Replacement) {
        return QString(QChar(0xFFFD));
    }
    return fromAnsi(line.substr(offset, length));
}

// Draws the characters of one line that are in view, from left to right: runs of narrow characters at
// once, every other character at its own cell; selected characters in the highlight's colours.
class LinePainter {
public:
    struct Metrics {
        int cell;  // the width of a cell
        int lineHeight;
        int ascent;
    };

    // The line's top at `y`, its cell `scroll` at the left edge.
    LinePainter(QPainter& painter, const QPalette& palette, Metrics metrics, int y, long scroll)
        : painter_(painter), palette_(palette), metrics_(metrics), y_(y), scroll_(scroll) {}

    // Draws the character `bytes`, shown as `glyph`, at `cell`, `width` cells wide.
    void draw(std::string_view bytes, Glyph glyph, size_t cell, size_t width, bool selected) {
        if (glyph == Glyph::Narrow) {
            if (!run_.isEmpty() && runSelected_ != selected) {
                finish();
            }
            if (run_.isEmpty()) {
                runCell_ = static_cast<long>(cell);
                runSelected_ = selected;
            }
            run_ += glyphText(bytes, 0, bytes.size(), glyph);
            return;
        }
        finish();
        const int x = xOf(static_cast<long>(cell));
        if (selected) {
            painter_.fillRect(QRect(x, y_, static_cast<int>(width) * metrics_.cell, metrics_.lineHeight),
                              palette_.highlight());
        }
        if (glyph != Glyph::Tab) {
            painter_.setPen(selected ? palette_.highlightedText().color() : palette_.text().color());
            painter_.drawText(x, y_ + metrics_.ascent, glyphText(bytes, 0, bytes.size(), glyph));
        }
    }

    // Draws the run of narrow characters not drawn yet.
    void finish() {
        if (run_.isEmpty()) {
            return;
        }
        const int x = xOf(runCell_);
        if (runSelected_) {
            painter_.fillRect(QRect(x, y_, static_cast<int>(run_.size()) * metrics_.cell, metrics_.lineHeight),
                              palette_.highlight());
        }
        painter_.setPen(runSelected_ ? palette_.highlightedText().color() : palette_.text().color());
        painter_.drawText(x, y_ + metrics_.ascent, run_);
        run_.clear();
    }

private:
    int xOf(long cell) const { return static_cast<int>(cell - scroll_) * metrics_.cell; }

    QPainter& painter_;
    const QPalette& palette_;
    const Metrics metrics_;
    const int y_;
    const long scroll_;
    QString run_;  // narrow characters not drawn yet, from runCell_ on
    long runCell_ = 0;
    bool runSelected_ = false;
};

}  // namespace

TextPane::TextPane(QWidget* parent) : QAbstractScrollArea(parent) {
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    // The inner margin of a plain-text edit (its document's margin), as the log pane beside it has; the
    // margin shows the pane's background.
    const int margin = static_cast<int>(QTextDocument().documentMargin());
    setViewportMargins(margin, margin, margin, margin);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    blink_.setInterval(QApplication::cursorFlashTime() > 0 ? QApplication::cursorFlashTime() / 2 : 500);
    connect(&blink_, &QTimer::timeout, this, [this] {
        caretShown_ = !caretShown_;
        viewport()->update();
    });
    showLines(core::EditedText());
    updateMetrics();
}

void TextPane::setTextView(std::string_view text) {
    owned_.clear();
    owned_.shrink_to_fit();
    showLines(core::EditedText(text));
}

void TextPane::setTextView(std::string_view text, core::LineIndex index) {
    owned_.clear();
    owned_.shrink_to_fit();
    showLines(core::EditedText(text, std::move(index)));
}

void TextPane::setText(std::string text) {
    owned_ = std::move(text);
    showLines(core::EditedText(owned_));
}

void TextPane::clear() {
    setText({});
}

void TextPane::showLines(core::EditedText lines) {
    lines_ = std::move(lines);
    marks_ = {};
    widest_ = 0;
    caret_ = anchor_ = {};
    preferredCell_ = 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
    emit textChanged();
}

std::string TextPane::text() const {
    return lines_.text();
}

bool TextPane::isEmpty() const {
    return lineCount() == 1 && lineText(0).empty();
}

void TextPane::updateMetrics() {
    const QFontMetrics metrics(font());
    cell_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    lineHeight_ = std::max(1, metrics.lineSpacing());
    ascent_ = metrics.ascent();
    updateScrollBars();
    viewport()->update();
}

void TextPane::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateMetrics();
    }
}

void TextPane::updateScrollBars() {
    const int visibleLines = std::max(1, viewport()->height() / lineHeight_);
    const auto lines = static_cast<int>(std::min<size_t>(lineCount(), INT32_MAX));
    verticalScrollBar()->setRange(0, std::max(0, lines - visibleLines));
    verticalScrollBar()->setPageStep(visibleLines);
    verticalScrollBar()->setSingleStep(1);
    const int visibleCells = std::max(1, viewport()->width() / cell_);
    const auto cells = static_cast<int>(std::min<size_t>(widest_ + kTabCells, INT32_MAX / 2));
    horizontalScrollBar()->setRange(0, std::max(0, cells - visibleCells + 1));
    horizontalScrollBar()->setPageStep(visibleCells);
    horizontalScrollBar()->setSingleStep(1);
}

void TextPane::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TextPane::scrollContentsBy(int, int) {
    viewport()->update();
}

size_t TextPane::firstVisibleLine() const {
    return static_cast<size_t>(verticalScrollBar()->value());
}

TextPane::ColumnMark TextPane::markBefore(size_t line, size_t offset, size_t cell) const {
    ColumnMark best{line, 0, 0};
    for (const ColumnMark& mark : marks_) {
        if (mark.line == line && mark.offset <= offset && mark.cell <= cell && mark.offset >= best.offset) {
            best = mark;
        }
    }
    return best;
}

void TextPane::keepMark(const ColumnMark& mark) const {
    for (const ColumnMark& kept : marks_) {
        if (kept.line == mark.line && kept.offset == mark.offset) {
            return;
        }
    }
    // The oldest goes: the caret's place and the first column in view of the line it is in stay known.
    marks_[nextMark_] = mark;
    nextMark_ = (nextMark_ + 1) % marks_.size();
}

size_t TextPane::cellOf(size_t line, size_t offset) const {
    const std::string_view text = lineText(line);
    ColumnMark at = markBefore(line, offset, ~size_t{0});
    while (at.offset < offset && at.offset < text.size()) {
        at.cell += cellsOf(glyphAt(text, at.offset), at.cell);
        at.offset += platform::charLengthAt(text, at.offset);
    }
    keepMark(at);
    return at.cell;
}

TextPane::ColumnMark TextPane::characterAtCell(size_t line, size_t cell) const {
    const std::string_view text = lineText(line);
    ColumnMark at = markBefore(line, ~size_t{0}, cell);
    while (at.offset < text.size()) {
        const size_t width = cellsOf(glyphAt(text, at.offset), at.cell);
        if (at.cell + width > cell) {
            break;
        }
        at.cell += width;
        at.offset += platform::charLengthAt(text, at.offset);
    }
    keepMark(at);
    return at;
}

size_t TextPane::offsetAt(size_t line, size_t cell, bool nearest) const {
    const std::string_view text = lineText(line);
    const ColumnMark at = characterAtCell(line, cell);
    if (at.offset >= text.size()) {
        return text.size();
    }
    // Within this character: before it, or after it when nearer its end.
    const size_t width = cellsOf(glyphAt(text, at.offset), at.cell);
    return nearest && (cell - at.cell) * 2 >= width ? at.offset + platform::charLengthAt(text, at.offset) : at.offset;
}

size_t TextPane::previousCharacter(size_t line, size_t offset) const {
    const std::string_view text = lineText(line);
    size_t previous = 0;
    for (size_t i = 0; i < offset && i < text.size(); i += platform::charLengthAt(text, i)) {
        previous = i;
    }
    return previous;
}

size_t TextPane::nextCharacter(size_t line, size_t offset) const {
    const std::string_view text = lineText(line);
    return offset < text.size() ? offset + platform::charLengthAt(text, offset) : offset;
}

TextPane::Position TextPane::positionAt(const QPoint& point) const {
    const long row = point.y() < 0 ? -1 : point.y() / lineHeight_;
    const auto line = static_cast<size_t>(
        std::clamp<long>(static_cast<long>(firstVisibleLine()) + row, 0, static_cast<long>(lineCount()) - 1));
    // The nearest boundary between two characters: a click on a character's right half lands after it.
    const auto cell = static_cast<size_t>(std::max(0, point.x() + cell_ / 2) / cell_ + horizontalScrollBar()->value());
    return {line, offsetAt(line, cell, true)};
}

void TextPane::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    painter.setFont(font());
    const size_t first = firstVisibleLine();
    const size_t rows = static_cast<size_t>(viewport()->height() / lineHeight_ + 1);
    for (size_t row = 0; row < rows && first + row < lineCount(); ++row) {
        paintLine(painter, first + row, static_cast<int>(row) * lineHeight_);
    }
    if (hasFocus() && caretShown_ && caret_.line >= first && caret_.line < first + rows) {
        const long cell = static_cast<long>(cellOf(caret_.line, caret_.offset)) - horizontalScrollBar()->value();
        const int x = static_cast<int>(cell) * cell_;
        const int y = static_cast<int>(caret_.line - first) * lineHeight_;
        painter.fillRect(QRect(x, y, 1, lineHeight_), palette().text());
    }
}

void TextPane::followLineSize(size_t size) {
    if (size > widest_) {
        // The scroll range follows the longest line seen so far.
        widest_ = size;
        QMetaObject::invokeMethod(
            this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
    }
}

std::pair<size_t, size_t> TextPane::selectedBytes(size_t line, size_t size) const {
    if (!hasSelection() || line < selectionStart().line || selectionEnd().line < line) {
        return {0, 0};
    }
    return {selectionStart().line == line ? selectionStart().offset : 0,
            selectionEnd().line == line ? selectionEnd().offset : size + 1};
}

void TextPane::paintLine(QPainter& painter, size_t line, int y) {
    const std::string_view text = lineText(line);
    followLineSize(text.size());
    const long scroll = horizontalScrollBar()->value();
    const long lastCell = scroll + viewport()->width() / cell_ + 1;
    const auto [selectedFrom, selectedTo] = selectedBytes(line, text.size());
    // From the character in the first column in view: a long line scrolled far is not read from its start.
    const ColumnMark first = characterAtCell(line, static_cast<size_t>(std::max(0L, scroll)));
    size_t cell = first.cell;
    size_t at = first.offset;
    LinePainter characters(painter, palette(), {cell_, lineHeight_, ascent_}, y, scroll);
    while (at < text.size() && static_cast<long>(cell) <= lastCell) {
        const Glyph glyph = glyphAt(text, at);
        const size_t length = platform::charLengthAt(text, at);
        const size_t width = cellsOf(glyph, cell);
        if (static_cast<long>(cell + width) > scroll) {
            characters.draw(text.substr(at, length), glyph, cell, width, at >= selectedFrom && at < selectedTo);
        }
        cell += width;
        at += length;
    }
    characters.finish();
    // The line break of a selected line shows as one selected cell.
    if (selectedTo > text.size() && selectedFrom <= text.size()) {
        const int x = static_cast<int>(static_cast<long>(cellOf(line, text.size())) - scroll) * cell_;
        painter.fillRect(QRect(x, y, cell_, lineHeight_), palette().highlight());
    }
}

void TextPane::ensureCaretVisible() {
    QScrollBar* vertical = verticalScrollBar();
    const int rows = std::max(1, viewport()->height() / lineHeight_);
    const auto line = static_cast<int>(caret_.line);
    if (line < vertical->value()) {
        vertical->setValue(line);
    } else if (line >= vertical->value() + rows) {
        vertical->setValue(line - rows + 1);
    }
    QScrollBar* horizontal = horizontalScrollBar();
    const int columns = std::max(1, viewport()->width() / cell_);
    const auto cell = static_cast<int>(cellOf(caret_.line, caret_.offset));
    if (cell < horizontal->value()) {
        horizontal->setValue(cell);
    } else if (cell >= horizontal->value() + columns) {
        horizontal->setValue(cell - columns + 1);
    }
}

void TextPane::setCaret(Position position, bool keepAnchor) {
    moveCaret(position, keepAnchor);
}

void TextPane::moveCaret(Position position, bool keepAnchor, bool keepColumn) {
    position.line = std::min(position.line, lineCount() - 1);
    position.offset = std::min(position.offset, lineText(position.line).size());
    caret_ = position;
    if (!keepAnchor) {
        anchor_ = caret_;
    }
    if (!keepColumn) {
        preferredCell_ = cellOf(caret_.line, caret_.offset);
    }
    caretShown_ = true;
    ensureCaretVisible();
    viewport()->update();
}

void TextPane::selectAll() {
    anchor_ = {};
    moveCaret({lineCount() - 1, lineText(lineCount() - 1).size()}, true);
}

std::string TextPane::selectedText() const {
    if (!hasSelection()) {
        return {};
    }
    const Position from = selectionStart();
    const Position to = selectionEnd();
    if (from.line == to.line) {
        return std::string(lineText(from.line).substr(from.offset, to.offset - from.offset));
    }
    std::string text(lineText(from.line).substr(from.offset));
    for (size_t line = from.line + 1; line < to.line; ++line) {
        text += "\r\n";
        text += lineText(line);
    }
    text += "\r\n";
    text += lineText(to.line).substr(0, to.offset);
    return text;
}

void TextPane::insertText(std::string_view text) {
    const Position from = selectionStart();
    const Position end = lines_.replace(from, selectionEnd(), text);
    // A known column stays where nothing before it changed.
    for (ColumnMark& mark : marks_) {
        if (mark.line > from.line || (mark.line == from.line && mark.offset > from.offset)) {
            mark = {};
        }
    }
    // The scroll range follows the longest line seen so far.
    for (size_t line = from.line; line <= end.line; ++line) {
        widest_ = std::max(widest_, lineText(line).size());
    }
    moveCaret(end, false);
    updateScrollBars();
    viewport()->update();
    emit textChanged();
}

TextPane::Position TextPane::characterBefore(Position at) const {
    if (at.offset > 0) {
        return {at.line, previousCharacter(at.line, at.offset)};
    }
    return at.line > 0 ? Position{at.line - 1, lineText(at.line - 1).size()} : at;
}

TextPane::Position TextPane::characterAfter(Position at) const {
    if (at.offset < lineText(at.line).size()) {
        return {at.line, nextCharacter(at.line, at.offset)};
    }
    return at.line < lineCount() - 1 ? Position{at.line + 1, 0} : at;
}

bool TextPane::clipboardKey(QKeyEvent* event) {
    if (event == QKeySequence::Copy || event == QKeySequence::Cut) {
        if (hasSelection()) {
            QApplication::clipboard()->setText(fromAnsi(selectedText()));
            if (event == QKeySequence::Cut) {
                insertText({});
            }
        }
        return true;
    }
    if (event == QKeySequence::Paste) {
        insertText(toAnsi(QApplication::clipboard()->text()));
        return true;
    }
    if (event == QKeySequence::SelectAll) {
        selectAll();
        return true;
    }
    return false;
}

bool TextPane::caretKey(const QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
        case Qt::Key_Left:
            moveCaret(characterBefore(caret_), shift);
            return true;
        case Qt::Key_Right:
            moveCaret(characterAfter(caret_), shift);
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            moveCaretAcrossLines(event->key(), shift);
            return true;
        case Qt::Key_Home:
            moveCaret({control ? 0 : caret_.line, 0}, shift);
            return true;
        case Qt::Key_End: {
            const size_t line = control ? lineCount() - 1 : caret_.line;
            moveCaret({line, lineText(line).size()}, shift);
            return true;
        }
        default:
            return false;
    }
}

void TextPane::moveCaretAcrossLines(int key, bool keepAnchor) {
    const int rows = std::max(1, viewport()->height() / lineHeight_);
    const long step = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : key == Qt::Key_PageUp ? -rows : rows;
    const auto line = static_cast<size_t>(
        std::clamp<long>(static_cast<long>(caret_.line) + step, 0, static_cast<long>(lineCount() - 1)));
    moveCaret({line, offsetAt(line, preferredCell_, false)}, keepAnchor, true);
}

bool TextPane::editingKey(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Backspace:
            if (!hasSelection()) {
                anchor_ = characterBefore(caret_);
            }
            insertText({});
            return true;
        case Qt::Key_Delete:
            if (!hasSelection()) {
                anchor_ = characterAfter(caret_);
            }
            insertText({});
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            insertText("\r\n");
            return true;
        default:
            return false;
    }
}

void TextPane::keyPressEvent(QKeyEvent* event) {
    if (clipboardKey(event) || caretKey(event) || editingKey(event)) {
        return;
    }
    const bool control = event->modifiers() & Qt::ControlModifier;
    const QString typed = event->text();
    if (!typed.isEmpty() && !control && (typed.front().isPrint() || typed.front() == QLatin1Char('\t'))) {
        insertText(toAnsi(typed));
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TextPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        moveCaret(positionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
    }
}

void TextPane::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        moveCaret(positionAt(event->position().toPoint()), true);
    }
}

void TextPane::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) {
        insertText(toAnsi(event->commitString()));
    }
    event->accept();
}

QVariant TextPane::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImCursorRectangle) {
        const long cell = static_cast<long>(cellOf(caret_.line, caret_.offset)) - horizontalScrollBar()->value();
        const long row = static_cast<long>(caret_.line) - static_cast<long>(firstVisibleLine());
        return QRect(static_cast<int>(cell) * cell_, static_cast<int>(row) * lineHeight_, 1, lineHeight_);
    }
    if (query == Qt::ImEnabled) {
        return true;
    }
    return QAbstractScrollArea::inputMethodQuery(query);
}

void TextPane::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    caretShown_ = true;
    blink_.start();
    viewport()->update();
}

void TextPane::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    viewport()->update();
}

}  // namespace tarvelin::ui
