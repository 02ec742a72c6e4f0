// The print benchmark: what "印刷" does with joined texts of several sizes, printing to PDF, offscreen.
// For each text: the time to the print dialog (the holder takes the data pane's lines and counts its
// laid-out lines),
// pages printed per second, the longest stretch between two reports of progress (where the window handles
// its events), and the peak resident memory against the text's size. In the same run it times the floor:
// one pass over the text that finds its line breaks.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>

#include "core/edited_text.h"
#include "core/print_pages.h"
#include "ui/ViewPrint.h"
#include "ui/window_fonts.h"

#include "answering_prompter.h"
#include "figures.h"
#include "nc_generator.h"
#include "offscreen_app.h"

namespace fs = std::filesystem;
using namespace tarvelin;
using bench::peakRssMb;
using bench::seconds;

namespace {

// Notes the longest time between two reports; stops after `pageLimit` pages when asked to.
class Watch : public ui::PrintProgress {
public:
    bool proceed(size_t, size_t) override {
        longest = std::max(longest, static_cast<double>(sinceLast.nsecsElapsed()) / 1e9);
        sinceLast.restart();
        return true;
    }
    void start() { sinceLast.start(); }
    double longest = 0;
    QElapsedTimer sinceLast;
};

int pdfPages(const std::string& pdf) {
    // Asks poppler's pdfinfo, when it is installed.
    FILE* info = ::popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
    if (info == nullptr) {
        return 0;
    }
    int pages = 0;
    char line[512];
    while (std::fgets(line, sizeof line, info) != nullptr) {
        if (std::strncmp(line, "Pages:", 6) == 0) {
            pages = std::atoi(line + 6);
        }
    }
    ::pclose(info);
    return pages;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::OffscreenApp app(argv);
    std::vector<uint64_t> sizes = {10, 100};
    uint64_t printLimitMb = 10;
    bool oneLine = false;
    std::string folder = (fs::temp_directory_path() / "tarvelin-print-bench").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--sizes-mb") {
            sizes.clear();
            for (const auto& part : QString::fromLocal8Bit(argv[i + 1]).split(QLatin1Char(','))) {
                sizes.push_back(part.toULongLong());
            }
        } else if (option == "--print-mb") {
            printLimitMb = std::stoull(argv[i + 1]);
        } else if (option == "--one-line") {
            // Every text as one line: its line breaks become spaces.
            oneLine = std::string(argv[i + 1]) == "yes";
        } else if (option == "--dir") {
            folder = argv[i + 1];
        }
    }
    fs::create_directories(folder);
    std::sort(sizes.begin(), sizes.end());
    std::printf("%8s %10s %10s %10s %8s %10s %10s %10s %10s %10s %12s\n", "text MB", "scan s", "hand s", "dialog s",
                "ratio", "pages", "print s", "pages/s", "laid-out", "longest s", "peak RSS MB");
    for (const uint64_t megabytes : sizes) {
        const std::string source = folder + "/text.nc";
        if (!bench::writeNcProgram(source, megabytes << 20, 3001, 11)) {
            std::fprintf(stderr, "cannot write the text\n");
            return 1;
        }
        std::string text;
        {
            std::ifstream in(source, std::ios::binary);
            text.resize(fs::file_size(source));
            in.read(text.data(), static_cast<std::streamsize>(text.size()));
        }
        fs::remove(source);
        if (oneLine) {
            std::replace_if(
                text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
            text += "\r\n";
        }

        // The floor: one pass that finds the line breaks.
        QElapsedTimer timer;
        timer.start();
        size_t breaks = 0;
        for (const char* at = text.data();
             (at = static_cast<const char*>(
                  std::memchr(at, '\n', text.size() - static_cast<size_t>(at - text.data())))) != nullptr;
             ++at) {
            ++breaks;
        }
        const double scan = seconds(timer);
        if (breaks == 0) {
            std::fprintf(stderr, "the text has no line\n");
            return 1;
        }

        // What the data pane holds; it is made when the join shows its text, not on "印刷".
        const core::EditedText paneLines(text);
        ui::TPrintForm holder;
        // The data pane's font as the join window sets it: the fixed-pitch face at the default 10 points.
        QFont font = ui::fixedPitchFont();
        font.setPointSize(10);
        Watch watch;
        timer.restart();
        holder.holdText(paneLines, font);
        const double hand = seconds(timer);
        watch.start();
        const auto lines = holder.laidOutLineCount(watch);
        const double toDialog = seconds(timer);
        const int perPage = core::linesPerPage(ui::fontHeightInPixels(font, 96));
        const int pages = core::pageCount(lines.value_or(0), perPage);

        // The print, and in the same run the print that lays out every line (the baseline of the shortcut
        // that draws plain lines as glyph runs).
        const auto print = [&](bool layOutEveryLine, int& printed) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            const std::string pdf = folder + "/out.pdf";
            printer.setOutputFileName(QString::fromStdString(pdf));
            holder.layOutEveryLine(layOutEveryLine);
            timer.restart();
            watch.start();
            holder.printHeld(printer, QStringLiteral("C:\\OUT.NC"), &watch);
            const double took = seconds(timer);
            printed = pdfPages(pdf);
            fs::remove(pdf);
            return took;
        };
        double printTime = 0;
        double laidOutTime = 0;
        int printed = 0;
        if (megabytes <= printLimitMb) {
            // The program's print first, from caches as cold as the first print's; its longest time between
            // two reports is the one given.
            int laidOutPages = 0;
            printTime = print(false, printed);
            const double longest = watch.longest;
            laidOutTime = print(true, laidOutPages);
            watch.longest = longest;
            if (laidOutPages != printed) {
                std::fprintf(stderr, "the two prints differ: %d and %d pages\n", laidOutPages, printed);
                return 1;
            }
        }
        std::printf("%8llu %10.3f %10.3f %10.3f %8.1f %10d %10.3f %10.0f %10.2f %10.3f %12.0f\n",
                    static_cast<unsigned long long>(megabytes), scan, hand, toDialog, toDialog / scan, pages, printTime,
                    printTime > 0 ? printed / printTime : 0.0, printTime > 0 ? laidOutTime / printTime : 0.0,
                    watch.longest, peakRssMb());
    }
    std::printf(
        "hand: the holder takes the pane's lines; dialog: that and the line count before the print dialog;\n"
        "ratio: dialog / scan; pages/s, laid-out (the time of the same print with every line laid out, against\n"
        "the print's) and the longest time between progress reports cover the prints of the texts up to\n"
        "--print-mb %llu MB.\n"
        "Peak RSS grows with each text, the run going from the smallest to the largest.\n",
        static_cast<unsigned long long>(printLimitMb));
    return 0;
}
