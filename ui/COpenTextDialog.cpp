#include "ui/COpenTextDialog.h"

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QCoreApplication>
#include <QLayout>
#include <QPlainTextEdit>
#include <QScreen>

#include "core/text_preview.h"
#include "platform/drives.h"
#include "platform/file_error.h"
#include "ui/ansi_text.h"
#include "ui/messages.h"

namespace tarvelin::ui {
namespace {

constexpr int kPreviewStrip = 100;

QString programPathOf(const QString& hostPath) {
    const std::string host = hostPath.toStdString();
    if (const auto drivePath = platform::drives().toDrivePath(host)) {
        return fromAnsi(*drivePath);
    }
    return hostPath;
}

}  // namespace

COpenTextDialog::COpenTextDialog(QWidget* owner, Prompter& prompter) : DriveFileDialog(owner), prompter_(prompter) {
    setObjectName(QStringLiteral("COpenTextDialog"));
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::AnyFile);  // the chosen file need not exist
    connect(this, &QFileDialog::currentChanged, this,
            [this](const QString& path) { runHandler(prompter_, this, [this, &path] { DoSelectionChange(path); }); });
}

std::optional<QString> COpenTextDialog::choose(const FileDialogRequest& request) {
    setWindowTitle(request.title);
    setNameFilters(qtNameFilters(request.filter));
    setDefaultSuffix(request.defaultExtension);
    if (!request.initialFolder.isEmpty()) {
        if (const auto host = platform::drives().toHostPath(toAnsi(request.initialFolder))) {
            setDirectory(QString::fromStdString(*host));
        }
    }
    if (!request.fileName.isEmpty()) {
        selectFile(request.fileName);
    }
    if (exec() != QDialog::Accepted || selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return programPathOf(selectedFiles().front());
}

void COpenTextDialog::setVisible(bool visible) {
    // Placed before the window first exists, so that the window manager puts its frame where it is told.
    if (visible && !isVisible()) {
        DoShow();
    }
    QFileDialog::setVisible(visible);
}

void COpenTextDialog::done(int result) {
    DoClose();
    QFileDialog::done(result);
}

void COpenTextDialog::DoShow() {
    if (PreviewMemo != nullptr) {
        return;
    }
    // The client area and the window (with the frame it will get) as the dialog would open.
    if (!testAttribute(Qt::WA_Resized)) {
        adjustSize();
    }
    const QSize client = size();
    const QSize window = client.grownBy(expectedFrame(parentWidget()));
    // 100 pixels higher, centred on the screen.
    const QSize enlarged(window.width(), window.height() + kPreviewStrip);
    const QRect screenArea = screen() != nullptr ? screen()->geometry() : QRect(0, 0, 1024, 768);
    resize(client.width(), client.height() + kPreviewStrip);
    placeFrame(this, QPoint(screenArea.left() + (screenArea.width() - enlarged.width()) / 2,
                            screenArea.top() + (screenArea.height() - enlarged.height()) / 2));
    // The dialog's own controls keep clear of the strip.
    if (layout() != nullptr) {
        layoutMargins_ = layout()->contentsMargins();
        layout()->setContentsMargins(layoutMargins_ + QMargins(0, 0, 0, kPreviewStrip));
    }
    // In the strip, 6 pixels from either side; it keeps this place and size when the dialog is resized.
    PreviewMemo = new QPlainTextEdit(this);
    PreviewMemo->setObjectName(QStringLiteral("PreviewMemo"));
    PreviewMemo->setFont(QApplication::font());  // the default user-interface font
    PreviewMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    PreviewMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    PreviewMemo->setGeometry(6, client.height() + 1, client.width() - 12, 80);
    PreviewMemo->show();
}

void COpenTextDialog::DoSelectionChange(const QString& hostPath) {
    // No file of that name (a folder, nothing selected): the pane keeps what it shows.
    if (!QFileInfo(hostPath).isFile()) {
        return;
    }
    const std::string host = hostPath.toStdString();
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(host.c_str(), "rb"), std::fclose);
    char buffer[core::kPreviewBytes];
    const size_t count = file ? std::fread(buffer, 1, sizeof buffer, file.get()) : 0;
    if (!file || std::ferror(file.get())) {
        showBox(prompter_, this, QCoreApplication::applicationName(), PromptIcon::None,
                fromAnsi(platform::FileError::cannotOpen(toAnsi(programPathOf(hostPath))).message()));
        return;
    }
    if (!core::IsTextFile(buffer, count)) {
        showBox(prompter_, this, jp("警告"), PromptIcon::Warning,
                jp("ファイルのプレビューが出来ません。\n(ファイルタイプが違います。)"));
        return;
    }
    if (PreviewMemo != nullptr) {
        // CR LF, CR and LF each show as a line break.
        QString text = fromAnsi(core::previewText(std::string_view(buffer, count)));
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        PreviewMemo->setPlainText(text);
    }
}

void COpenTextDialog::DoClose() {
    if (PreviewMemo != nullptr && layout() != nullptr) {
        layout()->setContentsMargins(layoutMargins_);
    }
    delete PreviewMemo;
    PreviewMemo = nullptr;
}

}  // namespace tarvelin::ui
