#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <QTextCursor>

namespace tarvelin::ui {

// A memo of the editor: a multi-line box that wraps at its width and holds the text of a data file.
//
// - Its text is always what its file will hold: after every change, the changed characters become what
//   they read back as after a save (U+301C "〜" becomes "～", a byte mark and a following trail character
//   become one double-byte character), and characters that code page 932 cannot hold are refused.
// - The bytes that are no character (held as private-use characters) show as marks.
// - It takes the text of a file of tens of megabytes in pieces, and keeps a few dozen lines to a paragraph
//   of its document, split by line separators, which show and behave as the line breaks they stand for: a
//   paragraph of its own costs every line some microseconds, seconds for a large file.
class DataMemo : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit DataMemo(QWidget* parent);

    // The program's own text, given in pieces: startText empties the memo, appendText adds a piece of
    // code page 932 text with CR LF line breaks that ends between two characters, and endText puts the
    // caret at the start and lets the operator undo again from there.
    void startText();
    void appendText(std::string_view cp932);
    void endText();

    // Upper-cases the memo's text as a save does and shows the result, as "保存" does; the text as its file
    // holds it (code page 932, every line break CR LF; a character that the code page cannot hold is "?").
    // The caret goes to the start and the undo history is dropped. `keepResponsive` is called between
    // small steps.
    std::string upperCaseText(const std::function<void()>& keepResponsive);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void contentsChanged(int position, int removed, int added);
    // Makes the characters around a change savable; the end of the range it looked at, as it is after.
    int keepSavable(int position, int added);
    // Marks the bytes in the paragraphs from `from` to `to`: in every one, or only in those marked before.
    void markBytes(int from, int to, bool everyParagraph);
    // Puts the program's text, savable as it is, in place of the cursor's selection; `marks` tells whether
    // it holds byte marks.
    void insertProgramText(QTextCursor& cursor, const QString& text, bool marks);
    // The line (between line breaks) of a position, with the line break after it.
    QTextCursor lineAt(int position) const;
    // Selects the line of a third click and the lines from there to a position.
    void selectLinesTo(int at);

    QTextCharFormat mark_;
    bool programText_ = false;  // the change under way is the program's text, not the operator's
    bool programMarks_ = false;
    bool adjusting_ = false;
    // The program's text as it comes in.
    QTextCursor end_;
    QString piece_;
    int linesInParagraph_ = 0;
    int charactersInParagraph_ = 0;
    // A press that follows a double click selects a line, and a drag from there selects whole lines.
    QElapsedTimer sinceDoubleClick_;
    QPoint doubleClickPoint_;
    QTextCursor selectedLine_;
    bool pressed_ = false;
};

}  // namespace tarvelin::ui
