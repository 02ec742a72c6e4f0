// Joins of real NC programs from the shared data beside the repository, checked against a plain
// line-by-line model of the join written independently of the engine's in-place passes.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "core/join_run.h"
#include "platform/screensaver.h"

#include "support/recording_host.h"
#include "support/temp_tree.h"

namespace tarvelin::core {
namespace {

namespace fs = std::filesystem;

std::string readHost(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The lines of a text: split at CR LF, CR or LF; `endsWithBreak` tells whether the last line had one.
std::vector<std::string> splitLines(const std::string& text, bool& endsWithBreak) {
    std::vector<std::string> lines(1);
    endsWithBreak = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
            endsWithBreak = true;
        } else {
            lines.back() += text[i];
            endsWithBreak = false;
        }
    }
    if (endsWithBreak) {
        lines.pop_back();
    }
    return lines;
}

std::string upperAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    return s;
}

// The model: join the files' lines (a file without a final break runs on into the next), drop "%",
// replace per line (the data is ASCII, and no search string spans a line), frame with front and end data
// and "%" lines, and write every line followed by CR LF.
std::string modelJoin(const std::vector<fs::path>& files, const std::string& search, const std::string& replacement,
                      const std::string& front, const std::string& end) {
    std::vector<std::string> lines;
    bool openLine = false;
    for (const auto& file : files) {
        bool endsWithBreak = false;
        auto fileLines = splitLines(readHost(file), endsWithBreak);
        if (openLine && !lines.empty()) {
            lines.back() += fileLines.front();
            fileLines.erase(fileLines.begin());
        }
        lines.insert(lines.end(), fileLines.begin(), fileLines.end());
        openLine = !endsWithBreak;
    }
    std::string out = "%\r\n" + front + "\r\n";
    for (auto line : lines) {
        line.erase(std::remove(line.begin(), line.end(), '%'), line.end());
        const std::string upper = upperAscii(line);
        std::string replaced;
        size_t from = 0;
        for (size_t at = upper.find(search); at != std::string::npos; at = upper.find(search, from)) {
            replaced += line.substr(from, at - from) + replacement;
            from = at + search.size();
        }
        out += replaced + line.substr(from) + "\r\n";
    }
    return out + "\r\n" + end + "%\r\n";
}

TEST(RealData, JoiningTheCamoticsExamplesMatchesTheModel) {
    const std::string shared = test::sharedDataFolder();
    if (shared.empty() || !fs::is_directory(shared + "/realdata/camotics")) {
        GTEST_SKIP() << "the shared real data is not beside the repository";
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(shared + "/realdata/camotics")) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 2U);

    test::TempTree tree;
    test::RecordingHost host;
    host.outputPath = tree.drive("JOINED.NC");
    platform::NoScreenSaver screenSaver;
    JoinRun run(host, screenSaver);
    JoinOptions options;
    options.percentMode = PercentMode::FrontAndBack;
    options.replacements[0] = {"g1", "G01"};
    options.frontFile = tree.write("Front.txt", "(TARVELIN)\r\nG21\r\n");
    options.endFile = tree.write("End.txt", "M30\r\n");
    std::vector<std::string> list;
    for (const auto& file : files) {
        list.push_back(file.string());
    }
    std::string saveFolder;
    const auto result = run.run(list, options, saveFolder);

    ASSERT_EQ(result.outcome, JoinOutcome::Completed);
    EXPECT_EQ(result.joined, static_cast<int>(files.size()));
    const std::string expected = modelJoin(files, "G1", "G01", "(TARVELIN)\r\nG21\r\n", "M30\r\n");
    const std::string actual = tree.read("JOINED.NC");
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected);
    EXPECT_EQ(host.shownData.size(), actual.size());
}

}  // namespace
}  // namespace tarvelin::core
