#include "ui/held_print_job.h"

#include <QPrintEngine>
#include <QPrinter>
#include <QStringList>

#include "platform/print_spooler.h"

namespace tarvelin::ui {
namespace {

// The print engine's key of the CUPS options that the print dialog sets (Qt keeps it in a private header).
constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// The options that Qt's own CUPS engine gives a job: paper, copies, sides, orientation and the ones the
// print dialog set.
std::vector<platform::PrintJobOption> jobOptions(QPrinter& printer) {
    std::vector<platform::PrintJobOption> options;
    const auto add = [&options](const QString& name, const QString& value) {
        options.push_back({name.toStdString(), value.toStdString()});
    };
    add(QStringLiteral("media"), printer.pageLayout().pageSize().key());
    if (printer.copyCount() > 1) {
        add(QStringLiteral("copies"), QString::number(printer.copyCount()));
        if (printer.collateCopies()) {
            add(QStringLiteral("Collate"), QStringLiteral("True"));
        }
    }
    const bool portrait = printer.pageLayout().orientation() == QPageLayout::Portrait;
    switch (printer.duplex()) {
        case QPrinter::DuplexNone:
            add(QStringLiteral("sides"), QStringLiteral("one-sided"));
            break;
        case QPrinter::DuplexAuto:
            add(QStringLiteral("sides"),
                portrait ? QStringLiteral("two-sided-long-edge") : QStringLiteral("two-sided-short-edge"));
            break;
        case QPrinter::DuplexLongSide:
            add(QStringLiteral("sides"), QStringLiteral("two-sided-long-edge"));
            break;
        case QPrinter::DuplexShortSide:
            add(QStringLiteral("sides"), QStringLiteral("two-sided-short-edge"));
            break;
    }
    if (!portrait) {
        add(QStringLiteral("landscape"), QString());
    }
    const QStringList fromDialog = printer.printEngine()->property(kCupsOptions).toStringList();
    for (qsizetype i = 0; i + 1 < fromDialog.size(); i += 2) {
        add(fromDialog[i], fromDialog[i + 1]);
    }
    return options;
}

}  // namespace

HeldPrintJob::HeldPrintJob(QPrinter& printer) : printer_(printer), outputFileName_(printer.outputFileName()) {
    if (printer.outputFormat() == QPrinter::PdfFormat || !outputFileName_.isEmpty()) {
        // The new PDF file is made beside the old one; the printer writes into it by its name.
        if (auto file = platform::FileReplacement::prepare(outputFileName_.toStdString())) {
            pdfFile_.emplace(std::move(*file));
        }
        ready_ = pdfFile_.has_value();
        if (ready_) {
            printer.setOutputFileName(QString::fromStdString(pdfFile_->temporaryHostPath()));
        }
        return;
    }
    if (!platform::spoolerTakesWholeJobs()) {
        return;
    }
    spoolFolder_ = std::make_unique<QTemporaryDir>();
    ready_ = spoolFolder_->isValid();
    if (ready_) {
        printer.setOutputFileName(spoolFolder_->filePath(QStringLiteral("job")));
    }
}

HeldPrintJob::~HeldPrintJob() {
    if (pdfFile_ || spoolFolder_) {
        printer_.setOutputFileName(outputFileName_);
    }
}

bool HeldPrintJob::commit(const QString& title) {
    if (pdfFile_) {
        return pdfFile_->commit({});
    }
    if (spoolFolder_) {
        const std::string printerName = printer_.printerName().section(QLatin1Char('/'), 0, 0).toStdString();
        return platform::submitPrintJob(printerName, spoolFolder_->filePath(QStringLiteral("job")).toStdString(),
                                        title.toStdString(), jobOptions(printer_));
    }
    return true;
}

}  // namespace tarvelin::ui
