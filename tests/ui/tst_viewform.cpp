// The road of a join: the main window's list, "次に進む", the join window, "開始", the save dialog, the log
// and the data, "戻る". The real windows, offscreen; the dialogs answered by a script.
#include <filesystem>
#include <memory>

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>

#include "platform/codepage.h"
#include "platform/private_profile.h"
#include "ui/MainUnit.h"
#include "ui/ViewUnit.h"
#include "ui/text_pane.h"
#include "ui/window_fonts.h"

#include "support/window_test.h"

using namespace tarvelin;
using test::u;
using ui::PromptButton;

namespace {

QStringList logLines(const QPlainTextEdit* log) {
    return log->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

struct Harness : test::WindowContext {
    std::unique_ptr<ui::TMainForm> main;
    std::unique_ptr<ui::TViewForm> view;

    Harness() : WindowContext("C:\\PROG") {
        tree.write("NC/A.NC", "%\r\nO0001\r\nG91 G28 Z0\r\nM30\r\n%\r\n");
        tree.write("NC/B.NC", "%\nO0002\nM30\n%\n");
        tree.makeFolder("PROG");
    }

    void start() {
        main = std::make_unique<ui::TMainForm>(context);
        view = std::make_unique<ui::TViewForm>(context, *main);
        main->setViewForm(view.get());
        main->show();
    }

    void list(const std::vector<std::string>& entries) {
        main->joinList.assign(entries);
        main->showJoinList();
    }

    // Presses "次に進む" (declining to save the list) and runs `inside` while the join window is open, then
    // closes it if still open.
    void moveOn(const std::function<void()>& inside) {
        prompter.answers.push_front(PromptButton::No);
        auto opened = std::make_shared<bool>(false);
        QTimer::singleShot(0, view.get(), [this, inside, opened] {
            *opened = true;
            inside();
            if (view->isVisible()) {
                view->close();
            }
        });
        QTest::mouseClick(main->Button2, Qt::LeftButton);
        QVERIFY2(*opened, "the join window did not open");
    }
};

}  // namespace

class TestViewForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ui::installFontSubstitutes(); }

    void theRoadFromTheListToAJoinedFileAndBack() {
        Harness h;
        h.tree.write("PROG/Front.txt", "(FRONT)\r\n");
        h.start();
        h.list({"C:\\NC\\A.NC", "C:\\NC\\NONE.NC", "C:\\NC\\B.NC"});
        h.prompter.fileAnswers = {u("C:\\OUT\\JOINED.NC")};
        h.tree.makeFolder("OUT");
        h.moveOn([&] {
            ui::TViewForm& view = *h.view;
            QCOMPARE(view.windowTitle(), u("ViewForm"));
            QCOMPARE(view.size(), QSize(492, 476));
            QVERIFY(!view.Button2->isEnabled());
            QCOMPARE(view.PageControl1->tabText(0), u("ログ表示"));
            QCOMPARE(view.PageControl1->tabText(1), u("結合データ"));
            QCOMPARE(view.Button1->geometry(), QRect(10, 440, 80, 25));
            QCOMPARE(view.Memo1->toPlainText(), u("Memo1"));
            QCOMPARE(h.prompter.messages.size(), size_t{1});  // the question whether to save the list
            h.prompter.messages.clear();
            QTest::mouseClick(view.Button1, Qt::LeftButton);
            QCOMPARE(h.prompter.fileDialogs.size(), size_t{1});
            const ui::FileDialogRequest& dialog = h.prompter.fileDialogs[0];
            QCOMPARE(dialog.title, u("結合ﾌｧｲﾙ保存"));
            QCOMPARE(dialog.filter, u("結合(*.nc)|*.nc|すべて(*.*)|*.*"));
            QCOMPARE(dialog.initialFolder, u("C:"));
            QCOMPARE(dialog.defaultExtension, u("nc"));
            const QStringList log = logLines(view.RichEdit1);
            QCOMPARE(log.first(), u("--- 開始 ---"));
            QCOMPARE(log[1], u("有:C:\\NC\\A.NC"));
            QCOMPARE(log[2], u("無:C:\\NC\\NONE.NC"));
            QCOMPARE(log.last(), u("3個中 2個結合しました。"));
            QVERIFY(log.contains(u("前部に付加データを追加しています。")));
            QCOMPARE(view.RichEdit2->text(), h.tree.read("OUT/JOINED.NC"));
            QCOMPARE(
                h.tree.read("OUT/JOINED.NC"),
                std::string("%\r\n(FRONT)\r\n\r\n\r\nO0001\r\nG91 G28 Z0\r\nM30\r\n\r\n\r\nO0002\r\nM30\r\n\r\n%\r\n"));
            QVERIFY(view.Button2->isEnabled());
            QCOMPARE(view.PageControl1->currentIndex(), 0);
            QTest::mouseClick(view.Button4, Qt::LeftButton);  // "戻る"
            QVERIFY(!view.isVisible());
        });
        QCOMPARE(h.main->JoinCount, 3);
        QCOMPARE(h.main->ListBox1->count(), 0);
        QVERIFY(!h.main->BitBtn2->isEnabled());
        QVERIFY(!h.main->LabeledEdit1->isEnabled());
        QVERIFY(h.view->RichEdit1->toPlainText().isEmpty());
        QVERIFY(h.view->RichEdit2->isEmpty());
        QCOMPARE(h.main->Settings.Main.ChgPath, std::string("C:\\OUT"));
    }

    // The join window keeps the main window waiting: minimising it minimises the program, and the main window
    // coming back from the task bar brings the join window back with it.
    void minimisingTheJoinWindowMinimisesTheProgram() {
        Harness h;
        h.start();
        h.list({"C:\\NC\\A.NC", "C:\\NC\\B.NC"});
        h.moveOn([&] {
            h.view->showMinimized();
            QTRY_VERIFY(h.main->isMinimized());
            h.main->showNormal();
            QTRY_VERIFY(!h.view->isMinimized());
            QVERIFY(h.view->isVisible());
        });
    }

    // 結合ﾁｪｯｸ in the options menu: the run's log ends with what the check found, and a double click on a
    // finding opens the data page at its line. The setting is kept only while it is on.
    void theJoinCheckLogsItsFindingsAndLeadsToTheirLines() {
        Harness h;
        h.tree.write("NC/C.NC", "O0001\r\nG90 G0 X1.\r\nM30\r\n");
        h.start();
        QVERIFY(!h.main->JoinCheck_op->isChecked());
        QCOMPARE(h.main->JoinCheck_op->text(), u("結合ﾁｪｯｸ"));
        QVERIFY(h.main->OpMenu->actions().contains(h.main->JoinCheck_op));
        h.main->JoinCheck_op->trigger();
        QVERIFY(h.main->JoinCheck_op->isChecked());
        QCOMPARE(h.main->Settings.Options.JoinCheck, 1);
        h.list({"C:\\NC\\A.NC", "C:\\NC\\C.NC"});
        h.prompter.fileAnswers = {u("C:\\OUT.NC")};
        h.moveOn([&] {
            ui::TViewForm& view = *h.view;
            QTest::mouseClick(view.Button1, Qt::LeftButton);
            const QStringList log = logLines(view.RichEdit1);
            const qsizetype last = log.indexOf(u("2個中 2個結合しました。"));
            QVERIFY(last > 0);
            const QString finding = u("ﾁｪｯｸ 警告: 7行 C.NC: O0001 が重複しています (2 回目)");
            QCOMPARE(log.mid(last + 1), QStringList({finding, u("ﾁｪｯｸ: 警告 1 件、注意 0 件")}));
            QTextCursor onFinding(view.RichEdit1->document()->findBlockByNumber(static_cast<int>(last) + 1));
            view.RichEdit1->setTextCursor(onFinding);
            const QPoint at = view.RichEdit1->cursorRect(onFinding).center();
            QTest::mouseDClick(view.RichEdit1->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(view.PageControl1->currentWidget(), view.TabSheet2);
            QCOMPARE(view.RichEdit2->caret().line, size_t{6});
            QCOMPARE(view.RichEdit2->lineText(6), std::string_view("O0001"));
        });
        h.main->JoinCheck_op->trigger();
        QCOMPARE(h.main->Settings.Options.JoinCheck, 0);
    }

    void aCancelledSaveDialogWritesNothingAndLogsNothing() {
        Harness h;
        h.start();
        h.list({"C:\\NC\\A.NC", "C:\\NC\\B.NC"});
        h.moveOn([&] {
            QTest::mouseClick(h.view->Button1, Qt::LeftButton);
            QVERIFY(h.view->RichEdit1->toPlainText().isEmpty());
            QVERIFY(h.view->RichEdit2->isEmpty());
            QVERIFY(!h.view->Button2->isEnabled());
        });
        QCOMPARE(h.main->ListBox1->count(), 2);  // the close box keeps the list
        QCOMPARE(h.main->Settings.Main.ChgPath, std::string("C:"));
    }

    void printIsForTheTextOfACompleteRunOnly() {
        Harness h;
        h.start();
        h.list({"C:\\NC\\A.NC", "C:\\NC\\B.NC"});
        h.prompter.fileAnswers = {u("C:\\OUT.NC"), u("C:\\NO\\SUCH\\OUT.NC")};
        h.moveOn([&] {
            QTest::mouseClick(h.view->Button1, Qt::LeftButton);
            QVERIFY(h.view->Button2->isEnabled());
            h.prompter.messages.clear();
            QTest::mouseClick(h.view->Button1, Qt::LeftButton);  // a run that fails
            QCOMPARE(h.prompter.messages.size(), size_t{1});
            QVERIFY(!h.view->Button2->isEnabled());
        });
    }

    void anOutputNamedLikeAnInputIsRefused() {
        Harness h;
        h.start();
        h.list({"C:\\NC\\A.NC", "C:\\NC\\B.NC"});
        h.prompter.fileAnswers = {u("c:\\nc\\b.nc")};
        h.moveOn([&] {
            h.prompter.messages.clear();
            QTest::mouseClick(h.view->Button1, Qt::LeftButton);
            QCOMPARE(h.prompter.messages.size(), size_t{1});
            QCOMPARE(h.prompter.messages[0].caption, u("確認"));
            QCOMPARE(h.prompter.messages[0].text, u("この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。"));
            QCOMPARE(h.prompter.messages[0].icon, ui::PromptIcon::Error);
            QCOMPARE(logLines(h.view->RichEdit1), QStringList({u("--- 開始 ---"), u("--- 中止 ---")}));
            QCOMPARE(h.view->focusWidget(), h.view->Button1);
        });
        QCOMPARE(h.tree.read("NC/B.NC"), std::string("%\nO0002\nM30\n%\n"));
    }

    void theFormatQuestionStandsBesideTheJoinWindow() {
        Harness h;
        h.tree.write("NC/EMPTY.NC", "");
        h.start();
        h.list({"C:\\NC\\EMPTY.NC", "C:\\NC\\A.NC"});
        h.prompter.fileAnswers = {u("C:\\OUT.NC")};
        h.prompter.answers = {PromptButton::No};
        h.moveOn([&] {
            h.view->move(120, 80);
            h.prompter.messages.clear();
            QTest::mouseClick(h.view->Button1, Qt::LeftButton);
            QCOMPARE(h.prompter.messages.size(), size_t{1});
            const ui::MessageRequest& question = h.prompter.messages[0];
            QCOMPARE(question.caption, u("警告"));
            QCOMPARE(question.icon, ui::PromptIcon::Warning);
            QCOMPARE(question.buttons, (std::vector<PromptButton>{PromptButton::Yes, PromptButton::No}));
            QVERIFY(question.text.startsWith(u("ファイル形式が違います。\n")));
            QCOMPARE(*question.topLeft, h.view->frameGeometry().topLeft() + QPoint(50, 50));
            QCOMPARE(logLines(h.view->RichEdit1).last(), u("2個中 2個結合しました。"));
        });
    }

    void reopeningShowsTheLastRunWithPrintDisabled() {
        Harness h;
        h.tree.write("Tarvelin.INI", "[View]\r\nFontSize=14\r\nLeft=33\r\nTop=44\r\n");
        h.start();
        h.list({"C:\\NC\\A.NC", "C:\\NC\\B.NC"});
        h.prompter.fileAnswers = {u("C:\\OUT.NC")};
        h.moveOn([&] {
            QCOMPARE(h.view->pos(), QPoint(33, 44));
            QCOMPARE(h.view->RichEdit2->font().pointSize(), 14);
            QCOMPARE(h.view->RichEdit1->font().pointSize(), 14);
            QCOMPARE(h.view->Button1->font().pixelSize(), 12);
            QTest::mouseClick(h.view->Button1, Qt::LeftButton);
            h.view->PageControl1->setCurrentIndex(1);
            h.view->move(70, 90);
        });
        QCOMPARE(h.main->Settings.View.Left, 70);
        QCOMPARE(h.main->Settings.View.Top, 90);
        h.moveOn([&] {
            QVERIFY(!h.view->Button2->isEnabled());
            QCOMPARE(h.view->PageControl1->currentIndex(), 1);  // the page in front stays in front
            QCOMPARE(logLines(h.view->RichEdit1).last(), u("2個中 2個結合しました。"));
            QCOMPARE(h.view->RichEdit2->text(), h.tree.read("OUT.NC"));
            QCOMPARE(h.view->pos(), QPoint(70, 90));
        });
    }

    void backDuringARunWaitsForItAndTheListIsKept() {
        Harness h;
        h.start();
        h.list({"C:\\NC\\A.NC", "C:\\NC\\B.NC"});
        h.prompter.fileAnswers = {u("C:\\OUT.NC")};
        h.moveOn([&] {
            // While the join handles events between its files, "開始" and "戻る" are pressed.
            int clicks = 0;
            QTimer timer;
            QObject::connect(&timer, &QTimer::timeout, [&] {
                if (clicks++ == 0) {
                    h.view->Button1->click();
                    h.view->Button4->click();
                }
            });
            timer.start(0);
            h.view->Button1Click();
            timer.stop();
            QVERIFY(clicks > 0);
            QCOMPARE(h.prompter.fileDialogs.size(), size_t{1});  // the second "開始" started nothing
        });
        QCOMPARE(h.tree.read("OUT.NC"), std::string("\r\nO0001\r\nG91 G28 Z0\r\nM30\r\n\r\n\r\nO0002\r\nM30\r\n\r\n")
                                            .insert(0, "%\r\n")
                                            .append("%\r\n"));
        QCOMPARE(h.main->ListBox1->count(), 0);  // "戻る" took effect after the run
        QVERIFY(!h.view->isVisible());
    }

    void editsInTheDataPaneLeaveTheSavedFileAlone() {
        Harness h;
        h.tree.write("NC/C.NC", std::string("O3\r\n(\x80\xFF)\r\n", 10));  // bytes that are no Shift-JIS
        h.start();
        h.list({"C:\\NC\\C.NC", "C:\\NC\\B.NC"});
        h.prompter.fileAnswers = {u("C:\\OUT.NC")};
        h.moveOn([&] {
            QTest::mouseClick(h.view->Button1, Qt::LeftButton);
            const std::string saved = h.tree.read("OUT.NC");
            QCOMPARE(h.view->RichEdit2->text(), saved);
            QVERIFY(saved.find("(\x80\xFF)") != std::string::npos);
            h.view->PageControl1->setCurrentIndex(1);
            h.view->RichEdit2->setFocus();
            QTest::keyClicks(h.view->RichEdit2, "EDIT ");
            QVERIFY(h.view->RichEdit2->text().rfind("EDIT %", 0) == 0);
            QCOMPARE(h.tree.read("OUT.NC"), saved);
        });
    }

    // The data pane shows what was saved, whatever another program then does to the output file.
    void anotherProgramChangingTheOutputLeavesThePaneAlone() {
        Harness h;
        h.start();
        h.list({"C:\\NC\\A.NC", "C:\\NC\\B.NC"});
        h.prompter.fileAnswers = {u("C:\\OUT.NC")};
        h.moveOn([&] {
            QTest::mouseClick(h.view->Button1, Qt::LeftButton);
            const std::string saved = h.tree.read("OUT.NC");
            h.view->PageControl1->setCurrentIndex(1);
            h.prompter.messages.clear();
            const std::function<void()> changes[] = {
                [&] { h.tree.write("OUT.NC", std::string(saved.size(), 'R')); },
                [&] { std::filesystem::resize_file(h.tree.host("OUT.NC"), 3); },
                [&] { std::filesystem::remove(h.tree.host("OUT.NC")); },
            };
            for (const auto& change : changes) {
                change();
                h.view->RichEdit2->grab();  // a repaint reads the text
                QCOMPARE(h.view->RichEdit2->text(), saved);
            }
            QVERIFY(h.prompter.messages.empty());
        });
    }
};

QTEST_MAIN(TestViewForm)
#include "tst_viewform.moc"
