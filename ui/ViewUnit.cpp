#include "ui/ViewUnit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTextBlock>
#include <QVBoxLayout>

#include "core/paths.h"
#include "core/print_pages.h"
#include "core/program_check.h"
#include "ui/MainUnit.h"
#include "ui/ViewPrint.h"
#include "ui/ansi_text.h"
#include "ui/button_keys.h"
#include "ui/messages.h"
#include "ui/text_pane.h"
#include "ui/window_fonts.h"
#include "ui/window_frames.h"

namespace tarvelin::ui {
namespace {

// The window's outer size in the settings file is its client area and a border of 4 pixels on each side
// and 30 for the caption: 500 by 510 is the designed client area of 492 by 476.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 34;

QPushButton* button(QWidget* parent, const char* name, const char* caption, int left) {
    auto* b = new QPushButton(jp(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(left, 440, 80, 25);
    return b;
}

// A page of the tab control that a pane fills.
QWidget* page(QWidget* pane, const char* name) {
    auto* sheet = new QWidget;
    sheet->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pane);
    return sheet;
}

}  // namespace

TViewForm::TViewForm(AppContext& context, TMainForm& mainForm)
    : PlacedDialog(&mainForm, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      context_(context),
      mainForm_(mainForm),
      run_(*this, context.screenSaver) {
    setObjectName(QStringLiteral("ViewForm"));
    setWindowTitle(QStringLiteral("ViewForm"));
    setFont(windowFont());
    setModal(true);
    setFixedSize(492, 476);

    Label1 = new QLabel(QStringLiteral("List.log"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(0, 0, 492, 12);

    RichEdit1 = new QPlainTextEdit;
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setFont(fixedPitchFont());
    RichEdit1->viewport()->installEventFilter(this);
    RichEdit2 = new TextPane;
    RichEdit2->setObjectName(QStringLiteral("RichEdit2"));
    RichEdit2->setFont(fixedPitchFont());

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 16, 489, 417);
    TabSheet1 = page(RichEdit1, "TabSheet1");
    TabSheet2 = page(RichEdit2, "TabSheet2");
    PageControl1->addTab(TabSheet1, jp("ログ表示"));
    PageControl1->addTab(TabSheet2, jp("結合データ"));

    // The text holder lies under the log pane, which covers the whole page: it is never seen.
    Memo1 = new QPlainTextEdit(QStringLiteral("Memo1"), TabSheet1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(176, 64, 257, 201);
    Memo1->lower();

    Button1 = button(this, "Button1", "開始", 10);
    Button2 = button(this, "Button2", "印刷", 100);
    Button3 = button(this, "Button3", "ﾌﾟﾘﾝﾀ設定", 190);
    Button4 = button(this, "Button4", "戻る", 300);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    for (QPushButton* b : {Button1, Button2, Button3, Button4}) {
        b->setAutoDefault(false);
        pressWithEnter(b);
    }

    connect(Button1, &QPushButton::clicked, this, guarded(context_.prompter, this, [this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, guarded(context_.prompter, this, [this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, guarded(context_.prompter, this, [this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, guarded(context_.prompter, this, [this] { Button4Click(); }));
}

TViewForm::~TViewForm() = default;

namespace {

// The progress of counting or printing a long text: a dialog with キャンセル that shows itself when the work
// has taken half a second, and the window's events handled every few hundredths of a second meanwhile, the
// operator's own only once the dialog stands over the window.
class PrintProgressDialog final : public PrintProgress {
public:
    PrintProgressDialog(QWidget* owner, const QString& label) : dialog_(label, jp("キャンセル"), 0, kSteps, owner) {
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setAutoReset(false);
        dialog_.setAutoClose(false);
        dialog_.setMinimumDuration(500);
        sinceEvents_.start();
    }

    bool proceed(size_t done, size_t total) override {
        if (sinceEvents_.elapsed() < 40) {
            return true;
        }
        dialog_.setValue(total == 0 ? 0 : static_cast<int>(static_cast<double>(done) / total * kSteps));
        QCoreApplication::processEvents(dialog_.isVisible() ? QEventLoop::AllEvents
                                                            : QEventLoop::ExcludeUserInputEvents);
        sinceEvents_.restart();
        return !dialog_.wasCanceled();
    }

private:
    static constexpr int kSteps = 1000;
    QProgressDialog dialog_;
    QElapsedTimer sinceEvents_;
};

}  // namespace

void TViewForm::Button2Click() {
    if (printForm_ == nullptr) {
        return;
    }
    QPrinter* printer = printForm_->printer();
    if (printer == nullptr) {
        showNoPrinter();
        return;
    }
    // The pane's text as it stands, the operator's edits included; read where it lies, not copied, and let
    // go of before the window can change it.
    printForm_->holdText(RichEdit2->lines(), RichEdit2->font());
    const auto release = qScopeGuard([this] { printForm_->releaseText(); });
    const int linesPerPage = core::linesPerPage(fontHeightInPixels(RichEdit2->font(), RichEdit2->logicalDpiY()));
    std::optional<size_t> lines;
    {
        PrintProgressDialog progress(this, jp("ページ数を数えています..."));
        lines = printForm_->laidOutLineCount(progress);
    }
    if (!lines) {
        return;
    }
    PrintDialogRequest request;
    request.owner = this;
    request.printer = printer;
    request.fromPage = request.minPage = 1;
    request.toPage = request.maxPage = core::pageCount(*lines, linesPerPage);
    if (context_.prompter.print(request)) {
        PrintProgressDialog progress(this, jp("印刷しています..."));
        printForm_->printHeld(*printer, fromAnsi(outputPath_), &progress);
    }
}

void TViewForm::Button3Click() {
    if (printForm_ == nullptr) {
        return;
    }
    if (QPrinter* printer = printForm_->printer()) {
        context_.prompter.printerSetup(this, *printer);
    } else {
        showNoPrinter();
    }
}

void TViewForm::showNoPrinter() {
    showBox(context_.prompter, this, QCoreApplication::applicationName(), PromptIcon::Error,
            jp("デフォルト プリンタが存在しません"));
}

void TViewForm::placeWindow() {
    const core::Settings::ViewKeys& view = mainForm_.Settings.View;
    setFixedSize(std::max(1, view.Width - kFrameWidth), std::max(1, view.Height - kFrameHeight));
    const QPoint stored(view.Left, view.Top);
    placeFrame(this, cornerOnScreen(this, stored, size().grownBy(windowFrame(this))));
}

void TViewForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TViewForm::changeEvent(QEvent* event) {
    PlacedDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !mainForm_.isMinimized()) {
        mainForm_.showMinimized();
    }
}

void TViewForm::FormShow() {
    // The window was sized and placed just before it appeared (placeWindow).
    const core::Settings::ViewKeys& view = mainForm_.Settings.View;
    for (QWidget* pane : {static_cast<QWidget*>(RichEdit1), static_cast<QWidget*>(RichEdit2)}) {
        QFont font = pane->font();
        font.setPointSize(view.FontSize > 0 ? view.FontSize : 10);
        pane->setFont(font);
    }
    Button2->setEnabled(false);
}

void TViewForm::FormClose() {
    core::Settings::ViewKeys& view = mainForm_.Settings.View;
    const QPoint corner = frameCorner(this);
    view.Left = corner.x();
    view.Top = corner.y();
    view.Width = width() + kFrameWidth;
    view.Height = height() + kFrameHeight;
}

void TViewForm::reject() {
    // The close box: a close that keeps the join list and the panes.
    if (run_.running()) {
        closeWhenDone_ = true;
        return;
    }
    FormClose();
    QDialog::reject();
}

void TViewForm::Button1Click() {
    core::Settings& settings = mainForm_.Settings;
    core::JoinOptions options;
    options.percentMode = core::percentModeOf(settings.Options.OP1);
    options.replacements = {core::Replacement{settings.Edit.DelChar1, settings.Edit.ChgChar1},
                            core::Replacement{settings.Edit.DelChar2, settings.Edit.ChgChar2},
                            core::Replacement{settings.Edit.DelChar3, settings.Edit.ChgChar3}};
    options.frontFile = core::pathInFolder(context_.programFolder, "Front.txt");
    options.endFile = core::pathInFolder(context_.programFolder, "End.txt");
    options.check = settings.Options.JoinCheck != 0;
    const std::vector<std::string> joinList = mainForm_.joinList.entries();
    const auto finish = [this] {
        if (std::exchange(backWhenDone_, false)) {
            Button4Click();
        } else if (std::exchange(closeWhenDone_, false)) {
            close();
        }
    };
    // 印刷 prints the text of a complete run; until this run completes, the data pane holds none.
    Button2->setEnabled(false);
    try {
        const core::JoinResult result = run_.run(joinList, options, settings.Main.ChgPath);
        if (result.outcome == core::JoinOutcome::Completed || result.outcome == core::JoinOutcome::Refused) {
            outputPath_ = result.outputPath;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TViewForm::Button4Click() {
    if (run_.running()) {
        backWhenDone_ = true;
        return;
    }
    mainForm_.resetAfterJoin();
    RichEdit1->clear();
    RichEdit2->clear();
    run_.releaseDataText();
    FormClose();
    accept();
}

bool TViewForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == RichEdit1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        const QString text = RichEdit1->cursorForPosition(at).block().text();
        if (const auto line = core::lineOfCheckLogLine(toAnsi(text)); line && *line > 0) {
            showDataLine(*line - 1);
            return true;
        }
    }
    return PlacedDialog::eventFilter(watched, event);
}

void TViewForm::showDataLine(size_t line) {
    PageControl1->setCurrentWidget(TabSheet2);
    RichEdit2->setCaret({std::min(line, RichEdit2->lineCount() - 1), 0});
    RichEdit2->setFocus();
}

void TViewForm::clearLog() {
    RichEdit1->clear();
}

void TViewForm::addLogLine(std::string_view line) {
    RichEdit1->appendPlainText(fromAnsi(line));
}

void TViewForm::showDataText(std::string_view text) {
    RichEdit2->setTextView(text);
}

void TViewForm::showDataText(std::string_view text, core::LineIndex index) {
    RichEdit2->setTextView(text, std::move(index));
}

std::optional<std::string> TViewForm::askOutputPath(const core::SaveDialogRequest& request) {
    const auto chosen = context_.prompter.saveFileName({this, fromAnsi(request.title), fromAnsi(request.filter),
                                                        fromAnsi(request.initialFolder), fromAnsi(request.fileName),
                                                        QStringLiteral("nc")});
    if (!chosen) {
        return std::nullopt;
    }
    return toAnsi(*chosen);
}

void TViewForm::showStopMessage(std::string_view text) {
    showBox(context_.prompter, this, jp("確認"), PromptIcon::Error, fromAnsi(text));
}

bool TViewForm::askWarningQuestion(std::string_view text) {
    return askWarning(context_.prompter, this, fromAnsi(text));
}

void TViewForm::processPendingEvents() {
    QCoreApplication::processEvents();
    sinceEvents_.start();
}

void TViewForm::keepResponsive() {
    constexpr qint64 kEventsEvery = 30;  // milliseconds: well below what an operator notices
    if (!sinceEvents_.isValid() || sinceEvents_.elapsed() >= kEventsEvery) {
        processPendingEvents();
    }
}

void TViewForm::showLogPage() {
    PageControl1->setCurrentIndex(0);
    RichEdit1->setFocus();
}

void TViewForm::focusStartButton() {
    Button1->setFocus();
}

void TViewForm::enablePrintButton() {
    Button2->setEnabled(true);
}

}  // namespace tarvelin::ui
