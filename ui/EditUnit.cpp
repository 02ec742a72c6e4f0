#include "ui/EditUnit.h"

#include <algorithm>
#include <memory>

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextCursor>

#include "core/front_end_data.h"
#include "platform/cp932_utf16.h"
#include "platform/mbcs.h"
#include "ui/MainUnit.h"
#include "ui/ansi_text.h"
#include "ui/button_keys.h"
#include "ui/labeled_edit.h"
#include "ui/messages.h"
#include "ui/window_fonts.h"
#include "ui/window_frames.h"

namespace tarvelin::ui {
namespace {

// Shows the bytes of a data file that are no character (held as private-use characters) as marks.
class ByteMarks final : public QSyntaxHighlighter {
public:
    explicit ByteMarks(QTextDocument* document) : QSyntaxHighlighter(document) {
        mark_.setBackground(QColor(0xC0, 0x00, 0x00));
        mark_.setForeground(Qt::white);
    }

protected:
    void highlightBlock(const QString& text) override {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (platform::isByteMark(text[i].unicode())) {
                setFormat(static_cast<int>(i), 1, mark_);
            }
        }
    }

private:
    QTextCharFormat mark_;
};

// Keeps a memo's text as its file will hold it: after every change, the changed characters become what
// they read back as after a save (U+301C "〜" becomes "～", a byte mark and a following trail character
// become one double-byte character), and characters that code page 932 cannot hold are refused.
void keepSavable(QPlainTextEdit* memo, int position, int added) {
    QTextDocument* document = memo->document();
    const int last = document->characterCount() - 1;  // the final paragraph end is no text
    const auto selectorAt = [document](int at) {
        const char16_t c = document->characterAt(at).unicode();
        return c >= platform::kFirstVariantSelector && c < platform::kFirstVariantSelector + 2;
    };
    // One character on each side joins the change; a variation selector keeps its base character.
    int begin = std::max(0, position - 1);
    while (begin > 0 && selectorAt(begin)) {
        --begin;
    }
    int end = std::min(last, position + added + 1);
    while (end < last && selectorAt(end)) {
        ++end;
    }
    QTextCursor range(document);
    range.setPosition(begin);
    range.setPosition(end, QTextCursor::KeepAnchor);
    // selectedText gives line breaks as U+2029, which no character pairs across.
    const QString text = range.selectedText();
    const QStringList lines = text.split(QChar::ParagraphSeparator);
    QString savable;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            savable += QChar::ParagraphSeparator;
        }
        const std::u16string canonical = platform::canonicalCp932(utf16Of(lines[i]));
        savable += QString(reinterpret_cast<const QChar*>(canonical.data()), static_cast<qsizetype>(canonical.size()));
    }
    if (savable == text) {
        return;
    }
    const int caret = memo->textCursor().position();
    range.joinPreviousEditBlock();
    range.insertText(savable);
    range.endEditBlock();
    const int delta = static_cast<int>(savable.size() - text.size());
    QTextCursor moved = memo->textCursor();
    moved.setPosition(caret >= end ? caret + delta
                                   : std::clamp(caret + delta, begin, begin + static_cast<int>(savable.size())));
    memo->setTextCursor(moved);
}

QPlainTextEdit* memo(QWidget* parent, const char* name, int top) {
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(QString::fromLatin1(name));
    m->setGeometry(10, top, 465, 100);
    m->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    new ByteMarks(m->document());
    auto adjusting = std::make_shared<bool>(false);
    QObject::connect(m->document(), &QTextDocument::contentsChange, m, [m, adjusting](int position, int, int added) {
        if (*adjusting) {
            return;
        }
        *adjusting = true;
        keepSavable(m, position, added);
        *adjusting = false;
    });
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

// The memo's text as the program's text, its line breaks CR LF.
std::string memoText(const QPlainTextEdit* memo) {
    return toAnsi(memo->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
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

    connect(Button1, &QPushButton::clicked, this,
            [this] { runHandler(context_.prompter, this, [this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, &TEditForm::Button2Click);
}

void TEditForm::placeWindow() {
    const core::Settings& settings = mainForm_.Settings;
    const QPoint stored(settings.View.Left, settings.View.Top);
    placeFrame(this, cornerOnScreen(this, stored, size().grownBy(windowFrame(this))));
}

void TEditForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window coming back after it was minimised is shown again by the system: that is no new showing,
    // and what the operator typed stays.
    if (!event->spontaneous()) {
        runHandler(context_.prompter, this, [this] { FormShow(); });
    }
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
    for (QPlainTextEdit* m : {Memo1, Memo2}) {
        m->clear();
        m->document()->setModified(false);
    }
    loadMemo(Memo1, "Front.txt", frontLoaded_);
    loadMemo(Memo2, "End.txt", endLoaded_);
}

namespace {

// Shows the program's text in a memo, its line breaks as the memo's; the edit flag stays as it was.
void showText(QPlainTextEdit* memo, std::string_view cp932) {
    QString text = fromAnsi(cp932);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const bool modified = memo->document()->isModified();
    memo->setPlainText(text);
    memo->document()->setModified(modified);
}

}  // namespace

void TEditForm::loadMemo(QPlainTextEdit* memo, const char* fileName, bool& loaded) {
    // Every line shows, a final empty one too, so that the file is saved back as it was.
    showText(memo, core::loadFrontEndData(context_.programFolder, fileName));
    memo->document()->setModified(false);
    loaded = true;
}

void TEditForm::saveMemo(QPlainTextEdit* memo, const char* fileName, bool& loaded) {
    if (!loaded && !memo->document()->isModified()) {
        return;  // the file's text was never shown here: it stays as it is
    }
    // The memo shows its text upper-cased first, as the file will hold it; a file that cannot be written
    // leaves it so.
    const std::string text = memoText(memo);
    showText(memo, platform::upper(text));
    core::saveFrontEndData(context_.programFolder, fileName, text);
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
    FormClose();
    QDialog::done(result);
}

void TEditForm::FormClose() {
    const QPoint corner = frameCorner(this);
    mainForm_.Settings.View.Left = corner.x();
    mainForm_.Settings.View.Top = corner.y();
}

}  // namespace tarvelin::ui
