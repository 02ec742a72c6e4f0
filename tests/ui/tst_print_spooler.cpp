// Printing to a real print spooler: a CUPS scheduler started by the test on a private socket, with one
// printer whose device is /dev/null. What the scheduler received is counted from its own job list.
#include <functional>
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/ViewPrint.h"
#include "ui/prompter.h"
#include "ui/window_fonts.h"

using namespace tarvelin;

namespace {

constexpr const char* kPrinter = "tarvelin-test";

QString program(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

QString run(const char* name, const QStringList& arguments) {
    QProcess process;
    process.start(program(name), arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

std::string programLines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += "N" + std::to_string(i) + " G01 X" + std::to_string(i) + ". Y-2.5 F1200\r\n";
    }
    return text;
}

}  // namespace

class TestPrintSpooler : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (::geteuid() != 0 || program("cupsd").isEmpty() || program("lpadmin").isEmpty()) {
            QSKIP("needs root and the CUPS scheduler (cups-daemon, cups-client)");
        }
        QVERIFY(folder_.isValid());
        const QString root = folder_.path();
        for (const char* sub : {"spool", "tmp", "state", "cache", "ppd", "log"}) {
            QVERIFY(QDir(root).mkpath(QString::fromLatin1(sub)));
        }
        QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        const QString socket = root + QStringLiteral("/cups.sock");
        writeFile(QStringLiteral("cupsd.conf"),
                  QStringLiteral("Listen %1\nLogLevel warn\nWebInterface No\nBrowsing No\n"
                                 "<Location />\nOrder allow,deny\nAllow all\n</Location>\n")
                      .arg(socket));
        writeFile(QStringLiteral("cups-files.conf"),
                  QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\nStateDir %1/state\n"
                                 "CacheDir %1/cache\nAccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
                                 "PageLog %1/log/page_log\nFileDevice Yes\nPrintcap /dev/null\nUser lp\nGroup lp\n")
                      .arg(root));
        scheduler_.start(program("cupsd"), {QStringLiteral("-f"), QStringLiteral("-c"), root + "/cupsd.conf",
                                            QStringLiteral("-s"), root + "/cups-files.conf"});
        QVERIFY(scheduler_.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 10000);
        // Before the first call of the CUPS library in this process, which keeps the server it found.
        qputenv("CUPS_SERVER", socket.toLocal8Bit());
        run("lpadmin", {QStringLiteral("-p"), QString::fromLatin1(kPrinter), QStringLiteral("-E"), QStringLiteral("-v"),
                        QStringLiteral("file:///dev/null")});
        QVERIFY(QPrinterInfo::availablePrinterNames().contains(QString::fromLatin1(kPrinter)));
    }

    void cleanupTestCase() {
        if (scheduler_.state() != QProcess::NotRunning) {
            scheduler_.terminate();
            scheduler_.waitForFinished(10000);
        }
    }

    // A print cancelled halfway hands the scheduler nothing: not the pages drawn before the cancel. A print
    // that runs to its end is one job.
    void aCancelledPrintReachesTheSpoolerNotAtAll() {
        struct StopAfter : ui::PrintProgress {
            int calls = 0;
            bool proceed(size_t, size_t) override { return ++calls < 3; }
        } stop;
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(QString::fromLatin1(kPrinter));
        QCOMPARE(printer.outputFormat(), QPrinter::NativeFormat);
        ui::TPrintForm holder;
        holder.holdText(programLines(20000), ui::fixedPitchFont());
        QCOMPARE(holder.printHeld(printer, QStringLiteral("C:\\OUT.NC"), &stop), ui::PrintOutcome::Cancelled);
        QCOMPARE(stop.calls, 3);
        QCOMPARE(jobsReceived(), 0);

        holder.holdText(programLines(200), ui::fixedPitchFont());
        QCOMPARE(holder.printHeld(printer, QStringLiteral("C:\\OUT.NC")), ui::PrintOutcome::Printed);
        QTRY_COMPARE_WITH_TIMEOUT(jobsReceived(), 1, 10000);
        QVERIFY(printer.outputFileName().isEmpty());  // the next print goes to the printer again
    }

    // The print dialog offers what the last print was made on: the printer, or the PDF file chosen there.
    void thePrintDialogRemembersWhereTheLastPrintWent() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(QString::fromLatin1(kPrinter));
        ui::DialogPrompter prompter;
        const QString pdf = folder_.filePath(QStringLiteral("last.pdf"));
        const auto printWith = [&](const std::function<void(QComboBox*, QLineEdit*)>& choose) {
            QTimer::singleShot(50, [&] {
                auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
                auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
                QVERIFY(printers != nullptr && file != nullptr);
                choose(printers, file);
                dialog->accept();
            });
            ui::PrintDialogRequest request;
            request.printer = &printer;
            return prompter.print(request);
        };
        QString shown;
        QVERIFY(printWith([&](QComboBox* printers, QLineEdit* file) {
            printers->setCurrentIndex(printers->count() - 1);  // the PDF file
            file->setText(pdf);
        }));
        QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
        ui::TPrintForm holder;
        holder.holdText(programLines(10), ui::fixedPitchFont());
        QCOMPARE(holder.printHeld(printer, QStringLiteral("C:\\OUT.NC")), ui::PrintOutcome::Printed);
        QVERIFY(printWith([&](QComboBox* printers, QLineEdit* file) {
            shown = printers->currentText() + QLatin1Char('|') + file->text();
        }));
        QCOMPARE(shown.section(QLatin1Char('|'), 1), pdf);
        QCOMPARE(printer.outputFileName(), pdf);
        QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
    }

private:
    void writeFile(const QString& name, const QString& text) {
        QFile file(folder_.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    // The jobs the scheduler has taken for the printer, whatever became of them.
    int jobsReceived() {
        const QString jobs = run("lpstat", {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"),
                                            QString::fromLatin1(kPrinter)});
        return static_cast<int>(jobs.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
    }

    QTemporaryDir folder_;
    QProcess scheduler_;
};

QTEST_MAIN(TestPrintSpooler)
#include "tst_print_spooler.moc"
