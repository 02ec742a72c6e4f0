#include "ui/EditUnit.h"

#include <chrono>
#include <future>
#include <system_error>
#include <utility>

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "core/front_end_data.h"
#include "ui/MainUnit.h"
#include "ui/ansi_text.h"
#include "ui/button_keys.h"
#include "ui/labeled_edit.h"
#include "ui/messages.h"
#include "ui/window_fonts.h"
#include "ui/window_frames.h"

namespace tarvelin::ui {
namespace {

DataMemo* memo(QWidget* parent, const char* name, int top) {
    auto* m = new DataMemo(parent);
    m->setObjectName(QString::fromLatin1(name));
    m->setGeometry(10, top, 465, 100);
    m->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return m;
}

QLabel* label(QWidget* parent, const char* name, const char* caption, int left, int top) {
    auto* l = new QLabel(jp(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(left, top);
    l->adjustSize();
    return l;
}

QFrame* line(QWidget* parent, const char* name, int top) {
    auto* shape = new QFrame(parent);
    shape->setObjectName(QString::fromLatin1(name));
    shape->setFrameShape(QFrame::HLine);
    shape->setFrameShadow(QFrame::Plain);
    shape->setGeometry(230, top, 45, 1);
    return shape;
}

}  // namespace

TEditForm::TEditForm(AppContext& context, TMainForm& mainForm)
    : PlacedDialog(&mainForm, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      context_(context),
      mainForm_(mainForm) {
    setObjectName(QStringLiteral("EditForm"));
    setWindowTitle(jp("編集画面"));
    setFont(windowFont());
    setModal(true);
    setFixedSize(507, 493);

    Label1 = label(this, "Label1", "結合データの前付加データ", 10, 10);
    Memo1 = memo(this, "Memo1", 25);
    Label2 = label(this, "Label2", "結合データの後付加データ", 10, 150);
    Memo2 = memo(this, "Memo2", 165);
    LabeledEdit1 = new LabeledEdit(this, "LabeledEdit1", jp("選択文字列１"), 10, 300, 217, 20);
    LabeledEdit2 = new LabeledEdit(this, "LabeledEdit2", jp("選択文字列２"), 10, 350, 217, 20);
    LabeledEdit3 = new LabeledEdit(this, "LabeledEdit3", jp("選択文字列３"), 10, 400, 210, 20);
    Shape1 = line(this, "Shape1", 310);
    Shape2 = line(this, "Shape2", 360);
    Shape3 = line(this, "Shape3", 410);
    LabeledEdit11 = new LabeledEdit(this, "LabeledEdit11", jp("置換文字列１(削除は空欄)"), 280, 300, 210, 20);
    LabeledEdit12 = new LabeledEdit(this, "LabeledEdit12", jp("置換文字列２(削除は空欄)"), 280, 350, 210, 20);
    LabeledEdit13 = new LabeledEdit(this, "LabeledEdit13", jp("置換文字列３(削除は空欄)"), 280, 400, 210, 20);
    for (LabeledEdit* box : {LabeledEdit1, LabeledEdit2, LabeledEdit3, LabeledEdit11, LabeledEdit12, LabeledEdit13}) {
        box->forceUpperCase();
    }
    Button1 = new QPushButton(jp("保存"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(320, 448, 65, 25);
    Button2 = new QPushButton(jp("戻る"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(392, 448, 65, 25);
    for (QPushButton* b : {Button1, Button2}) {
        b->setAutoDefault(false);
        pressWithEnter(b);
    }
    // Tab order: the memos, the search strings, the buttons, then the replacements.
    QWidget* const order[] = {Memo1,   Memo2,   LabeledEdit1,  LabeledEdit2,  LabeledEdit3,
                              Button1, Button2, LabeledEdit11, LabeledEdit12, LabeledEdit13};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    Memo1->setTabChangesFocus(true);
    Memo2->setTabChangesFocus(true);

    connect(Button1, &QPushButton::clicked, this, [this] { runLongHandler([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, guarded(context_.prompter, this, [this] { Button2Click(); }));
}

void TEditForm::placeWindow() {
    const core::Settings& settings = mainForm_.Settings;
    const QPoint stored(settings.View.Left, settings.View.Top);
    placeFrame(this, cornerOnScreen(this, stored, size().grownBy(windowFrame(this))));
}

void TEditForm::setVisible(bool visible) {
    const bool showing = visible && !isVisible();
    PlacedDialog::setVisible(visible);
    if (showing) {
        runLongHandler([this] { FormShow(); });
    }
}

template <typename Handler>
void TEditForm::runLongHandler(Handler&& handler) {
    busy_ = true;
    sinceEvents_.start();
    runHandler(context_.prompter, this, std::forward<Handler>(handler));
    busy_ = false;
    if (std::exchange(closeWhenDone_, false)) {
        // Closed from the event loop: a close within the showing would come before the modal loop runs.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void TEditForm::keepResponsive() {
    constexpr qint64 kEventsEvery = 30;  // milliseconds: well below what an operator notices
    if (sinceEvents_.elapsed() >= kEventsEvery) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        sinceEvents_.restart();
    }
}

template <typename Work>
void TEditForm::workBeside(Work&& work) {
    std::future<void> done;
    try {
        done = std::async(std::launch::async, [&work] { work(); });
    } catch (const std::system_error&) {
        work();  // no thread to be had: here, with the window waiting
        return;
    }
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        keepResponsive();
    }
    done.get();  // what the work threw comes out here
}

void TEditForm::FormShow() {
    // The window was placed just before it appeared (placeWindow).
    const core::Settings& settings = mainForm_.Settings;
    LabeledEdit1->setText(fromAnsi(settings.Edit.DelChar1));
    LabeledEdit2->setText(fromAnsi(settings.Edit.DelChar2));
    LabeledEdit3->setText(fromAnsi(settings.Edit.DelChar3));
    LabeledEdit11->setText(fromAnsi(settings.Edit.ChgChar1));
    LabeledEdit12->setText(fromAnsi(settings.Edit.ChgChar2));
    LabeledEdit13->setText(fromAnsi(settings.Edit.ChgChar3));
    // Both memos start empty, so that a file that cannot be read leaves no earlier text behind.
    frontLoaded_ = endLoaded_ = false;
    for (DataMemo* m : {Memo1, Memo2}) {
        m->clear();
        m->document()->setModified(false);
    }
    loadMemo(Memo1, "Front.txt", frontLoaded_);
    loadMemo(Memo2, "End.txt", endLoaded_);
}

void TEditForm::loadMemo(DataMemo* memo, const char* fileName, bool& loaded) {
    // Every line shows, a final empty one too, so that the file is saved back as it was. The memo fills
    // as the file is read; a file that cannot be read to its end leaves it empty.
    core::FrontEndDataReader reader(context_.programFolder, fileName);
    memo->startText();
    try {
        for (std::string_view piece = reader.next(); !piece.empty(); piece = reader.next()) {
            memo->appendText(piece);
            keepResponsive();
        }
    } catch (...) {
        memo->clear();
        memo->endText();
        throw;
    }
    memo->endText();
    memo->document()->setModified(false);
    loaded = true;
}

void TEditForm::saveMemo(DataMemo* memo, const char* fileName, bool& loaded) {
    if (!loaded && !memo->document()->isModified()) {
        return;  // the file's text was never shown here: it stays as it is
    }
    // The memo shows its text upper-cased first, as the file will hold it; a file that cannot be written
    // leaves it so. The file is written, and reaches the disk, on a thread of its own.
    std::string text = memo->upperCaseText([this] { keepResponsive(); });
    workBeside([&] { core::writeFrontEndData(context_.programFolder, fileName, std::move(text)); });
    memo->document()->setModified(false);
    loaded = true;
}

void TEditForm::Button1Click() {
    saveMemo(Memo1, "Front.txt", frontLoaded_);
    saveMemo(Memo2, "End.txt", endLoaded_);
    core::Settings::EditKeys& edit = mainForm_.Settings.Edit;
    edit.DelChar1 = toAnsi(LabeledEdit1->text());
    edit.DelChar2 = toAnsi(LabeledEdit2->text());
    edit.DelChar3 = toAnsi(LabeledEdit3->text());
    edit.ChgChar1 = toAnsi(LabeledEdit11->text());
    edit.ChgChar2 = toAnsi(LabeledEdit12->text());
    edit.ChgChar3 = toAnsi(LabeledEdit13->text());
}

void TEditForm::Button2Click() {
    close();
}

void TEditForm::done(int result) {
    if (busy_) {
        closeWhenDone_ = true;
        return;
    }
    FormClose();
    QDialog::done(result);
}

void TEditForm::FormClose() {
    const QPoint corner = frameCorner(this);
    mainForm_.Settings.View.Left = corner.x();
    mainForm_.Settings.View.Top = corner.y();
}

}  // namespace tarvelin::ui
