#pragma once

#include <string>

#include <QMainWindow>
#include <QUrl>

#include "core/browser.h"
#include "core/filters.h"
#include "core/join_list.h"
#include "core/settings.h"
#include "ui/app_context.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace tarvelin::ui {

class DirectoryListBox;
class DriveComboBox;
class FileListBox;

// The main window: the file browser on the left, the join list on the right, the menus. It owns the
// settings record for the whole run of the program, reads the settings file when it is created and writes
// it when it closes.
class TMainForm : public QMainWindow, private core::BrowserHost {
    Q_OBJECT

public:
    // Creating the window runs FormCreate.
    explicit TMainForm(AppContext& context, QWidget* parent = nullptr);
    ~TMainForm() override;

    core::Settings Settings;
    core::JoinList joinList;
    int JoinCount = 0;

    // The controls, named as in the window's layout.
    QGroupBox* GroupBox1 = nullptr;
    DriveComboBox* DriveComboBox1 = nullptr;
    DirectoryListBox* DirectoryListBox1 = nullptr;
    FileListBox* FileListBox1 = nullptr;
    QComboBox* FilterComboBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* LabeledEdit1Label = nullptr;
    QLineEdit* LabeledEdit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QMenu* OpMenu = nullptr;
    QMenu* Op1 = nullptr;
    QAction* OP1_FB = nullptr;
    QAction* OP1_F = nullptr;
    QAction* OP1_B = nullptr;
    QAction* OP1_NO = nullptr;
    QAction* Edit_op = nullptr;
    QAction* JoinCheck_op = nullptr;  // "結合ﾁｪｯｸ"
    QMenu* setting = nullptr;
    QAction* User_op = nullptr;
    QAction* DeskTop_set = nullptr;
    QMenu* Menu_help = nullptr;
    QAction* Menu_hp = nullptr;
    QAction* Menu_add = nullptr;
    QAction* Helpnon = nullptr;
    QAction* Menu_ver = nullptr;

    // The version text of the caption.
    QString AppVersion;

    // Writes or replaces the launcher `linkName` in `desktopFolder` (host names) that starts `target` in
    // `workingFolder` with the icon shipped beside it. Silent on failure.
    static void CreateShellLink(const QString& desktopFolder, const QString& linkName, const std::string& target,
                                const std::string& workingFolder);
    // The help menu's addresses: the manual shipped beside the program file, and a mail to the address
    // the program was built with (a blank mail when it was built with none).
    static QUrl homePageAddress();
    static QUrl mailAddress();

    // Shows the join list as the model holds it.
    void showJoinList();
    // After "戻る" in the join window: the join list emptied, its name box and the order buttons off.
    void resetAfterJoin();

    // The windows that the main window opens: the join window ("次に進む"), the editor ("編集") and the
    // user-defined types ("ﾕｰｻﾞ定義(拡張子)").
    void setViewForm(class TViewForm* viewForm) { viewForm_ = viewForm; }
    void setEditForm(class TEditForm* editForm) { editForm_ = editForm; }
    void setUserForm(class TUser* userForm) { userForm_ = userForm; }

public slots:
    void FormCreate();
    void FormShow();
    void FormClose();

    void Button1Click();
    void BitBtn1Click();
    void ListBox1Click();
    void BitBtn5Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn6Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void OP1_FBClick();
    void OP1_FClick();
    void OP1_BClick();
    void OP1_NOClick();
    void Edit_opClick();
    void JoinCheck_opClick();
    void User_opClick();
    void DeskTop_setClick();
    void Menu_hpClick();
    void Menu_addClick();
    void Menu_verClick();
    void FilterComboBox1Change();
    void DriveComboBox1Click(int index);
    // One dropped file is read as a list file; several are refused.
    void FormDropFiles(const QStringList& hostPaths);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The main window coming back from the task bar brings the open join window back over it.
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    AppContext& context_;

private:
    void buildControls();
    void buildMenu();
    // Gives the filter list a filter text (a rebuild counts as a change of selection).
    void giveFilterText(const std::string& text);
    void setOrderButtonsEnabled(bool enabled);
    // The list-file part of "次に進む": the question, the save dialog, the list written.
    void offerToSaveList();
    // Makes a list file's entries the join list, its folder the list folder and its name the list name.
    void loadListFile(const QString& path);
    void setPercentMode(core::PercentMode mode);
    void showPercentMark();

    // core::BrowserHost
    std::vector<std::string> driveEntries() const override;
    void selectDrive(int index) override;
    void setDirectory(std::string_view path) override;
    bool directoryExists(std::string_view path) const override;
    bool probeDriveA() override;
    bool askFloppyQuestion(std::string_view text) override;

    core::FilterList filterList_;
    class TViewForm* viewForm_ = nullptr;
    class TEditForm* editForm_ = nullptr;
    class TUser* userForm_ = nullptr;
    bool shown_ = false;
    bool closed_ = false;
    bool showingList_ = false;  // the program sets the list's selection: no ListBox1Click
};

}  // namespace tarvelin::ui
