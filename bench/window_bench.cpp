// The join window benchmark: joins large NC programs through the real windows, offscreen, from "開始" (the
// save dialog answered at once) to the data page showing the result, and in the same rounds runs
// tarvelin-join on the same files with the same pairs and front and end data. Prints the window against the
// joiner for the window's first join (a fresh window, its memory not taken yet) and for the later ones, the
// longest time the window went without handling events, the time to bring the data page's last line into
// view, the first key typed into the data page against a further key (time and the growth of peak memory),
// the same in a line of 100 MB, and the peak memory against the joined size. With --busy, two processes
// at low priority keep both cores busy all along, as a build beside the operator's work does. With --real,
// the programs are the real ones of a folder over and over, their line breaks made CR LF or LF (--breaks).
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "core/join_run.h"
#include "core/paths.h"
#include "platform/drives.h"
#include "platform/screensaver.h"
#include "ui/MainUnit.h"
#include "ui/ViewUnit.h"
#include "ui/prompter.h"
#include "ui/text_pane.h"

#include "answering_prompter.h"
#include "figures.h"
#include "nc_generator.h"
#include "offscreen_app.h"

namespace fs = std::filesystem;
using namespace tarvelin;
using bench::cpuSeconds;
using bench::median;
using bench::peakRssMb;
using bench::resetPeakMemory;
using bench::seconds;
using bench::statusMb;

namespace {

// Runs the joiner to its end; its wall time in seconds. A failed join ends the benchmark.
double joinerSeconds(const std::vector<std::string>& args) {
    const bench::ProcessRun run = bench::runProcess(args);
    if (run.status != 0) {
        std::fprintf(stderr, "%s failed\n", args[0].c_str());
        std::exit(1);
    }
    return run.seconds;
}

// Two processes that keep the cores busy at low priority until they are ended.
std::vector<pid_t> startBusyWork() {
    std::vector<pid_t> workers;
    for (int i = 0; i < 2; ++i) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::nice(10);
            volatile unsigned long work = 0;
            for (;;) {
                work = work + 1;
            }
        }
        workers.push_back(child);
    }
    return workers;
}

void typeKey(QWidget* widget, char key) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (key - 'A'), Qt::NoModifier, QString(QLatin1Char(key)));
    QApplication::sendEvent(widget, &press);
    widget->repaint();
}

}  // namespace

int main(int argc, char** argv) {
    const bench::OffscreenApp app(argv);
    int files = 4;
    uint64_t megabytes = 50;
    int rounds = 3;
    bool busy = false;
    std::string joinProgram;
    std::string realFolder;
    std::string lineBreak = "\r\n";
    std::string folder = (fs::temp_directory_path() / "tarvelin-window-bench").string();
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const std::string value = i + 1 < argc ? argv[i + 1] : "";
        if (option == "--busy") {
            busy = true;
            continue;
        }
        if (option == "--files") {
            files = std::stoi(value);
        } else if (option == "--size-mb") {
            megabytes = std::stoull(value);
        } else if (option == "--rounds") {
            rounds = std::stoi(value);
        } else if (option == "--dir") {
            folder = value;
        } else if (option == "--join") {
            joinProgram = value;
        } else if (option == "--real") {
            realFolder = value;
        } else if (option == "--breaks") {
            lineBreak = value == "lf" ? "\n" : "\r\n";
        }
        ++i;
    }
    if (joinProgram.empty() || rounds < 2) {
        std::fprintf(stderr,
                     "usage: window_bench --join PATH/tarvelin-join [--files 4] [--size-mb 50] [--rounds 3 (2 or "
                     "more)] [--dir FOLDER] [--real FOLDER [--breaks crlf|lf]] [--busy]\n");
        return 2;
    }
    std::string realText;
    if (!realFolder.empty()) {
        if (!fs::is_directory(realFolder)) {
            std::printf("skipped: no real NC programs in %s\n", realFolder.c_str());
            return 0;
        }
        realText = bench::realProgramText(realFolder, lineBreak);
    }
    fs::create_directories(folder + "/PROG");
    platform::DriveTable drives;
    drives.set('C', folder);
    platform::installDrives(drives);
    std::vector<std::string> list;
    std::vector<std::string> hostInputs;
    for (int i = 0; i < files; ++i) {
        const std::string name = "O" + std::to_string(2001 + i) + ".NC";
        const std::string path = folder + "/" + name;
        const bool written = realText.empty() ? bench::writeNcProgram(path, megabytes << 20, 2001 + i, 7 + i)
                                              : bench::writeRealProgram(path, megabytes << 20, realText);
        if (!written) {
            std::fprintf(stderr, "cannot write the programs\n");
            return 1;
        }
        list.push_back("C:\\" + name);
        hostInputs.push_back(folder + "/" + name);
    }
    std::ofstream(folder + "/PROG/Front.txt", std::ios::binary) << "(JOINED BY TARVELIN)\r\nG21 G90\r\n";
    std::ofstream(folder + "/PROG/End.txt", std::ios::binary) << "G91 G28 Z0\r\nM30\r\n";
    std::ofstream(folder + "/Tarvelin.INI", std::ios::binary)
        << "[Edit]\r\nDelChar1=G01\r\nChgChar1=G1\r\nDelChar2=M08\r\nChgChar2=M8\r\nDelChar3=F1200.\r\n"
           "ChgChar3=F1000.\r\n";
    std::vector<std::string> joiner = {joinProgram, "-q",
                                       "-p",        "fb",
                                       "-r",        "G01=G1",
                                       "-r",        "M08=M8",
                                       "-r",        "F1200.=F1000.",
                                       "--front",   folder + "/PROG/Front.txt",
                                       "--end",     folder + "/PROG/End.txt",
                                       "-o",        folder + "/JOINER.NC"};
    joiner.insert(joiner.end(), hostInputs.begin(), hostInputs.end());
    const std::vector<pid_t> busyWork = busy ? startBusyWork() : std::vector<pid_t>();

    bench::AnsweringPrompter prompter;
    prompter.saveAs = QStringLiteral("C:\\WINDOW.NC");
    platform::NoScreenSaver screenSaver;
    ui::AppContext context{prompter, screenSaver, "C:\\Tarvelin.INI", "C:\\PROG"};
    ui::TMainForm mainForm(context);
    ui::TViewForm viewForm(context, mainForm);
    mainForm.show();
    viewForm.show();

    std::vector<double> joinerTimes;
    std::vector<double> windowTimes;
    double longestFreeze = 0;
    double toLastLine = 0;
    std::vector<double> firstKeyTimes;
    std::vector<double> firstKeyCpu;
    std::vector<double> furtherKeyTimes;
    double firstKeyMemory = 0;  // the largest growth of peak resident memory over the first key, in MB
    bool peakReset = true;
    double peakBeforeResets = 0;  // resetting the peak resets the process's own peak too
    const auto runJoiner = [&] {
        fs::remove(folder + "/JOINER.NC");
        joinerTimes.push_back(joinerSeconds(joiner));
    };
    double freeze = 0;
    const auto runWindow = [&] {
        // "開始" to the data page showing the result, with a ticker that notes every time events are handled.
        fs::remove(folder + "/WINDOW.NC");
        mainForm.joinList.assign(list);
        mainForm.showJoinList();
        viewForm.PageControl1->setCurrentIndex(0);
        QElapsedTimer sinceEvents;
        freeze = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            freeze = std::max(freeze, seconds(sinceEvents));
            sinceEvents.restart();
        });
        QElapsedTimer timer;
        timer.start();
        sinceEvents.start();
        ticker.start(5);
        viewForm.Button1->click();
        viewForm.PageControl1->setCurrentIndex(1);
        viewForm.RichEdit2->repaint();
        windowTimes.push_back(seconds(timer));
        ticker.stop();
        freeze = std::max(freeze, seconds(sinceEvents));
        longestFreeze = std::max(longestFreeze, freeze);

        // The last line of the data page.
        viewForm.RichEdit2->setFocus();
        QElapsedTimer scroll;
        scroll.start();
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QApplication::sendEvent(viewForm.RichEdit2, &end);
        viewForm.RichEdit2->repaint();
        toLastLine = std::max(toLastLine, seconds(scroll));

        // The first key typed into the joined text, in its middle line, then a further key beside it.
        ui::TextPane* pane = viewForm.RichEdit2;
        pane->setCaret({pane->lineCount() / 2, 0});
        pane->repaint();
        const double residentBefore = statusMb("VmRSS:");
        peakBeforeResets = std::max(peakBeforeResets, peakRssMb());
        peakReset = resetPeakMemory() && peakReset;
        const double cpuBefore = cpuSeconds();
        QElapsedTimer key;
        key.start();
        typeKey(pane, 'X');
        firstKeyTimes.push_back(seconds(key));
        firstKeyCpu.push_back(cpuSeconds() - cpuBefore);
        firstKeyMemory = std::max(firstKeyMemory, statusMb(peakReset ? "VmHWM:" : "VmRSS:") - residentBefore);
        key.restart();
        typeKey(pane, 'Y');
        furtherKeyTimes.push_back(seconds(key));

        // "戻る" empties the panes and the join list; the operator opens the window again for the next join.
        viewForm.Button4->click();
        viewForm.show();
    };
    // The joiner goes first in every round, so that the window's first join is its very first: a fresh
    // window, whose memory the system has yet to give.
    for (int round = 0; round < rounds; ++round) {
        runJoiner();
        runWindow();
        std::printf(
            "round %d: joiner %.3f s, window %.3f s, window / joiner %.2f, longest freeze %.3f s, first key "
            "%.4f s\n",
            round + 1, joinerTimes.back(), windowTimes.back(), windowTimes.back() / joinerTimes.back(), freeze,
            firstKeyTimes.back());
    }
    for (const pid_t worker : busyWork) {
        ::kill(worker, SIGKILL);
        ::waitpid(worker, nullptr, 0);
    }
    // The same on a text of one line of 100 MB: the line is copied once, then edited in place.
    std::string oneLine(size_t{100} << 20, 'G');
    ui::TextPane* pane = viewForm.RichEdit2;
    pane->setTextView(oneLine);
    pane->setCaret({0, oneLine.size() / 2});
    pane->repaint();
    QElapsedTimer key;
    key.start();
    typeKey(pane, 'X');
    const double longLineFirst = seconds(key);
    key.restart();
    typeKey(pane, 'Y');
    const double longLineFurther = seconds(key);
    key.restart();
    pane->repaint();  // what a blink of the caret or an uncovered window costs
    const double longLineRepaint = seconds(key);
    pane->clear();

    const double joinedMb = static_cast<double>(fs::file_size(folder + "/WINDOW.NC")) / (1 << 20);
    const double peakMb = std::max(peakRssMb(), peakBeforeResets);
    std::printf("\n%d files of %llu MB, %.1f MB joined, %d rounds%s\n", files,
                static_cast<unsigned long long>(megabytes), joinedMb, rounds,
                busy ? ", two busy processes beside" : "");
    std::printf("fresh window: joiner %.3f s   window %.3f s   window / joiner = %.2f\n", joinerTimes[0],
                windowTimes[0], windowTimes[0] / joinerTimes[0]);
    const std::vector<double> laterJoiner(joinerTimes.begin() + 1, joinerTimes.end());
    const std::vector<double> laterWindow(windowTimes.begin() + 1, windowTimes.end());
    std::printf("later joins (median): joiner %.3f s   window %.3f s   window / joiner = %.2f\n", median(laterJoiner),
                median(laterWindow), median(laterWindow) / median(laterJoiner));
    std::printf("longest time without handling events: %.3f s\n", longestFreeze);
    std::printf("to the data page's last line: %.4f s\n", toLastLine);
    std::printf(
        "first key typed into the data page: median %.4f s (CPU %.4f s), a further key %.4f s: "
        "first / further = %.1f\n",
        median(firstKeyTimes), median(firstKeyCpu), median(furtherKeyTimes),
        median(firstKeyTimes) / std::max(median(furtherKeyTimes), 1e-6));
    std::printf("%s growth over the first key: at most %.2f MB = %.5f x the joined size\n",
                peakReset ? "peak memory" : "resident memory (the peak cannot be reset here)", firstKeyMemory,
                firstKeyMemory / joinedMb);
    std::printf("first key typed into one line of 100 MB: %.4f s, a further key %.4f s, a repaint %.4f s\n",
                longLineFirst, longLineFurther, longLineRepaint);
    std::printf("peak memory %.1f MB = %.2f x the joined size\n", peakMb, peakMb / joinedMb);
    fs::remove_all(folder);
    return 0;
}
