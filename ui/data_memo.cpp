#include "ui/data_memo.h"

#include <algorithm>

#include <QApplication>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "platform/cp932_utf16.h"
#include "platform/mbcs.h"
#include "ui/ansi_text.h"

namespace tarvelin::ui {
namespace {

// A paragraph of the program's text ends at the first line break after this many lines or characters:
// few enough paragraphs for the document to take 50 MB at once, and short enough to be laid out again at
// every key.
constexpr int kLinesPerParagraph = 64;
constexpr int kCharactersPerParagraph = 4096;

// The state of a paragraph that shows byte marks.
constexpr int kMarked = 1;
constexpr int kUnmarked = -1;  // a new paragraph's

bool isLineBreak(QChar c) {
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

bool hasByteMarks(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return platform::isByteMark(c.unicode()); });
}

// The text of a paragraph as the memo's plain text reads (line separators as line breaks, no-break spaces
// as spaces), encoded and upper-cased as its file will hold it, every line break CR LF, appended to
// `bytes`. The paragraph as it shows after that goes to `shown`.
void appendUpperCased(const QString& text, std::string& bytes, QString& shown) {
    const size_t start = bytes.size();
    QString spaced;
    std::u16string_view rest = utf16Of(text);
    if (text.contains(QChar::Nbsp)) {
        spaced = text;
        spaced.replace(QChar::Nbsp, QLatin1Char(' '));
        rest = utf16Of(spaced);
    }
    for (;;) {
        const size_t lineEnd = std::min(rest.find(QChar::LineSeparator), rest.size());
        const size_t at = bytes.size();
        bytes.resize(at + 2 * lineEnd);
        bytes.resize(at + platform::encodeCp932(rest.substr(0, lineEnd), bytes.data() + at));
        platform::upperInPlace(bytes.data() + at, bytes.size() - at);
        if (lineEnd == rest.size()) {
            break;
        }
        bytes += "\r\n";
        rest.remove_prefix(lineEnd + 1);
    }
    const std::string_view paragraph(bytes.data() + start, bytes.size() - start);
    shown.resize(static_cast<qsizetype>(paragraph.size()));
    QChar* chars = shown.data();
    const auto decoded = static_cast<qsizetype>(platform::decodeCp932(paragraph, reinterpret_cast<char16_t*>(chars)));
    qsizetype size = 0;
    for (qsizetype i = 0; i < decoded; ++i) {
        if (chars[i] != QLatin1Char('\r')) {
            chars[size++] = chars[i] == QLatin1Char('\n') ? QChar::LineSeparator : chars[i];
        }
    }
    shown.truncate(size);
}

}  // namespace

DataMemo::DataMemo(QWidget* parent) : QPlainTextEdit(parent) {
    mark_.setBackground(QColor(0xC0, 0x00, 0x00));
    mark_.setForeground(Qt::white);
    connect(document(), &QTextDocument::contentsChange, this, &DataMemo::contentsChanged);
}

void DataMemo::startText() {
    clear();
    document()->setUndoRedoEnabled(false);
    end_ = QTextCursor(document());
    selectedLine_ = QTextCursor();
    linesInParagraph_ = 0;
    charactersInParagraph_ = 0;
}

void DataMemo::appendText(std::string_view cp932) {
    piece_.resize(static_cast<qsizetype>(cp932.size()));
    QChar* chars = piece_.data();
    const auto decoded = static_cast<qsizetype>(platform::decodeCp932(cp932, reinterpret_cast<char16_t*>(chars)));
    // Every CR starts a CR LF; each LF ends a line, within a paragraph or at its end.
    qsizetype size = 0;
    bool marks = false;
    for (qsizetype i = 0; i < decoded; ++i) {
        const QChar c = chars[i];
        marks = marks || platform::isByteMark(c.unicode());
        if (c == QLatin1Char('\r')) {
            continue;
        }
        if (c == QLatin1Char('\n')) {
            const bool paragraphEnds =
                ++linesInParagraph_ >= kLinesPerParagraph || charactersInParagraph_ >= kCharactersPerParagraph;
            chars[size++] = paragraphEnds ? QChar::ParagraphSeparator : QChar::LineSeparator;
            if (paragraphEnds) {
                linesInParagraph_ = 0;
                charactersInParagraph_ = 0;
            }
            continue;
        }
        chars[size++] = c;
        ++charactersInParagraph_;
    }
    piece_.truncate(size);
    const bool first = document()->isEmpty();
    end_.movePosition(QTextCursor::End);
    insertProgramText(end_, piece_, marks);
    if (first) {
        setTextCursor(QTextCursor(document()));  // the caret stays at the start
    }
}

void DataMemo::endText() {
    end_ = QTextCursor();
    piece_ = QString();
    document()->setUndoRedoEnabled(true);
    setTextCursor(QTextCursor(document()));
}

std::string DataMemo::upperCaseText(const std::function<void()>& keepResponsive) {
    QTextDocument* document = this->document();
    const bool modified = document->isModified();
    std::string bytes;
    bytes.reserve(2 * static_cast<size_t>(document->characterCount()) + 2);  // room enough: taken as filled
    // The paragraphs that change, by number, with their new text; when they are a good part of the text, the
    // whole text is shown again instead, in less time than so many edits take.
    std::vector<std::pair<int, QString>> changed;
    qsizetype changedCharacters = 0;
    bool showAgain = false;
    QString shown;
    int number = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next(), ++number) {
        if (number > 0) {
            bytes += "\r\n";
        }
        const QString text = block.text();
        appendUpperCased(text, bytes, shown);
        if (shown != text && !showAgain) {
            changedCharacters += shown.size();
            showAgain = changedCharacters > document->characterCount() / 4;
            if (showAgain) {
                changed.clear();
            } else {
                changed.emplace_back(number, shown);
            }
        }
        keepResponsive();
    }
    if (showAgain) {
        startText();
        constexpr size_t kPiece = size_t{1} << 20;
        for (size_t start = 0; start < bytes.size();) {
            // A piece ends after a line break, between two characters.
            const size_t lf = bytes.find('\n', std::min(bytes.size(), start + kPiece));
            const size_t end = lf == std::string::npos ? bytes.size() : lf + 1;
            appendText(std::string_view(bytes).substr(start, end - start));
            start = end;
            keepResponsive();
        }
    } else {
        // Each run of changed paragraphs is replaced in edits of a few hundred paragraphs.
        document->setUndoRedoEnabled(false);
        constexpr size_t kParagraphsPerEdit = 256;
        for (size_t i = 0; i < changed.size();) {
            size_t last = i;
            QString text = changed[i].second;
            while (last + 1 < changed.size() && last + 1 - i < kParagraphsPerEdit &&
                   changed[last + 1].first == changed[last].first + 1) {
                ++last;
                text += QChar::ParagraphSeparator;
                text += changed[last].second;
            }
            const QTextBlock firstBlock = document->findBlockByNumber(changed[i].first);
            const QTextBlock lastBlock = document->findBlockByNumber(changed[last].first);
            QTextCursor range(document);
            range.setPosition(firstBlock.position());
            range.setPosition(lastBlock.position() + lastBlock.length() - 1, QTextCursor::KeepAnchor);
            insertProgramText(range, text, hasByteMarks(text));
            i = last + 1;
            keepResponsive();
        }
    }
    endText();
    document->setModified(modified);
    return bytes;
}

void DataMemo::insertProgramText(QTextCursor& cursor, const QString& text, bool marks) {
    programText_ = true;
    programMarks_ = marks;
    cursor.insertText(text);
    programText_ = false;
}

void DataMemo::contentsChanged(int position, int, int added) {
    if (adjusting_) {
        return;  // keepSavable's own change, marked below
    }
    if (programText_) {
        // Text from code page 932 is savable as it is.
        markBytes(position, position + added, programMarks_);
        return;
    }
    adjusting_ = true;
    const int end = keepSavable(position, added);
    adjusting_ = false;
    markBytes(position, end, true);
}

int DataMemo::keepSavable(int position, int added) {
    QTextDocument* document = this->document();
    const int last = document->characterCount() - 1;  // the final paragraph end is no text
    const auto selectorAt = [document](int at) {
        const char16_t c = document->characterAt(at).unicode();
        return c >= platform::kFirstVariantSelector && c < platform::kFirstVariantSelector + 2;
    };
    // One character on each side joins the change; a variation selector keeps its base character.
    int begin = std::max(0, position - 1);
    while (begin > 0 && selectorAt(begin)) {
        --begin;
    }
    int end = std::min(last, position + added + 1);
    while (end < last && selectorAt(end)) {
        ++end;
    }
    QTextCursor range(document);
    range.setPosition(begin);
    range.setPosition(end, QTextCursor::KeepAnchor);
    // selectedText gives line breaks as paragraph and line separators, which no character pairs across.
    const QString text = range.selectedText();
    QString savable;
    savable.reserve(text.size());
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype stop = start;
        while (stop < text.size() && !isLineBreak(text[stop])) {
            ++stop;
        }
        const std::u16string canonical = platform::canonicalCp932(utf16Of(text).substr(start, stop - start));
        savable += QStringView(canonical.data(), static_cast<qsizetype>(canonical.size()));
        if (stop < text.size()) {
            savable += text[stop];
        }
        start = stop + 1;
    }
    if (savable == text) {
        return end;
    }
    const int caret = textCursor().position();
    range.joinPreviousEditBlock();
    range.insertText(savable);
    range.endEditBlock();
    const int delta = static_cast<int>(savable.size() - text.size());
    QTextCursor moved = textCursor();
    moved.setPosition(caret >= end ? caret + delta
                                   : std::clamp(caret + delta, begin, begin + static_cast<int>(savable.size())));
    setTextCursor(moved);
    return begin + static_cast<int>(savable.size());
}

void DataMemo::markBytes(int from, int to, bool everyParagraph) {
    QTextDocument* document = this->document();
    for (QTextBlock block = document->findBlock(from); block.isValid(); block = block.next()) {
        if (everyParagraph || block.userState() == kMarked) {
            const QString text = block.text();
            QList<QTextLayout::FormatRange> marks;
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (!platform::isByteMark(text[i].unicode())) {
                    continue;
                }
                if (!marks.isEmpty() && marks.back().start + marks.back().length == i) {
                    ++marks.back().length;
                } else {
                    marks.append({static_cast<int>(i), 1, mark_});
                }
            }
            if (!marks.isEmpty() || block.userState() == kMarked) {
                block.layout()->setFormats(marks);
                block.setUserState(marks.isEmpty() ? kUnmarked : kMarked);
                document->markContentsDirty(block.position(), block.length());
            }
        }
        if (block.position() + block.length() > to) {
            break;
        }
    }
}

QTextCursor DataMemo::lineAt(int position) const {
    const QTextBlock block = document()->findBlock(position);
    const QString text = block.text();
    const auto offset = static_cast<qsizetype>(position - block.position());
    const qsizetype start = offset == 0 ? 0 : text.lastIndexOf(QChar::LineSeparator, offset - 1) + 1;
    qsizetype end = text.indexOf(QChar::LineSeparator, offset);
    if (end < 0) {
        end = text.size();
    }
    QTextCursor line(document());
    line.setPosition(block.position() + static_cast<int>(start));
    line.setPosition(block.position() + static_cast<int>(end), QTextCursor::KeepAnchor);
    line.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    return line;
}

void DataMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    selectedLine_ = QTextCursor();
    sinceDoubleClick_.start();
    doubleClickPoint_ = event->position().toPoint();
}

// The box selects a paragraph at a third click, and then, while the button is held and at a click with
// Shift, whole paragraphs as far as the mouse; here those are lines.
void DataMemo::mousePressEvent(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    const bool thirdClick =
        left && sinceDoubleClick_.isValid() && sinceDoubleClick_.elapsed() < QApplication::doubleClickInterval() &&
        (event->position().toPoint() - doubleClickPoint_).manhattanLength() < QApplication::startDragDistance();
    const bool shift = event->modifiers() == Qt::ShiftModifier;
    const int caret = textCursor().position();
    QPlainTextEdit::mousePressEvent(event);
    if (!left) {
        return;
    }
    pressed_ = true;
    if (thirdClick) {
        sinceDoubleClick_.invalidate();
        if (textCursor().hasSelection()) {
            selectedLine_ = lineAt(caret);
            setTextCursor(selectedLine_);
        }
    } else if (shift && selectedLine_.hasSelection()) {
        selectLinesTo(cursorForPosition(event->position().toPoint()).position());
    } else if (!shift) {
        selectedLine_ = QTextCursor();
    }
}

void DataMemo::mouseMoveEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseMoveEvent(event);
    if (pressed_ && selectedLine_.hasSelection() && (event->buttons() & Qt::LeftButton)) {
        selectLinesTo(cursorForPosition(event->position().toPoint()).position());
    }
}

void DataMemo::mouseReleaseEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        pressed_ = false;
    }
}

void DataMemo::selectLinesTo(int at) {
    QTextCursor lines = selectedLine_;
    if (at < selectedLine_.selectionStart()) {
        lines.setPosition(selectedLine_.selectionEnd());
        lines.setPosition(lineAt(at).selectionStart(), QTextCursor::KeepAnchor);
    } else if (at > selectedLine_.selectionEnd()) {
        lines.setPosition(selectedLine_.selectionStart());
        lines.setPosition(lineAt(at).selectionEnd(), QTextCursor::KeepAnchor);
    }
    setTextCursor(lines);
}

}  // namespace tarvelin::ui
