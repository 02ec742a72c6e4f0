// The editor benchmark: a large Front.txt opened in the real editor ("編集画面"), offscreen, a key typed into
// it and "保存" pressed. Times the showing until the memo holds and draws the file's text, the key, and "保存"
// until the file is written and the memo shows the upper-cased text; the longest time the window went
// without handling events in each; and the peak resident memory of each against the file's size. In the
// same rounds it times the floor: reading the file and converting it to UTF-16 with the program's own
// conversion. With --lower the program is written in lower case, so that "保存" changes every line.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>

#include "platform/drives.h"
#include "platform/files.h"
#include "platform/mbcs.h"
#include "platform/screensaver.h"
#include "ui/EditUnit.h"
#include "ui/MainUnit.h"
#include "ui/ansi_text.h"
#include "ui/prompter.h"

#include "answering_prompter.h"
#include "figures.h"
#include "nc_generator.h"
#include "offscreen_app.h"

namespace fs = std::filesystem;
using namespace tarvelin;
using bench::median;
using bench::peakRssMb;
using bench::resetPeakMemory;
using bench::seconds;
using bench::statusMb;

namespace {

ino_t inodeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

// Single-byte A..Z made a..z; the bytes of double-byte characters stay.
void lowerInPlace(std::string& text) {
    for (size_t i = 0; i < text.size(); i += platform::charLengthAt(text, i)) {
        if (text[i] >= 'A' && text[i] <= 'Z') {
            text[i] = static_cast<char>(text[i] - 'A' + 'a');
        }
    }
}

// What one action cost: its time, the longest time without handling events, and the peak memory.
struct Measured {
    double time = 0;
    double freeze = 0;
    double peakMb = 0;
};

// Runs `action`, then handles events until `done` holds, with a ticker that notes every time events are
// handled. The peak resident memory is started afresh before (where the system allows it).
Measured measure(const std::function<void()>& action, const std::function<bool()>& done, bool& peakReset,
                 double& peakBeforeResets) {
    peakBeforeResets = std::max(peakBeforeResets, peakRssMb());
    peakReset = resetPeakMemory() && peakReset;
    Measured m;
    QElapsedTimer sinceEvents;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        m.freeze = std::max(m.freeze, seconds(sinceEvents));
        sinceEvents.restart();
    });
    QElapsedTimer timer;
    timer.start();
    sinceEvents.start();
    ticker.start(5);
    action();
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    m.time = seconds(timer);
    ticker.stop();
    m.freeze = std::max(m.freeze, seconds(sinceEvents));
    m.peakMb = statusMb(peakReset ? "VmHWM:" : "VmRSS:");
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::OffscreenApp app(argv);
    uint64_t megabytes = 50;
    int rounds = 3;
    bool lower = false;
    std::string folder = (fs::temp_directory_path() / "tarvelin-edit-bench").string();
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--lower") {
            lower = true;
            continue;
        }
        const std::string value = i + 1 < argc ? argv[i + 1] : "";
        if (option == "--size-mb") {
            megabytes = std::stoull(value);
        } else if (option == "--rounds") {
            rounds = std::stoi(value);
        } else if (option == "--dir") {
            folder = value;
        } else {
            std::fprintf(stderr, "usage: edit_bench [--size-mb 50] [--rounds 3] [--dir FOLDER] [--lower]\n");
            return 2;
        }
        ++i;
    }
    fs::create_directories(folder + "/PROG");
    platform::DriveTable drives;
    drives.set('C', folder);
    platform::installDrives(drives);
    const std::string front = folder + "/PROG/Front.txt";
    const std::string end = folder + "/PROG/End.txt";
    if (!bench::writeNcProgram(front, megabytes << 20, 1001, 7)) {
        std::fprintf(stderr, "cannot write %s\n", front.c_str());
        return 1;
    }
    std::string original = platform::readWholeFile(front);
    if (lower) {
        lowerInPlace(original);
        std::ofstream(front, std::ios::binary | std::ios::trunc) << original;
    }
    std::ofstream(end, std::ios::binary | std::ios::trunc) << "G91 G28 Z0\r\nM30\r\n";
    // What "保存" writes after "g" was typed at the start of the front data.
    const std::string expected = platform::upper("g" + original);
    const qsizetype expectedLength =
        ui::fromAnsi(original).size() - static_cast<qsizetype>(std::count(original.begin(), original.end(), '\n'));
    original.clear();
    original.shrink_to_fit();

    bench::AnsweringPrompter prompter;  // the editor asks nothing when all goes well
    platform::NoScreenSaver screenSaver;
    ui::AppContext context{prompter, screenSaver, "C:\\Tarvelin.INI", "C:\\PROG"};
    ui::TMainForm mainForm(context);
    ui::TEditForm editForm(context, mainForm);
    mainForm.setEditForm(&editForm);
    mainForm.show();
    QPlainTextEdit* memo = editForm.Memo1;
    // The memo holds `length` characters and takes keys.
    const auto holds = [memo](qsizetype length) {
        return !memo->isReadOnly() && memo->document()->characterCount() - 1 == length;
    };

    bool peakReset = true;
    double peakBeforeResets = 0;
    std::vector<double> floorTimes;
    std::vector<Measured> opens;
    std::vector<double> keyTimes;
    std::vector<Measured> saves;
    bool savedAsExpected = true;
    for (int round = 0; round < rounds; ++round) {
        // The floor: the file read and converted for the widgets.
        QElapsedTimer floor;
        floor.start();
        {
            const QString text = ui::fromAnsi(platform::readWholeFile(front));
            if (text.isEmpty()) {
                return 1;
            }
        }
        floorTimes.push_back(seconds(floor));

        // The showing, until the memo holds and draws the whole text.
        opens.push_back(measure([&] { editForm.open(); },
                                [&] {
                                    if (!holds(expectedLength)) {
                                        return false;
                                    }
                                    memo->repaint();
                                    return true;
                                },
                                peakReset, peakBeforeResets));

        // A key at the start of the text, until it is drawn.
        memo->setFocus();
        memo->moveCursor(QTextCursor::Start);
        QElapsedTimer key;
        key.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_G, Qt::NoModifier, QStringLiteral("g"));
        QApplication::sendEvent(memo, &press);
        memo->repaint();
        keyTimes.push_back(seconds(key));

        // "保存", until the file is replaced and the memo shows the upper-cased text.
        const ino_t before = inodeOf(front);
        saves.push_back(measure([&] { editForm.Button1->click(); },
                                [&] {
                                    if (inodeOf(front) == before || !holds(expectedLength + 1)) {
                                        return false;
                                    }
                                    memo->repaint();
                                    return true;
                                },
                                peakReset, peakBeforeResets));
        savedAsExpected = savedAsExpected && platform::readWholeFile(front) == expected &&
                          memo->document()->firstBlock().text().startsWith(QLatin1Char('G'));
        // "戻る", and the front data as it was for the next round.
        editForm.Button2->click();
        std::string text = platform::readWholeFile(front);
        if (lower) {
            lowerInPlace(text);
        }
        std::ofstream(front, std::ios::binary | std::ios::trunc) << std::string_view(text).substr(1);
        std::printf(
            "round %d: floor %.3f s, open %.3f s (longest without events %.3f s), key %.4f s, save %.3f s "
            "(longest without events %.3f s)\n",
            round + 1, floorTimes.back(), opens.back().time, opens.back().freeze, keyTimes.back(), saves.back().time,
            saves.back().freeze);
    }
    const auto medianOf = [](const std::vector<Measured>& all, double Measured::*field) {
        std::vector<double> values;
        for (const Measured& m : all) {
            values.push_back(m.*field);
        }
        return median(values);
    };
    const auto largestOf = [](const std::vector<Measured>& all, double Measured::*field) {
        double largest = 0;
        for (const Measured& m : all) {
            largest = std::max(largest, m.*field);
        }
        return largest;
    };
    const double fileMb = static_cast<double>(fs::file_size(front)) / (1 << 20);
    const double floorTime = median(floorTimes);
    std::printf("\nFront.txt of %.1f MB%s, %d rounds (medians)\n", fileMb, lower ? " in lower case" : "", rounds);
    std::printf("floor (read and convert): %.3f s\n", floorTime);
    std::printf("open: %.3f s = %.1f x the floor, longest without handling events %.3f s\n",
                medianOf(opens, &Measured::time), medianOf(opens, &Measured::time) / floorTime,
                largestOf(opens, &Measured::freeze));
    std::printf("a key at the start of the text: %.4f s\n", median(keyTimes));
    std::printf("save: %.3f s = %.1f x the floor, longest without handling events %.3f s\n",
                medianOf(saves, &Measured::time), medianOf(saves, &Measured::time) / floorTime,
                largestOf(saves, &Measured::freeze));
    const char* peakName = peakReset ? "peak memory" : "resident memory (the peak cannot be reset here)";
    std::printf("%s while opening %.1f MB = %.1f x the file, while saving %.1f MB = %.1f x the file\n", peakName,
                largestOf(opens, &Measured::peakMb), largestOf(opens, &Measured::peakMb) / fileMb,
                largestOf(saves, &Measured::peakMb), largestOf(saves, &Measured::peakMb) / fileMb);
    std::printf("process peak memory %.1f MB\n", std::max(peakRssMb(), peakBeforeResets));
    std::printf("saved bytes: %s\n", savedAsExpected ? "as expected" : "NOT AS EXPECTED");
    if (prompter.messages > 0) {
        std::printf("the editor showed %d messages\n", prompter.messages);
    }
    fs::remove_all(folder);
    return savedAsExpected && prompter.messages == 0 ? 0 : 1;
}
