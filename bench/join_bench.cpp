// The join benchmark: joins large NC programs with tarvelin-join and, in the same run and on the same
// files, times the floor "cat INPUTS > OUT" and the pipeline "cat INPUTS | tr -d % | sed" doing the same
// replacements. Prints the medians, the ratios and the join's peak memory against the joined size.
//
// With --front-end, two programs are the front and the end data of a join of one small program, and the
// third contender is the same join with the two as listed files instead: front and end data must cost no
// more than the same bytes listed.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "figures.h"
#include "nc_generator.h"

namespace fs = std::filesystem;
using tarvelin::bench::median;
using tarvelin::bench::runProcess;
using tarvelin::bench::runShell;

namespace {

// Puts every contender at the same start: the inputs read into the file cache (the host may drop cold
// pages while a long contender runs) and the dirty data of the runs before written out, so that no
// contender pays for another's writes.
void levelTheField(const std::string& inputList) {
    runShell("cat" + inputList + " > /dev/null");
    ::sync();
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

uintmax_t sizeOf(const std::string& path) {
    std::error_code ignored;
    return fs::file_size(path, ignored);
}

}  // namespace

int main(int argc, char** argv) {
    std::string joinProgram;
    std::string folder = (fs::temp_directory_path() / "tarvelin-bench").string();
    int files = 8;
    uint64_t megabytes = 64;
    int rounds = 5;
    std::string realFolder;
    std::string lineBreak = "\r\n";
    bool frontEnd = false;
    bool check = false;
    for (int i = 1; i < argc;) {
        const std::string flag = argv[i];
        if (flag == "--front-end" || flag == "--check") {
            (flag == "--check" ? check : frontEnd) = true;
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
        } else {
            ++i;
        }
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--join") {
            joinProgram = value;
        } else if (option == "--dir") {
            folder = value;
        } else if (option == "--files") {
            files = std::stoi(value);
        } else if (option == "--size-mb") {
            megabytes = std::stoull(value);
        } else if (option == "--rounds") {
            rounds = std::stoi(value);
        } else if (option == "--real") {
            realFolder = value;
        } else if (option == "--breaks") {
            // "none": every line break becomes a space, so that the whole join is one line.
            lineBreak = value == "lf" ? "\n" : value == "none" ? " " : "\r\n";
        }
    }
    if (joinProgram.empty() || files < 1 || rounds < 1) {
        std::fprintf(stderr,
                     "usage: join_bench --join PATH/tarvelin-join [--dir FOLDER] [--files 8] [--size-mb 64] "
                     "[--rounds 5] [--real FOLDER [--breaks crlf|lf|none]] [--front-end] [--check]\n");
        return 2;
    }
    std::string realText;
    if (!realFolder.empty()) {
        if (!fs::is_directory(realFolder)) {
            std::printf("skipped: no real NC programs in %s\n", realFolder.c_str());
            return 0;
        }
        realText = tarvelin::bench::realProgramText(realFolder, lineBreak);
    }

    if (frontEnd) {
        files = 2;
    }
    fs::create_directories(folder);
    std::vector<std::string> inputs;
    std::string inputList;
    for (int i = 0; i < files; ++i) {
        const std::string path = folder + "/O" + std::to_string(1001 + i) + ".NC";
        const bool written = realText.empty()
                                 ? tarvelin::bench::writeNcProgram(path, megabytes << 20, 1001 + i, 20260 + i)
                                 : tarvelin::bench::writeRealProgram(path, megabytes << 20, realText);
        if (!written) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        inputs.push_back(path);
        inputList += " " + quoted(path);
    }
    const std::string front = folder + "/Front.txt";
    const std::string end = folder + "/End.txt";
    std::ofstream(front, std::ios::binary) << "(JOINED BY TARVELIN)\r\nG21 G90\r\n";
    std::ofstream(end, std::ios::binary) << "G91 G28 Z0\r\nM30\r\n";
    const std::string catOut = folder + "/cat.out";
    const std::string joinOut = folder + "/join.out";
    const std::string sedOut = folder + "/sed.out";

    const std::string floor = "cat" + inputList + " > " + quoted(catOut);
    const std::string pipeline = "LC_ALL=C; export LC_ALL; cat" + inputList +
                                 " | tr -d % | sed 's/G01/G1/gI; s/M08/M8/gI; s/F1200\\./F1000./gI' > " +
                                 quoted(sedOut);
    std::vector<std::string> join = {joinProgram,     "-q",      "-p",  "fb",    "-r", "G01=G1", "-r",   "M08=M8", "-r",
                                     "F1200.=F1000.", "--front", front, "--end", end,  "-o",     joinOut};
    join.insert(join.end(), inputs.begin(), inputs.end());
    std::string thirdName = "pipeline";
    std::vector<std::string> checked;
    if (check) {
        // The same join with the join check, against the join without it.
        checked = join;
        checked.insert(checked.begin() + 1, "--check");
        checked[std::find(checked.begin(), checked.end(), "-o") - checked.begin() + 1] = sedOut;
        thirdName = "join --check";
    }
    std::vector<std::string> listed;
    if (frontEnd) {
        // The two programs as front and end data around one small program, against the same three listed.
        const std::string small = folder + "/SMALL.NC";
        std::ofstream(small, std::ios::binary) << "O0001\r\nG01 X1. M08\r\nM30\r\n";
        join = {joinProgram,     "-q",      "-p",      "fb",    "-r",      "G01=G1", "-r",    "M08=M8", "-r",
                "F1200.=F1000.", "--front", inputs[0], "--end", inputs[1], "-o",     joinOut, small};
        listed = {joinProgram,     "-q",         "-p",       "fb", "-r",   "G01=G1",  "-r",  "M08=M8", "-r",
                  "F1200.=F1000.", "--no-front", "--no-end", "-o", sedOut, inputs[0], small, inputs[1]};
        thirdName = "listed";
    }

    runShell("cat" + inputList + " > /dev/null");  // the inputs start in the page cache for every contender
    std::vector<double> floorTimes;
    std::vector<double> joinTimes;
    std::vector<double> pipelineTimes;
    long peakKilobytes = 0;
    // The contenders take turns at going first: whoever runs right after another writer gets the memory and
    // disk in the state that writer left, so the order rotates from round to round.
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 3; ++turn) {
            const int contender = (turn + round) % 3;
            levelTheField(inputList);
            // Each contender's result of the round before is removed right before it runs, so that every
            // contender writes into memory just freed.
            fs::remove(std::vector<std::string>{catOut, joinOut, sedOut}[static_cast<size_t>(contender)]);
            switch (contender) {
                case 0:
                    floorTimes.push_back(runShell(floor).seconds);
                    break;
                case 1: {
                    const tarvelin::bench::ProcessRun m = runProcess(join);
                    if (m.status != 0) {
                        std::fprintf(stderr, "tarvelin-join failed with status %d\n", m.status);
                        return 1;
                    }
                    joinTimes.push_back(m.seconds);
                    peakKilobytes = std::max(peakKilobytes, m.peakKilobytes);
                    break;
                }
                default:
                    if (check) {
                        const tarvelin::bench::ProcessRun m = runProcess(checked);
                        if (m.status != 0 && m.status != 4) {
                            std::fprintf(stderr, "tarvelin-join --check failed with status %d\n", m.status);
                            return 1;
                        }
                        pipelineTimes.push_back(m.seconds);
                    } else {
                        pipelineTimes.push_back(frontEnd ? runProcess(listed).seconds : runShell(pipeline).seconds);
                    }
                    break;
            }
        }
        std::printf("round %d: cat %.3f s, join %.3f s, %s %.3f s\n", round + 1, floorTimes.back(), joinTimes.back(),
                    thirdName.c_str(), pipelineTimes.back());
    }

    const double inputMb = static_cast<double>(sizeOf(catOut)) / (1 << 20);
    const double joinedMb = static_cast<double>(sizeOf(joinOut)) / (1 << 20);
    const double floorMedian = median(floorTimes);
    const double joinMedian = median(joinTimes);
    const double pipelineMedian = median(pipelineTimes);
    std::printf("\n%d files, %.1f MB in, %.1f MB joined, %d rounds\n", files, inputMb, joinedMb, rounds);
    std::printf("median  cat %.3f s   join %.3f s   %s %.3f s\n", floorMedian, joinMedian, thirdName.c_str(),
                pipelineMedian);
    std::printf("join / cat      = %.2f\n", joinMedian / floorMedian);
    std::printf("join / %s = %.2f\n", thirdName.c_str(), joinMedian / pipelineMedian);
    std::printf("join peak memory %.1f MB = %.2f x the joined size\n", peakKilobytes / 1024.0,
                peakKilobytes / 1024.0 / joinedMb);
    for (const auto& path : inputs) {
        fs::remove(path);
    }
    for (const auto& path : {catOut, joinOut, sedOut, front, end, folder + "/SMALL.NC"}) {
        fs::remove(path);
    }
    return 0;
}
