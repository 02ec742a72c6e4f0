#pragma once

#include <memory>
#include <optional>

#include <QString>
#include <QTemporaryDir>

#include "platform/file_replacement.h"

class QPrinter;

namespace tarvelin::ui {

// One print job whose pages reach the printer or the PDF file only when the job is complete, so that a
// job cancelled halfway leaves nothing: no page on paper, no partial PDF file, an earlier PDF file as it
// was. While it lives, the printer draws into a file of its own: beside the PDF file it prints to, which
// takes that file's place on commit, or a private file that commit hands to the system's spooler whole.
// Where the system's print engine itself drops a cancelled job, the printer is left as it is.
class HeldPrintJob {
public:
    explicit HeldPrintJob(QPrinter& printer);
    ~HeldPrintJob();  // the printer prints where it did before; pages not committed are removed
    HeldPrintJob(const HeldPrintJob&) = delete;
    HeldPrintJob& operator=(const HeldPrintJob&) = delete;

    // Whether the job could be set up; a printer whose PDF file cannot be written cannot print.
    bool ready() const { return ready_; }
    // Puts the complete job where it goes, once the printer has ended it; false when that fails.
    bool commit(const QString& title);

private:
    QPrinter& printer_;
    QString outputFileName_;  // where the printer printed before the job
    bool ready_ = true;
    std::optional<platform::FileReplacement> pdfFile_;  // the new PDF file beside the operator's
    std::unique_ptr<QTemporaryDir> spoolFolder_;        // the job's file for the spooler
};

}  // namespace tarvelin::ui
