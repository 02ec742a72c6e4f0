#include "cli/join_command.h"

#include <filesystem>
#include <new>
#include <sstream>
#include <system_error>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/screensaver.h"

#include "support/recording_host.h"
#include "support/temp_tree.h"

namespace tarvelin::cli {
namespace {

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

CommandRun runCommand(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), "tarvelin-join");
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    CommandRun run;
    run.status = runJoinCommand(static_cast<int>(args.size()), argv.data(), in, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::string joinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text;
}

class JoinCommandTest : public ::testing::Test {
protected:
    test::TempTree tree;
};

// The command must give exactly what the engine gives: the same file and the same log lines.
TEST_F(JoinCommandTest, GivesTheEnginesResult) {
    tree.write("A.NC", "%\nO0001\ng91 G0 X1\nM30\n%\n");
    tree.write("表.NC", platform::utf8ToCp932("%\r\nO0002\r\n(加工)\r\nM30"));
    tree.write("Front.txt", "(FRONT)\r\n");
    tree.write("End.txt", "(END)\r\n");
    const CommandRun run = runCommand({"-o", tree.userPath("OUT.NC"), "-p", "b", "-r", "g91=G90", "-r", "加工=KAKOU",
                                       "--front", tree.userPath("Front.txt"), "--end", tree.userPath("End.txt"),
                                       tree.userPath("A.NC"), tree.userPath("NONE.NC"), tree.userPath("表.NC")});
    ASSERT_EQ(run.status, 3) << run.err;  // complete, with NONE.NC missing

    test::RecordingHost host;
    host.outputPath = platform::utf8ToCp932(tree.userPath("ENGINE.NC"));
    platform::NoScreenSaver screenSaver;
    core::JoinRun engine(host, screenSaver);
    core::JoinOptions options;
    options.percentMode = core::PercentMode::BackOnly;
    options.replacements[0] = {"g91", "G90"};
    options.replacements[1] = {platform::utf8ToCp932("加工"), "KAKOU"};
    options.frontFile = tree.userPath("Front.txt");
    options.endFile = tree.userPath("End.txt");
    std::string saveFolder;
    engine.run({tree.userPath("A.NC"), tree.userPath("NONE.NC"), platform::utf8ToCp932(tree.userPath("表.NC"))},
               options, saveFolder);

    EXPECT_EQ(tree.read("OUT.NC"), tree.read("ENGINE.NC"));
    EXPECT_EQ(tree.read("OUT.NC"),
              "(FRONT)\r\n\r\n\r\nO0001\r\nG90 G0 X1\r\nM30\r\n\r\n\r\nO0002\r\n(KAKOU)\r\nM30\r\n(END)\r\n%\r\n");
    std::vector<std::string> expectedLog = host.log;
    for (auto& line : expectedLog) {
        const std::string engineOut = tree.userPath("ENGINE.NC");
        if (const size_t at = line.find(engineOut); at != std::string::npos) {
            line.replace(at, engineOut.size(), tree.userPath("OUT.NC"));
        }
    }
    EXPECT_EQ(run.out, joinedLines(expectedLog));
    EXPECT_NE(run.out.find("有:" + tree.userPath("表.NC")), std::string::npos);
    EXPECT_NE(run.out.find("3個中 2個結合しました。"), std::string::npos);
}

// The joiner writes large joins out as it goes, without holding the text: the bytes must be the engine's
// as the join window gets them, whatever the percent mode and the end data.
TEST_F(JoinCommandTest, LargeJoinsWrittenAsTheyGoGiveTheEnginesBytes) {
    std::string program;
    for (int i = 0; program.size() < 700000; ++i) {
        program += "%N" + std::to_string(i) + " g01 X1.\n" + (i % 7 == 0 ? "M08\r" : "");
    }
    tree.write("A.NC", program);
    tree.write("B.NC", program + "M30");  // no final line break
    tree.write("End.txt", "(END)\r\n");
    for (const bool withEnd : {false, true}) {
        for (const core::PercentMode mode : {core::PercentMode::FrontAndBack, core::PercentMode::BackOnly}) {
            std::vector<std::string> args = {
                "-q",     "-o", tree.userPath("OUT.NC"), "-p",        std::to_string(core::op1Of(mode)), "-r",
                "G01=G1", "-r", "M08=COOLANT",           "--no-front"};
            if (withEnd) {
                args.insert(args.end(), {"--end", tree.userPath("End.txt")});
            } else {
                args.push_back("--no-end");
            }
            args.insert(args.end(), {tree.userPath("A.NC"), tree.userPath("B.NC")});
            ASSERT_EQ(runCommand(args).status, 0);

            test::RecordingHost host;
            host.outputPath = tree.userPath("ENGINE.NC");
            platform::NoScreenSaver screenSaver;
            core::JoinRun engine(host, screenSaver);
            core::JoinOptions options;
            options.percentMode = mode;
            options.replacements[0] = {"G01", "G1"};
            options.replacements[1] = {"M08", "COOLANT"};
            options.endFile = withEnd ? tree.userPath("End.txt") : "";
            std::string saveFolder;
            engine.run({tree.userPath("A.NC"), tree.userPath("B.NC")}, options, saveFolder);
            ASSERT_TRUE(tree.read("OUT.NC") == tree.read("ENGINE.NC"))
                << "mode " << core::op1Of(mode) << " end " << withEnd;
        }
    }
}

TEST_F(JoinCommandTest, TakesTheInputsFromAListFile) {
    tree.write("A.NC", "O1\r\n");
    tree.write("B.NC", "O2\r\n");
    tree.write("JOB.LST", "C:\\B.NC\r\nC:\\A.NC\r\n");
    const CommandRun run = runCommand({"--list", tree.userPath("JOB.LST"), "--output", tree.userPath("OUT.NC"),
                                       "--percent", "none", "--no-front", "--no-end", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(tree.read("OUT.NC"), "O2\r\nO1\r\n");
    EXPECT_EQ(run.out, "");
}

TEST_F(JoinCommandTest, FormatQuestionIsAnsweredByYes) {
    tree.write("A.NC", std::string("\0\r\nLINE\r\n", 9));
    tree.write("B.NC", "O2\r\n");
    for (const bool yes : {false, true}) {
        std::vector<std::string> args = {"-o",
                                         tree.userPath("OUT.NC"),
                                         "-p",
                                         "4",
                                         "--no-front",
                                         "--no-end",
                                         tree.userPath("A.NC"),
                                         tree.userPath("B.NC")};
        if (yes) {
            args.push_back("-y");
        }
        const CommandRun run = runCommand(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(tree.read("OUT.NC"), yes ? "LINE\r\nO2\r\n" : "O2\r\n");
        EXPECT_NE(run.err.find("ファイル形式が違います。"), std::string::npos);
    }
}

TEST_F(JoinCommandTest, RefusedOrFailedRunsExitWithOne) {
    tree.write("A.NC", "O1\r\n");
    tree.write("B.NC", "O2\r\n");
    CommandRun run = runCommand({"-o", tree.userPath("./B.NC"), tree.userPath("A.NC"), tree.userPath("B.NC")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("この結合ﾌｧｲﾙ名は選択したﾌｧｲﾙに存在します。"), std::string::npos);
    EXPECT_EQ(run.out, "--- 開始 ---\n--- 中止 ---\n");
    EXPECT_EQ(tree.read("B.NC"), "O2\r\n");

    run = runCommand({"-o", tree.userPath("NO/OUT.NC"), tree.userPath("A.NC"), tree.userPath("B.NC")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tarvelin-join: ファイル " + tree.userPath("NO/OUT.NC") + " を作成できません\n");

    run = runCommand({"-o", tree.userPath("OUT.NC"), "--list", tree.userPath("NONE.LST")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("は開けません"), std::string::npos);

    // The list being read is not the output, and a device is no list: refused at once, never read on.
    tree.write("JOB.LST", "C:\\A.NC\r\n");
    run = runCommand({"-o", tree.userPath("JOB.LST"), "--list", tree.userPath("JOB.LST")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(tree.read("JOB.LST"), "C:\\A.NC\r\n");
#ifdef _WIN32
    const std::string device = tree.userPath("NUL");  // the null device, in every folder
#else
    const std::string device = "/dev/zero";
#endif
    run = runCommand({"-o", tree.userPath("OUT.NC"), "--list", device});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tarvelin-join: ファイル " + device + " は開けません\n");
}

// What cannot be a join is refused with status 1 and a message, and the earlier output stays byte for byte.
TEST_F(JoinCommandTest, WhatCannotBeAJoinIsRefusedAndTheOutputStays) {
    tree.write("A.NC", "O1\r\n");
    tree.write("OUT.NC", "EARLIER\r\n");
    tree.write("EMPTY.LST", "");
    tree.makeFolder("FOLDER");
    const std::string out = tree.userPath("OUT.NC");
    struct Case {
        std::vector<std::string> args;
        std::string input;
        std::string message;
    };
    for (const auto& [args, input, message] : std::vector<Case>{
             {{"-o", out, "--list", "-"}, "", "no files listed in standard input"},
             {{"-o", out, "--list", tree.userPath("EMPTY.LST")},
              "",
              "no files listed in " + tree.userPath("EMPTY.LST")},
             {{"-o", out + "/", tree.userPath("A.NC")}, "", "the output names a folder: " + out + "/"},
             {{"-o", tree.userPath("NEW") + "/", tree.userPath("A.NC")},
              "",
              "the output names a folder: " + tree.userPath("NEW") + "/"},
             {{"-o", tree.userPath("FOLDER"), tree.userPath("A.NC")},
              "",
              "ファイル " + tree.userPath("FOLDER") + " を作成できません"},
         }) {
        const CommandRun run = runCommand(args, input);
        EXPECT_EQ(run.status, 1) << testing::PrintToString(args);
        EXPECT_EQ(run.err, "tarvelin-join: " + message + "\n");
        EXPECT_EQ(tree.read("OUT.NC"), "EARLIER\r\n");
        EXPECT_FALSE(tree.exists("NEW"));
        EXPECT_TRUE(std::filesystem::is_directory(tree.host("FOLDER")));
    }
}

// Names with control characters reach a terminal quoted as GNU tools quote them; a file or pipe gets them
// as they are.
TEST_F(JoinCommandTest, NamesWithControlCharactersAreQuotedOnATerminal) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows names hold no control characters";
#endif
    const std::string name = "A\n\x1b[2JB.NC";
    tree.write(name, "O1\r\n");
    std::vector<std::string> args = {"tarvelin-join", "-o", tree.userPath("OUT.NC"), tree.userPath(name)};
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    for (const bool terminal : {false, true}) {
        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        ASSERT_EQ(runJoinCommand(static_cast<int>(argv.size()), argv.data(), in, out, err, {terminal, terminal}), 0);
        const std::string expected =
            terminal ? "'有:" + tree.userPath("A") + "'$'\\n'$'\\033''[2JB.NC'" : "有:" + tree.userPath(name);
        EXPECT_NE(out.str().find("\n" + expected + "\n"), std::string::npos) << out.str();
    }
}

// The join check adds its lines after the run's last line and ends with 4 on a 警告, before the 3 of a
// missing file; without it nothing changes. --check-only writes no file and needs no -o.
TEST_F(JoinCommandTest, TheJoinCheckSaysWhatItFoundInItsStatus) {
    tree.write("A.NC", "O1000\r\nG90 G0 X1.\r\nM30\r\n");
    tree.write("B.NC", "O1000\r\nG90 G0 X2.\r\nM30\r\n");
    tree.write("C.NC", "O2000\r\nG90 G0 X3.\r\nM30\r\n");
    const std::string a = tree.userPath("A.NC");
    const std::string out = tree.userPath("OUT.NC");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string lastLine;
    };
    for (const auto& [args, status, lastLine] : std::vector<Case>{
             {{"-o", out, a, tree.userPath("C.NC")}, 0, "2個中 2個結合しました。"},
             {{"--check", "-o", out, a, tree.userPath("C.NC")}, 0, "ﾁｪｯｸ: 問題はありません"},
             {{"--check", "-o", out, a, tree.userPath("B.NC")}, 4, "ﾁｪｯｸ: 警告 1 件、注意 0 件"},
             {{"--check", "-o", out, a, tree.userPath("B.NC"), tree.userPath("GONE.NC")},
              4,
              "ﾁｪｯｸ: 警告 1 件、注意 0 件"},
             {{"--check", "-o", out, a, tree.userPath("GONE.NC")}, 3, "ﾁｪｯｸ: 問題はありません"},
             {{"--check-only", a, tree.userPath("B.NC")}, 4, "ﾁｪｯｸ: 警告 1 件、注意 0 件"},
         }) {
        std::vector<std::string> all = {"-p", "none", "--no-front", "--no-end"};
        all.insert(all.end(), args.begin(), args.end());
        const bool writes = args.front() != "--check-only";
        std::filesystem::remove(tree.host("OUT.NC"));
        const CommandRun run = runCommand(all);
        EXPECT_EQ(run.status, status) << testing::PrintToString(args) << run.err;
        EXPECT_TRUE(run.out.ends_with("\n" + lastLine + "\n")) << run.out;
        EXPECT_EQ(tree.exists("OUT.NC"), writes);
        if (status == 4) {
            EXPECT_NE(run.out.find("\nﾁｪｯｸ 警告: 4行 B.NC: O1000 "), std::string::npos) << run.out;
        }
    }
}

TEST_F(JoinCommandTest, BadUsageExitsWithTwoAndTheUsage) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"A.NC"},                                              // no output
        {"-o", "OUT.NC"},                                      // no inputs
        {"-o", "OUT.NC", "-l", "X.LST", "A.NC"},               // both inputs and a list
        {"-o", "OUT.NC", "-p", "7", "A.NC"},                   // no such percent mode
        {"-o", "OUT.NC", "-r", "=X", "A.NC"},                  // empty search string
        {"-o", "OUT.NC", "-r", "NOEQUALS", "A.NC"},            // no "="
        {"-o", "OUT.NC", "-r", "\xF0\x9F\x98\x80=X", "A.NC"},  // not in Shift-JIS
        {"-o", "OUT.NC", "-r", "A=B", "-r", "C=D", "-r", "E=F", "-r", "G=H", "A.NC"},
        {"-o", "OUT.NC", "--bogus", "A.NC"},
        {"-o"},
    };
    for (const auto& args : bad) {
        const CommandRun run = runCommand(args);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
        // One line that says what could not be used, then where the usage is.
        const size_t lineEnd = run.err.find('\n');
        ASSERT_NE(lineEnd, std::string::npos);
        EXPECT_EQ(run.err.substr(lineEnd + 1), "Try 'tarvelin-join --help'\n") << run.err;
        EXPECT_EQ(run.err.rfind("tarvelin-join: ", 0), 0u) << run.err;
    }
    const CommandRun help = runCommand({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--percent MODE"), std::string::npos);
}

// The usage error names the argument that could not be used, not a neighbour of it.
TEST_F(JoinCommandTest, UsageErrorNamesTheArgument) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-o", "OUT3.NC", "-x.NC"}, "tarvelin-join: unknown option -x in -x.NC\n"},
        {{"-yqz", "-o", "OUT3.NC", "A.NC"}, "tarvelin-join: unknown option -z in -yqz\n"},
        {{"-o", "OUT3.NC", "--bogus", "A.NC"}, "tarvelin-join: unknown option: --bogus\n"},
        {{"A.NC", "--output"}, "tarvelin-join: option requires a value: --output\n"},
        {{"-o", "OUT3.NC", "-p", "7", "A.NC"}, "tarvelin-join: unknown percent mode: 7\n"},
        {{"-o", "out é.NC", "A.NC"}, "tarvelin-join: a name that Shift-JIS cannot hold: 'out é.NC'\n"},
        {{"-o", "OUT.NC", "A.NC", "\xF0\x9F\x98\x80.NC"},
         "tarvelin-join: a name that Shift-JIS cannot hold: '\xF0\x9F\x98\x80.NC'\n"},
        {{"-o", "OUT.NC", "--front", "é.txt", "A.NC"}, "tarvelin-join: a name that Shift-JIS cannot hold: 'é.txt'\n"},
        {{"-o", "OUT.NC", "-l", "J.LST", "A.NC"},
         "tarvelin-join: give either input files or a list file, not both: A.NC\n"},
    };
    for (const auto& [args, firstLine] : cases) {
        const CommandRun run = runCommand(args);
        EXPECT_EQ(run.status, 2) << testing::PrintToString(args);
        EXPECT_EQ(run.err, firstLine + "Try 'tarvelin-join --help'\n");
    }
}

TEST_F(JoinCommandTest, VersionListOnStandardInputAndExitStatus) {
    const CommandRun version = runCommand({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tarvelin-join 1.13\n");

    tree.write("A.NC", "O1\r\n");
    tree.write("B.NC", "O2\r\n");
    const std::vector<std::string> options = {"-o", tree.userPath("OUT.NC"), "-p", "none", "--no-front", "--no-end"};
    struct Case {
        std::string list;
        int status;
        std::string output;
    };
    for (const auto& [list, status, output] : std::vector<Case>{
             {tree.userPath("B.NC") + "\r\n" + tree.userPath("A.NC") + "\r\n", 0, "O2\r\nO1\r\n"},
             {tree.userPath("A.NC") + "\r\n" + tree.userPath("GONE.NC") + "\r\n", 3, "O1\r\n"},
         }) {
        std::vector<std::string> args = options;
        args.insert(args.end(), {"--list", "-"});
        const CommandRun run = runCommand(args, list);
        EXPECT_EQ(run.status, status) << run.err;
        EXPECT_EQ(tree.read("OUT.NC"), output);
    }
    const CommandRun raw = runCommand({"-o", tree.userPath("OUT.NC"), "--no-front", "--no-end", "-p", "none",
                                       tree.userPath("A.NC"), "\x95\x5C.NC"});  // not UTF-8: Shift-JIS bytes stand
    EXPECT_EQ(raw.status, 3) << raw.err;
}

// A log that cannot be written (a closed pipe, a full disk) stops nothing: the output is whole, and the
// status and standard error say that the log was lost.
TEST_F(JoinCommandTest, FailingLogStreamStillFinishesTheJoin) {
    tree.write("A.NC", "O1\r\n");
    tree.write("B.NC", "O2\r\n");
    char arg0[] = "tarvelin-join";
    std::vector<std::string> args = {"-o",
                                     tree.userPath("OUT.NC"),
                                     "-p",
                                     "none",
                                     "--no-front",
                                     "--no-end",
                                     tree.userPath("A.NC"),
                                     tree.userPath("B.NC")};
    std::vector<char*> argv = {arg0};
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    std::istringstream in;
    std::ostream out(nullptr);  // a stream whose every write fails
    std::ostringstream err;
    EXPECT_EQ(runJoinCommand(static_cast<int>(argv.size()), argv.data(), in, out, err), 1);
    EXPECT_EQ(tree.read("OUT.NC"), "O1\r\nO2\r\n");
    EXPECT_EQ(err.str(), "tarvelin-join: the log could not be written to standard output\n");
    // A lost log is a failure whatever the join's own status (here 3, a listed file missing).
    std::string missing = tree.userPath("MISSING.NC");
    argv.push_back(missing.data());
    EXPECT_EQ(runJoinCommand(static_cast<int>(argv.size()), argv.data(), in, out, err), 1);
}

// A join that runs out of memory (a one-line input of many gigabytes is held whole) or cannot start a
// thread ends with a message and status 1, not through std::terminate, which would skip the unwinding that
// removes the unfinished output. The list read from standard input is where the test raises the error.
TEST_F(JoinCommandTest, RunningOutOfMemoryEndsWithAMessage) {
    struct FailingBuffer : std::streambuf {
        std::exception_ptr error;
        int_type underflow() override { std::rethrow_exception(error); }
    };
    struct Case {
        std::exception_ptr error;
        std::string message;
    };
    const std::error_code threadsExhausted = std::make_error_code(std::errc::resource_unavailable_try_again);
    for (const auto& [error, message] : std::vector<Case>{
             {std::make_exception_ptr(std::bad_alloc()), "tarvelin-join: not enough memory for the join\n"},
             {std::make_exception_ptr(std::system_error(threadsExhausted)),
              "tarvelin-join: the join stopped: " + threadsExhausted.message() + "\n"},
         }) {
        std::vector<std::string> args = {"tarvelin-join", "-o", tree.userPath("OUT.NC"), "--list", "-"};
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        FailingBuffer buffer;
        buffer.error = error;
        std::istream in(&buffer);
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runJoinCommand(static_cast<int>(argv.size()), argv.data(), in, out, err), 1);
        EXPECT_EQ(err.str(), message);
    }
}

TEST_F(JoinCommandTest, ReplacementMayBeEmptyAndSplitsAtTheFirstEquals) {
    std::string error;
    std::vector<std::string> args = {"tarvelin-join", "-o", "O", "-r", "M30=", "-r", "A=B=C", "X"};
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    const auto command = parseJoinCommand(static_cast<int>(argv.size()), argv.data(), error);
    ASSERT_TRUE(command) << error;
    EXPECT_EQ(command->options.replacements[0].search, "M30");
    EXPECT_EQ(command->options.replacements[0].replacement, "");
    EXPECT_EQ(command->options.replacements[1].search, "A");
    EXPECT_EQ(command->options.replacements[1].replacement, "B=C");
    EXPECT_EQ(command->options.percentMode, core::PercentMode::FrontAndBack);
}

}  // namespace
}  // namespace tarvelin::cli
