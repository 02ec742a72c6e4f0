// The "選択" benchmark: a folder of many files, all selected in the main window's file list, added to the
// join list with "選択" and then added again when they are all listed. Offscreen, through the real window.
// In the same run it times two baselines on the same files: the plain append of the same entries to a join
// list (no duplicate check) and one stat of every file (what telling files apart costs at the least).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "core/join_list.h"
#include "platform/drives.h"
#include "platform/screensaver.h"
#include "ui/MainUnit.h"
#include "ui/browser_controls.h"
#include "ui/prompter.h"

#include "answering_prompter.h"
#include "figures.h"
#include "offscreen_app.h"

namespace fs = std::filesystem;
using namespace tarvelin;

using bench::median;
using bench::seconds;

int main(int argc, char** argv) {
    const bench::OffscreenApp app(argv);
    int files = 20000;
    int rounds = 5;
    std::string folder = (fs::temp_directory_path() / "tarvelin-select-bench").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--files") {
            files = std::stoi(argv[i + 1]);
        } else if (option == "--rounds") {
            rounds = std::stoi(argv[i + 1]);
        } else if (option == "--dir") {
            folder = argv[i + 1];
        }
    }
    fs::remove_all(folder);
    fs::create_directories(folder + "/NC");
    std::vector<std::string> names;
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "O%05d.NC", i);
        names.emplace_back(name);
        std::ofstream(folder + "/NC/" + name, std::ios::binary) << "O" << i << "\r\nM30\r\n";
    }
    platform::DriveTable drives;
    drives.set('C', folder);
    platform::installDrives(drives);

    bench::AnsweringPrompter prompter;
    platform::NoScreenSaver screenSaver;
    ui::AppContext context{prompter, screenSaver, "C:\\Tarvelin.INI", "C:\\"};
    ui::TMainForm form(context);
    form.show();
    form.FileListBox1->setMask("*.NC");
    form.FileListBox1->setDirectory("C:\\NC");
    if (form.FileListBox1->count() != files) {
        std::fprintf(stderr, "the file list shows %d files, not %d\n", form.FileListBox1->count(), files);
        return 1;
    }

    std::vector<double> firstTimes, againTimes, appendTimes, statTimes;
    for (int round = 0; round < rounds; ++round) {
        form.joinList.clear();
        form.showJoinList();
        form.FileListBox1->selectAll();
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        firstTimes.push_back(seconds(timer));
        timer.restart();
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        againTimes.push_back(seconds(timer));
        if (form.ListBox1->count() != files) {
            std::fprintf(stderr, "the join list holds %d entries, not %d\n", form.ListBox1->count(), files);
            return 1;
        }

        timer.restart();
        std::vector<std::string> plain;
        for (const auto& name : names) {
            plain.push_back(core::JoinList::entryFor("C:\\NC", name));
        }
        core::JoinList appended;
        appended.assign(std::move(plain));
        appendTimes.push_back(seconds(timer));

        timer.restart();
        size_t found = 0;
        for (const auto& name : names) {
            struct stat st {};
            found += ::stat((folder + "/NC/" + name).c_str(), &st) == 0 ? 1 : 0;
        }
        statTimes.push_back(seconds(timer));
        if (found != names.size()) {
            return 1;
        }
    }
    const double first = median(firstTimes);
    const double again = median(againTimes);
    const double append = median(appendTimes);
    const double stats = median(statTimes);
    std::printf("files %d, rounds %d (medians)\n", files, rounds);
    std::printf("選択 into an empty list:       %8.3f s\n", first);
    std::printf("選択 again, all listed:        %8.3f s\n", again);
    std::printf("plain append (baseline):       %8.3f s\n", append);
    std::printf("one stat per file (baseline):  %8.3f s\n", stats);
    std::printf("選択 / plain append: %.1f, again / plain append: %.1f\n", first / append, again / append);
    std::printf("選択 / stat per file: %.1f, again / stat per file: %.1f\n", first / stats, again / stats);
    fs::remove_all(folder);
    return 0;
}
