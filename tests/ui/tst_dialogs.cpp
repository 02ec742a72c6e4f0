// The option dialogs: the front/end data and replacement editor, and the user-defined types. Real key
// events go into their boxes.
#include <filesystem>
#include <memory>
#include <optional>
#if defined(_WIN32)
#include <windows.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

#include "core/normalize_line_breaks.h"
#include "platform/codepage.h"
#include "platform/mbcs.h"
#include "platform/private_profile.h"
#include "ui/EditUnit.h"
#include "ui/MainUnit.h"
#include "ui/UserForm.h"
#include "ui/ViewUnit.h"
#include "ui/ansi_text.h"
#include "ui/labeled_edit.h"
#include "ui/text_pane.h"
#include "ui/window_fonts.h"

#include "support/window_test.h"

using namespace tarvelin;
using test::u;
using ui::PromptButton;

namespace {

struct Harness : test::WindowContext {
    std::unique_ptr<ui::TMainForm> main;
    std::unique_ptr<ui::TViewForm> view;
    std::unique_ptr<ui::TUser> user;
    std::unique_ptr<ui::TEditForm> edit;

    Harness() : WindowContext("C:\\PROG") {
        QCoreApplication::setApplicationName(QStringLiteral("Tarvelin"));
        tree.makeFolder("PROG");
        main = std::make_unique<ui::TMainForm>(context);
        view = std::make_unique<ui::TViewForm>(context, *main);
        user = std::make_unique<ui::TUser>(context, *main);
        edit = std::make_unique<ui::TEditForm>(context, *main);
        main->setViewForm(view.get());
        main->setUserForm(user.get());
        main->setEditForm(edit.get());
        main->show();
    }

    // Opens a modal dialog through its menu item and runs `inside` while it is open.
    void withDialog(QDialog* dialog, QAction* item, const std::function<void()>& inside) {
        QTimer::singleShot(0, dialog, [dialog, inside] {
            inside();
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        item->trigger();
    }

    void type(QWidget* box, const QString& text) {
        box->setFocus();
        QTest::keyClicks(box, text);
    }
};

// Makes a file unreadable while it lives: on Windows another program holds it open without sharing it. The
// superuser reads every file, so a test run as the superuser acts as the user "nobody" meanwhile (its tree
// made passable for that user).
#if defined(_WIN32)
class Unreadable {
public:
    Unreadable(const test::TempTree& tree, const std::string& relative)
        : held_(::CreateFileW(std::filesystem::path(tree.host(relative)).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (held_ == INVALID_HANDLE_VALUE) {
            qFatal("cannot hold the file");
        }
    }
    ~Unreadable() { ::CloseHandle(held_); }
    Unreadable(const Unreadable&) = delete;
    Unreadable& operator=(const Unreadable&) = delete;

private:
    HANDLE held_;
};
#else
class Unreadable {
public:
    Unreadable(const test::TempTree& tree, const std::string& relative) : path_(tree.host(relative)) {
        ::chmod(path_.c_str(), 0);
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            ::chmod(tree.root().c_str(), 0711);
            if (nobody == nullptr || ::seteuid(nobody->pw_uid) != 0) {
                qFatal("cannot act as the user nobody");
            }
            switched_ = true;
        }
    }
    ~Unreadable() {
        if (switched_ && ::seteuid(0) != 0) {
            qFatal("cannot act as the superuser again");
        }
        ::chmod(path_.c_str(), 0644);
    }
    Unreadable(const Unreadable&) = delete;
    Unreadable& operator=(const Unreadable&) = delete;

private:
    std::string path_;
    bool switched_ = false;
};
#endif

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ui::installFontSubstitutes(); }

    void theEditorIsLaidOutAsDesigned() {
        Harness h;
        h.withDialog(h.edit.get(), h.main->Edit_op, [&] {
            ui::TEditForm& e = *h.edit;
            QCOMPARE(e.windowTitle(), u("編集画面"));
            QCOMPARE(e.size(), QSize(507, 493));
            QVERIFY(!(e.windowFlags() & Qt::WindowSystemMenuHint));
            QCOMPARE(e.Memo1->geometry(), QRect(10, 25, 465, 100));
            QCOMPARE(e.Memo2->geometry(), QRect(10, 165, 465, 100));
            QCOMPARE(e.LabeledEdit3->geometry(), QRect(10, 400, 210, 20));
            QCOMPARE(e.LabeledEdit11->geometry(), QRect(280, 300, 210, 20));
            QCOMPARE(e.Shape2->geometry(), QRect(230, 360, 45, 1));
            QCOMPARE(e.Button1->geometry(), QRect(320, 448, 65, 25));
            QCOMPARE(e.LabeledEdit12->label()->text(), u("置換文字列２(削除は空欄)"));
            QCOMPARE(e.LabeledEdit12->label()->geometry().bottom() + 1 + 3, e.LabeledEdit12->y());
            QCOMPARE(e.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
            QVERIFY(e.Memo1->toPlainText().isEmpty());  // no Front.txt: empty, no "Memo1"
            QCOMPARE(e.pos(), QPoint(10, 10));
        });
        QVERIFY(h.prompter.messages.empty());
    }

    void savingWritesBothFilesUpperCasedAndTheSixValues() {
        Harness h;
        h.tree.write("PROG/End.txt", "m30\nm02\n");  // LF only: its lines load intact
        h.withDialog(h.edit.get(), h.main->Edit_op, [&] {
            ui::TEditForm& e = *h.edit;
            QCOMPARE(e.Memo2->toPlainText(), u("m30\nm02\n"));
            h.type(e.Memo1, u("g90 g54"));
            h.type(e.LabeledEdit1, u("g91"));
            QCOMPARE(e.LabeledEdit1->text(), u("G91"));  // upper case as it is typed
            h.type(e.LabeledEdit11, u(" g90 "));
            QTest::mouseClick(e.Button1, Qt::LeftButton);
            QCOMPARE(e.Memo1->toPlainText(), u("G90 G54"));
            QCOMPARE(e.Memo2->toPlainText(), u("M30\nM02\n"));
            QVERIFY(e.isVisible());  // the dialog stays open
        });
        QCOMPARE(h.tree.read("PROG/Front.txt"), std::string("G90 G54\r\n"));
        QCOMPARE(h.tree.read("PROG/End.txt"), std::string("M30\r\nM02\r\n"));
        QCOMPARE(h.main->Settings.Edit.DelChar1, std::string("G91"));
        QCOMPARE(h.main->Settings.Edit.ChgChar1, std::string(" G90 "));  // blanks stay for the run
    }

    void emptyMemosStillGiveEmptyFiles() {
        Harness h;
        h.withDialog(h.edit.get(), h.main->Edit_op, [&] { QTest::mouseClick(h.edit->Button1, Qt::LeftButton); });
        QVERIFY(h.tree.exists("PROG/Front.txt"));
        QCOMPARE(h.tree.read("PROG/Front.txt"), std::string());
        QCOMPARE(h.tree.read("PROG/End.txt"), std::string());
    }

    void backDropsTheEditsAndTheNextShowingStartsFromTheSavedState() {
        Harness h;
        h.tree.write("PROG/Front.txt", "G21\r\n");
        h.main->Settings.Edit.DelChar2 = "M08";
        h.withDialog(h.edit.get(), h.main->Edit_op, [&] {
            h.type(h.edit->Memo1, u("x"));
            h.type(h.edit->LabeledEdit2, u("y"));
            h.edit->move(150, 120);
            QTest::mouseClick(h.edit->Button2, Qt::LeftButton);  // "戻る"
        });
        QCOMPARE(h.main->Settings.View.Left, 150);  // closing decides where the join window opens next
        QCOMPARE(h.main->Settings.View.Top, 120);
        h.withDialog(h.edit.get(), h.main->Edit_op, [&] {
            QCOMPARE(h.edit->Memo1->toPlainText(), u("G21\n"));
            QCOMPARE(h.edit->LabeledEdit2->text(), u("M08"));
            QCOMPARE(h.edit->pos(), QPoint(150, 120));
        });
        QCOMPARE(h.tree.read("PROG/Front.txt"), std::string("G21\r\n"));
    }

    // A showing loads the files once: the window coming back after it was minimised keeps what was typed.
    void comingBackFromMinimisedKeepsTheEdits() {
        Harness h;
        h.tree.write("PROG/Front.txt", "G21\r\n");
        h.withDialog(h.edit.get(), h.main->Edit_op, [&] {
            h.type(h.edit->Memo1, u("x"));
            h.type(h.edit->LabeledEdit1, u("y"));
            h.edit->setWindowState(Qt::WindowMinimized);
            QTRY_VERIFY(!h.edit->isMinimized());
            QCOMPARE(h.edit->Memo1->toPlainText(), u("xG21\n"));
            QCOMPARE(h.edit->LabeledEdit1->text(), u("Y"));
        });
    }

    void aFrontFileThatCannotBeWrittenStopsTheSave() {
        Harness h;
        // A folder in the file's place cannot be replaced by a file, not even by root.
        std::filesystem::create_directories(h.tree.host("PROG/Front.txt"));
        h.withDialog(h.edit.get(), h.main->Edit_op, [&] {
            h.type(h.edit->Memo1, u("g90"));
            h.type(h.edit->LabeledEdit1, u("a"));
            QTest::mouseClick(h.edit->Button1, Qt::LeftButton);
        });
        QCOMPARE(h.prompter.messages.size(), size_t(1));
        QCOMPARE(h.prompter.messages[0].text, u("ファイル C:\\PROG\\Front.txt を作成できません."));
        QCOMPARE(h.edit->Memo1->toPlainText(), u("G90"));
        QVERIFY(h.main->Settings.Edit.DelChar1.empty());
        QVERIFY(!h.tree.exists("PROG/End.txt"));
    }

    // Saving without an edit changes nothing but what the editor documents: a..z upper-cased, line breaks
    // CR LF, a final CR LF. Bytes that are no character show as marks and are saved as they were.
    void savingWithoutAnEditKeepsTheBytes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved");
        const auto row = [](const char* name, std::string_view file, std::string_view saved) {
            QTest::newRow(name) << QByteArray(file.data(), file.size()) << QByteArray(saved.data(), saved.size());
        };
        row("lead byte at a line end", "g1\x81\r\nm2\r\n", "G1\x81\r\nM2\r\n");
        row("undefined pair", "\x85\x40", "\x85\x40\r\n");
        row("0xA0", "a\xA0z", "A\xA0Z\r\n");
        row("0xFD-0xFF", "\xFD\xFE\xFF\r\n", "\xFD\xFE\xFF\r\n");
        row("0x80", "\x80", "\x80\r\n");
        row("trailing lead byte", "x\r\n\x82", "X\r\n\x82\r\n");
        row("NEC-selected IBM extension", "\xED\x40\xFA\x5C\x87\x9A", "\xED\x40\xFA\x5C\x87\x9A\r\n");
        row("trailing empty line", "x\r\n\r\n", "X\r\n\r\n");
        row("one line break", "\r\n", "\r\n");
        row("LF and CR", "a\nb\rc", "A\r\nB\r\nC\r\n");
        row("trail bytes are no letters", "\x82\x61\x83\x61", "\x82\x61\x83\x61\r\n");
    }

    void savingWithoutAnEditKeepsTheBytes() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        Harness h;
        h.tree.write("PROG/Front.txt", file.toStdString());
        h.tree.write("PROG/End.txt", saved.toStdString());
        h.withDialog(h.edit.get(), h.main->Edit_op, [&] { QTest::mouseClick(h.edit->Button1, Qt::LeftButton); });
        QCOMPARE(QByteArray::fromStdString(h.tree.read("PROG/Front.txt")), saved);
        QCOMPARE(QByteArray::fromStdString(h.tree.read("PROG/End.txt")), saved);
        QVERIFY(h.prompter.messages.empty());
    }

    void whatAMemoShowsIsWhatItsFileHolds() {
        Harness h;
        h.tree.write("PROG/Front.txt", "\x80\x81");
        h.withDialog(h.edit.get(), h.main->Edit_op, [&] {
            ui::TEditForm& e = *h.edit;
            QCOMPARE(e.Memo1->toPlainText(), QString::fromUtf16(u"\uF780\uF781"));  // marks for the two bytes
            const auto marked = [&e] {
                QList<int> at;
                for (const QTextLayout::FormatRange& r : e.Memo1->document()->firstBlock().layout()->formats()) {
                    for (int i = 0; i < r.length && r.format.background().color() == QColor(0xC0, 0x00, 0x00); ++i) {
                        at.push_back(r.start + i);
                    }
                }
                return at;
            };
            QCOMPARE(marked(), QList<int>({0, 1}));  // white on red
            e.Memo1->moveCursor(QTextCursor::End);
            h.type(e.Memo1, u("A"));  // joins the lone lead byte: 0x81 0x41 is "、"
            QCOMPARE(e.Memo1->toPlainText(), QString::fromUtf16(u"\uF780\u3001"));
            QCOMPARE(marked(), QList<int>({0}));  // "、" is no mark
            e.Memo2->setFocus();
            QInputMethodEvent typed;  // as an input method enters it
            typed.setCommitString(u("é〜x"));
            QApplication::sendEvent(e.Memo2, &typed);  // é cannot be saved; 〜 is saved as 0x81 0x60, read back as ～
            QCOMPARE(e.Memo2->toPlainText(), u("～x"));
            QTest::mouseClick(e.Button1, Qt::LeftButton);
            QCOMPARE(e.Memo2->toPlainText(), u("～X"));
        });
        QCOMPARE(h.tree.read("PROG/Front.txt"), std::string("\x80\x81\x41\r\n"));
        QCOMPARE(h.tree.read("PROG/End.txt"), std::string("\x81\x60X\r\n"));
    }

    // Files of megabytes open and save as small ones do: every line shows as read, "保存" writes the
    // upper-cased text and shows it, bytes that are no character stay, and the next showing shows the file.
    void largeDataFilesRoundTripByteForByte() {
        Harness h;
        std::string front;
        std::string end;
        for (int i = 0; front.size() < (size_t{5} << 19); ++i) {
            std::string line = "N" + std::to_string(i * 10) + " G01 X" + std::to_string(i % 913) + ".5 Y-1.25";
            switch (i % 11) {
                case 1:
                    line += platform::utf8ToCp932(" (工具 ボールエンドミル Ｒ３ ｱｲｳ 〜 ①)");
                    break;
                case 2:
                    line = "g91 g28 z0 m05\n";
                    break;  // lower case, LF only
                case 3:
                    line += " \x80\xA0\xFD \x85\x40 \xED\x40\x87\x9A\x81";
                    break;
                case 4:
                    line.clear();
                    break;
                case 5:
                    line += "\r";
                    break;  // a lone CR
                case 6:
                    line += std::string(i % 7 == 0 ? 9000 : 90, 'F');
                    break;
                case 7:
                    line += "\t;" + std::to_string(i);
                    break;
                default:
                    break;
            }
            front += line + "\r\n";
            end += platform::utf8ToCp932("m30 (終了) x") + std::to_string(i) + "\n";
        }
        // A double-byte character and a CR LF across the edges of the pieces that the file is read in.
        front.replace((size_t{1} << 20) - 1, 2, "\x82\xA0");
        front.replace((size_t{2} << 20) - 1, 2, "\r\n");
        front.insert(front.size() / 2, "(here)");
        front += "m30";  // no line break at the end
        h.tree.write("PROG/Front.txt", front);
        h.tree.write("PROG/End.txt", end);
        const auto loaded = [](std::string text) {
            core::normalizeLineBreaks(text);
            return text;
        };
        const auto shown = [](const std::string& cp932) {
            return ui::fromAnsi(cp932).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        };
        const auto saved = [](std::string text) {
            text = platform::upper(text);
            return text.ends_with("\r\n") ? text : text + "\r\n";
        };
        ui::TEditForm& e = *h.edit;
        e.open();
        QCOMPARE(e.Memo1->toPlainText(), shown(loaded(front)));
        QCOMPARE(e.Memo2->toPlainText(), shown(loaded(end)));
        // A key typed in the middle of the text.
        QTextCursor here = e.Memo1->document()->find(QStringLiteral("(here)"));
        QVERIFY(!here.isNull());
        here.clearSelection();  // the caret after "(here)"
        e.Memo1->setTextCursor(here);
        e.Memo1->setFocus();
        QInputMethodEvent typed;
        typed.setCommitString(u("x〜"));  // 〜 is saved as 0x81 0x60
        QApplication::sendEvent(e.Memo1, &typed);
        QTest::mouseClick(e.Button1, Qt::LeftButton);
        std::string withKeys = loaded(front);
        withKeys.insert(withKeys.find("(here)") + 6, "x\x81\x60");
        QCOMPARE(QByteArray::fromStdString(h.tree.read("PROG/Front.txt")), QByteArray::fromStdString(saved(withKeys)));
        QCOMPARE(QByteArray::fromStdString(h.tree.read("PROG/End.txt")), QByteArray::fromStdString(saved(loaded(end))));
        QCOMPARE(e.Memo1->toPlainText(), shown(platform::upper(withKeys)));
        QCOMPARE(e.Memo2->toPlainText(), shown(platform::upper(loaded(end))));
        QCOMPARE(e.Memo1->textCursor().position(), 0);
        QTest::mouseClick(e.Button2, Qt::LeftButton);
        e.open();
        QCOMPARE(e.Memo1->toPlainText(), shown(saved(withKeys)));
        QTest::mouseClick(e.Button2, Qt::LeftButton);
        QVERIFY(h.prompter.messages.empty());
    }

    // After Front.txt could not be read, neither data file is replaced by a memo that did not show it,
    // unless the operator typed into that memo.
    void aFailedLoadSavesOnlyWhatWasTyped() {
        Harness h;
        h.tree.write("PROG/Front.txt", "G21\r\n");
        h.tree.write("PROG/End.txt", "M30\r\n");
        for (const bool typeIntoEnd : {false, true}) {
            std::optional<Unreadable> unreadable(std::in_place, h.tree, "PROG/Front.txt");
            h.withDialog(h.edit.get(), h.main->Edit_op, [&] {
                unreadable.reset();
                QCOMPARE(h.prompter.messages.size(), size_t(typeIntoEnd ? 2 : 1));
                QCOMPARE(h.prompter.messages.back().text, u("ファイル C:\\PROG\\Front.txt は開けません."));
                QVERIFY(h.edit->Memo1->toPlainText().isEmpty());
                QVERIFY(h.edit->Memo2->toPlainText().isEmpty());
                if (typeIntoEnd) {
                    h.type(h.edit->Memo2, u("m02"));
                }
                QTest::mouseClick(h.edit->Button1, Qt::LeftButton);
            });
            QCOMPARE(h.tree.read("PROG/Front.txt"), std::string("G21\r\n"));
            QCOMPARE(h.tree.read("PROG/End.txt"), std::string(typeIntoEnd ? "M02\r\n" : "M30\r\n"));
        }
    }

    void aJoinAfterSavingUsesTheNewDataAndTable() {
        Harness h;
        h.tree.write("NC/A.NC", "O1\r\nG91 X1.\r\n");
        h.tree.write("NC/B.NC", "O2\r\n");
        h.withDialog(h.edit.get(), h.main->Edit_op, [&] {
            h.type(h.edit->Memo1, u("(front)"));
            h.type(h.edit->LabeledEdit1, u("g91"));
            h.type(h.edit->LabeledEdit11, u("G90"));
            QTest::mouseClick(h.edit->Button1, Qt::LeftButton);
        });
        h.main->joinList.assign({"C:\\NC\\A.NC", "C:\\NC\\B.NC"});
        h.main->showJoinList();
        h.prompter.answers = {PromptButton::No};  // no list file
        h.prompter.fileAnswers = {u("C:\\OUT.NC")};
        QTimer::singleShot(0, h.view.get(), [&] {
            QTest::mouseClick(h.view->Button1, Qt::LeftButton);
            h.view->close();
        });
        QTest::mouseClick(h.main->Button2, Qt::LeftButton);
        QCOMPARE(h.tree.read("OUT.NC"), std::string("%\r\n(FRONT)\r\n\r\nO1\r\nG90 X1.\r\nO2\r\n\r\n%\r\n"));
    }

    void theUserTypesDialogIsLaidOutAtTheMainWindowsCorner() {
        Harness h;
        h.main->move(123, 45);
        h.withDialog(h.user.get(), h.main->User_op, [&] {
            ui::TUser& d = *h.user;
            QCOMPARE(d.windowTitle(), u("ﾕｰｻﾞ定義"));
            QCOMPARE(d.size(), QSize(379, 173));
            QCOMPARE(d.pos(), h.main->frameGeometry().topLeft());
            QCOMPARE(d.LabeledEdit4->geometry(), QRect(256, 80, 97, 20));
            QCOMPARE(d.Button1->geometry(), QRect(64, 128, 113, 25));
            QCOMPARE(d.LabeledEdit1->text(), u("ﾕｰｻﾞ1"));
            QCOMPARE(d.LabeledEdit2->text(), u("*.*"));
            QCOMPARE(d.LabeledEdit1->label()->text(), u("ﾕｰｻﾞ定義１(表示名)"));
        });
    }

    void extensionBoxesCompleteOnEnterAndRefuseEightCharacters() {
        Harness h;
        h.withDialog(h.user.get(), h.main->User_op, [&] {
            ui::TUser& d = *h.user;
            d.LabeledEdit2->clear();
            h.type(d.LabeledEdit2, u("abc"));
            QTest::keyClick(d.LabeledEdit2, Qt::Key_Return);
            QCOMPARE(d.LabeledEdit2->text(), u("*.abc"));
            QCOMPARE(d.focusWidget(), d.Button1);
            d.LabeledEdit4->clear();
            d.LabeledEdit4->setFocus();
            QTest::keyClick(d.LabeledEdit4, Qt::Key_Return);  // empty: nothing, the focus stays
            QCOMPARE(d.focusWidget(), d.LabeledEdit4);
            QVERIFY(d.LabeledEdit4->text().isEmpty());
            h.type(d.LabeledEdit4, u("n;c|"));
            QCOMPARE(d.LabeledEdit4->text(), u("nc"));
            QCOMPARE(h.prompter.messages.size(), size_t{2});
            QCOMPARE(h.prompter.messages[0].text, u("この文字は拡張子に使えません。\n/:,;?<>|"));
            QCOMPARE(h.prompter.messages[0].caption, u("確認"));
            h.type(d.LabeledEdit1, u("a;b|c"));  // a name box takes them
            QCOMPARE(h.prompter.messages.size(), size_t{2});
            QApplication::clipboard()->setText(u(";|"));
            d.LabeledEdit4->setFocus();
            QTest::keySequence(d.LabeledEdit4, QKeySequence::Paste);  // pasting is not checked
            QCOMPARE(d.LabeledEdit4->text(), u("nc;|"));
            QTest::keyClick(d.LabeledEdit4, Qt::Key_Backspace);
            QCOMPARE(d.LabeledEdit4->text(), u("nc;"));
        });
    }

    void changeStoresCompletedMasksAndDefaults_data() {
        QTest::addColumn<QStringList>("typed");   // the four boxes
        QTest::addColumn<QStringList>("stored");  // User1_Name, User1_Mask, User2_Name, User2_Mask
        QTest::newRow("all empty") << QStringList({"", "", "", ""})
                                   << QStringList({u("ﾕｰｻﾞ定義1"), "*.*", u("ﾕｰｻﾞ定義2"), "*.*"});
        QTest::newRow("masks") << QStringList({"CAM", "*.nc", "TAP", ".nc"})
                               << QStringList({"CAM", "*.nc", "TAP", "*.nc"});
        QTest::newRow("blanks stay") << QStringList({" ", " ", "x", "a.b"}) << QStringList({" ", "*. ", "x", "*a.b"});
    }

    void changeStoresCompletedMasksAndDefaults() {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, stored);
        Harness h;
        h.withDialog(h.user.get(), h.main->User_op, [&] {
            ui::TUser& d = *h.user;
            ui::LabeledEdit* const boxes[] = {d.LabeledEdit1, d.LabeledEdit2, d.LabeledEdit3, d.LabeledEdit4};
            for (int i = 0; i < 4; ++i) {
                boxes[i]->setText(typed[i]);
            }
            QTest::mouseClick(d.Button1, Qt::LeftButton);
        });
        const auto& s = h.main->Settings.Setting;
        const auto text = [](const std::string& cp932) { return QString::fromStdString(platform::cp932ToUtf8(cp932)); };
        QCOMPARE(QStringList({text(s.User1_Name), text(s.User1_Mask), text(s.User2_Name), text(s.User2_Mask)}), stored);
    }

    void cancelAndBackKeepTheStoredTypes() {
        Harness h;
        for (const bool cancel : {true, false}) {
            h.withDialog(h.user.get(), h.main->User_op, [&] {
                h.user->LabeledEdit2->setText(u("*.XYZ"));
                QTest::mouseClick(cancel ? h.user->Button2 : h.user->Button3, Qt::LeftButton);
            });
            QCOMPARE(h.main->Settings.Setting.User1_Mask, std::string("*.*"));
        }
    }

    // Enter presses the focused button, Escape closes nothing, and a dialog without a minimise box comes
    // back at once when it is minimised all the same.
    void keysOfTheModalWindows_data() {
        QTest::addColumn<int>("window");
        QTest::newRow("ﾕｰｻﾞ定義") << 0;
        QTest::newRow("編集画面") << 1;
        QTest::newRow("join window") << 2;
    }

    void keysOfTheModalWindows() {
        QFETCH(int, window);
        Harness h;
        QDialog* const dialogs[] = {h.user.get(), h.edit.get(), h.view.get()};
        QPushButton* const backButtons[] = {h.user->Button3, h.edit->Button2, h.view->Button4};
        QDialog* dialog = dialogs[window];
        QPushButton* back = backButtons[window];
        bool closedByEnter = false;
        QTimer::singleShot(0, dialog, [&] {
            QTest::keyClick(dialog->focusWidget() != nullptr ? dialog->focusWidget() : dialog, Qt::Key_Escape);
            QVERIFY(dialog->isVisible());
            if (!dialog->windowFlags().testFlag(Qt::WindowMinimizeButtonHint)) {
                dialog->setWindowState(Qt::WindowMinimized);
                QTRY_VERIFY(!dialog->isMinimized());
            }
            back->setFocus();
            QTest::keyClick(back, Qt::Key_Return);
            closedByEnter = !dialog->isVisible();
            dialog->reject();
        });
        dialog->exec();
        QVERIFY(closedByEnter);
    }

    // A one-line box takes a paste of any length whole.
    void pastedTextsStayWhole() {
        Harness h;
        QApplication::clipboard()->setText(QString(100000, QLatin1Char('A')));
        h.main->LabeledEdit1->setEnabled(true);
        for (QLineEdit* box : std::initializer_list<QLineEdit*>{h.main->LabeledEdit1, h.user->LabeledEdit1,
                                                                h.edit->LabeledEdit1, h.edit->LabeledEdit13}) {
            QTest::keySequence(box, QKeySequence::Paste);
            QCOMPARE(box->text().size(), 100000);
        }
    }

    void changingAUserTypeSelectsTheFirstFilterAndLeavingItKeepsTheSelection() {
        Harness h;
        h.main->FilterComboBox1->setCurrentIndex(3);
        emit h.main->FilterComboBox1->activated(3);
        h.withDialog(h.user.get(), h.main->User_op, [&] { QTest::mouseClick(h.user->Button1, Qt::LeftButton); });
        QCOMPARE(h.main->FilterComboBox1->currentIndex(), 3);  // "変更" without a change: same text
        h.withDialog(h.user.get(), h.main->User_op, [&] {
            h.user->LabeledEdit3->setText(u("CAM"));
            QTest::mouseClick(h.user->Button1, Qt::LeftButton);
        });
        QCOMPARE(h.main->FilterComboBox1->currentIndex(), 0);
        QCOMPARE(h.main->FilterComboBox1->itemText(3), u("CAM(*.*)"));
        QCOMPARE(h.main->Settings.Setting.Mask_No, 0);
        h.main->close();
        QCOMPARE(platform::readProfileString("C:\\Tarvelin.INI", "Main", "Mask", ""), std::string("0"));
        QCOMPARE(platform::readProfileString("C:\\Tarvelin.INI", "Setting", "Mask_No", ""), std::string("0"));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
