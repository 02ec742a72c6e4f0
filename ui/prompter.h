#pragma once

#include <optional>
#include <vector>

#include <QMargins>
#include <QPoint>
#include <QString>
#include <QStringList>

#include "ui/window_frames.h"

class QPrinter;
class QWidget;

// Every message box, question and file dialog of the program goes through a Prompter. The program uses
// DialogPrompter; tests give the windows a scripted one, so that no modal loop is needed.
namespace tarvelin::ui {

enum class PromptIcon { None, Warning, Error, Information, Confirmation };
enum class PromptButton { Yes, No, Ok, Cancel };

struct MessageRequest {
    QWidget* owner = nullptr;
    QString caption;
    QString text;
    PromptIcon icon = PromptIcon::None;
    std::vector<PromptButton> buttons;
    // The box's top-left corner on the screen; nothing lets the system place it (the screen's centre).
    std::optional<QPoint> topLeft;
};

struct FileDialogRequest {
    QWidget* owner = nullptr;
    QString title;
    // "description|mask|description|mask", masks separated by ";".
    QString filter;
    QString initialFolder;     // a program path; empty for the dialog's own choice
    QString fileName;          // suggested name, a program path or a bare name
    QString defaultExtension;  // added to a typed name without an extension
};

struct PrintDialogRequest {
    QWidget* owner = nullptr;
    QPrinter* printer = nullptr;  // the printer the dialog sets up
    // The pages offered: the first and last page of the print and the lowest and highest page there is.
    int fromPage = 1;
    int toPage = 1;
    int minPage = 1;
    int maxPage = 1;
};

// The about box of the program.
struct AboutRequest {
    QWidget* owner = nullptr;
    QString caption;
    QString application;  // the program's name and version
    QString notice;       // the maker's notice
};

class Prompter {
public:
    virtual ~Prompter() = default;

    // Shows a modal message; the button pressed. A box closed any other way counts as Cancel when it has a
    // Cancel button, else as No, else as OK.
    virtual PromptButton message(const MessageRequest& request) = 0;

    // The save dialog (asking before an existing file is replaced): the chosen file as a program path, or
    // nothing when cancelled.
    virtual std::optional<QString> saveFileName(const FileDialogRequest& request) = 0;

    // The open dialog with a text preview (COpenTextDialog), created for this one choice: the chosen file
    // as a program path (it need not exist), or nothing when cancelled.
    virtual std::optional<QString> openTextFile(const FileDialogRequest& request) = 0;

    // The print dialog: the operator chooses the printer and its settings for a print of whole pages (no
    // page range, no selection). True when confirmed, with the choices in the request's printer.
    virtual bool print(const PrintDialogRequest& request) = 0;

    // The printer setup dialog (printer, paper, orientation); its choices stay in `printer` for the prints
    // to come.
    virtual void printerSetup(QWidget* owner, QPrinter& printer) = 0;

    // The about box; returns when the operator closes it.
    virtual void about(const AboutRequest& request) = 0;
};

// Shows messages with Qt's message box and file dialog, their buttons in Japanese.
class DialogPrompter final : public Prompter {
public:
    PromptButton message(const MessageRequest& request) override;
    std::optional<QString> saveFileName(const FileDialogRequest& request) override;
    std::optional<QString> openTextFile(const FileDialogRequest& request) override;
    bool print(const PrintDialogRequest& request) override;
    void printerSetup(QWidget* owner, QPrinter& printer) override;
    void about(const AboutRequest& request) override;
};

// The dialog filter "description|mask|..." as Qt's name filters ("description (*.a *.b)").
QStringList qtNameFilters(const QString& filter);

}  // namespace tarvelin::ui
