#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QFont>
#include <QWidget>

#include "core/edited_text.h"

class QPlainTextEdit;
class QPrinter;

namespace tarvelin::ui {

// Long work of the print holder reports to a PrintProgress, which lets the window handle its events
// meanwhile and may stop the work.
class PrintProgress {
public:
    virtual ~PrintProgress() = default;
    // `done` of `total` parts of the held text have been counted or printed. False stops the work.
    virtual bool proceed(size_t done, size_t total) = 0;
};

enum class PrintOutcome { Printed, Failed, Cancelled };

// The print holder: a window that is never shown and holds a plain copy of the text to print, with the
// font to print in. The join window hands it the data pane's text on "印刷"; its own panes are never
// touched by printing. It also keeps the printer, so that what the operator chose in the print and
// printer setup dialogs holds for the next print.
//
// The text is held as the code page 932 lines it is, not as a laid-out document, and the data pane's text is
// not even copied: the holder reads the pane's lines where they lie. The lines are counted and printed one
// at a time, each laid out as RichEdit1 or the page would lay it out, so that a text of hundreds of
// megabytes is handed over at once and costs no memory of its own. A plain ASCII line that fits the page
// is printed from the font's glyphs without a layout, where they land exactly as its layout would put them.
class TPrintForm : public QWidget {
    Q_OBJECT

public:
    TPrintForm();
    ~TPrintForm() override;

    QPlainTextEdit* RichEdit1 = nullptr;  // gives the width, font and colour the text is held in
    QPlainTextEdit* RichEdit2 = nullptr;  // filling the rest; not used for printing

    // Holds `text` (lines separated by CR LF, LF or CR; code page 932) to print in `font`, in black.
    void holdText(std::string text, const QFont& font);
    // The same for a text of the program's windows.
    void holdText(const QString& text, const QFont& font);
    // Holds the lines of a data pane as they stand, edits included. The text they read is not copied: it
    // must stay unchanged until releaseText or the next holdText.
    void holdText(const core::EditedText& lines, const QFont& font);
    // Lets go of the held text.
    void releaseText();

    // The lines of the held text as RichEdit1 lays them out at its width: a wrapped line counts once per
    // piece, and a last line that is empty is not counted.
    size_t laidOutLineCount() const;
    // The same, reporting to `progress`; nothing when it stopped the count.
    std::optional<size_t> laidOutLineCount(PrintProgress& progress) const;

    // Prints the held text as one job titled `title`: laid out over the whole printable area of each page,
    // wrapped at the page's width, page after page. A job that `progress` stops is aborted: nothing more
    // of it is printed.
    PrintOutcome printHeld(QPrinter& printer, const QString& title, PrintProgress* progress = nullptr) const;

    // The printer prints go to, or null when the system has no printer installed.
    QPrinter* printer();
    // Makes every print go to `printer` (a file printer, for tests).
    void setPrinter(std::unique_ptr<QPrinter> printer);
    // Lays out every line it prints, plain ASCII lines too, which are otherwise drawn as glyph runs taken
    // from the font: the pages must come out the same either way, and this prints them for comparing.
    void layOutEveryLine(bool every) { layOutEveryLine_ = every; }

private:
    void holdFont(const QFont& font);
    qreal paneWidth() const;

    std::string ownText_;     // the text held, when the holder keeps its own
    core::EditedText lines_;  // the lines held: of ownText_, or of a data pane's text
    QFont font_;
    std::unique_ptr<QPrinter> printer_;
    bool printerGiven_ = false;
    bool layOutEveryLine_ = false;
};

// The height in pixels of `font` on a device of `dotsPerInch`: its pixel size, or its point size scaled
// and rounded to the nearest pixel.
int fontHeightInPixels(const QFont& font, int dotsPerInch);

}  // namespace tarvelin::ui
