#pragma once

#include <memory>

#include <QWidget>

class QPlainTextEdit;
class QPrinter;

namespace tarvelin::ui {

// The print holder: a window that is never shown and holds a plain copy of the text to print, with the
// font to print in. The join window hands it the data pane's text on "印刷"; its own panes are never
// touched by printing. It also keeps the printer, so that what the operator chose in the print and
// printer setup dialogs holds for the next print.
class TPrintForm : public QWidget {
    Q_OBJECT

public:
    TPrintForm();
    ~TPrintForm() override;

    QPlainTextEdit* RichEdit1 = nullptr;  // the text to print, across the top
    QPlainTextEdit* RichEdit2 = nullptr;  // filling the rest; not used for printing

    // Takes a copy of `text` (lines separated by "\n") to print in `font`, in black.
    void holdText(const QString& text, const QFont& font);

    // The lines of the held text as RichEdit1 lays them out at its width: a wrapped line counts once per
    // piece, and a last line that is empty is not counted.
    size_t laidOutLineCount() const;

    // Prints the held text as one job titled `title`: laid out over the whole printable area of each page,
    // wrapped at the page's width, page after page. False when the printer could not start the job.
    bool printHeld(QPrinter& printer, const QString& title) const;

    // The printer prints go to, or null when the system has no printer installed.
    QPrinter* printer();
    // Makes every print go to `printer` (a file printer, for tests).
    void setPrinter(std::unique_ptr<QPrinter> printer);

private:
    std::unique_ptr<QPrinter> printer_;
    bool printerGiven_ = false;
};

// The height in pixels of `font` on a device of `dotsPerInch`: its pixel size, or its point size scaled
// and rounded to the nearest pixel.
int fontHeightInPixels(const QFont& font, int dotsPerInch);

}  // namespace tarvelin::ui
