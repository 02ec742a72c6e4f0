// List files in the main window: saved on "次に進む", loaded with "..." through the previewing open dialog,
// and loaded by dropping one file on the window.
#include <memory>

#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include "ui/COpenTextDialog.h"
#include "ui/MainUnit.h"
#include "ui/ViewUnit.h"
#include "ui/window_fonts.h"

#include "support/window_test.h"

using namespace tarvelin;
using test::itemTexts;
using test::u;
using ui::PromptButton;

namespace {

struct Harness : test::WindowContext {
    std::unique_ptr<ui::TMainForm> main;
    std::unique_ptr<ui::TViewForm> view;
    int joinWindowOpenings = 0;

    Harness() : WindowContext("C:\\") {
        QCoreApplication::setApplicationName(QStringLiteral("Tarvelin"));
        main = std::make_unique<ui::TMainForm>(context);
        view = std::make_unique<ui::TViewForm>(context, *main);
        main->setViewForm(view.get());
        main->show();
    }

    // Presses "次に進む"; the join window, if it opens, is closed at once.
    void moveOn() {
        QTimer::singleShot(0, view.get(), [this] {
            if (view->isVisible()) {
                ++joinWindowOpenings;
                view->close();
            }
        });
        QTest::mouseClick(main->Button2, Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    void drop(const QStringList& hostPaths) {
        auto* mime = new QMimeData;
        QList<QUrl> urls;
        for (const auto& path : hostPaths) {
            urls << QUrl::fromLocalFile(path);
        }
        mime->setUrls(urls);
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(main.get(), &enter);
        QDropEvent event(QPointF(300, 200), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(main.get(), &event);
        delete mime;
    }
};

}  // namespace

class TestListFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ui::installFontSubstitutes(); }

    void movingOnOffersToSaveTheListAndSavesItExactly() {
        Harness h;
        h.tree.makeFolder("LIST");
        h.main->joinList.assign({"C:\\A.NC", "C:\\B.NC"});
        h.main->showJoinList();
        h.prompter.answers = {PromptButton::Yes};
        h.prompter.fileAnswers = {u("C:\\LIST\\JOB.LST")};
        h.moveOn();
        const ui::MessageRequest& question = h.prompter.messages.at(0);
        QCOMPARE(question.text, u("結合ﾘｽﾄを保存しますか\n次回に利用可能です。"));
        QCOMPARE(question.caption, u("警告"));
        QCOMPARE(*question.topLeft, h.main->frameGeometry().topLeft() + QPoint(50, 50));
        const ui::FileDialogRequest& dialog = h.prompter.fileDialogs.at(0);
        QCOMPARE(dialog.title, u("ﾘｽﾄ保存"));
        QCOMPARE(dialog.filter, u("ﾘｽﾄ(*.Lst)|*.Lst|すべて(*.*)|*.*"));
        QCOMPARE(dialog.defaultExtension, u("LST"));
        QVERIFY(dialog.initialFolder.isEmpty());
        QCOMPARE(h.tree.read("LIST/JOB.LST"), std::string("C:\\A.NC\r\nC:\\B.NC\r\n"));
        QCOMPARE(h.main->Settings.Main.ListPath, std::string("C:\\LIST"));
        QCOMPARE(h.joinWindowOpenings, 1);
        QCOMPARE(h.main->JoinCount, 2);
    }

    void aListThatCannotBeSavedStopsBeforeTheJoinWindow() {
        Harness h;
        h.main->joinList.assign({"C:\\A.NC", "C:\\B.NC"});
        h.main->showJoinList();
        h.prompter.answers = {PromptButton::Yes};
        h.prompter.fileAnswers = {u("C:\\NO\\JOB.LST")};
        h.moveOn();
        QCOMPARE(h.prompter.messages.size(), size_t{2});
        QCOMPARE(h.prompter.messages[1].caption, u("Tarvelin"));
        QCOMPARE(h.prompter.messages[1].text, u("ファイル C:\\NO\\JOB.LST を作成できません."));
        QCOMPARE(h.prompter.messages[1].icon, ui::PromptIcon::Error);
        QCOMPARE(h.joinWindowOpenings, 0);
        QCOMPARE(h.main->JoinCount, 0);
        QCOMPARE(h.main->Settings.Main.ListPath, std::string("C:\\NO"));
    }

    void aSavedListLoadsBackAndBreaksOfAnyKindReadAlike() {
        Harness h;
        h.main->joinList.assign({"C:\\NC\\A.NC", "C:\\NC\\B.NC", "C:\\NC\\A.NC"});
        h.main->showJoinList();
        h.prompter.answers = {PromptButton::Yes, PromptButton::Yes};
        h.prompter.fileAnswers = {u("C:\\JOB.LST"), u("C:\\JOB.LST")};
        h.moveOn();
        QCOMPARE(h.main->Settings.Main.ListPath, std::string("C:\\"));
        QTest::mouseClick(h.main->Button3, Qt::LeftButton);  // "やり直し"
        QTest::mouseClick(h.main->Button1, Qt::LeftButton);  // "..."
        QCOMPARE(itemTexts(h.main->ListBox1), QStringList({u("C:\\NC\\A.NC"), u("C:\\NC\\B.NC"), u("C:\\NC\\A.NC")}));
        const ui::FileDialogRequest& dialog = h.prompter.fileDialogs.back();
        QCOMPARE(dialog.title, u("ﾘｽﾄ選択"));
        QCOMPARE(dialog.initialFolder, u("C:\\"));
        QCOMPARE(dialog.defaultExtension, u("Lst"));
        QVERIFY(h.main->LabeledEdit1->isEnabled());
        QCOMPARE(h.main->LabeledEdit1->text(), u("C:\\JOB.LST"));
        QCOMPARE(h.main->joinList.selected(), -1);

        for (const char* bytes : {"C:\\X.NC\nC:\\Y.NC\n\nC:\\Z.NC", "C:\\X.NC\rC:\\Y.NC\r\rC:\\Z.NC\r"}) {
            h.tree.write("SUB/OTHER.LST", bytes);
            h.prompter.answers = {PromptButton::Yes};
            h.prompter.fileAnswers = {u("C:\\SUB\\OTHER.LST")};
            QTest::mouseClick(h.main->Button1, Qt::LeftButton);
            QCOMPARE(itemTexts(h.main->ListBox1), QStringList({u("C:\\X.NC"), u("C:\\Y.NC"), u(""), u("C:\\Z.NC")}));
            QCOMPARE(h.main->Settings.Main.ListPath, std::string("C:\\SUB"));
        }
    }

    void loadingAsksFirstAndACancelledDialogDisablesTheName() {
        Harness h;
        h.main->joinList.assign({"C:\\KEEP.NC"});
        h.main->showJoinList();
        h.prompter.answers = {PromptButton::No};
        QTest::mouseClick(h.main->Button1, Qt::LeftButton);
        QCOMPARE(h.prompter.messages.at(0).text, u("ﾘｽﾄを読み込むと現選択ﾃﾞｰﾀが削除されます。\n("
                                                   "ﾘｽﾄ読み込み後、追加・削除は可能)\nﾘｽﾄ読み込みを開始しますか。"));
        QVERIFY(h.prompter.fileDialogs.empty());
        h.main->LabeledEdit1->setEnabled(true);
        h.main->LabeledEdit1->setText(u("C:\\OLD.LST"));
        h.prompter.answers = {PromptButton::Yes};
        QTest::mouseClick(h.main->Button1, Qt::LeftButton);  // the dialog is cancelled
        QVERIFY(!h.main->LabeledEdit1->isEnabled());
        QCOMPARE(h.main->LabeledEdit1->text(), u("C:\\OLD.LST"));
        QCOMPARE(itemTexts(h.main->ListBox1), QStringList({u("C:\\KEEP.NC")}));
    }

    void aListThatCannotBeOpenedLeavesTheListButNamesTheFile() {
        Harness h;
        h.main->joinList.assign({"C:\\KEEP.NC"});
        h.main->showJoinList();
        h.prompter.answers = {PromptButton::Yes};
        h.prompter.fileAnswers = {u("C:\\DIR\\NONE.LST")};
        QTest::mouseClick(h.main->Button1, Qt::LeftButton);
        QCOMPARE(h.prompter.messages.back().text, u("ファイル C:\\DIR\\NONE.LST は開けません."));
        QCOMPARE(h.prompter.messages.back().caption, u("Tarvelin"));
        QCOMPARE(itemTexts(h.main->ListBox1), QStringList({u("C:\\KEEP.NC")}));
        QCOMPARE(h.main->LabeledEdit1->text(), u("C:\\DIR\\NONE.LST"));
        QCOMPARE(h.main->Settings.Main.ListPath, std::string("C:\\DIR"));
    }

    void droppingOneFileLoadsItAndTwoAreRefused() {
        Harness h;
        h.tree.write("NC/O1001.NC", "%\r\nO1001\r\nM30\r\n");
        h.drop({QString::fromStdString(h.tree.host("NC/O1001.NC"))});
        QCOMPARE(itemTexts(h.main->ListBox1), QStringList({u("%"), u("O1001"), u("M30")}));
        QVERIFY(h.main->LabeledEdit1->isEnabled());
        QCOMPARE(h.main->LabeledEdit1->text(), u("C:\\NC\\O1001.NC"));
        QCOMPARE(h.main->Settings.Main.ListPath, std::string("C:\\NC"));
        QVERIFY(h.prompter.messages.empty());

        h.drop({QString::fromStdString(h.tree.host("NC/O1001.NC")), QString::fromStdString(h.tree.host("A.LST"))});
        QCOMPARE(h.prompter.messages.size(), size_t{1});
        QCOMPARE(h.prompter.messages[0].text, u("複数は不可です。"));
        QCOMPARE(h.prompter.messages[0].caption, u("確認"));
        QCOMPARE(h.prompter.messages[0].icon, ui::PromptIcon::Error);
        QVERIFY(!h.prompter.messages[0].topLeft);
        QCOMPARE(h.main->ListBox1->count(), 3);
    }

    // The open dialog itself, on real files.
    void theOpenDialogPreviewsTextAndWarnsOfTheRest() {
        test::TempTree tree;
        test::ScriptedPrompter prompter;
        tree.write("LF.LST", "C:\\A.NC\nC:\\B.NC\n");
        tree.write("EMPTY.LST", "");
        tree.write("NUL50.LST", std::string(50, 'a') + std::string(1, '\0') + "rest");
        tree.write("NUL200.LST", std::string(200, 'b') + std::string(1, '\0') + "rest");
        std::string big;
        for (int i = 0; big.size() < 5000; ++i) {
            big += "C:\\NC\\O" + std::to_string(1000 + i) + ".NC\r\n";
        }
        big.resize(5000);
        tree.write("BIG.LST", big);
        tree.makeFolder("FOLDER");

        ui::COpenTextDialog dialog(nullptr, prompter);
        QVERIFY(dialog.PreviewMemo == nullptr);
        dialog.setDirectory(QString::fromStdString(tree.root()));
        const QSize before = dialog.sizeHint();
        dialog.resize(before);
        dialog.show();
        QVERIFY(dialog.PreviewMemo != nullptr);
        QCOMPARE(dialog.height(), before.height() + 100);
        const QRect screen = dialog.screen()->geometry();
        QCOMPARE(dialog.x(), (screen.width() - dialog.width()) / 2);
        QVERIFY(dialog.PreviewMemo->toPlainText().isEmpty());
        // In the strip under the dialog's own controls, where it stays when the dialog is resized.
        const QRect pane(6, before.height() + 1, before.width() - 12, 80);
        QCOMPARE(dialog.PreviewMemo->geometry(), pane);
        dialog.resize(dialog.size() + QSize(60, 40));
        QTRY_COMPARE(dialog.width(), before.width() + 60);
        QCOMPARE(dialog.PreviewMemo->geometry(), pane);

        const auto select = [&](const char* name) {
            dialog.DoSelectionChange(QString::fromStdString(tree.host(name)));
        };
        select("LF.LST");
        QCOMPARE(dialog.PreviewMemo->toPlainText(), u("C:\\A.NC\nC:\\B.NC\n"));
        select("NUL50.LST");  // not text: the warning, and the pane keeps what it showed
        QCOMPARE(prompter.messages.size(), size_t{1});
        QCOMPARE(prompter.messages[0].text, u("ファイルのプレビューが出来ません。\n(ファイルタイプが違います。)"));
        QCOMPARE(prompter.messages[0].caption, u("警告"));
        QCOMPARE(dialog.PreviewMemo->toPlainText(), u("C:\\A.NC\nC:\\B.NC\n"));
        select("NUL200.LST");
        QCOMPARE(dialog.PreviewMemo->toPlainText(), QString(200, QLatin1Char('b')));
        select("BIG.LST");  // its first 1023 bytes
        const QString first1023 = QString::fromStdString(big.substr(0, 1023))
                                      .replace(u("\r\n"), u("\n"))
                                      .replace(QLatin1Char(0x0D), QLatin1Char(0x0A));
        QCOMPARE(dialog.PreviewMemo->toPlainText(), first1023);
        select("FOLDER");  // a folder changes nothing
        QCOMPARE(dialog.PreviewMemo->toPlainText(), first1023);
        select("EMPTY.LST");
        QVERIFY(dialog.PreviewMemo->toPlainText().isEmpty());
        QCOMPARE(prompter.messages.size(), size_t{1});
        dialog.reject();
        QVERIFY(dialog.PreviewMemo == nullptr);
    }

    // A name typed as a drive path means the file that the program shows under it, whatever the slash and
    // the letter's case; a letter the program does not show is refused with the dialog left open.
    void theOpenDialogTakesTypedDrivePaths() {
        test::TempTree tree;
        test::ScriptedPrompter prompter;
        tree.write("LISTS/ops.Lst", "C:\\A.NC\r\n");
        const auto typeAndAccept = [&](ui::COpenTextDialog& dialog, const QString& typed) {
            QTimer::singleShot(0, &dialog, [&dialog, typed] {
                auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(name != nullptr);
                name->setText(typed);
                // A refusal comes as a message over the dialog, which stays open: noted, closed, and the
                // dialog cancelled.
                QTimer::singleShot(0, &dialog, [&dialog] {
                    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                        dialog.setProperty("refusal", box->text());
                        box->accept();
                    }
                });
                dialog.accept();
                if (dialog.isVisible()) {
                    dialog.reject();
                }
            });
        };
        for (const QString& typed : {u("C:\\LISTS\\ops.Lst"), u("c:/LISTS/ops.Lst")}) {
            ui::COpenTextDialog dialog(nullptr, prompter);
            dialog.setDirectory(QString::fromStdString(tree.root()));
            typeAndAccept(dialog, typed);
            QCOMPARE(dialog.choose({}).value_or(QString()), u("C:\\LISTS\\ops.Lst"));
        }
        ui::COpenTextDialog dialog(nullptr, prompter);
        typeAndAccept(dialog, u("Q:\\LISTS\\ops.Lst"));
        QVERIFY(!dialog.choose({}));
        QCOMPARE(dialog.property("refusal").toString(), u("ファイル Q:\\LISTS\\ops.Lst は開けません"));
    }
};

QTEST_MAIN(TestListFiles)
#include "tst_listfiles.moc"
