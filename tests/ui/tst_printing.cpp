// Printing the joined data from the join window: the print holder, the page count offered in the print
// dialog, and what reaches the paper, read back from a PDF printer with poppler's tools.
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

#include "core/settings.h"
#include "ui/MainUnit.h"
#include "ui/ViewPrint.h"
#include "ui/ViewUnit.h"
#include "ui/ansi_text.h"
#include "ui/printer_setup.h"
#include "ui/prompter.h"
#include "ui/text_pane.h"
#include "ui/window_fonts.h"

#include "support/window_test.h"

using namespace tarvelin;
using test::u;
using ui::PromptButton;

namespace {

// `count` numbered program lines, each ending with CR LF.
std::string programLines(int first, int count) {
    std::string text;
    for (int i = first; i < first + count; ++i) {
        text += "N" + std::to_string(i) + " G01 X" + std::to_string(i) + ". Y-2.5 F1200\r\n";
    }
    return text;
}

// Runs a poppler tool on a file and gives its output.
QString poppler(const QString& tool, QStringList arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString pdfText(const QString& pdf, int page = 0) {
    QStringList arguments{QStringLiteral("-layout")};
    if (page > 0) {
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    }
    return poppler(QStringLiteral("pdftotext"), arguments << pdf << QStringLiteral("-"));
}

// A field of pdfinfo's report ("Pages", "Title").
QString pdfInfo(const QString& pdf, const QString& field) {
    for (const QString& line : poppler(QStringLiteral("pdfinfo"), {pdf}).split(QLatin1Char('\n'))) {
        if (line.startsWith(field + QLatin1Char(':'))) {
            return line.mid(field.size() + 1).trimmed();
        }
    }
    return QString();
}

// A printer that prints to the PDF file at `pdf`.
std::unique_ptr<QPrinter> pdfPrinter(const QString& pdf) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    return printer;
}

// The program lines ("N...") of a printed text, in order.
QStringList programLinesOf(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QLatin1Char('N'))) {
            lines << line.trimmed();
        }
    }
    return lines;
}

struct Harness : test::WindowContext {
    std::unique_ptr<ui::TMainForm> main;
    std::unique_ptr<ui::TViewForm> view;
    std::unique_ptr<ui::TPrintForm> holder;

    Harness() : WindowContext("C:\\PROG") {
        QCoreApplication::setApplicationName(QStringLiteral("Tarvelin"));
        tree.makeFolder("PROG");  // no front or end data
        main = std::make_unique<ui::TMainForm>(context);
        view = std::make_unique<ui::TViewForm>(context, *main);
        holder = std::make_unique<ui::TPrintForm>();
        main->setViewForm(view.get());
        view->setPrintForm(holder.get());
        main->Settings.Options.OP1 = 4;  // no "%" lines: the joined data is the programs' lines
        main->show();
    }

    // Makes prints go to a PDF file in the tree; its host path.
    QString printToPdf(const char* name) {
        const QString pdf = QString::fromStdString(tree.host(name));
        holder->setPrinter(pdfPrinter(pdf));
        return pdf;
    }

    // Joins the files into C:\OUT.NC and runs `inside` in the join window after the run.
    void joinThen(const std::vector<std::string>& files, const std::function<void()>& inside) {
        main->joinList.assign(files);
        main->showJoinList();
        prompter.answers.push_front(PromptButton::No);  // no list file
        prompter.fileAnswers = {u("C:\\OUT.NC")};
        QTimer::singleShot(0, view.get(), [this, inside] {
            QTest::mouseClick(view->Button1, Qt::LeftButton);
            inside();
            view->close();
        });
        QTest::mouseClick(main->Button2, Qt::LeftButton);
    }
};

}  // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        ui::installFontSubstitutes();
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QSKIP("poppler-utils is not installed");
        }
    }

    void theHolderIsNeverShownAndCountsWrappedLines() {
        ui::TPrintForm holder;
        QCOMPARE(holder.windowTitle(), u("PrintForm"));
        QCOMPARE(holder.size(), QSize(776, 427));
        QCOMPARE(holder.RichEdit1->geometry(), QRect(0, 0, 776, 200));
        QCOMPARE(holder.RichEdit2->geometry(), QRect(0, 200, 776, 227));
        QCOMPARE(holder.RichEdit1->document()->blockCount(), 1);
        QVERIFY(!holder.isVisible());

        const QFont font = ui::fixedPitchFont();
        holder.holdText(u("G90\nG01 X1.\n"), font);
        QCOMPARE(holder.laidOutLineCount(), size_t(2));  // the empty line after the last break is not counted
        holder.holdText(u("G90\n\nM30"), font);
        QCOMPARE(holder.laidOutLineCount(), size_t(3));  // an empty line inside counts
        holder.holdText(QString(), font);
        QCOMPARE(holder.laidOutLineCount(), size_t(0));
        // A line wider than the pane wraps into as many lines as its pieces.
        const int perLine = (holder.RichEdit1->contentsRect().width() - 8) / QFontMetrics(font).horizontalAdvance('X');
        holder.holdText(QString(perLine * 3 - 5, QLatin1Char('X')), font);
        QCOMPARE(holder.laidOutLineCount(), size_t(3));
        QCOMPARE(holder.RichEdit1->palette().color(QPalette::Text), QColor(Qt::black));
    }

    void thePrintDialogOffersThePagesOfTheJoinedData_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("pages");
        QTest::newRow("158 lines") << 158 << 3;
        QTest::newRow("157 lines") << 157 << 2;
        QTest::newRow("one line") << 1 << 1;
    }

    void thePrintDialogOffersThePagesOfTheJoinedData() {
        QFETCH(int, lines);
        QFETCH(int, pages);
        Harness h;
        h.printToPdf("out.pdf");
        h.tree.write("NC/A.NC", programLines(1, lines / 2));
        h.tree.write("NC/B.NC", programLines(1000, lines - lines / 2));
        h.joinThen({"C:\\NC\\A.NC", "C:\\NC\\B.NC"}, [&] {
            QCOMPARE(h.view->RichEdit2->logicalDpiY(), 96);  // 10 points are 13 pixels: 79 lines a page
            QVERIFY(h.view->Button2->isEnabled());
            QTest::mouseClick(h.view->Button2, Qt::LeftButton);
        });
        QCOMPARE(h.prompter.printDialogs.size(), size_t(1));
        const ui::PrintDialogRequest& request = h.prompter.printDialogs[0];
        QCOMPARE(request.fromPage, 1);
        QCOMPARE(request.minPage, 1);
        QCOMPARE(request.toPage, pages);
        QCOMPARE(request.maxPage, pages);
    }

    void aPrintIsOneJobOfWholePagesInThePanesFixedFont() {
        Harness h;
        const QString pdf = h.printToPdf("out.pdf");
        h.tree.write("NC/A.NC", programLines(1, 150));
        h.tree.write("NC/B.NC", programLines(1000, 150));
        h.joinThen({"C:\\NC\\A.NC", "C:\\NC\\B.NC"}, [&] { QTest::mouseClick(h.view->Button2, Qt::LeftButton); });

        QCOMPARE(pdfInfo(pdf, QStringLiteral("Title")), u("C:\\OUT.NC"));
        const int pages = pdfInfo(pdf, QStringLiteral("Pages")).toInt();
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        // Every line once, in order, and each page a run of whole lines that goes on where the last ended.
        const QStringList expected = programLinesOf(QString::fromStdString(h.tree.read("OUT.NC")));
        QCOMPARE(expected.size(), 300);
        QCOMPARE(programLinesOf(pdfText(pdf)), expected);
        QStringList pieced;
        for (int page = 1; page <= pages; ++page) {
            const QStringList onPage = programLinesOf(pdfText(pdf, page));
            QVERIFY(!onPage.isEmpty());
            pieced << onPage;
        }
        QCOMPARE(pieced, expected);
        // The fixed-pitch face of the data pane, not the windows' proportional one.
        const QString fonts = poppler(QStringLiteral("pdffonts"), {pdf});
        QVERIFY2(fonts.contains(QStringLiteral("IPAGothic")), qPrintable(fonts));
        QVERIFY2(!fonts.contains(QStringLiteral("IPAPGothic")), qPrintable(fonts));
    }

    void theOperatorsEditsArePrintedAndTheOutputFileStaysAsSaved() {
        Harness h;
        const QString pdf = h.printToPdf("out.pdf");
        h.tree.write("NC/A.NC", "O1\r\nG90\r\n");
        h.tree.write("NC/B.NC", "O2\r\nM30\r\n");
        std::string saved;
        h.joinThen({"C:\\NC\\A.NC", "C:\\NC\\B.NC"}, [&] {
            saved = h.tree.read("OUT.NC");
            ui::TextPane* pane = h.view->RichEdit2;
            pane->setFocus();
            QTest::keyClick(pane, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClicks(pane, QStringLiteral("N99 (EDITED)"));
            QTest::mouseClick(h.view->Button2, Qt::LeftButton);
        });
        QVERIFY2(pdfText(pdf).contains(QStringLiteral("N99 (EDITED)")), qPrintable(pdfText(pdf)));
        QCOMPARE(h.tree.read("OUT.NC"), saved);
        QCOMPARE(saved, std::string("O1\r\nG90\r\nO2\r\nM30\r\n"));
    }

    void printingTwiceGivesTheSameTextAndLeavesThePanesAlone() {
        Harness h;
        h.tree.write("NC/A.NC", programLines(1, 20));
        h.tree.write("NC/B.NC", programLines(100, 20));
        QString first, second;
        QFont fontBefore, fontAfter;
        QString paneBefore, paneAfter;
        h.joinThen({"C:\\NC\\A.NC", "C:\\NC\\B.NC"}, [&] {
            fontBefore = h.view->RichEdit2->font();
            paneBefore = QString::fromStdString(h.view->RichEdit2->text());
            first = h.printToPdf("first.pdf");
            QTest::mouseClick(h.view->Button2, Qt::LeftButton);
            second = h.printToPdf("second.pdf");
            QTest::mouseClick(h.view->Button2, Qt::LeftButton);
            fontAfter = h.view->RichEdit2->font();
            paneAfter = QString::fromStdString(h.view->RichEdit2->text());
        });
        QCOMPARE(programLinesOf(pdfText(first)).size(), 40);
        QCOMPARE(pdfText(second), pdfText(first));
        QCOMPARE(fontAfter, fontBefore);
        QCOMPARE(paneAfter, paneBefore);
    }

    void aCancelledPrintDialogPrintsNothing() {
        Harness h;
        const QString pdf = h.printToPdf("out.pdf");
        h.tree.write("NC/A.NC", "O1\r\n");
        h.tree.write("NC/B.NC", "O2\r\n");
        h.prompter.printAnswers = {false};
        h.joinThen({"C:\\NC\\A.NC", "C:\\NC\\B.NC"}, [&] { QTest::mouseClick(h.view->Button2, Qt::LeftButton); });
        QCOMPARE(h.prompter.printDialogs.size(), size_t(1));
        QVERIFY(!QFile::exists(pdf));
    }

    void withoutAPrinterBothButtonsSayThereIsNone() {
        Harness h;
        h.holder->setPrinter(nullptr);
        h.tree.write("NC/A.NC", "O1\r\n");
        h.tree.write("NC/B.NC", "O2\r\n");
        h.joinThen({"C:\\NC\\A.NC", "C:\\NC\\B.NC"}, [&] {
            h.prompter.messages.clear();
            QTest::mouseClick(h.view->Button2, Qt::LeftButton);
            QTest::mouseClick(h.view->Button3, Qt::LeftButton);
        });
        QCOMPARE(h.prompter.texts(),
                 QStringList({u("デフォルト プリンタが存在しません"), u("デフォルト プリンタが存在しません")}));
        QCOMPARE(h.prompter.messages[0].caption, u("Tarvelin"));
        QVERIFY(h.prompter.printDialogs.empty());
        QCOMPARE(h.prompter.printerSetups, 0);
    }

    void printerSetupWorksOnThePrinterOfTheNextPrint() {
        Harness h;
        h.printToPdf("out.pdf");
        QTest::mouseClick(h.view->Button3, Qt::LeftButton);
        QCOMPARE(h.prompter.printerSetups, 1);
        QVERIFY(h.prompter.printDialogs.empty());
    }

    void theHolderWrapsLongLinesAsAWholeLayoutDoes_data() {
        QTest::addColumn<QString>("line");
        QString words;
        for (int i = 0; words.size() < 70000; ++i) {
            words += QStringLiteral("N%1 G01 X%2. ").arg(i).arg(i * 7) + u("（工具交換）");
        }
        QTest::newRow("words and double-byte text") << words;
        QTest::newRow("one word") << QString(60000, QLatin1Char('X'));
        QTest::newRow("binary marks") << QString(40000, QChar(0xFFFD));
    }

    void theHolderWrapsLongLinesAsAWholeLayoutDoes() {
        // A long line is laid out a stretch at a time; its pieces are those of the line laid out whole.
        QFETCH(QString, line);
        ui::TPrintForm holder;
        const QFont font = ui::fixedPitchFont();
        holder.holdText(line, font);
        QTextLayout whole(ui::fromAnsi(ui::toAnsi(line)), holder.RichEdit1->font(), holder.RichEdit1);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        whole.setTextOption(option);
        whole.beginLayout();
        for (QTextLine piece = whole.createLine(); piece.isValid(); piece = whole.createLine()) {
            piece.setLineWidth(holder.RichEdit1->contentsRect().width() - 8);
        }
        whole.endLayout();
        QVERIFY(whole.lineCount() > 20);
        // Counted a stretch at a time, with progress that moves on inside the line.
        struct Record : ui::PrintProgress {
            std::vector<size_t> done;
            size_t total = 0;
            bool proceed(size_t partsDone, size_t partsInAll) override {
                done.push_back(partsDone);
                total = partsInAll;
                return true;
            }
        } record;
        QCOMPARE(holder.laidOutLineCount(record), std::optional<size_t>(whole.lineCount()));
        QVERIFY(record.done.size() >= 2);
        QVERIFY(record.done.front() > 0);
        QVERIFY(std::adjacent_find(record.done.begin(), record.done.end(), std::greater_equal<>()) ==
                record.done.end());
        QVERIFY(record.done.back() < record.total);
    }

    // A cancelled print to a PDF file leaves no file, or the earlier one as it was; the printer prints to
    // that file again next time.
    void aCancelledPrintLeavesNoPartOfItsJob() {
        struct StopAfter : ui::PrintProgress {
            int calls = 0;
            bool proceed(size_t, size_t) override { return ++calls < 3; }
        } stop;
        test::TempTree tree;
        const QString pdf = QString::fromStdString(tree.host("out.pdf"));
        const std::unique_ptr<QPrinter> printer = pdfPrinter(pdf);
        ui::TPrintForm holder;
        holder.holdText(programLines(1, 20000), ui::fixedPitchFont());
        QCOMPARE(holder.printHeld(*printer, u("C:\\OUT.NC"), &stop), ui::PrintOutcome::Cancelled);
        QCOMPARE(stop.calls, 3);
        QCOMPARE(QDir(QString::fromStdString(tree.root())).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
        tree.write("out.pdf", "EARLIER");
        stop.calls = 0;
        QCOMPARE(holder.printHeld(*printer, u("C:\\OUT.NC"), &stop), ui::PrintOutcome::Cancelled);
        QCOMPARE(tree.read("out.pdf"), std::string("EARLIER"));
        QCOMPARE(printer->outputFileName(), pdf);
        holder.holdText(programLines(1, 100), ui::fixedPitchFont());
        QCOMPARE(holder.printHeld(*printer, u("C:\\OUT.NC")), ui::PrintOutcome::Printed);
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Pages")).toInt(), 1);
    }

    void plainLinesPrintExactlyAsTheirLayoutWould() {
        // Plain ASCII lines are drawn from the font's glyphs without a layout (print_bench shows what that
        // saves); the pages must be those of every line laid out. Around the plain lines: lines of double-byte
        // text, tabs and control bytes, and lines about the page's width, in words and in one.
        std::string text = programLines(1, 150);
        for (int n = 96; n <= 136; n += 4) {
            text += std::string(static_cast<size_t>(n), 'X') + "\r\n";
            text += programLines(1, 1).substr(0, 3) + std::string(static_cast<size_t>(n - 8), '7') + " Y1\r\n";
        }
        text += ui::toAnsi(u("N5 (工具交換) T01 M06")) +
                "\r\n\r\n\tG90\r\nM\x01"
                "30\r\n" +
                programLines(900, 150);
        test::TempTree tree;
        ui::TPrintForm holder;
        QFont font = ui::fixedPitchFont();
        font.setPointSize(10);  // as the data page has it
        holder.holdText(text, font);
        const auto print = [&](bool layOutEveryLine, const char* name) {
            const QString pdf = QString::fromStdString(tree.host(name));
            holder.layOutEveryLine(layOutEveryLine);
            const ui::PrintOutcome outcome = holder.printHeld(*pdfPrinter(pdf), u("C:\\OUT.NC"));
            return outcome == ui::PrintOutcome::Printed ? pdf : QString();
        };
        const QString laidOut = print(true, "laid-out.pdf");
        const QString plain = print(false, "plain.pdf");
        QVERIFY2(pdfInfo(laidOut, QStringLiteral("Pages")).toInt() >= 2, qPrintable(laidOut));
        // The shortcut was taken: a page's plain lines are one text object, where a layout gives one a line.
        QVERIFY(QFileInfo(plain).size() < QFileInfo(laidOut).size());
        // Every word in the same place, to the last digit pdftotext gives, and the same pages.
        const auto words = [](const QString& pdf) {
            const QString boxes =
                poppler(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
            return boxes.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("<(word|page)")));
        };
        const QStringList expected = words(laidOut);
        QVERIFY(expected.size() > 1000);
        QCOMPARE(words(plain), expected);
    }

    void aPrintJobIsCompressedAtTheFastestLevel() {
#if !defined(TARVELIN_PROCESS_TUNING)
        QSKIP("built without TARVELIN_PROCESS_TUNING: print jobs are compressed at zlib's default level");
#endif
        // The zlib header that starts each compressed stream of the job names its level: 78 01 the fastest;
        // 78 5E, 78 9C (the default) and 78 DA the slower ones. No stream may be at a slower level.
        test::TempTree tree;
        const QString pdf = QString::fromStdString(tree.host("out.pdf"));
        const std::unique_ptr<QPrinter> printer = pdfPrinter(pdf);
        ui::TPrintForm holder;
        holder.holdText(programLines(1, 500), ui::fixedPitchFont());
        QCOMPARE(holder.printHeld(*printer, u("C:\\OUT.NC")), ui::PrintOutcome::Printed);
        const std::string job = tree.read("out.pdf");
        QVERIFY(job.find("stream\n\x78\x01") != std::string::npos);
        for (const char* slower : {"stream\n\x78\x5E", "stream\n\x78\x9C", "stream\n\x78\xDA"}) {
            QCOMPARE(job.find(slower), std::string::npos);
        }
        QVERIFY(pdfText(pdf).contains(QStringLiteral("N500 G01 X500. Y-2.5 F1200")));
    }

    void thePrintDialogOffersNoPageRangeAndPrintsAllPages() {
        Harness h;
        h.printToPdf("out.pdf");
        QPrinter* printer = h.holder->printer();
        ui::DialogPrompter prompter;
        ui::PrintDialogRequest request;
        request.printer = printer;
        request.toPage = request.maxPage = 3;
        QStringList offered;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            for (QWidget* child : dialog->findChildren<QWidget*>()) {
                const QString name = child->objectName();
                if (child->isVisibleTo(dialog) &&
                    QStringList({"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit", "pageSetCombo",
                                 "printSelection", "printCurrentPage"})
                        .contains(name)) {
                    offered << name;
                }
            }
            dialog->accept();
        });
        QVERIFY(prompter.print(request));
        QCOMPARE(offered, QStringList());
        QCOMPARE(printer->printRange(), QPrinter::AllPages);
    }

    void printerSetupChoosesPaperAndOrientationForTheNextPrint() {
        Harness h;
        const QString pdf = h.printToPdf("out.pdf");
        QPrinter* printer = h.holder->printer();
        const QList<ui::PrinterChoice> printers = {
            {u("Shop floor"), {QPageSize(QPageSize::A4), QPageSize(QPageSize::A5)}, QPageSize(QPageSize::A4)},
            {u("Office"), {QPageSize(QPageSize::Letter), QPageSize(QPageSize::A4)}, QPageSize(QPageSize::Letter)}};
        {
            ui::PrinterSetupDialog setup(h.view.get(), *printer, printers);
            QCOMPARE(setup.printerBox->count(), 2);
            QVERIFY(setup.portraitButton->isChecked());
            setup.printerBox->setCurrentIndex(1);
            QCOMPARE(setup.paperBox->count(), 2);
            QCOMPARE(setup.paperBox->currentText(), QPageSize(QPageSize::A4).name());  // the paper it had
            setup.printerBox->setCurrentIndex(0);
            setup.paperBox->setCurrentIndex(1);
            QTest::mouseClick(setup.landscapeButton, Qt::LeftButton);
            setup.accept();
        }
        {
            ui::PrinterSetupDialog cancelled(h.view.get(), *printer, printers);
            QCOMPARE(cancelled.paperBox->currentText(), QPageSize(QPageSize::A5).name());
            QVERIFY(cancelled.landscapeButton->isChecked());
            cancelled.portraitButton->setChecked(true);
            cancelled.reject();
        }
        // The next 印刷 goes through the print dialog on the same printer.
        ui::DialogPrompter dialogs;
        ui::PrintDialogRequest request;
        request.printer = printer;
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->accept();
        });
        QVERIFY(dialogs.print(request));
        h.holder->holdText(programLines(1, 10), ui::fixedPitchFont());
        QCOMPARE(h.holder->printHeld(*printer, u("C:\\OUT.NC")), ui::PrintOutcome::Printed);
        // A5 across: 595 by 420 points.
        QCOMPARE(pdfInfo(pdf, QStringLiteral("Page size")).section(QLatin1Char(' '), 0, 2),
                 QStringLiteral("595 x 420"));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
