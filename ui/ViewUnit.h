#pragma once

#include <QElapsedTimer>

#include "core/join_run.h"
#include "ui/app_context.h"
#include "ui/placed_dialog.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace tarvelin::ui {

class TMainForm;
class TextPane;

// The join window: runs a join over the main window's join list and shows its log and the joined data on
// two pages. It is created once and lives as long as the program; the main window opens it modally.
class TViewForm : public PlacedDialog, private core::JoinHost {
    Q_OBJECT

public:
    TViewForm(AppContext& context, TMainForm& mainForm);
    ~TViewForm() override;

    QLabel* Label1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QPlainTextEdit* RichEdit1 = nullptr;  // the log pane
    TextPane* RichEdit2 = nullptr;        // the data pane
    QPlainTextEdit* Memo1 = nullptr;      // the hidden text holder under the log pane
    QPushButton* Button1 = nullptr;       // "開始"
    QPushButton* Button2 = nullptr;       // "印刷"
    QPushButton* Button3 = nullptr;       // "ﾌﾟﾘﾝﾀ設定"
    QPushButton* Button4 = nullptr;       // "戻る"

    // The output path of the last join run, for the print job's title.
    const std::string& outputPath() const { return outputPath_; }
    // The print holder that "印刷" prints through.
    void setPrintForm(class TPrintForm* printForm) { printForm_ = printForm; }
    // Whether a join is running.
    bool joinRunning() const { return run_.running(); }

public slots:
    void FormShow();
    void FormClose();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

protected:
    void showEvent(QShowEvent* event) override;
    // Minimising the join window, which keeps the main window waiting, minimises the program: the main
    // window's entry in the task bar brings both back.
    void changeEvent(QEvent* event) override;
    void reject() override;
    // A double click on a line of the join check in the log opens the data page at the line it names.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeWindow() override;
    // The message for a system without a printer.
    void showNoPrinter();
    // Opens the data page with the caret on a line (0-based) of the joined data, the line in view.
    void showDataLine(size_t line);

    // core::JoinHost
    void clearLog() override;
    void addLogLine(std::string_view line) override;
    void showDataText(std::string_view text) override;
    void showDataText(std::string_view text, core::LineIndex index) override;
    std::optional<std::string> askOutputPath(const core::SaveDialogRequest& request) override;
    void showStopMessage(std::string_view text) override;
    bool askWarningQuestion(std::string_view text) override;
    void processPendingEvents() override;
    void keepResponsive() override;
    void showLogPage() override;
    void focusStartButton() override;
    void enablePrintButton() override;

    AppContext& context_;
    TMainForm& mainForm_;
    core::JoinRun run_;
    class TPrintForm* printForm_ = nullptr;
    std::string outputPath_;
    // "戻る" or the close box while a join runs: done once the run has ended, so that the run keeps its
    // window.
    QElapsedTimer sinceEvents_;  // since the window last handled its events during a join
    bool backWhenDone_ = false;
    bool closeWhenDone_ = false;
};

}  // namespace tarvelin::ui
