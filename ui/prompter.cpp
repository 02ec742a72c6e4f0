#include "ui/prompter.h"

#include <algorithm>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "platform/drives.h"
#include "ui/COpenTextDialog.h"
#include "ui/ansi_text.h"
#include "ui/drive_file_dialog.h"
#include "ui/printer_setup.h"

namespace tarvelin::ui {
namespace {

QMessageBox::Icon qtIcon(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Warning:
            return QMessageBox::Warning;
        case PromptIcon::Error:
            return QMessageBox::Critical;
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Confirmation:
            return QMessageBox::Question;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString buttonText(PromptButton button) {
    switch (button) {
        case PromptButton::Yes:
            return jp("はい(&Y)");
        case PromptButton::No:
            return jp("いいえ(&N)");
        case PromptButton::Ok:
            return jp("OK");
        case PromptButton::Cancel:
            return jp("キャンセル");
    }
    return {};
}

QMessageBox::ButtonRole buttonRole(PromptButton button) {
    switch (button) {
        case PromptButton::Yes:
        case PromptButton::Ok:
            return QMessageBox::AcceptRole;
        case PromptButton::No:
            return QMessageBox::NoRole;
        case PromptButton::Cancel:
            return QMessageBox::RejectRole;
    }
    return QMessageBox::RejectRole;
}

QString hostFolder(const QString& programPath) {
    if (programPath.isEmpty()) {
        return {};
    }
    const auto host = platform::drives().toHostPath(toAnsi(programPath));
    return host ? QString::fromStdString(*host) : QString();
}

// What a box closed without a button counts as: Cancel, else No, else OK.
PromptButton buttonForClose(const std::vector<PromptButton>& buttons) {
    for (const PromptButton preferred : {PromptButton::Cancel, PromptButton::No, PromptButton::Ok}) {
        if (std::find(buttons.begin(), buttons.end(), preferred) != buttons.end()) {
            return preferred;
        }
    }
    return PromptButton::Cancel;
}

// The box of a request, its buttons in order.
std::unique_ptr<QMessageBox> messageBox(const MessageRequest& request,
                                        std::vector<std::pair<QPushButton*, PromptButton>>& buttons) {
    auto box = std::make_unique<QMessageBox>(qtIcon(request.icon), request.caption, request.text, QMessageBox::NoButton,
                                             request.owner);
    buttons.clear();
    for (const PromptButton button : request.buttons) {
        buttons.emplace_back(box->addButton(buttonText(button), buttonRole(button)), button);
    }
    if (!buttons.empty()) {
        box->setDefaultButton(buttons.front().first);
    }
    return box;
}

}  // namespace

PromptButton DialogPrompter::message(const MessageRequest& request) {
    std::vector<std::pair<QPushButton*, PromptButton>> buttons;
    // A message box lays itself out as it is shown, after its window exists; the window manager then takes
    // its corner as that of the client area and the frame lands above and left of the point. So the box's
    // size is taken from a twin laid out off the screen, and the box gets it, and its frame's corner,
    // before it is shown.
    QSize size;
    {
        const auto twin = messageBox(request, buttons);
        twin->setAttribute(Qt::WA_DontShowOnScreen);
        twin->show();
        size = twin->size();
    }
    const auto box = messageBox(request, buttons);
    box->setFixedSize(size);
    if (request.topLeft) {
        placeFrame(box.get(), *request.topLeft);
    } else {
        // The centre of the screen.
        const QScreen* screen = request.owner != nullptr ? request.owner->screen() : QGuiApplication::primaryScreen();
        if (screen != nullptr) {
            const QRect area = screen->geometry();
            const QSize frame = size.grownBy(windowFrame(box.get()));
            placeFrame(box.get(), QPoint(area.left() + (area.width() - frame.width()) / 2,
                                         area.top() + (area.height() - frame.height()) / 2));
        }
    }
    box->exec();
    for (const auto& [pushButton, button] : buttons) {
        if (box->clickedButton() == pushButton) {
            return button;
        }
    }
    return buttonForClose(request.buttons);
}

std::optional<QString> DialogPrompter::saveFileName(const FileDialogRequest& request) {
    DriveFileDialog dialog(request.owner, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(qtNameFilters(request.filter));
    dialog.setDefaultSuffix(request.defaultExtension);
    if (const QString folder = hostFolder(request.initialFolder); !folder.isEmpty()) {
        dialog.setDirectory(folder);
    }
    if (!request.fileName.isEmpty()) {
        const QString host = hostFolder(request.fileName);
        dialog.selectFile(host.isEmpty() ? request.fileName : host);
    }
    placeOver(&dialog, request.owner);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const std::string chosen = dialog.selectedFiles().front().toStdString();
    if (const auto drivePath = platform::drives().toDrivePath(chosen)) {
        return fromAnsi(*drivePath);
    }
    return QString::fromStdString(chosen);
}

std::optional<QString> DialogPrompter::openTextFile(const FileDialogRequest& request) {
    COpenTextDialog dialog(request.owner, *this);
    return dialog.choose(request);
}

bool DialogPrompter::print(const PrintDialogRequest& request) {
    // Qt's own dialog here turns its printer back to the printer named in it as it is made.
    const bool lastToPdf = request.printer->outputFormat() == QPrinter::PdfFormat;
    const QString lastPdf = request.printer->outputFileName();
    QPrintDialog dialog(request.printer, request.owner);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setMinMax(request.minPage, request.maxPage);
    dialog.setFromTo(request.fromPage, request.toPage);
    // A print is always of all pages. Qt's own dialog on this platform still offers its page range ("先頭の
    // ページ" to "末尾のページ") and page set with the options off, and shows them again whenever it is
    // shown: its print range group goes into a hidden holder, where nothing can show it.
    if (auto* range = dialog.findChild<QWidget*>(QStringLiteral("gbPrintRange"))) {
        auto* holder = new QWidget(&dialog);
        holder->hide();
        range->setParent(holder);
    }
    // The print goes where the last one went. Qt's dialog picks a printer by its name, but comes back to it
    // from a PDF file chosen before (the printer keeps the name): once the dialog has listed its entries,
    // the PDF entry, its last, is chosen again, with the file.
    if (lastToPdf) {
        QTimer::singleShot(0, &dialog, [&dialog, lastPdf] {
            auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers"));
            auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
            if (printers != nullptr && file != nullptr && printers->count() > 0) {
                printers->setCurrentIndex(printers->count() - 1);
                file->setText(lastPdf);
            }
        });
    }
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    request.printer->setPrintRange(QPrinter::AllPages);
    return true;
}

void DialogPrompter::printerSetup(QWidget* owner, QPrinter& printer) {
    PrinterSetupDialog dialog(owner, printer, installedPrinters());
    dialog.exec();
}

void DialogPrompter::about(const AboutRequest& request) {
    QMessageBox box(request.owner);
    box.setWindowTitle(request.caption);
    box.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    box.setText(request.application);
    box.setInformativeText(request.notice);
    box.setStandardButtons(QMessageBox::Ok);
    // Wide enough for the whole caption: a message box sizes itself to its texts only.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int width = box.fontMetrics().horizontalAdvance(request.caption) + 120;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    box.exec();
}

QStringList qtNameFilters(const QString& filter) {
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        const QString& description = parts[i];
        filters << (description.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')'))
                        ? description
                        : description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters;
}

}  // namespace tarvelin::ui
