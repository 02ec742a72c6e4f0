#include "core/join_run.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <malloc.h>
#include <random>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "core/pass_sizes.h"
#include "platform/codepage.h"
#include "platform/file_error.h"
#include "platform/screensaver.h"

#include "support/recording_host.h"
#include "support/temp_tree.h"

namespace tarvelin::core {
namespace {

using platform::utf8ToCp932;
using test::RecordingHost;
using test::TempTree;

// Records the screen-saver switch: the join must switch it off while it works and on however it ends.
class SwitchLog final : public platform::ScreenSaver {
public:
    void setActive(bool active) override { calls.push_back(active); }
    std::vector<bool> calls;
};

const char* const kFormatQuestion =
    "ファイル形式が違います。\nそのまま読み込みは可能ですが、データの一部読み込めない可能性が有ります。\n"
    "読み込み開始は「はい(Y)」";

class JoinRunTest : public ::testing::Test {
protected:
    JoinRunTest() { options.percentMode = PercentMode::None; }

    // Runs a join into C:\OUT.NC (unless the test set another answer).
    JoinResult join(const std::vector<std::string>& list) {
        if (!host.outputPath) {
            host.outputPath = tree.drive("OUT.NC");
        }
        return run.run(list, options, saveFolder);
    }

    TempTree tree;
    RecordingHost host;
    SwitchLog screenSaver;
    JoinRun run{host, screenSaver};
    JoinOptions options;
    std::string saveFolder = "C:";
};

TEST_F(JoinRunTest, CompleteRunLogsEveryStageAndCounts) {
    const auto a = tree.write("NC/A.NC", "O0001\r\nM30\r\n");
    const auto c = tree.write("NC/C.NC", "O0003\r\nM30\r\n");
    options.percentMode = PercentMode::FrontAndBack;
    options.replacements[0] = {"G91", "G90"};

    const auto result = join({a, tree.drive("NC/B.NC"), c});

    EXPECT_EQ(result.outcome, JoinOutcome::Completed);
    EXPECT_EQ(result.listed, 3);
    EXPECT_EQ(result.joined, 2);
    const std::vector<std::string> expected = {
        "--- 開始 ---",
        "有:C:\\NC\\A.NC",
        "無:C:\\NC\\B.NC",
        "有:C:\\NC\\C.NC",
        "------------",
        "％を削除しています。",
        "------------",
        "G91を削除しています。",
        "------------",
        "------------",
        "前後に％を付加しました。",
        "------------",
        "保存中です。しばらくお待ちください。",
        "--- 終了 ---",
        "結合ﾌｧｲﾙ名はC:\\OUT.NCです。",
        "3個中 2個結合しました。",
    };
    EXPECT_EQ(host.log, expected);
    EXPECT_EQ(tree.read("OUT.NC"), "%\r\nO0001\r\nM30\r\nO0003\r\nM30\r\n%\r\n");
    EXPECT_EQ(host.shownData, tree.read("OUT.NC"));
    EXPECT_TRUE(host.printEnabled);
    EXPECT_EQ(saveFolder, "C:\\");
    // Events are handled after each listed file, after the data pane is cleared, and between the passes.
    const std::vector<size_t> expectedPoints = {2, 3, 4, 5, 6, 8, 11};
    EXPECT_EQ(host.pendingEventLogSizes, expectedPoints);
    EXPECT_EQ(host.logPageCalls, 3);
    EXPECT_EQ(screenSaver.calls, (std::vector<bool>{false, true}));
}

TEST_F(JoinRunTest, SaveDialogIsAskedWithTheSaveFolderAndFixedTexts) {
    host.outputPath.reset();
    saveFolder = "C:\\JOB";
    const auto result = run.run({tree.write("A.NC", "O1\r\n")}, options, saveFolder);

    ASSERT_EQ(host.saveDialogs.size(), 1U);
    EXPECT_EQ(host.saveDialogs[0].initialFolder, "C:\\JOB");
    EXPECT_EQ(host.saveDialogs[0].filter, utf8ToCp932("結合(*.nc)|*.nc|すべて(*.*)|*.*"));
    EXPECT_EQ(host.saveDialogs[0].title, utf8ToCp932("結合ﾌｧｲﾙ保存"));
    EXPECT_EQ(host.saveDialogs[0].fileName, "");
    // Cancelling: nothing logged, nothing written, panes empty, save folder kept, screen saver back on.
    EXPECT_EQ(result.outcome, JoinOutcome::Cancelled);
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(host.shownData, "");
    EXPECT_EQ(saveFolder, "C:\\JOB");
    EXPECT_FALSE(host.printEnabled);
    EXPECT_EQ(screenSaver.calls, (std::vector<bool>{false, true}));
}

TEST_F(JoinRunTest, OutputNamedLikeAnInputIsRefusedWithoutWritingAnything) {
    const auto a = tree.write("NC/A.NC", "O0001\r\n");
    const auto b = tree.write("NC/B.NC", "O0002\r\n");
    host.outputPath = "c:\\nc\\b.nc";  // differs only in letter case

    const auto result = join({a, b});

    EXPECT_EQ(result.outcome, JoinOutcome::Refused);
    EXPECT_EQ(host.messages, (std::vector<std::string>{"この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。"}));
    EXPECT_EQ(host.log, (std::vector<std::string>{"--- 開始 ---", "--- 中止 ---"}));
    EXPECT_EQ(host.startFocusCalls, 1);
    EXPECT_EQ(tree.read("NC/B.NC"), "O0002\r\n");
    EXPECT_EQ(saveFolder, "C:");
    EXPECT_FALSE(host.printEnabled);
    EXPECT_EQ(screenSaver.calls, (std::vector<bool>{false, true}));
}

// Another spelling of an input would be emptied at the start of the join and the operator's program lost:
// such an output is refused like an equal name.
TEST_F(JoinRunTest, OutputThatIsAnInputUnderAnotherSpellingIsRefused) {
    const auto a = tree.write("NC/A.NC", "O0001\r\n");
    const auto b = tree.write("NC/B.NC", "O0002\r\n");
    tree.makeFolder("NC/SUB");
#ifdef _WIN32
    // Windows names are the same in either case.
    const std::vector<std::string> spellings = {"c:\\nc\\sub\\..\\b.nc", "C:\\NC\\SUB\\..\\.\\B.NC",
                                                "C:/NC/SUB/../B.NC"};
#else
    std::filesystem::create_symlink(tree.host("NC/B.NC"), tree.host("LINK.NC"));
    const std::vector<std::string> spellings = {tree.drive("LINK.NC"), std::string("C:\\NC\\SUB\\..\\.\\B.NC"),
                                                tree.host("NC/B.NC"), tree.host("NC/SUB/../B.NC")};
#endif

    for (const std::string& output : spellings) {
        SCOPED_TRACE(output);
        host.outputPath = output;
        host.messages.clear();
        EXPECT_EQ(join({a, b}).outcome, JoinOutcome::Refused);
        EXPECT_EQ(host.messages, (std::vector<std::string>{"この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。"}));
        EXPECT_EQ(host.log.back(), "--- 中止 ---");
        EXPECT_EQ(tree.read("NC/B.NC"), "O0002\r\n");
    }
}

// Besides the listed files, the front and end data and the list file are read by the join: none of them
// may be replaced by its output, under any spelling.
TEST_F(JoinRunTest, NothingTheJoinReadsIsItsOutput) {
    const auto a = tree.write("NC/A.NC", "O0001\r\n");
    options.frontFile = tree.write("Front.txt", "F\r\n");
    options.endFile = tree.write("End.txt", "E\r\n");
    options.listFile = tree.write("JOB.LST", "C:\\NC\\A.NC\r\n");
#ifdef _WIN32
    const std::vector<std::string> outputs = {"c:\\front.txt", "C:\\NC\\..\\end.TXT", "C:/job.lst"};
#else
    std::filesystem::create_symlink(tree.host("End.txt"), tree.host("END.NC"));
    const std::vector<std::string> outputs = {"c:\\front.txt", tree.drive("END.NC"), tree.host("JOB.LST")};
#endif
    for (const std::string& output : outputs) {
        SCOPED_TRACE(output);
        host.outputPath = output;
        EXPECT_EQ(join({a, a}).outcome, JoinOutcome::Refused);
        EXPECT_EQ(host.log.back(), "--- 中止 ---");
    }
    EXPECT_EQ(tree.read("Front.txt"), "F\r\n");
    EXPECT_EQ(tree.read("End.txt"), "E\r\n");
    EXPECT_EQ(tree.read("JOB.LST"), "C:\\NC\\A.NC\r\n");
}

// Devices, FIFOs and folders are refused at once with the message of their step: never read without end,
// never waited on, never written.
TEST_F(JoinRunTest, SpecialFilesAreRefusedAtOnce) {
    const auto a = tree.write("A.NC", "O1\r\n");
    tree.makeFolder("FOLDER.NC");
    struct Case {
        std::string output;
        std::string front;
        const char* message;
    };
#ifdef _WIN32
    // "NUL" names the null device in every folder.
    const Case cases[] = {
        {tree.drive("FOLDER.NC"), "", "ファイル C:\\FOLDER.NC を作成できません"},
        {tree.drive("NUL"), "", "ファイル C:\\NUL を作成できません"},
        {tree.drive("OUT.NC"), tree.drive("FOLDER.NC"), "ファイル C:\\FOLDER.NC は開けません"},
    };
#else
    ASSERT_EQ(::mkfifo(tree.host("FIFO").c_str(), 0600), 0);
    const Case cases[] = {
        {tree.drive("FIFO"), "", "ファイル C:\\FIFO を作成できません"},
        {tree.drive("FOLDER.NC"), "", "ファイル C:\\FOLDER.NC を作成できません"},
        {"Z:\\dev\\zero", "", "ファイル Z:\\dev\\zero を作成できません"},
        {tree.drive("OUT.NC"), tree.drive("FIFO"), "ファイル C:\\FIFO は開けません"},
        {tree.drive("OUT.NC"), tree.drive("FOLDER.NC"), "ファイル C:\\FOLDER.NC は開けません"},
    };
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output + " " + c.front);
        host.outputPath = c.output;
        options.frontFile = c.front;
        try {
            join({a});
            ADD_FAILURE() << "expected a FileError";
        } catch (const platform::FileError& e) {
            EXPECT_EQ(platform::cp932ToUtf8(e.message()), c.message);
        }
        EXPECT_FALSE(tree.exists("OUT.NC"));
    }
}

// The output takes its place only when it is complete: until then the earlier file at the path is
// untouched, whatever other programs do to it, and a second join to the same path meanwhile leaves a whole
// file of its own that the first one's whole file then replaces.
TEST_F(JoinRunTest, TheOutputIsWholeOrUntouched) {
    const auto a = tree.write("A.NC", "O1\r\n");
    const auto b = tree.write("B.NC", "O2\r\n");
    tree.write("OUT.NC", "EARLIER\r\n");
    RecordingHost otherHost;
    otherHost.outputPath = tree.drive("OUT.NC");
    JoinRun other{otherHost, screenSaver};
    std::vector<std::string> seen;
    host.onPendingEvents = [&] {
        seen.push_back(tree.read("OUT.NC"));
        if (seen.size() == 1) {
            std::filesystem::resize_file(tree.host("OUT.NC"), 3);  // another program cuts the earlier file short
            std::string folder;
            ASSERT_EQ(other.run({b}, options, folder).outcome, JoinOutcome::Completed);
            seen.push_back(tree.read("OUT.NC"));
        }
    };
    ASSERT_EQ(join({a, a}).outcome, JoinOutcome::Completed);
    EXPECT_EQ(seen.front(), "EARLIER\r\n");
    EXPECT_EQ(seen[1], "O2\r\n");
    EXPECT_EQ(seen.back(), "O2\r\n");
    EXPECT_EQ(tree.read("OUT.NC"), "O1\r\nO1\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.root()), {}), 3);
}

#ifndef _WIN32

// A join killed at any moment leaves the earlier output or the whole new one, never a part of it, and the
// next join leaves no file of the killed one behind.
TEST_F(JoinRunTest, KillingAJoinLeavesTheEarlierOrTheWholeOutput) {
    std::string program;
    for (int i = 0; program.size() < (8 << 20); ++i) {
        program += "%N" + std::to_string(i) + " G01 X1.0 Y2.0 F1200.\r\n";
    }
    const auto a = tree.write("A.NC", program);
    options.replacements[0] = {"G01", "G1"};
    options.percentMode = PercentMode::FrontAndBack;
    tree.write("OUT.NC", "EARLIER\r\n");
    ASSERT_EQ(join({a}).outcome, JoinOutcome::Completed);
    const std::string whole = tree.read("OUT.NC");
    tree.write("OUT.NC", "EARLIER\r\n");
    std::mt19937 random(7);
    int completed = 0;
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            join({a});
            ::_exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 120));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string bytes = tree.read("OUT.NC");
        ASSERT_TRUE(bytes == "EARLIER\r\n" || bytes == whole) << "a broken output of " << bytes.size() << " bytes";
        completed += bytes == whole ? 1 : 0;
        tree.write("OUT.NC", "EARLIER\r\n");
    }
    ASSERT_EQ(join({a}).outcome, JoinOutcome::Completed);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.root()), {}), 2);
    std::cout << "12 joins killed, " << completed << " of them after the output was in place\n";
}

#endif

struct PercentCase {
    int mode;  // the setting, which may hold any value
    const char* input;
    const char* logLine;  // nullptr: no line between the separators
    const char* output;
};

class PercentModeTest : public JoinRunTest, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(PercentModeTest, MarksAndLogLine) {
    const PercentCase& c = GetParam();
    options.percentMode = percentModeOf(c.mode);
    ASSERT_EQ(join({tree.write("A.NC", c.input), tree.drive("MISSING.NC")}).outcome, JoinOutcome::Completed);

    EXPECT_EQ(tree.read("OUT.NC"), c.output);
    // The lines between the third separator and the one before "保存中です。...".
    const auto saving = std::find(host.log.begin(), host.log.end(), "保存中です。しばらくお待ちください。");
    ASSERT_NE(saving, host.log.end());
    const std::vector<std::string> between(saving - (c.logLine ? 3 : 2), saving - 1);
    std::vector<std::string> expected = {"------------"};
    if (c.logLine) {
        expected.push_back(c.logLine);
    }
    EXPECT_EQ(between, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PercentModeTest,
    ::testing::Values(PercentCase{op1Of(PercentMode::None), "%\r\nO0001\r\nM30\r\n%\r\n", "前後に％は有りません。",
                                  "\r\nO0001\r\nM30\r\n\r\n"},
                      PercentCase{op1Of(PercentMode::FrontAndBack), "%\r\nO0001\r\nM30\r\n%\r\n",
                                  "前後に％を付加しました。", "%\r\n\r\nO0001\r\nM30\r\n\r\n%\r\n"},
                      PercentCase{op1Of(PercentMode::FrontOnly), "O0001\r\nM30\r\n", "前のみ％を付加しました。",
                                  "%\r\nO0001\r\nM30\r\n"},
                      PercentCase{op1Of(PercentMode::BackOnly), "O0001\r\nM30", "後のみ％を付加しました。",
                                  "O0001\r\nM30\r\n%"},
                      PercentCase{op1Of(PercentMode::BackOnly), "O0001\r\nM30\r\n", "後のみ％を付加しました。",
                                  "O0001\r\nM30\r\n%\r\n"},
                      PercentCase{5, "%O0001\r\n", nullptr, "O0001\r\n"}, PercentCase{0, "O1%\r\n", nullptr, "O1\r\n"}),
    [](const auto& info) { return "Mode" + std::to_string(info.param.mode) + "_" + std::to_string(info.index); });

TEST_F(JoinRunTest, EveryLineBreakOfTheInputsBecomesCrLfAndFilesRunOnWithoutBreak) {
    const auto a = tree.write("A.NC", "O1\nG0\rG1\r\r\nM30");
    const auto b = tree.write("B.NC", "O2\r\nM30\r");
    join({a, b});
    EXPECT_EQ(tree.read("OUT.NC"), "O1\r\nG0\r\nG1\r\n\r\nM30O2\r\nM30\r\n");
}

// Puts the sizes the join works in back as they were when it goes, however the test ends.
class KeptPassSizes {
public:
    KeptPassSizes() : kept_(passSizes()) {}
    ~KeptPassSizes() { setPassSizes(kept_); }
    KeptPassSizes(const KeptPassSizes&) = delete;
    KeptPassSizes& operator=(const KeptPassSizes&) = delete;

private:
    PassSizes kept_;
};

TEST_F(JoinRunTest, TheJoinedTextDoesNotDependOnTheSizesTheJoinWorksIn) {
    // The front and end data stand unedited, their breaks made CR LF, the end data cut at its NUL.
    options.frontFile = tree.write("PROG/Front.txt", "%g0(FRONT)\r\rX1.\n");
    options.endFile = tree.write("PROG/End.txt", std::string("g0\r\n%END\rX1.\0IGNORED", 21));
    options.percentMode = PercentMode::FrontAndBack;
    options.replacements[0] = {"g0", "G00"};
    options.replacements[1] = {"X1.", "X"};
    std::string program;
    for (int i = 0; i < 40; ++i) {
        program += "%G0 X1." + std::to_string(i) + (i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r" : "\r\n") + "%M30";
    }
    const std::vector<std::string> list = {tree.write("A.NC", program), tree.write("B.NC", "\r" + program + "\r")};
    const KeptPassSizes kept;
    // A pair with a line break is applied to the whole text at the end; the others line by line as the text
    // grows, where the text is not shown on two threads.
    const Replacement thirdPairs[] = {{"30G", "\r\n"}, {"M3", "M"}};
    for (const Replacement& third : thirdPairs) {
        options.replacements[2] = third;
        setPassSizes(PassSizes());
        host.showsText = true;
        join(list);
        const std::string byDefault = tree.read("OUT.NC");
        EXPECT_TRUE(byDefault.starts_with("%\r\n%g0(FRONT)\r\n\r\nX1.\r\n\r\nG00 X0"));
        EXPECT_TRUE(byDefault.ends_with("\r\ng0\r\n%END\r\nX1.\r\n%")) << byDefault;
        for (const bool shown : {true, false}) {
            host.showsText = shown;
            for (const size_t small : {1, 2, 7, 64}) {
                setPassSizes({small, small + 1, small * 8});
                join(list);
                EXPECT_EQ(tree.read("OUT.NC"), byDefault)
                    << small << "-byte pieces, " << third.search << ", shown " << shown;
            }
        }
    }
}

// The window is asked to handle its events after every piece read, not only between files: a file of
// hundreds of megabytes must not leave it without them for seconds.
TEST_F(JoinRunTest, TheWindowIsKeptResponsiveWhileAFileIsRead) {
    const KeptPassSizes kept;
    PassSizes small = passSizes();
    small.piece = 64;
    setPassSizes(small);
    std::string program;
    for (int i = 0; i < 40; ++i) {
        program += "G01 X" + std::to_string(i) + "\r\n";
    }
    join({tree.write("A.NC", program)});
    EXPECT_GE(host.responsiveCalls, static_cast<int>(program.size() / 64));
    EXPECT_EQ(tree.read("OUT.NC"), program);
}

TEST_F(JoinRunTest, TextIsCutAtTheFirstNulByte) {
    join({tree.write("A.NC", std::string("O1\r\nG0\0G1\r\n", 11)), tree.write("B.NC", "O2\r\n")});
    EXPECT_EQ(tree.read("OUT.NC"), "O1\r\nG0O2\r\n");
    EXPECT_TRUE(host.questions.empty());
}

TEST_F(JoinRunTest, ReplacementsApplyInOrderIgnoringCaseOnTheResultOfTheOneBefore) {
    options.replacements[0] = {"G91", "G90"};
    options.replacements[1] = {"g90 g90", "X"};
    options.replacements[2] = {"", "IGNORED"};
    join({tree.write("A.NC", "g91 G91\r\nG91G91G9\r\n"), tree.drive("NONE")});

    EXPECT_EQ(tree.read("OUT.NC"), "X\r\nG90G90G9\r\n");
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "G91を削除しています。"), 1);
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "g90 g90を削除しています。"), 1);
    EXPECT_EQ(std::count_if(host.log.begin(), host.log.end(),
                            [](const std::string& line) { return line.find("IGNORED") != std::string::npos; }),
              0);
}

TEST_F(JoinRunTest, ReplacementNeverStartsOnTheTrailByteOfADoubleByteCharacter) {
    // "ア" is 0x83 0x41: its trail byte is "A".
    options.replacements[0] = {"A", "B"};
    join({tree.write("A.NC", utf8ToCp932("アa\r\n")), tree.drive("NONE")});
    EXPECT_EQ(tree.read("OUT.NC"), utf8ToCp932("アB\r\n"));
}

TEST_F(JoinRunTest, FrontAndEndDataSurroundTheTextOnLinesOfTheirOwn) {
    options.frontFile = tree.write("PROG/Front.txt", "(FRONT)\nG90");
    options.endFile = tree.write("PROG/End.txt", "M30\r\n");
    options.percentMode = PercentMode::FrontAndBack;
    join({tree.write("A.NC", "%\r\nO1\r\n%\r\n"), tree.drive("NONE")});

    EXPECT_EQ(tree.read("OUT.NC"), "%\r\n(FRONT)\r\nG90\r\n\r\nO1\r\n\r\n\r\nM30\r\n%\r\n");
    EXPECT_NE(std::find(host.log.begin(), host.log.end(), "前部に付加データを追加しています。"), host.log.end());
    EXPECT_NE(std::find(host.log.begin(), host.log.end(), "後部に付加データを追加しています。"), host.log.end());
}

TEST_F(JoinRunTest, MissingFrontAndEndFilesAddNothingAndLogNothing) {
    options.frontFile = tree.drive("PROG/Front.txt");
    options.endFile = tree.drive("PROG/End.txt");
    join({tree.write("A.NC", "O1\r\n"), tree.drive("NONE")});
    EXPECT_EQ(tree.read("OUT.NC"), "O1\r\n");
    EXPECT_EQ(std::find(host.log.begin(), host.log.end(), "前部に付加データを追加しています。"), host.log.end());
}

TEST_F(JoinRunTest, EmptyInputAsksTheFormatQuestionAndStillCounts) {
    const auto empty = tree.write("EMPTY.NC", "");
    const auto b = tree.write("B.NC", "O2\r\n");
    host.answers = {false};
    const auto result = join({empty, b});

    EXPECT_EQ(result.joined, 2);
    EXPECT_EQ(host.questions, (std::vector<std::string>{kFormatQuestion}));
    EXPECT_EQ(tree.read("OUT.NC"), "O2\r\n");
    EXPECT_EQ(host.log.back(), "2個中 2個結合しました。");
}

TEST_F(JoinRunTest, YesToTheFormatQuestionReadsTheFileLineByLineInPiecesOf499Bytes) {
    // Text that starts with a NUL byte: the whole read gives nothing, the line reader gives the lines.
    std::string bytes("\0BAD\r\n", 6);
    bytes += "\r\n" + std::string(600, 'X') + "\r\nLAST\r\n\r\n";
    host.answers = {true};
    join({tree.write("A.NC", bytes), tree.drive("NONE")});

    EXPECT_EQ(host.questions.size(), 1U);
    EXPECT_EQ(tree.read("OUT.NC"), std::string(499, 'X') + "\r\n" + std::string(101, 'X') + "\r\nLAST\r\n");
}

TEST_F(JoinRunTest, EmptyJoinedFileAsksOnceMoreAndTheRunGoesOn) {
    host.answers = {false, true};
    const auto result = join({tree.write("A.NC", ""), tree.drive("NONE")});

    EXPECT_EQ(result.outcome, JoinOutcome::Completed);
    EXPECT_EQ(host.questions.size(), 2U);
    EXPECT_EQ(tree.read("OUT.NC"), "");
    EXPECT_EQ(host.log.back(), "2個中 1個結合しました。");
}

TEST_F(JoinRunTest, AListedFileWrittenWhileItsEmptyTextIsAskedAboutStopsTheRun) {
    // A post-processor writes the program the join found empty, while the operator looks at the question.
    const auto a = tree.write("A.NC", "");
    tree.write("OUT.NC", "EARLIER\r\n");
    for (const bool answer : {false, true}) {
        host.answers = {answer, true};
        host.onQuestion = [&] { tree.write("A.NC", "O1\r\nM30\r\n"); };
        try {
            join({a});
            ADD_FAILURE() << "expected a FileError, answering " << answer;
        } catch (const platform::FileError& e) {
            EXPECT_EQ(platform::cp932ToUtf8(e.message()), "ファイル C:\\A.NC は読み込み中に変更されました");
        }
        EXPECT_EQ(tree.read("OUT.NC"), "EARLIER\r\n");
        tree.write("A.NC", "");
    }
}

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();  // the address sanitizer's own allocator
#endif

// The bytes the program has allocated and not freed.
size_t allocatedBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#elif defined(_WIN32)
    size_t used = 0;
    _HEAPINFO entry{};
    while (::_heapwalk(&entry) == _HEAPOK) {
        used += entry._useflag == _USEDENTRY ? entry._size : 0;
    }
    return used;
#else
    const auto info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

TEST_F(JoinRunTest, LettingTheDataTextGoFreesItsMemory) {
    join({tree.write("A.NC", std::string(size_t{4} << 20, 'X'))});
    const size_t holding = allocatedBytes();
    run.releaseDataText();
    EXPECT_GE(holding, allocatedBytes() + (size_t{4} << 20));
}

TEST_F(JoinRunTest, OutputThatCannotBeCreatedStopsTheRunWithItsMessage) {
    const auto a = tree.write("A.NC", "O1\r\n");
    host.outputPath = tree.drive("NO/SUCH/FOLDER/OUT.NC");
    try {
        join({a, a});
        FAIL() << "expected a FileError";
    } catch (const platform::FileError& e) {
        EXPECT_EQ(platform::cp932ToUtf8(e.message()), "ファイル C:\\NO\\SUCH\\FOLDER\\OUT.NC を作成できません");
    }
    EXPECT_EQ(host.log, (std::vector<std::string>{"--- 開始 ---"}));
    EXPECT_EQ(saveFolder, "C:\\NO\\SUCH\\FOLDER");
    EXPECT_FALSE(host.printEnabled);
    EXPECT_FALSE(run.running());
    EXPECT_EQ(screenSaver.calls, (std::vector<bool>{false, true}));
}

TEST_F(JoinRunTest, FrontFileThatCannotBeOpenedStopsTheRun) {
    options.frontFile = tree.write("Front.txt", "F\r\n");
    options.replacements[0] = {"O1", "O2"};
    const auto a = tree.write("A.NC", "%\r\nO1\r\n");
    tree.write("OUT.NC", "EARLIER\r\n");
    const auto stopsWithItsMessage = [&] {
        try {
            join({a, tree.drive("NONE")});
        } catch (const platform::FileError& e) {
            // A run that stops writes nothing: the earlier output stays as it was, with nothing beside it.
            return platform::cp932ToUtf8(e.message()) == "ファイル C:\\Front.txt は開けません" &&
                   host.log.back() == "前部に付加データを追加しています。" && !host.printEnabled &&
                   tree.read("OUT.NC") == "EARLIER\r\n" &&
                   std::distance(std::filesystem::directory_iterator(tree.root()), {}) == 3;
        }
        return false;
    };
#ifdef _WIN32
    // Held by another program that lets nobody else open it.
    const HANDLE held = ::CreateFileW(std::filesystem::path(tree.host("Front.txt")).c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const bool stopped = stopsWithItsMessage();
    ::CloseHandle(held);
#else
    ::chmod(tree.host("Front.txt").c_str(), 0);
    const bool stopped = test::asUnprivilegedUser(tree, stopsWithItsMessage);
#endif
    EXPECT_TRUE(stopped);
}

TEST_F(JoinRunTest, ARunCannotBeEnteredTwiceNorLoseItsList) {
    const auto a = tree.write("A.NC", "O1\r\n");
    const auto b = tree.write("B.NC", "O2\r\n");
    std::vector<std::string> list = {a, b};
    host.outputPath = tree.drive("OUT.NC");
    std::vector<JoinOutcome> nested;
    host.onPendingEvents = [&] {
        list.clear();  // "戻る" empties the window's list meanwhile
        nested.push_back(run.run(list, options, saveFolder).outcome);
    };
    const auto result = run.run(list, options, saveFolder);

    EXPECT_EQ(result.outcome, JoinOutcome::Completed);
    EXPECT_EQ(result.joined, 2);
    // Events are handled after each file and between the stages over the joined text; every attempt to
    // run again meanwhile is refused.
    EXPECT_GE(nested.size(), 5U);
    EXPECT_EQ(nested, std::vector<JoinOutcome>(nested.size(), JoinOutcome::AlreadyRunning));
    EXPECT_EQ(tree.read("OUT.NC"), "O1\r\nO2\r\n");
    EXPECT_FALSE(run.running());
}

TEST_F(JoinRunTest, EachRunStartsAfresh) {
    const auto a = tree.write("A.NC", "O1\r\n");
    join({a, tree.drive("NONE")});
    host.outputPath = tree.drive("SUB/OUT2.NC");
    tree.makeFolder("SUB");
    const auto result = join({a, a});
    EXPECT_EQ(result.joined, 2);
    EXPECT_EQ(host.log.front(), "--- 開始 ---");
    EXPECT_EQ(host.log.back(), "2個中 2個結合しました。");
    EXPECT_EQ(tree.read("SUB/OUT2.NC"), "O1\r\nO1\r\n");
    EXPECT_EQ(saveFolder, "C:\\SUB");
}

}  // namespace
}  // namespace tarvelin::core
