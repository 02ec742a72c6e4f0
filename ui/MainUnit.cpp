#include "ui/MainUnit.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QUrl>

#include "core/list_file.h"
#include "platform/desktop_launcher.h"
#include "platform/directory.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/program.h"
#include "platform/screensaver.h"
#include "ui/EditUnit.h"
#include "ui/UserForm.h"
#include "ui/ViewUnit.h"
#include "ui/ansi_text.h"
#include "ui/browser_controls.h"
#include "ui/button_keys.h"
#include "ui/labeled_edit.h"
#include "ui/messages.h"
#include "ui/window_fonts.h"
#include "ui/window_frames.h"

#include "tarvelin_version.h"

namespace tarvelin::ui {
namespace {

constexpr int kClientWidth = 612;
constexpr int kClientHeight = 396;

QString kListFilter() {
    return jp("ﾘｽﾄ(*.Lst)|*.Lst|すべて(*.*)|*.*");
}

// What the program ships (beside its program file, or in share/tarvelin/ for an installed copy): the icon
// its launcher shows and the manual that the help menu's home page opens.
constexpr const char* kIconFileName = "tarvelin.png";
constexpr const char* kManualFileName = "manual.html";

QString programHostFolder() {
    return QString::fromStdString(platform::programFolders().sharedFolder);
}

template <typename Widget>
Widget* place(Widget* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, int left, int top, int width, int height) {
    auto* b = place(new QPushButton(jp(caption), parent), name, left, top, width, height);
    pressWithEnter(b);
    return b;
}

// The join list's rows are as high as its font: 12 pixels.
class FontHighRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(option.font.pixelSize() > 0 ? option.font.pixelSize() : option.fontMetrics.height());
        return size;
    }
};

// A group box whose frame line runs through the middle of its caption, 6 pixels below its top, so that
// controls from 15 pixels down stand clear of the line.
QGroupBox* groupBox(QWidget* parent, const char* name, const char* caption, int left, int top, int width, int height) {
    auto* box = place(new QGroupBox(jp(caption), parent), name, left, top, width, height);
    box->setStyleSheet(
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px; }"
                       "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    return box;
}

}  // namespace

TMainForm::TMainForm(AppContext& context, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      context_(context) {
    setObjectName(QStringLiteral("MainForm"));
    setFont(windowFont());
    buildControls();
    buildMenu();
    // A fixed border: the client area keeps its size and the window cannot be resized or maximised.
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    GroupBox1 = groupBox(client, "GroupBox1", "ﾃﾞｰﾀ選択", 8, 5, 255, 380);
    DriveComboBox1 = new DriveComboBox(GroupBox1);
    place(DriveComboBox1, "DriveComboBox1", 5, 24, 245, DriveComboBox1->sizeHint().height());
    DirectoryListBox1 = place(new DirectoryListBox(GroupBox1), "DirectoryListBox1", 5, 48, 245, 120);
    FileListBox1 = place(new FileListBox(GroupBox1), "FileListBox1", 5, 176, 245, 170);
    FilterComboBox1 = new QComboBox(GroupBox1);
    place(FilterComboBox1, "FilterComboBox1", 5, 350, 245, FilterComboBox1->sizeHint().height());

    BitBtn1 = button(client, "BitBtn1", "選択", 272, 136, 33, 41);

    GroupBox2 = groupBox(client, "GroupBox2", "結合リスト", 312, 5, 295, 380);
    LabeledEdit1 = place(new QLineEdit(GroupBox2), "LabeledEdit1", 5, 32, 204, 20);
    takeWholeTexts(LabeledEdit1);
    LabeledEdit1Label = new QLabel(jp("結合リスト名"), GroupBox2);
    LabeledEdit1Label->setObjectName(QStringLiteral("LabeledEdit1Label"));
    LabeledEdit1Label->adjustSize();
    LabeledEdit1Label->move(5, 32 - 3 - LabeledEdit1Label->height());
    LabeledEdit1Label->setBuddy(LabeledEdit1);
    Button1 = button(GroupBox2, "Button1", "...", 216, 29, 25, 25);
    ListBox1 = place(new QListWidget(GroupBox2), "ListBox1", 5, 64, 245, 265);
    ListBox1->setFont(fixedPitchFont());
    ListBox1->setUniformItemSizes(true);
    ListBox1->setItemDelegate(new FontHighRows(ListBox1));
    BitBtn5 = button(GroupBox2, "BitBtn5", "最上", 256, 70, 33, 33);
    BitBtn2 = button(GroupBox2, "BitBtn2", "上", 256, 120, 33, 33);
    BitBtn3 = button(GroupBox2, "BitBtn3", "削除", 256, 160, 33, 33);
    BitBtn4 = button(GroupBox2, "BitBtn4", "下", 256, 200, 33, 33);
    BitBtn6 = button(GroupBox2, "BitBtn6", "最下", 256, 250, 33, 33);
    Button2 = button(GroupBox2, "Button2", "次に進む", 10, 344, 75, 25);
    Button3 = button(GroupBox2, "Button3", "やり直し", 95, 344, 75, 25);
    Button4 = button(GroupBox2, "Button4", "終了", 180, 344, 65, 25);

    // Tab order: the browser, then the join list, then "選択".
    setTabOrder(DriveComboBox1, DirectoryListBox1);
    setTabOrder(DirectoryListBox1, FilterComboBox1);
    setTabOrder(FilterComboBox1, FileListBox1);
    setTabOrder(FileListBox1, ListBox1);
    QWidget* const groupOrder[] = {ListBox1, LabeledEdit1, Button1, Button2, Button3, Button4,
                                   BitBtn2,  BitBtn3,      BitBtn4, BitBtn5, BitBtn6};
    for (size_t i = 0; i + 1 < std::size(groupOrder); ++i) {
        setTabOrder(groupOrder[i], groupOrder[i + 1]);
    }
    setTabOrder(BitBtn6, BitBtn1);

    const auto handle = [this](auto member) {
        return guarded(context_.prompter, this, [this, member] { (this->*member)(); });
    };
    connect(Button1, &QPushButton::clicked, this, handle(&TMainForm::Button1Click));
    connect(BitBtn1, &QPushButton::clicked, this, handle(&TMainForm::BitBtn1Click));
    connect(BitBtn5, &QPushButton::clicked, this, handle(&TMainForm::BitBtn5Click));
    connect(BitBtn2, &QPushButton::clicked, this, handle(&TMainForm::BitBtn2Click));
    connect(BitBtn3, &QPushButton::clicked, this, handle(&TMainForm::BitBtn3Click));
    connect(BitBtn4, &QPushButton::clicked, this, handle(&TMainForm::BitBtn4Click));
    connect(BitBtn6, &QPushButton::clicked, this, handle(&TMainForm::BitBtn6Click));
    connect(Button2, &QPushButton::clicked, this, handle(&TMainForm::Button2Click));
    connect(Button3, &QPushButton::clicked, this, handle(&TMainForm::Button3Click));
    connect(Button4, &QPushButton::clicked, this, handle(&TMainForm::Button4Click));
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, guarded(context_.prompter, this, [this] {
                if (!showingList_) {
                    ListBox1Click();
                }
            }));
    connect(FilterComboBox1, &QComboBox::activated, this, handle(&TMainForm::FilterComboBox1Change));
    connect(DriveComboBox1, &QComboBox::activated, this,
            [this](int index) { runHandler(context_.prompter, this, [this, index] { DriveComboBox1Click(index); }); });
    connect(DirectoryListBox1, &DirectoryListBox::directoryChanged, this, guarded(context_.prompter, this, [this] {
                const std::string& folder = DirectoryListBox1->directory();
                DriveComboBox1->setCurrentIndex(DriveComboBox1->indexOfDrive(folder[0]));
                FileListBox1->setDirectory(folder);
            }));
}

void TMainForm::buildMenu() {
    const auto menuHandler = [this](void (TMainForm::*member)()) {
        return guarded(context_.prompter, this, [this, member] { (this->*member)(); });
    };
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    OpMenu = bar->addMenu(jp("ｵﾌﾟｼｮﾝ"));
    OpMenu->setObjectName(QStringLiteral("OpMenu"));
    Op1 = OpMenu->addMenu(jp("％の付加"));
    Op1->setObjectName(QStringLiteral("Op1"));
    // The four items act as a radio group through their handlers, each with a check mark; a group of
    // the menu's own would draw radio bullets.
    const auto percentItem = [this, &menuHandler](const char* name, const char* caption, void (TMainForm::*handler)()) {
        QAction* action = Op1->addAction(jp(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, menuHandler(handler));
        return action;
    };
    OP1_FB = percentItem("OP1_FB", "前後に％付加", &TMainForm::OP1_FBClick);
    OP1_F = percentItem("OP1_F", "前のみ％付加", &TMainForm::OP1_FClick);
    OP1_B = percentItem("OP1_B", "後のみ％付加", &TMainForm::OP1_BClick);
    OP1_NO = percentItem("OP1_NO", "前後％無し", &TMainForm::OP1_NOClick);
    Edit_op = OpMenu->addAction(jp("編集"));
    Edit_op->setObjectName(QStringLiteral("Edit_op"));
    connect(Edit_op, &QAction::triggered, this, menuHandler(&TMainForm::Edit_opClick));
    JoinCheck_op = OpMenu->addAction(jp("結合ﾁｪｯｸ"));
    JoinCheck_op->setObjectName(QStringLiteral("JoinCheck_op"));
    JoinCheck_op->setCheckable(true);
    connect(JoinCheck_op, &QAction::triggered, this, menuHandler(&TMainForm::JoinCheck_opClick));

    setting = bar->addMenu(jp("設定"));
    setting->setObjectName(QStringLiteral("setting"));
    User_op = setting->addAction(jp("ﾕｰｻﾞ定義(拡張子)"));
    User_op->setObjectName(QStringLiteral("User_op"));
    connect(User_op, &QAction::triggered, this, menuHandler(&TMainForm::User_opClick));
    DeskTop_set = setting->addAction(jp("ﾃﾞｨｽｸﾄｯﾌﾟにｼｮｰﾄｶｯﾄ作成"));
    DeskTop_set->setObjectName(QStringLiteral("DeskTop_set"));
    connect(DeskTop_set, &QAction::triggered, this, menuHandler(&TMainForm::DeskTop_setClick));

    Menu_help = bar->addMenu(jp("ﾍﾙﾌﾟ"));
    Menu_help->setObjectName(QStringLiteral("Menu_help"));
    Menu_hp = Menu_help->addAction(jp("ﾎｰﾑﾍﾟｰｼﾞ"));
    Menu_hp->setObjectName(QStringLiteral("Menu_hp"));
    connect(Menu_hp, &QAction::triggered, this, menuHandler(&TMainForm::Menu_hpClick));
    Menu_add = Menu_help->addAction(jp("ﾒｰﾙ"));
    Menu_add->setObjectName(QStringLiteral("Menu_add"));
    connect(Menu_add, &QAction::triggered, this, menuHandler(&TMainForm::Menu_addClick));
    Helpnon = Menu_help->addSeparator();
    Helpnon->setObjectName(QStringLiteral("Helpnon"));
    Menu_ver = Menu_help->addAction(jp("ﾊﾞｰｼﾞｮﾝ"));
    Menu_ver->setObjectName(QStringLiteral("Menu_ver"));
    connect(Menu_ver, &QAction::triggered, this, menuHandler(&TMainForm::Menu_verClick));
}

void TMainForm::DeskTop_setClick() {
    const std::string target = platform::executableHostPath();
    const std::string folder = platform::workingFolderOf(target);
    CreateShellLink(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                    jp("NCﾃﾞｰﾀ結合") + QString::fromLatin1(platform::kLauncherExtension), target, folder);
}

void TMainForm::CreateShellLink(const QString& desktopFolder, const QString& linkName, const std::string& target,
                                const std::string& workingFolder) {
    // Silent whatever happens, as a shortcut command is: no launcher is the only sign of a failure.
    if (desktopFolder.isEmpty() || !QDir().mkpath(desktopFolder)) {
        return;
    }
    platform::Launcher launcher;
    launcher.name = QFileInfo(linkName).completeBaseName().toStdString();
    launcher.target = target;
    launcher.workingFolder = workingFolder;
    launcher.icon = QDir(programHostFolder()).filePath(QLatin1String(kIconFileName)).toStdString();
    platform::writeDesktopLauncher(desktopFolder.toStdString(), linkName.toStdString(), launcher);
}

QUrl TMainForm::homePageAddress() {
    return QUrl::fromLocalFile(QDir(programHostFolder()).filePath(QLatin1String(kManualFileName)));
}

QUrl TMainForm::mailAddress() {
    return QUrl(QStringLiteral("mailto:") + QStringLiteral(TARVELIN_CONTACT_MAIL));
}

void TMainForm::Menu_hpClick() {
    QDesktopServices::openUrl(homePageAddress());
}

void TMainForm::Menu_addClick() {
    QDesktopServices::openUrl(mailAddress());
}

void TMainForm::Menu_verClick() {
    AboutRequest request;
    request.owner = this;
    request.application = QStringLiteral("Tarvelin Ver") + AppVersion;
    request.caption = request.application + jp("のバージョン情報");
    request.notice = jp("Tarvelin 開発チーム");
    context_.prompter.about(request);
}

void TMainForm::JoinCheck_opClick() {
    Settings.Options.JoinCheck = Settings.Options.JoinCheck != 0 ? 0 : 1;
    JoinCheck_op->setChecked(Settings.Options.JoinCheck != 0);
}

void TMainForm::Edit_opClick() {
    if (editForm_ != nullptr) {
        editForm_->exec();
    }
}

void TMainForm::User_opClick() {
    if (userForm_ != nullptr) {
        userForm_->exec();
    }
    // Whatever closed the dialog, the filter list gets the user types as they stand; an unchanged text
    // keeps the selection.
    giveFilterText(core::BuildFilterText(Settings));
}

void TMainForm::FormCreate() {
    const core::LoadedSettings loaded = core::LoadSettings(context_.settingsPath);
    Settings = loaded.settings;
    const QPoint stored(loaded.mainWindow.Left, loaded.mainWindow.Top);
    placeFrame(this, cornerOnScreen(this, stored, size().grownBy(windowFrame(this))));
    giveFilterText(core::BuildFilterText(Settings));
    filterList_.select(Settings.Setting.Mask_No);
    FilterComboBox1->setCurrentIndex(filterList_.selected());
}

void TMainForm::FormShow() {
    AppVersion = QStringLiteral(TARVELIN_VERSION);
    setWindowTitle(jp("ﾌｧｲﾙ結合 Ver") + AppVersion);
    core::RestoreBrowser(*this, Settings.Main);
    filterList_.select(Settings.Main.Mask);
    const std::string mask = filterList_.maskForShow();
    FilterComboBox1->setCurrentIndex(filterList_.selected());
    FileListBox1->setMask(mask);
    setOrderButtonsEnabled(false);
    LabeledEdit1->clear();
    LabeledEdit1->setEnabled(false);
    setAcceptDrops(true);
    showPercentMark();
}

void TMainForm::FormClose() {
    Settings.Main.Drive = DriveComboBox1->currentIndex();
    Settings.Main.DirPath = FileListBox1->directory();
    Settings.Main.Mask = FilterComboBox1->currentIndex();
    const QPoint corner = frameCorner(this);
    // A settings file that cannot be written is reported; the window closes all the same, since the
    // operator could do nothing else but end the program another way.
    runHandler(context_.prompter, this, [&] {
        core::SaveSettings(context_.settingsPath, Settings, {corner.x(), corner.y()});
    });
    context_.screenSaver.setActive(true);
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        runHandler(context_.prompter, this, [this] { FormShow(); });
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    event->accept();
}

void TMainForm::resetAfterJoin() {
    for (QPushButton* b : {BitBtn2, BitBtn3, BitBtn4}) {
        b->setEnabled(false);
    }
    LabeledEdit1->clear();
    LabeledEdit1->setEnabled(false);
    joinList.clear();
    showJoinList();
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || isMinimized()) {
        return;
    }
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (change->oldState().testFlag(Qt::WindowMinimized) && viewForm_ != nullptr && viewForm_->isVisible()) {
        viewForm_->setWindowState(viewForm_->windowState() & ~Qt::WindowMinimized);
        viewForm_->raise();
        viewForm_->activateWindow();
    }
}

void TMainForm::giveFilterText(const std::string& text) {
    if (!filterList_.setFilterText(text)) {
        return;
    }
    FilterComboBox1->clear();
    for (const auto& entry : filterList_.entries()) {
        FilterComboBox1->addItem(fromAnsi(entry.description));
    }
    FilterComboBox1->setCurrentIndex(filterList_.selected());
    FilterComboBox1Change();
}

void TMainForm::FilterComboBox1Change() {
    filterList_.select(FilterComboBox1->currentIndex());
    FileListBox1->setMask(filterList_.selectedMask());
    Settings.Setting.Mask_No = filterList_.selected();
}

void TMainForm::DriveComboBox1Click(int index) {
    core::DriveComboBox1Click(*this, index, Settings.Main);
    const std::vector<std::string> entries = DriveComboBox1->entries();
    const int selected = DriveComboBox1->currentIndex();
    if (selected >= 0 && selected < static_cast<int>(entries.size())) {
        DirectoryListBox1->setDirectory(entries[static_cast<size_t>(selected)].substr(0, 2));
    }
}

void TMainForm::BitBtn1Click() {
    if (joinList.addFiles(FileListBox1->directory(), FileListBox1->selectedFileNames()) > 0) {
        showJoinList();
    }
}

void TMainForm::showJoinList() {
    showingList_ = true;
    ListBox1->clear();
    for (const auto& entry : joinList.entries()) {
        ListBox1->addItem(fromAnsi(entry));
    }
    ListBox1->setCurrentRow(joinList.selected());
    if (joinList.selected() < 0) {
        ListBox1->clearSelection();
    }
    showingList_ = false;
}

void TMainForm::ListBox1Click() {
    joinList.select(ListBox1->selectedItems().isEmpty() ? -1 : ListBox1->currentRow());
    setOrderButtonsEnabled(joinList.selected() >= 0);
}

void TMainForm::BitBtn5Click() {
    joinList.moveToTop();
    showJoinList();
    ListBox1->setFocus();
}

void TMainForm::BitBtn2Click() {
    joinList.moveUp();
    showJoinList();
    ListBox1->setFocus();
}

void TMainForm::BitBtn3Click() {
    if (joinList.selected() < 0) {
        return;
    }
    joinList.removeSelected();
    showJoinList();
}

void TMainForm::BitBtn4Click() {
    joinList.moveDown();
    showJoinList();
    ListBox1->setFocus();
}

void TMainForm::BitBtn6Click() {
    joinList.moveToBottom();
    showJoinList();
    ListBox1->setFocus();
}

void TMainForm::Button2Click() {
    if (!joinList.enoughToJoin()) {
        showBeside(context_.prompter, this, jp("エラー"), PromptIcon::Error, {PromptButton::Yes},
                   jp("結合ﾌｧｲﾙは複数個必要です\n"));
        return;
    }
    offerToSaveList();
    JoinCount = static_cast<int>(joinList.size());
    if (viewForm_ != nullptr) {
        viewForm_->exec();
    }
}

void TMainForm::offerToSaveList() {
    if (!askWarning(context_.prompter, this, jp("結合ﾘｽﾄを保存しますか\n次回に利用可能です。"))) {
        return;
    }
    const auto chosen = context_.prompter.saveFileName(
        {this, jp("ﾘｽﾄ保存"), kListFilter(), QString(), LabeledEdit1->text(), QStringLiteral("LST")});
    if (!chosen) {
        return;
    }
    const std::string path = toAnsi(*chosen);
    Settings.Main.ListPath = core::listFolderOf(path);
    core::writeListFile(path, joinList.entries());
}

void TMainForm::Button1Click() {
    if (!askWarning(context_.prompter, this,
                    jp("ﾘｽﾄを読み込むと現選択ﾃﾞｰﾀが削除されます。\n(ﾘｽﾄ読み込み後、追加・削除は可能)\n"
                       "ﾘｽﾄ読み込みを開始しますか。"))) {
        return;
    }
    LabeledEdit1->setEnabled(true);
    const auto chosen = context_.prompter.openTextFile(
        {this, jp("ﾘｽﾄ選択"), kListFilter(), fromAnsi(Settings.Main.ListPath), QString(), QStringLiteral("Lst")});
    if (!chosen) {
        LabeledEdit1->setEnabled(false);
        return;
    }
    loadListFile(*chosen);
}

void TMainForm::loadListFile(const QString& path) {
    LabeledEdit1->setText(path);
    Settings.Main.ListPath = core::listFolderOf(toAnsi(LabeledEdit1->text()));
    joinList.assign(core::readListFile(toAnsi(path)));
    showJoinList();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void TMainForm::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    runHandler(context_.prompter, this, [&] { FormDropFiles(paths); });
}

void TMainForm::FormDropFiles(const QStringList& hostPaths) {
    if (hostPaths.size() != 1) {
        showBox(context_.prompter, this, jp("確認"), PromptIcon::Error, jp("複数は不可です。"));
        return;
    }
    // The dropped file's full path, whatever its length.
    const std::string host = hostPaths.front().toStdString();
    const auto drivePath = platform::drives().toDrivePath(host);
    LabeledEdit1->setEnabled(true);
    loadListFile(drivePath ? fromAnsi(*drivePath) : fromAnsi(platform::hostNameToCp932(host)));
}

void TMainForm::Button3Click() {
    joinList.clear();
    showJoinList();
    setOrderButtonsEnabled(false);
    LabeledEdit1->clear();
    LabeledEdit1->setEnabled(false);
}

void TMainForm::Button4Click() {
    close();
}

void TMainForm::setOrderButtonsEnabled(bool enabled) {
    for (QPushButton* b : {BitBtn2, BitBtn3, BitBtn4, BitBtn5, BitBtn6}) {
        b->setEnabled(enabled);
    }
}

void TMainForm::OP1_FBClick() {
    setPercentMode(core::PercentMode::FrontAndBack);
}
void TMainForm::OP1_FClick() {
    setPercentMode(core::PercentMode::FrontOnly);
}
void TMainForm::OP1_BClick() {
    setPercentMode(core::PercentMode::BackOnly);
}
void TMainForm::OP1_NOClick() {
    setPercentMode(core::PercentMode::None);
}

void TMainForm::setPercentMode(core::PercentMode mode) {
    Settings.Options.OP1 = core::op1Of(mode);
    showPercentMark();
}

void TMainForm::showPercentMark() {
    const std::pair<QAction*, core::PercentMode> items[] = {{OP1_FB, core::PercentMode::FrontAndBack},
                                                            {OP1_F, core::PercentMode::FrontOnly},
                                                            {OP1_B, core::PercentMode::BackOnly},
                                                            {OP1_NO, core::PercentMode::None}};
    for (const auto& [item, mode] : items) {
        item->setChecked(Settings.Options.OP1 == core::op1Of(mode));
    }
    JoinCheck_op->setChecked(Settings.Options.JoinCheck != 0);
}

std::vector<std::string> TMainForm::driveEntries() const {
    return DriveComboBox1->entries();
}

void TMainForm::selectDrive(int index) {
    DriveComboBox1->setCurrentIndex(index);
}

void TMainForm::setDirectory(std::string_view path) {
    DirectoryListBox1->setDirectory(std::string(path));
}

bool TMainForm::directoryExists(std::string_view path) const {
    return platform::directoryExists(path);
}

bool TMainForm::probeDriveA() {
    return platform::driveReadable('A');
}

bool TMainForm::askFloppyQuestion(std::string_view text) {
    return context_.prompter.message({this,
                                      jp("ＦＤ確認"),
                                      fromAnsi(text),
                                      PromptIcon::Warning,
                                      {PromptButton::Ok, PromptButton::Cancel},
                                      std::nullopt}) == PromptButton::Ok;
}

}  // namespace tarvelin::ui
