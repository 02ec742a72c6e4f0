#pragma once

#include <QElapsedTimer>

#include "ui/app_context.h"
#include "ui/data_memo.h"
#include "ui/placed_dialog.h"

class QFrame;
class QLabel;
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
    DataMemo* Memo1 = nullptr;  // the front data
    QLabel* Label2 = nullptr;
    DataMemo* Memo2 = nullptr;  // the end data
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

    // Each showing loads the data files once the window stands on the screen (a window coming back after it
    // was minimised is no new showing).
    void setVisible(bool visible) override;

protected:
    void done(int result) override;

private:
    void placeWindow() override;
    void loadMemo(DataMemo* memo, const char* fileName, bool& loaded);
    void saveMemo(DataMemo* memo, const char* fileName, bool& loaded);
    // Runs a handler whose work on a large file takes a while: the window handles its events every few
    // hundredths of a second meanwhile, the operator's input only once the work is done, and a close asked
    // for meanwhile closes the window after it.
    template <typename Handler>
    void runLongHandler(Handler&& handler);
    void keepResponsive();
    template <typename Work>
    void workBeside(Work&& work);

    AppContext& context_;
    TMainForm& mainForm_;
    // Whether each memo holds its file's text (loaded at this showing, or saved since). A memo that does
    // not, and that the operator has not typed into, does not replace its file.
    bool frontLoaded_ = false;
    bool endLoaded_ = false;
    bool busy_ = false;
    bool closeWhenDone_ = false;
    QElapsedTimer sinceEvents_;
};

}  // namespace tarvelin::ui
