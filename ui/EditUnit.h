#pragma once

#include "ui/app_context.h"
#include "ui/placed_dialog.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tarvelin::ui {

class LabeledEdit;
class TMainForm;

// The editor of the front and end data and of the replacement table ("編集画面"). It writes Front.txt and
// End.txt itself and hands the six strings to the settings record on "保存"; "戻る" drops the edits.
class TEditForm : public PlacedDialog {
    Q_OBJECT

public:
    TEditForm(AppContext& context, TMainForm& mainForm);

    QLabel* Label1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;  // the front data
    QLabel* Label2 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;  // the end data
    LabeledEdit* LabeledEdit1 = nullptr;
    LabeledEdit* LabeledEdit2 = nullptr;
    LabeledEdit* LabeledEdit3 = nullptr;
    LabeledEdit* LabeledEdit11 = nullptr;
    LabeledEdit* LabeledEdit12 = nullptr;
    LabeledEdit* LabeledEdit13 = nullptr;
    QFrame* Shape1 = nullptr;
    QFrame* Shape2 = nullptr;
    QFrame* Shape3 = nullptr;
    QPushButton* Button1 = nullptr;  // "保存"
    QPushButton* Button2 = nullptr;  // "戻る"

public slots:
    void FormShow();
    void FormClose();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void placeWindow() override;
    void loadMemo(QPlainTextEdit* memo, const char* fileName, bool& loaded);
    void saveMemo(QPlainTextEdit* memo, const char* fileName, bool& loaded);

    AppContext& context_;
    TMainForm& mainForm_;
    // Whether each memo holds its file's text (loaded at this showing, or saved since). A memo that does
    // not, and that the operator has not typed into, does not replace its file.
    bool frontLoaded_ = false;
    bool endLoaded_ = false;
};

}  // namespace tarvelin::ui
