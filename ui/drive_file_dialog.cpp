#include "ui/drive_file_dialog.h"

#include <QLineEdit>
#include <QMessageBox>

#include "platform/drives.h"
#include "platform/file_error.h"
#include "ui/ansi_text.h"

namespace tarvelin::ui {
namespace {

bool isDrivePath(const QString& text) {
    return text.size() >= 3 && text[0].isLetter() && text[0].unicode() < 0x80 && text[1] == QLatin1Char(':') &&
           (text[2] == QLatin1Char('\\') || text[2] == QLatin1Char('/'));
}

}  // namespace

void DriveFileDialog::accept() {
    auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString typed = name != nullptr ? name->text().trimmed() : QString();
    if (isDrivePath(typed)) {
        QString path = typed;
        path.replace(QLatin1Char('/'), QLatin1Char('\\'));
        path[0] = path[0].toUpper();
        const auto host = platform::drives().toHostPath(toAnsi(path));
        if (!host) {
            const std::string program = toAnsi(path);
            const platform::FileError error = acceptMode() == QFileDialog::AcceptSave
                                                  ? platform::FileError::cannotCreate(program)
                                                  : platform::FileError::cannotOpen(program);
            QMessageBox::warning(this, windowTitle(), fromAnsi(error.message()));
            return;
        }
        name->setText(QString::fromStdString(*host));
    }
    QFileDialog::accept();
}

}  // namespace tarvelin::ui
