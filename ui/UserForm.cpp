#include "ui/UserForm.h"

#include <QKeyEvent>
#include <QPushButton>

#include "core/mask_rule.h"
#include "ui/MainUnit.h"
#include "ui/ansi_text.h"
#include "ui/button_keys.h"
#include "ui/labeled_edit.h"
#include "ui/messages.h"
#include "ui/window_fonts.h"
#include "ui/window_frames.h"

namespace tarvelin::ui {
namespace {

QPushButton* button(QWidget* parent, const char* name, const char* caption, int left, int width) {
    auto* b = new QPushButton(jp(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(left, 128, width, 25);
    b->setAutoDefault(false);
    pressWithEnter(b);
    return b;
}

void complete(LabeledEdit* box) {
    box->setText(fromAnsi(core::completeMask(toAnsi(box->text()))));
}

}  // namespace

TUser::TUser(AppContext& context, TMainForm& mainForm)
    : PlacedDialog(&mainForm, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      context_(context),
      mainForm_(mainForm) {
    setObjectName(QStringLiteral("User"));
    setWindowTitle(jp("ﾕｰｻﾞ定義"));
    setFont(windowFont());
    setModal(true);
    setFixedSize(379, 173);
    LabeledEdit1 = new LabeledEdit(this, "LabeledEdit1", jp("ﾕｰｻﾞ定義１(表示名)"), 16, 32, 233, 20);
    LabeledEdit2 = new LabeledEdit(this, "LabeledEdit2", jp("拡張子"), 256, 32, 105, 20);
    LabeledEdit3 = new LabeledEdit(this, "LabeledEdit3", jp("ﾕｰｻﾞ定義２(表示名)"), 16, 80, 233, 20);
    LabeledEdit4 = new LabeledEdit(this, "LabeledEdit4", jp("拡張子"), 256, 80, 97, 20);
    Button1 = button(this, "Button1", "変更", 64, 113);
    Button2 = button(this, "Button2", "中止", 208, 57);
    Button3 = button(this, "Button3", "戻る", 288, 65);
    QWidget* const order[] = {LabeledEdit1, LabeledEdit2, LabeledEdit3, LabeledEdit4, Button1, Button2, Button3};
    for (size_t i = 0; i + 1 < std::size(order); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    for (LabeledEdit* box : {LabeledEdit1, LabeledEdit2, LabeledEdit3, LabeledEdit4}) {
        box->installEventFilter(this);
    }
    connect(Button1, &QPushButton::clicked, this, guarded(context_.prompter, this, [this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, guarded(context_.prompter, this, [this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, guarded(context_.prompter, this, [this] { Button3Click(); }));
}

void TUser::placeWindow() {
    // At the main window's corner as it stands now.
    placeFrame(this, frameCorner(&mainForm_));
}

void TUser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TUser::FormShow() {
    // The window was placed just before it appeared (placeWindow).
    fillFromSettings();
}

void TUser::fillFromSettings() {
    const core::Settings::SettingKeys& s = mainForm_.Settings.Setting;
    LabeledEdit1->setText(fromAnsi(s.User1_Name));
    LabeledEdit2->setText(fromAnsi(s.User1_Mask));
    LabeledEdit3->setText(fromAnsi(s.User2_Name));
    LabeledEdit4->setText(fromAnsi(s.User2_Mask));
}

bool TUser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* box = static_cast<LabeledEdit*>(watched);
    if (box == LabeledEdit1 || box == LabeledEdit3) {
        return LabeledEdit1KeyPress(box, key->key());
    }
    return LabeledEdit2KeyPress(box, key->key(), key->text());
}

bool TUser::LabeledEdit1KeyPress(LabeledEdit*, int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        Button1->setFocus();
        return true;
    }
    return false;
}

bool TUser::LabeledEdit2KeyPress(LabeledEdit* box, int key, const QString& typed) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // An empty box keeps the focus where it is.
        if (!box->text().isEmpty()) {
            complete(box);
            Button1->setFocus();
        }
        return true;
    }
    if (typed.size() == 1 && !core::AllowedInExtension(typed.front().unicode())) {
        showBox(context_.prompter, this, jp("確認"), PromptIcon::Error, jp("この文字は拡張子に使えません。\n/:,;?<>|"));
        return true;
    }
    return false;
}

void TUser::Button1Click() {
    for (LabeledEdit* mask : {LabeledEdit2, LabeledEdit4}) {
        if (!mask->text().isEmpty()) {
            complete(mask);
        }
    }
    const auto orDefault = [](LabeledEdit* box, const char* fallback) {
        if (box->text().isEmpty()) {
            box->setText(jp(fallback));
        }
    };
    orDefault(LabeledEdit1, "ﾕｰｻﾞ定義1");
    orDefault(LabeledEdit2, "*.*");
    orDefault(LabeledEdit3, "ﾕｰｻﾞ定義2");
    orDefault(LabeledEdit4, "*.*");
    core::Settings::SettingKeys& s = mainForm_.Settings.Setting;
    s.User1_Name = toAnsi(LabeledEdit1->text());
    s.User1_Mask = toAnsi(LabeledEdit2->text());
    s.User2_Name = toAnsi(LabeledEdit3->text());
    s.User2_Mask = toAnsi(LabeledEdit4->text());
    accept();
}

void TUser::Button2Click() {
    fillFromSettings();
    reject();
}

void TUser::Button3Click() {
    reject();
}

}  // namespace tarvelin::ui
