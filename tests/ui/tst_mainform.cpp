// The main window driven through its real widgets, offscreen, on a temporary folder tree mapped as drive C:.
#include <memory>

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionGroupBox>
#include <QStyleOptionMenuItem>
#include <QtTest>

#include "core/settings.h"
#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/private_profile.h"
#include "ui/MainUnit.h"
#include "ui/browser_controls.h"
#include "ui/window_fonts.h"

#include "support/window_test.h"

using namespace tarvelin;
using test::itemTexts;
using test::u;
using ui::PromptButton;

namespace {

// One main window on its own folder tree, settings file and drive table.
struct Harness : test::WindowContext {
    std::unique_ptr<ui::TMainForm> form;

    Harness() : WindowContext("C:\\") {
        tree.write("NC/O1001.NC", "%\r\nO1001\r\nM30\r\n%\r\n");
        tree.write("NC/O1002.NC", "%\r\nO1002\r\nM30\r\n%\r\n");
        tree.write("NC/o1003.nc", "%\r\nO1003\r\nM30\r\n%\r\n");
        tree.write("NC/NOTE.TXT", "note");
        tree.write("NC/.hidden.NC", "x");
        tree.write("README.TXT", "readme");
        tree.makeFolder("NC/JOB");
    }

    ui::TMainForm& start() {
        form = std::make_unique<ui::TMainForm>(context);
        form->show();
        return *form;
    }

    void restart() {
        form->close();
        form.reset();
        start();
    }

    // Opens a folder of the directory list by its shown name.
    void openFolder(const QString& name) {
        QListWidget* dirs = form->DirectoryListBox1;
        for (int i = 0; i < dirs->count(); ++i) {
            if (dirs->item(i)->text().trimmed() == name) {
                dirs->setCurrentRow(i);
                QTest::keyClick(dirs, Qt::Key_Return);
                return;
            }
        }
        QFAIL(qPrintable("no folder " + name));
    }

    void pickFilter(int index) {
        form->FilterComboBox1->setCurrentIndex(index);
        emit form->FilterComboBox1->activated(index);
    }

    // Selects files of the file list by name (Ctrl-clicks) and presses "選択".
    void addFiles(const QStringList& names) {
        QListWidget* files = form->FileListBox1;
        files->clearSelection();
        for (int i = 0; i < files->count(); ++i) {
            if (names.contains(files->item(i)->text())) {
                files->item(i)->setSelected(true);
            }
        }
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    }

    void clickEntry(int row) {
        QListWidget* list = form->ListBox1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
};

// Takes the addresses the program hands to the desktop, in place of the programs that would open them.
class AddressCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& address) { opened << address; }
};

// The captions of a menu's items; a separator is "-".
QStringList captions(const QMenu* menu) {
    QStringList list;
    for (const QAction* item : menu->actions()) {
        list << (item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    return list;
}

// The style options that the menu and the group box draw with.
struct MenuProbe : QMenu {
    using QMenu::initStyleOption;
};
struct GroupBoxProbe : QGroupBox {
    using QGroupBox::initStyleOption;
};

}  // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ui::installFontSubstitutes(); }

    void firstStartShowsTheWindowAsLaidOut() {
        Harness h;
        ui::TMainForm& form = h.start();
        QCOMPARE(form.windowTitle(), u("ﾌｧｲﾙ結合 Ver1.13"));
        QCOMPARE(form.centralWidget()->size(), QSize(612, 396));
        QCOMPARE(form.GroupBox1->geometry(), QRect(8, 5, 255, 380));
        QCOMPARE(form.GroupBox2->geometry(), QRect(312, 5, 295, 380));
        QCOMPARE(form.ListBox1->geometry(), QRect(5, 64, 245, 265));
        QCOMPARE(form.BitBtn1->geometry(), QRect(272, 136, 33, 41));
        QCOMPARE(form.Button2->geometry(), QRect(10, 344, 75, 25));
        QCOMPARE(form.LabeledEdit1Label->text(), u("結合リスト名"));
        QCOMPARE(form.LabeledEdit1Label->geometry().bottom() + 1 + 3, form.LabeledEdit1->y());
        QCOMPARE(form.font().family(), u("ＭＳ Ｐゴシック"));
        QCOMPARE(form.font().pixelSize(), 12);
        QCOMPARE(form.ListBox1->font().family(), u("ＭＳ ゴシック"));
        QCOMPARE(form.pos(), QPoint(10, 10));
        // The browser on drive C:'s root, the second filter entry in force.
        QCOMPARE(form.DriveComboBox1->currentText().left(2), u("c:"));
        QCOMPARE(QString::fromStdString(form.FileListBox1->directory()), u("C:\\"));
        QCOMPARE(form.FilterComboBox1->currentIndex(), 1);
        QCOMPARE(form.FilterComboBox1->currentText(), u("テキスト(*.txt)"));
        QCOMPARE(itemTexts(form.FileListBox1), QStringList({u("README.TXT")}));
        // The order buttons and the list name start disabled; the others are enabled.
        for (QPushButton* b : {form.BitBtn2, form.BitBtn3, form.BitBtn4, form.BitBtn5, form.BitBtn6}) {
            QVERIFY(!b->isEnabled());
        }
        for (QPushButton* b : {form.BitBtn1, form.Button1, form.Button2, form.Button3, form.Button4}) {
            QVERIFY(b->isEnabled());
        }
        QVERIFY(!form.LabeledEdit1->isEnabled());
        QVERIFY(form.LabeledEdit1->text().isEmpty());
        QVERIFY(form.OP1_FB->isChecked());
        QVERIFY(h.prompter.messages.empty());
    }

    void theJoinListSideAsDrawn() {
        Harness h;
        ui::TMainForm& form = h.start();
        h.openFolder(u("NC"));
        h.pickFilter(0);
        h.addFiles({u("O1001.NC"), u("O1002.NC")});
        QCOMPARE(form.ListBox1->visualItemRect(form.ListBox1->item(1)),
                 QRect(0, 12, form.ListBox1->viewport()->width(), 12));
        // The group box's frame line passes above the list name's caption.
        QStyleOptionGroupBox box;
        (form.GroupBox2->*(&GroupBoxProbe::initStyleOption))(&box);
        const QRect frame = form.GroupBox2->style()->subControlRect(QStyle::CC_GroupBox, &box, QStyle::SC_GroupBoxFrame,
                                                                    form.GroupBox2);
        QVERIFY2(frame.top() < form.LabeledEdit1Label->y(), qPrintable(QString::number(frame.top())));
        // The percent-mode items carry check marks, not radio bullets.
        for (QAction* item : {form.OP1_FB, form.OP1_NO}) {
            QStyleOptionMenuItem option;
            (form.Op1->*(&MenuProbe::initStyleOption))(&option, item);
            QCOMPARE(option.checkType, QStyleOptionMenuItem::NonExclusive);
        }
        // Enter on a focused button presses it.
        form.Button3->setFocus();
        QTest::keyClick(form.Button3, Qt::Key_Return);  // "やり直し"
        QCOMPARE(form.ListBox1->count(), 0);
    }

    void driveAShowsNothingAfterItsColon() {
        Harness h;
        platform::mutableDrives().set('A', h.tree.host("NC"));
        ui::TMainForm& form = h.start();
        QCOMPARE(form.DriveComboBox1->itemText(0), u("a:"));
        QCOMPARE(form.DriveComboBox1->itemText(1).left(4), u("c: ["));
    }

    void withoutDriveAAFirstStartFallsBackToC() {
        Harness h;
        platform::mutableDrives().set('D', h.tree.host("NC"));
        ui::TMainForm& form = h.start();  // saved drive index 1 is d:, which does not name "C:"
        QCOMPARE(form.DriveComboBox1->currentIndex(), 0);
        QCOMPARE(form.Settings.Main.Drive, 0);
        QCOMPARE(QString::fromStdString(form.FileListBox1->directory()), u("C:\\"));
    }

    void savedFolderOnAnEmptyDriveAAsksTheFloppyQuestion() {
        Harness h;
        platform::mutableDrives().set('A', h.tree.host("FLOPPY"));  // no such folder: no medium
        h.tree.write("Tarvelin.INI", "[Main]\r\nDrive=0\r\nDirPath=A:\\\r\n");
        h.prompter.answers = {PromptButton::Ok};  // OK, with the disk still missing
        ui::TMainForm& form = h.start();
        QCOMPARE(h.prompter.messages.size(), size_t{1});
        QCOMPARE(h.prompter.messages[0].caption, u("ＦＤ確認"));
        QVERIFY(!h.prompter.messages[0].topLeft);
        QCOMPARE(QString::fromStdString(form.FileListBox1->directory()), u("C:\\"));
        QCOMPARE(form.DriveComboBox1->currentText().left(2), u("c:"));
    }

    void selectedFilesAreAddedOnceInTheBrowsersOrder() {
        Harness h;
        ui::TMainForm& form = h.start();
        h.openFolder(u("NC"));
        h.pickFilter(0);
        QCOMPARE(itemTexts(form.FileListBox1), QStringList({u("O1001.NC"), u("O1002.NC"), u("o1003.nc")}));
        h.addFiles({u("O1002.NC"), u("O1001.NC")});
        QCOMPARE(itemTexts(form.ListBox1), QStringList({u("C:\\NC\\O1001.NC"), u("C:\\NC\\O1002.NC")}));
        h.addFiles({u("O1001.NC"), u("o1003.nc")});
        QCOMPARE(itemTexts(form.ListBox1),
                 QStringList({u("C:\\NC\\O1001.NC"), u("C:\\NC\\O1002.NC"), u("C:\\NC\\o1003.nc")}));
        h.addFiles({});
        QCOMPARE(form.ListBox1->count(), 3);
        QVERIFY(!form.BitBtn2->isEnabled());  // adding changes no button
    }

    void orderButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("selectedAfter");
        const QString a = u("C:\\NC\\O1001.NC");
        const QString b = u("C:\\NC\\O1002.NC");
        const QString c = u("C:\\NC\\o1003.nc");
        QTest::newRow("最上") << "BitBtn5" << 2 << QStringList({c, a, b}) << 0;
        QTest::newRow("上") << "BitBtn2" << 1 << QStringList({b, a, c}) << 0;
        QTest::newRow("上 on the first") << "BitBtn2" << 0 << QStringList({a, b, c}) << 0;
        QTest::newRow("下") << "BitBtn4" << 0 << QStringList({b, a, c}) << 1;
        QTest::newRow("下 on the last") << "BitBtn4" << 2 << QStringList({a, b, c}) << 2;
        QTest::newRow("最下") << "BitBtn6" << 0 << QStringList({b, c, a}) << 2;
        QTest::newRow("削除") << "BitBtn3" << 1 << QStringList({a, c}) << -1;
    }

    void orderButtons() {
        QFETCH(QString, button);
        QFETCH(int, row);
        QFETCH(QStringList, entries);
        QFETCH(int, selectedAfter);
        Harness h;
        ui::TMainForm& form = h.start();
        h.openFolder(u("NC"));
        h.pickFilter(0);
        h.addFiles({u("O1001.NC"), u("O1002.NC"), u("o1003.nc")});
        h.clickEntry(row);
        QVERIFY(form.BitBtn2->isEnabled());  // a selection made by the operator enables the five
        QTest::mouseClick(form.findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(itemTexts(form.ListBox1), entries);
        QCOMPARE(form.joinList.selected(), selectedAfter);
        QCOMPARE(form.ListBox1->selectedItems().size(), selectedAfter < 0 ? 0 : 1);
        for (QPushButton* b : {form.BitBtn2, form.BitBtn3, form.BitBtn4, form.BitBtn5, form.BitBtn6}) {
            QVERIFY(b->isEnabled());  // still enabled, also after "削除"
        }
    }

    void topAndBottomWithNothingSelectedSelectTheEnds() {
        Harness h;
        ui::TMainForm& form = h.start();
        h.openFolder(u("NC"));
        h.pickFilter(0);
        h.addFiles({u("O1001.NC"), u("O1002.NC")});
        form.BitBtn5Click();
        QCOMPARE(form.ListBox1->currentRow(), 0);
        form.joinList.select(-1);
        form.BitBtn6Click();
        QCOMPARE(form.ListBox1->currentRow(), 1);
    }

    void startOverEmptiesTheListAndDisablesTheButtons() {
        Harness h;
        ui::TMainForm& form = h.start();
        h.openFolder(u("NC"));
        h.pickFilter(0);
        h.addFiles({u("O1001.NC"), u("O1002.NC")});
        h.clickEntry(0);
        form.LabeledEdit1->setEnabled(true);
        form.LabeledEdit1->setText(u("C:\\JOB.LST"));
        QTest::mouseClick(form.Button3, Qt::LeftButton);
        QCOMPARE(form.ListBox1->count(), 0);
        QVERIFY(!form.BitBtn5->isEnabled());
        QVERIFY(!form.LabeledEdit1->isEnabled());
        QVERIFY(form.LabeledEdit1->text().isEmpty());
    }

    void moveOnNeedsTwoFiles() {
        Harness h;
        ui::TMainForm& form = h.start();
        h.openFolder(u("NC"));
        h.pickFilter(0);
        h.addFiles({u("O1001.NC")});
        QTest::mouseClick(form.Button2, Qt::LeftButton);
        QCOMPARE(h.prompter.messages.size(), size_t{1});
        const ui::MessageRequest& error = h.prompter.messages[0];
        QCOMPARE(error.caption, u("エラー"));
        QCOMPARE(error.text, u("結合ﾌｧｲﾙは複数個必要です\n"));
        QCOMPARE(error.icon, ui::PromptIcon::Error);
        QCOMPARE(error.buttons, std::vector<PromptButton>{PromptButton::Yes});
        QCOMPARE(*error.topLeft, form.frameGeometry().topLeft() + QPoint(50, 50));
        QCOMPARE(form.JoinCount, 0);
    }

    void closingWritesTheBrowserAndTheNextStartRestoresIt() {
        Harness h;
        ui::TMainForm& form = h.start();
        h.openFolder(u("NC"));
        h.openFolder(u("JOB"));
        h.pickFilter(4);
        QCOMPARE(form.Settings.Setting.Mask_No, 4);
        h.restart();
        const std::string ini = h.tree.read("Tarvelin.INI");
        QCOMPARE(platform::readProfileString("C:\\Tarvelin.INI", "Main", "DirPath", ""), std::string("C:\\NC\\JOB"));
        QCOMPARE(platform::readProfileString("C:\\Tarvelin.INI", "Main", "Mask", ""), std::string("4"));
        QCOMPARE(platform::readProfileString("C:\\Tarvelin.INI", "Main", "Drive", ""), std::string("0"));
        QCOMPARE(platform::readProfileString("C:\\Tarvelin.INI", "Setting", "Mask_No", ""), std::string("4"));
        QVERIFY(ini.rfind("[Main]\r\nTop=", 0) == 0);
        QCOMPARE(QString::fromStdString(h.form->FileListBox1->directory()), u("C:\\NC\\JOB"));
        QCOMPARE(h.form->FilterComboBox1->currentIndex(), 4);
        QCOMPARE(h.form->Settings.Setting.Mask_No, 0);  // the rebuild at creation selected entry 0
    }

    void percentModeOutsideTheMenuIsKeptUntilAPick() {
        Harness h;
        h.tree.write("Tarvelin.INI", "[Options]\r\nOP1=7\r\n");
        ui::TMainForm& form = h.start();
        for (QAction* item : {form.OP1_FB, form.OP1_F, form.OP1_B, form.OP1_NO}) {
            QVERIFY(!item->isChecked());
        }
        h.restart();
        QCOMPARE(platform::readProfileString("C:\\Tarvelin.INI", "Options", "OP1", ""), std::string("7"));
        h.form->OP1_F->trigger();
        QCOMPARE(h.form->Settings.Options.OP1, 2);
        QVERIFY(h.form->OP1_F->isChecked());
        h.form->OP1_F->trigger();  // the marked item again changes nothing
        QVERIFY(h.form->OP1_F->isChecked());
        QCOMPARE(h.form->Settings.Options.OP1, 2);
    }

    void theSettingAndHelpMenusReachTheDesktop() {
        Harness h;
        ui::TMainForm& form = h.start();
        QCOMPARE(captions(form.setting), QStringList({u("ﾕｰｻﾞ定義(拡張子)"), u("ﾃﾞｨｽｸﾄｯﾌﾟにｼｮｰﾄｶｯﾄ作成")}));
        QCOMPARE(captions(form.Menu_help), QStringList({u("ﾎｰﾑﾍﾟｰｼﾞ"), u("ﾒｰﾙ"), u("-"), u("ﾊﾞｰｼﾞｮﾝ")}));
        QCOMPARE(form.menuBar()->actions().last()->text(), u("ﾍﾙﾌﾟ"));

        AddressCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
        form.Menu_hp->trigger();
        form.Menu_add->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QCOMPARE(catcher.opened.size(), 2);
        // The manual shipped beside the program file, and a mail.
        QCOMPARE(catcher.opened[0].toLocalFile(), QCoreApplication::applicationDirPath() + u("/manual.html"));
        QCOMPARE(catcher.opened[1].scheme(), u("mailto"));

        form.Menu_ver->trigger();
        QCOMPARE(h.prompter.aboutBoxes.size(), size_t(1));
        QCOMPARE(h.prompter.aboutBoxes[0].application, u("Tarvelin Ver1.13"));
        QVERIFY(!h.prompter.aboutBoxes[0].notice.isEmpty());
        QVERIFY(h.prompter.messages.empty());
    }

    void theDesktopShortcutIsWrittenOnceAndRewritten() {
#ifdef _WIN32
        QSKIP("Windows: the shortcut is a .lnk on the user's own desktop, checked by the platform tests");
#endif
        Harness h;
        ui::TMainForm& form = h.start();
        const QByteArray home = qgetenv("HOME");
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        const QString root = QString::fromStdString(h.tree.root());
        qputenv("HOME", root.toUtf8());
        qputenv("XDG_CONFIG_HOME", (root + u("/config")).toUtf8());  // no user-dirs file: the desktop is ~/Desktop
        form.DeskTop_set->trigger();
        form.DeskTop_set->trigger();
        qputenv("HOME", home);
        config.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", config);

        const QDir desktop(root + u("/Desktop"));
        QCOMPARE(desktop.entryList(QDir::Files | QDir::Hidden), QStringList({u("NCﾃﾞｰﾀ結合.desktop")}));
        QFile launcher(desktop.filePath(u("NCﾃﾞｰﾀ結合.desktop")));
        QVERIFY(launcher.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(launcher.readAll()).split(QLatin1Char('\n'));
        const QString folder = QCoreApplication::applicationDirPath();
        QVERIFY(lines.contains(u("Exec=\"") + QCoreApplication::applicationFilePath() + u("\"")));
        QVERIFY(lines.contains(u("Path=") + folder));
        QVERIFY(lines.contains(u("Icon=") + folder + u("/tarvelin.png")));
        QVERIFY(lines.contains(u("Name=NCﾃﾞｰﾀ結合")));
        QVERIFY(h.prompter.messages.empty());
    }

    void filterEntriesListTheirFiles() {
        Harness h;
        h.tree.write("Tarvelin.INI", "[Setting]\r\nUser1_Name=Both\r\nUser1_Mask=*.NC;O1*\r\n");
        ui::TMainForm& form = h.start();
        h.openFolder(u("NC"));
        h.pickFilter(5);  // "拡張子無し": an empty mask
        QCOMPARE(form.FileListBox1->count(), 0);
        h.pickFilter(2);  // a file matched by both patterns is listed twice
        QCOMPARE(itemTexts(form.FileListBox1), QStringList({u("O1001.NC"), u("O1001.NC"), u("O1002.NC"), u("O1002.NC"),
                                                            u("o1003.nc"), u("o1003.nc")}));
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
