// A whole join on files in a scratch folder: the output file must hold the data text, and the data text
// must be what the plain models of fuzz/reference.h compose from the inputs.
//
// Input: a flags byte, then the front data, the end data, three search/replacement pairs and up to four
// input files, separated by 0xFF. Flags: bits 0-2 the percent mode (0 and 5 to 7 add no "%" lines); bit 3
// a front data file exists, bit 4 an end data file; bits 5-7 the answers to the format questions in turn
// (the question asked k-th, from 0, gets bit 5 + k % 3). The join list is the input files that the input
// holds, with a missing file after the first. The sizes the join works in (pieces read, blocks edited, the
// size from which a pass takes two threads) are a few bytes or a few hundred, and the parts saved from 64
// bytes, taken from the input's length, so that the edges between them fall inside the files and between
// the lines. Every second length joins for a host that does not show the text (as the command does), whose
// lines are edited on two threads and written as they go.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/join_run.h"
#include "core/pass_sizes.h"
#include "platform/codepage.h"
#include "platform/screensaver.h"

#include "fuzz/reference.h"
#include "fuzz/scratch.h"

using namespace tarvelin;
using fuzz::check;

namespace {

constexpr size_t kInputs = 4;

// A join host without a window: it keeps the log and answers the format questions from the flags.
class Host final : public core::JoinHost {
public:
    Host(unsigned char flags, bool showsText) : flags_(flags), showsText_(showsText) {}

    std::vector<std::string> log;
    std::string shownData;  // the last text the data pane was given
    int questions = 0;

    bool showsDataText() const override { return showsText_; }
    void clearLog() override { log.clear(); }
    void addLogLine(std::string_view line) override { log.emplace_back(line); }
    void showDataText(std::string_view text) override { shownData = text; }
    std::optional<std::string> askOutputPath(const core::SaveDialogRequest&) override { return "C:\\OUT.NC"; }
    void showStopMessage(std::string_view) override { fuzz::fail("the join was refused"); }
    bool askWarningQuestion(std::string_view) override { return answer(questions++); }
    void processPendingEvents() override {}
    void showLogPage() override {}
    void focusStartButton() override {}
    void enablePrintButton() override {}

    bool answer(int question) const { return ((flags_ >> (5 + question % 3)) & 1) != 0; }

private:
    unsigned char flags_;
    bool showsText_;
};

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text a data file (front or end) gives: cut at NUL, line breaks made CR LF.
std::string dataFileText(const std::string& bytes) {
    return fuzz::refNormalize(fuzz::refCutAtNul(bytes));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Fields input(data, size);
    core::PassSizes sizes;
    sizes.piece = size % 3 == 0 ? 64 + size % 193 : 1 + size % 23;  // a third past the 64 bytes looked at at once
    sizes.editBlock = 1 + size % 41;
    if (size % 2 != 0) {
        sizes.twoThreadsFrom = 64 + size % 97;
    }
    core::setPassSizes(sizes);
    const std::string& folder = fuzz::scratchFolder();
    const int mode = input.flags & 7;
    const bool hasFront = (input.flags & 8) != 0;
    const bool hasEnd = (input.flags & 16) != 0;

    core::JoinOptions options;
    options.percentMode = core::percentModeOf(mode);
    options.frontFile = "C:\\Front.txt";
    options.endFile = "C:\\End.txt";
    std::filesystem::remove(folder + "/Front.txt");
    std::filesystem::remove(folder + "/End.txt");
    if (hasFront) {
        writeFile(folder + "/Front.txt", input.field(0));
    }
    if (hasEnd) {
        writeFile(folder + "/End.txt", input.field(1));
    }
    std::vector<fuzz::RefPair> pairs;
    for (size_t k = 0; k < 3; ++k) {
        options.replacements[k] = {input.field(2 + 2 * k), input.field(3 + 2 * k)};
        if (!options.replacements[k].search.empty()) {
            pairs.push_back({options.replacements[k].search, options.replacements[k].replacement});
        }
    }

    std::vector<std::string> list;
    std::vector<std::string> contents;
    for (size_t i = 0; i < kInputs; ++i) {
        const std::string name = "IN" + std::to_string(i) + ".NC";
        std::filesystem::remove(folder + "/" + name);
        if (8 + i < input.fields.size()) {
            writeFile(folder + "/" + name, input.fields[8 + i]);
            list.push_back("C:\\" + name);
            contents.push_back(input.fields[8 + i]);
        }
        if (i == 0) {
            list.push_back("C:\\MISSING.NC");
        }
    }

    // What the join must make of it.
    const bool showsText = (size / 2) % 2 == 0;
    Host host(input.flags, showsText);
    int questions = 0;
    std::string joined;
    for (const std::string& bytes : contents) {
        std::string text = dataFileText(bytes);
        if (text.empty() && host.answer(questions++)) {
            text = fuzz::refReadLinePieces(bytes);
        }
        joined += text;
    }
    joined = fuzz::refNormalize(joined);
    if (joined.empty()) {
        ++questions;  // asked again when the empty joined text is read back
    }
    std::string expected = fuzz::refEdits(joined, true, pairs);
    if (hasFront) {
        expected = dataFileText(input.field(0)) + "\r\n" + expected;
    }
    if (hasEnd) {
        expected = expected + "\r\n" + dataFileText(input.field(1));
    }
    if (mode == 1 || mode == 2) {
        expected = "%\r\n" + expected;
    }
    if (mode == 1 || mode == 3) {
        expected += fuzz::refBackMark(expected);
    }

    platform::NoScreenSaver screenSaver;
    core::JoinRun run(host, screenSaver);
    std::string saveFolder = "C:";
    const core::JoinResult result = run.run(list, options, saveFolder);
    check(result.outcome == core::JoinOutcome::Completed, "the join completes");
    check(result.joined == static_cast<int>(contents.size()), "the joined count");
    check(host.questions == questions, "the format questions");
    if (showsText) {
        check(host.shownData == expected, "the data text is the reference composition");
    }
    check(readFile(folder + "/OUT.NC") == expected, "the output file holds the reference composition");
    check(!host.log.empty() &&
              host.log.back() == platform::utf8ToCp932(std::to_string(list.size()) + "個中 " +
                                                       std::to_string(contents.size()) + "個結合しました。"),
          "the result line");
    check(saveFolder == "C:\\", "the save folder is the output's folder");

    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    for (const char* known : {"OUT.NC", "Front.txt", "End.txt", "IN0.NC", "IN1.NC", "IN2.NC", "IN3.NC"}) {
        names.erase(known);
    }
    check(names.empty(), "the join leaves no stray file");
    return 0;
}
