#pragma once

#include <optional>

#include <QMargins>

#include "ui/drive_file_dialog.h"
#include "ui/prompter.h"

class QPlainTextEdit;

namespace tarvelin::ui {

// The open dialog with a text preview under its own controls: while the operator moves from file to file,
// the start of a file that looks like text shows in the preview pane, and a file that does not brings a
// warning. Created for one use and destroyed after it. Qt's own file dialog (not the desktop's native one),
// so that the pane can be added; it takes drive paths typed into it.
class COpenTextDialog : public DriveFileDialog {
    Q_OBJECT

public:
    COpenTextDialog(QWidget* owner, Prompter& prompter);

    // Exists from the dialog's showing to its closing, null otherwise.
    QPlainTextEdit* PreviewMemo = nullptr;

    // Shows the dialog for a request (title, filter, initial folder, file name, default extension); the
    // chosen file as a program path, or nothing when cancelled. The file need not exist.
    std::optional<QString> choose(const FileDialogRequest& request);

public slots:
    // The dialog is about to appear: enlarged by 100 pixels, centred on the screen, the empty pane added.
    void DoShow();
    // The selected item changed: a file's first bytes, or the warning for a file that is not text.
    void DoSelectionChange(const QString& hostPath);
    // The dialog closes: the pane goes.
    void DoClose();

    void setVisible(bool visible) override;

protected:
    void done(int result) override;

private:
    Prompter& prompter_;
    QMargins layoutMargins_;  // the dialog's own, before the strip of the pane was added
};

}  // namespace tarvelin::ui
