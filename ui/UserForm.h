#pragma once

#include "ui/app_context.h"
#include "ui/placed_dialog.h"

class QPushButton;

namespace tarvelin::ui {

class LabeledEdit;
class TMainForm;

// The two user-defined file types of the browser's filter list ("ﾕｰｻﾞ定義"): a display name and an
// extension each. Only "変更" stores them.
class TUser : public PlacedDialog {
    Q_OBJECT

public:
    TUser(AppContext& context, TMainForm& mainForm);

    LabeledEdit* LabeledEdit1 = nullptr;  // name of type 1
    LabeledEdit* LabeledEdit2 = nullptr;  // extension of type 1
    LabeledEdit* LabeledEdit3 = nullptr;  // name of type 2
    LabeledEdit* LabeledEdit4 = nullptr;  // extension of type 2
    QPushButton* Button1 = nullptr;       // "変更"
    QPushButton* Button2 = nullptr;       // "中止"
    QPushButton* Button3 = nullptr;       // "戻る"

public slots:
    void FormShow();
    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The key handlers: Enter in a name box; Enter and the refused characters in an extension box. True
    // when the key was taken.
    bool LabeledEdit1KeyPress(LabeledEdit* box, int key);
    bool LabeledEdit2KeyPress(LabeledEdit* box, int key, const QString& typed);
    void placeWindow() override;
    void fillFromSettings();

    AppContext& context_;
    TMainForm& mainForm_;
};

}  // namespace tarvelin::ui
