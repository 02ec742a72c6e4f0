#include "core/program_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <gtest/gtest.h>

#include "platform/codepage.h"

#include "support/temp_tree.h"

namespace tarvelin::core {
namespace {

namespace fs = std::filesystem;

// A finding as the table writes it: 'W' (警告) or 'N' (注意), its line, and a part of its text (UTF-8).
struct Expected {
    char severity;
    size_t line;
    const char* part;
};

struct Row {
    const char* name;
    std::string text;  // code page 932
    std::vector<Expected> expected;
    std::vector<CheckSegment> segments = {{1, "T.NC", true}};
};

std::vector<CheckFinding> check(const std::string& text, const std::vector<CheckSegment>& segments, size_t piece,
                                size_t* warnings = nullptr, size_t maxStored = kMaxStoredFindings) {
    ProgramCheck checker(segments, maxStored);
    for (size_t at = 0; at < text.size(); at += piece) {
        checker.feed(std::string_view(text).substr(at, piece));
    }
    checker.finish();
    if (warnings != nullptr) {
        *warnings = checker.warningCount();
    }
    return checker.findings();
}

bool same(const std::vector<CheckFinding>& a, const std::vector<CheckFinding>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const CheckFinding& x, const CheckFinding& y) {
        return x.severity == y.severity && x.line == y.line && x.segment == y.segment && x.text == y.text;
    });
}

std::string describe(const std::vector<CheckFinding>& findings) {
    std::string out;
    for (const auto& f : findings) {
        out += (f.severity == CheckSeverity::Warning ? "W" : "N") + std::to_string(f.line) + " " +
               platform::cp932ToUtf8(f.text) + "\n";
    }
    return out;
}

const std::string sj(const char* utf8) {
    return platform::utf8ToCp932(utf8);
}

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        {"CleanProgram", "O1000\r\nG90 G21 G0 X0 Y0\r\nG1 Z-1 F100\r\nG91 G28 Z0\r\nM30\r\n", {}},
        {"FirstProgramWithoutG90", "G21\r\nG0 X0\r\nM30\r\n", {}},
        {"SameNumberTwice",
         "O1000\r\nG90\r\nM30\r\nO01000\r\nG90\r\nM30\r\n:1000\r\n",
         {{'W', 4, "O01000"}, {'W', 7, ":1000"}}},
        {"MotionAfterM30", "O1000\r\nG90 G0 X0\r\nM30\r\n(next)\r\nM05\r\nG0 X1\r\nX2\r\n", {{'W', 6, "M30"}}},
        {"MotionAfterM2", "G90 X0\r\nM2\r\nG1 Z1\r\n", {{'W', 3, "M02"}}},
        {"M300AndM3AreNoEnd", "G90 X0\r\nM300\r\nG0 X1\r\nM3\r\nG0X1\r\n", {}},
        {"EachFilesEndMarksTheNextFile",
         "G90 X0\r\nM30\r\nG0 X1\r\nX2\r\nM02\r\nG0 X1\r\n",
         {{'W', 3, "M30"}, {'W', 6, "M02"}}},
        {"DwellAfterM30IsNoMotion", "G90 X0\r\nM30\r\nG04 X1.0\r\nG10 L2 P1 X0\r\n", {}},
        {"G91LeftByTheProgramBefore",
         "O1000\r\nG90 G0 X0\r\nG91 G28 Z0\r\nM30\r\nO2000\r\nG0 X10\r\nM30\r\n",
         {{'W', 6, "O2000"}}},
        {"G90LeftByTheProgramBefore",
         "O1000\r\nG91 G28 Z0\r\nG90 G0 X0\r\nM30\r\nO2000\r\nG0 X10\r\nX20\r\nM30\r\n",
         {{'N', 6, "O2000"}}},
        {"EachProgramSetsItsMode", "O1000\r\nG91 G28 Z0\r\nM30\r\nO2000\r\nG0 X1 G90\r\nM30\r\n", {}},
        {"FrontDataLeavesG91", "G91\r\nO1000\r\nG0 X0\r\nM30\r\n", {{'W', 3, "O1000"}}},
        {"FirstOfTwoProgramsWithoutG90", "O1000\r\nG0 X0\r\nM30\r\nO2000\r\nG0 X1\r\nM30\r\n", {{'N', 5, "O2000"}}},
        {"SubprogramInheritsFromItsCaller", "O1000\r\nG90 G0 X0\r\nM30\r\nO2000\r\nX1\r\nM99\r\n", {}},
        {"G91InAShiftJisComment",
         "O1000\r\nG90 G0 X0\r\n" + sj("(ドリル G91)") + "\r\nM30\r\nO2000\r\nG0 X1\r\nM30\r\n",
         {{'N', 6, "O2000"}}},
        {"TrailByteLikeG",
         "O1000\r\nG90 G0 X0\r\n\x83\x47"
         "91\r\nM30\r\nO2000\r\nG0 X1\r\nM30\r\n",
         {{'N', 6, "O2000"}}},
        {"TrailByteLikeM",
         "G90 G0 X0\r\n\x83\x4d"
         "30\r\nG0 X1\r\n",
         {}},
        {"TrailByteLikeO",
         "O1000\r\nG90 G0 X0\r\nM30\r\n\x83\x4f"
         "1000\r\n",
         {}},
        {"ProgramNumberInAComment", "(O1000)\r\n( O1000 )\r\nO1000\r\nG90\r\nM30\r\n", {}},
        {"OWordsAreNoPrograms",
         "o100 sub\r\nG0 X1\r\no100 endsub\r\no100 call\r\nO100 if [#1 GT 2]\r\nO100 endif\r\no<tool> sub\r\n"
         "o<tool> endsub\r\nM2\r\n",
         {}},
        {"MacroJumpIsNoProgram", "O1000\r\nG90\r\nIF [#1 GT 2] GOTO1000\r\n  O1000\r\nM30\r\n", {{'W', 4, "O1000"}}},
        {"ProgramNumberFollowedByWords",
         "O1000 G90 G0 X0\r\nM30\r\nO2000(NAME)\r\nG0 X1\r\nM30\r\n",
         {{'N', 4, "O2000"}}},
        {"InchAndMillimetre", "O1\r\nG21 G90\r\nM30\r\nO2\r\nG90G20\r\nM30\r\nO3\r\nG21\r\nM30\r\n", {{'W', 5, "G20"}}},
        {"CutterCompensationLeftOn", "O1000\r\nG90 G41 D1 G1 X0\r\nM30\r\n", {{'W', 3, "G41"}}},
        {"CutterCompensationCancelled", "O1000\r\nG90 G42 D1 G1 X0\r\nG40 X1\r\nM30\r\n", {}},
        {"CycleLeftOn", "O1000\r\nG90 G81 Z-1 R1 F100\r\nX10\r\nM30\r\n", {{'W', 4, "G81"}}},
        {"CycleCancelledOnItsBlock", "O1000\r\nG90 G81 Z-1 R1 F100 G80\r\nM30\r\n", {}},
        {"CycleCancelledByMotion", "O1000\r\nG90 G83 Z-1 R1 Q1\r\nX10\r\nG0 Z10\r\nM30\r\n", {}},
        {"CycleLeftOnAtTheNextNumber", "O1000\r\nG90 G73 Z-1 R1\r\nO2000\r\nG90\r\nM30\r\n", {{'W', 2, "O1000"}}},
        {"CompensationLeftOnAtTheTextsEnd", "O1000\r\nG90 G41 X0", {{'W', 2, "O1000"}}},
        {"SubprogramCalls",
         "O1000\r\nG90\r\nM98 P2000\r\nM98 P3000 L2\r\nM98 P0052000\r\nM98P52000L2\r\nM98 P3000\r\nM30\r\n"
         "O2000\r\nX1\r\nM99\r\n",
         {{'N', 4, "P3000"}, {'N', 6, "O52000"}}},
        {"HugeNumbers",
         "G0000000001 X1 G99999999999\r\nO123456789012345678901234\r\nM98 P99999999999999999999999\r\n"
         "O123456789012345678901234\r\nG90\r\n",
         {}},
        {"BlanksInsideWords", "G90\r\nG0Z  0.1000\r\nM 2\r\nG 0 X  1\r\n", {{'W', 4, "M02"}}},
        {"LoneCrAndLf", "O1000\rG90 G0 X0\nM30\r\nG0 X1\r", {{'W', 4, "M30"}}},
        {"SemicolonComments", "G90 G0 X0 ; M30\r\nX1\r\nM30 ; G0 X1\r\n; G0 X1\r\nM5\r\n", {}},
        {"NamedParameterAndMacroAxis", "G90 G0 X0\r\nM30\r\n#<x1> = 5\r\nX#1\r\n", {{'W', 4, "M30"}}},
        {"LowerCase", "o1000\r\ng90 g0 x0\r\nm30\r\ng0 x1\r\n", {{'W', 4, "M30"}}},
        {"FileWithoutNumberBetweenNumberedFiles",
         "G21\r\nO1000\r\nG90 G0 X0\r\n(B)\r\nG0 X1\r\nO2000\r\nG90 G0 X2\r\nX3\r\n(D)\r\nM30\r\n",
         {{'N', 4, "O1000"}},
         {{1, "Front", false},
          {2, "A.NC", true},
          {4, "B.NC", true},
          {6, "C.NC", true},
          {9, "D.NC", true},
          {10, "End", false}}},
    };
    return table;
}

// Every row gives its findings, whether the text comes whole or in pieces of 1, 3 or 64 bytes.
TEST(ProgramCheck, TableOfRulesAndDialectTraps) {
    for (const Row& row : rows()) {
        const auto whole = check(row.text, row.segments, row.text.size() + 1);
        ASSERT_EQ(whole.size(), row.expected.size()) << row.name << "\n" << describe(whole);
        for (size_t k = 0; k < whole.size(); ++k) {
            const Expected& e = row.expected[k];
            EXPECT_EQ(whole[k].severity, e.severity == 'W' ? CheckSeverity::Warning : CheckSeverity::Notice)
                << row.name;
            EXPECT_EQ(whole[k].line, e.line) << row.name;
            EXPECT_NE(whole[k].text.find(sj(e.part)), std::string::npos) << row.name << "\n" << describe(whole);
        }
        for (const size_t piece : {1, 3, 64}) {
            EXPECT_TRUE(same(check(row.text, row.segments, piece), whole)) << row.name << " in pieces of " << piece;
        }
    }
}

TEST(ProgramCheck, LogLines) {
    const std::vector<CheckSegment> segments = {{1, sj("前部"), false}, {2, "O1001.NC", true}};
    const CheckFinding finding{CheckSeverity::Warning, 12345, 1, sj("O1000 が重複しています (2 回目)")};
    EXPECT_EQ(platform::cp932ToUtf8(checkLogLine(finding, segments)),
              "ﾁｪｯｸ 警告: 12,345行 O1001.NC: O1000 が重複しています (2 回目)");
    EXPECT_EQ(platform::cp932ToUtf8(checkLogLine({CheckSeverity::Notice, 7, kNoSegment, "x"}, segments)),
              "ﾁｪｯｸ 注意: 7行 x");
    EXPECT_EQ(platform::cp932ToUtf8(checkSummaryLine(0, 0)), "ﾁｪｯｸ: 問題はありません");
    EXPECT_EQ(platform::cp932ToUtf8(checkSummaryLine(1234, 1)), "ﾁｪｯｸ: 警告 1,234 件、注意 1 件");
}

std::string readHost(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text as the join saves it: "%" removed, every line ended by CR LF.
std::string asJoined(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        if (c == '\n') {
            out += "\r\n";
        } else if (c != '%') {
            out += c;
        }
    }
    return out;
}

// The shared real programs: none alone deserves a warning; joined, each M30/M02 stops the machine before
// the next file's first motion, and flower_mold's G20 meets the G21 of the files before it.
TEST(ProgramCheck, RealPrograms) {
    const std::string shared = test::sharedDataFolder();
    if (shared.empty() || !fs::is_directory(shared + "/realdata/camotics")) {
        GTEST_SKIP() << "the shared real data is not beside the repository";
    }
    const std::vector<std::pair<std::string, size_t>> files = {
        {"bear.nc", 0},  {"botomata_bottom.nc", 18}, {"cameo.nc", 4}, {"flower_mold.nc", 2},
        {"tiger.nc", 2}, {"vcarve.ngc", 7}};  // the line of each file's first motion
    std::string joined;
    std::vector<CheckSegment> segments;
    size_t line = 1;
    for (const auto& [name, firstMotion] : files) {
        const std::string text = asJoined(readHost(shared + "/realdata/camotics/" + name));
        const auto alone = check(text, {{1, name, true}}, 1 << 20);
        EXPECT_TRUE(alone.empty()) << name << "\n" << describe(alone);
        segments.push_back({line, name, true});
        line += static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
        joined += text;
    }
    size_t warnings = 0;
    const auto findings = check(joined, segments, 1 << 20, &warnings);
    ASSERT_EQ(findings.size(), 6U) << describe(findings);
    EXPECT_EQ(warnings, 6U);
    size_t next = 0;
    for (size_t k = 1; k < files.size(); ++k) {
        if (files[k].first == "flower_mold.nc") {
            EXPECT_EQ(findings[next].line, segments[k].firstLine);  // "G90G20M03S2000"
            EXPECT_NE(findings[next++].text.find("G20"), std::string::npos);
        }
        EXPECT_EQ(findings[next].line, segments[k].firstLine + files[k].second - 1) << files[k].first;
        EXPECT_EQ(findings[next].segment, k);
        EXPECT_NE(findings[next++].text.find(k == 2 ? "M02" : "M30"), std::string::npos);
    }
}

// Hostile texts: random bytes give the same findings in any pieces; a line of 100 MB and a program number
// of ten million digits pass; of a million findings all are counted and only the most allowed are kept.
TEST(ProgramCheck, HostileBytes) {
    std::mt19937 random(11);
    std::string bytes(1 << 18, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() % 3 == 0 ? "GMOX0:(\r\n\x83"[random() % 10] : random());
    }
    const auto whole = check(bytes, {}, bytes.size());
    for (const size_t piece : {1, 3, 64, 4096}) {
        EXPECT_TRUE(same(check(bytes, {}, piece), whole)) << "random bytes in pieces of " << piece;
    }
}

TEST(ProgramCheck, HostileLongLines) {
    std::string text = "O1000\r\nG90 G1 X0\r\n";
    while (text.size() < (size_t{100} << 20)) {
        text += "X1.5Y-2.25Z0.5A90.B-45.C0.U1V2W3X12.345Y-6.789Z0.5F1200S1000T1D1H1";
    }
    text += "\r\nO" + std::string(10'000'000, '7') + "\r\nM30\r\nG0 X1\r\n";
    const auto findings = check(text, {}, 1 << 20);
    ASSERT_EQ(findings.size(), 1U) << describe(findings);
    EXPECT_EQ(findings[0].line, 6U);
}

TEST(ProgramCheck, HostileMillionFindings) {
    std::string programs;
    for (int k = 0; k < 1'000'010; ++k) {
        programs += ":1\n";
    }
    size_t warnings = 0;
    const auto findings = check(programs, {}, 1 << 20, &warnings, 1000);
    EXPECT_EQ(warnings, 1'000'009U);
    EXPECT_EQ(findings.size(), 1000U);
}

}  // namespace
}  // namespace tarvelin::core
