#include "core/settings.h"

#include <filesystem>
#include <random>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/file_error.h"
#include "platform/private_profile.h"

#include "support/system_services.h"
#include "support/temp_tree.h"

namespace tarvelin::core {
namespace {

using platform::utf8ToCp932;

constexpr const char* kPath = "C:\\Tarvelin.INI";

TEST(Settings, FirstStartTakesTheDefaultsAndWritesTheFileInItsOrder) {
    test::TempTree tree;
    const LoadedSettings loaded = LoadSettings(kPath);
    EXPECT_EQ(loaded.mainWindow.Left, 10);
    EXPECT_EQ(loaded.mainWindow.Top, 10);
    EXPECT_EQ(loaded.settings.Main.Drive, 1);
    EXPECT_EQ(loaded.settings.Main.Mask, 1);
    EXPECT_EQ(loaded.settings.Options.OP1, op1Of(PercentMode::FrontAndBack));
    EXPECT_EQ(loaded.settings.Setting.User1_Name, utf8ToCp932("ﾕｰｻﾞ1"));
    EXPECT_FALSE(tree.exists("Tarvelin.INI"));

    SaveSettings(kPath, loaded.settings, loaded.mainWindow);
    EXPECT_EQ(tree.read("Tarvelin.INI"),
              utf8ToCp932("[Main]\r\nTop=10\r\nLeft=10\r\nDrive=1\r\nDirPath=C:\r\nMask=1\r\nListPath=C:\r\n"
                          "ChgPath=C:\r\n[View]\r\nLeft=10\r\nTop=10\r\nWidth=500\r\nHeight=510\r\nFontSize=10\r\n"
                          "[Options]\r\nOP1=1\r\n[Setting]\r\nMask_No=0\r\nUser1_Name=ﾕｰｻﾞ1\r\nUser1_Mask=*.*\r\n"
                          "User2_Name=ﾕｰｻﾞ2\r\nUser2_Mask=*.*\r\n[Edit]\r\nDelChar1=\r\nDelChar2=\r\nDelChar3=\r\n"
                          "ChgChar1=\r\nChgChar2=\r\nChgChar3=\r\n"));
}

TEST(Settings, EveryFieldSurvivesASaveAndALoad) {
    test::TempTree tree;
    Settings s;
    s.Main = {3, utf8ToCp932("D:\\加工\\JOB"), 4, "C:\\LIST", "C:\\"};
    s.View = {40, 50, 620, 510, 14};
    s.Options = {op1Of(PercentMode::BackOnly), 1};
    s.Setting = {2, utf8ToCp932("穴あけ"), "*.TAP", "CAM", "*.NC1;*.NC2"};
    s.Edit = {"G91", "M30", utf8ToCp932("（"), "G90", "", "("};
    SaveSettings(kPath, s, {-20, 700});
    const LoadedSettings loaded = LoadSettings(kPath);
    EXPECT_EQ(loaded.mainWindow.Left, -20);
    EXPECT_EQ(loaded.mainWindow.Top, 700);
    EXPECT_EQ(loaded.settings.Options.JoinCheck, 1);
    SaveSettings("C:\\AGAIN.INI", loaded.settings, loaded.mainWindow);
    EXPECT_EQ(tree.read("AGAIN.INI"), tree.read("Tarvelin.INI"));
    // The join check's key is in the file only while the check is on.
    EXPECT_NE(tree.read("Tarvelin.INI").find("[Options]\r\nOP1=3\r\nJoinCheck=1\r\n"), std::string::npos);
    s.Options.JoinCheck = 0;
    SaveSettings(kPath, s, {});
    EXPECT_NE(tree.read("Tarvelin.INI").find("[Options]\r\nOP1=3\r\n[Setting]"), std::string::npos);
}

TEST(Settings, IntegersAreDecimalOrHexAndAnythingElseGivesTheDefault) {
    test::TempTree tree;
    const std::vector<std::pair<std::string, int>> cases = {{"abc", 1},         {"0x3", 3},
                                                            {"0X1f", 31},       {"0x", 1},
                                                            {"7", 7},           {"-5", -5},
                                                            {"+4", 4},          {"  42  ", 42},
                                                            {"12abc", 1},       {"", 1},
                                                            {"\"3\"", 3},       {"0xFFFFFFFF", -1},
                                                            {"0x100000000", 1}, {"2147483647", 2147483647},
                                                            {"2147483648", 1},  {"-2147483648", -2147483647 - 1},
                                                            {"3.5", 1},         {"0x1G", 1}};
    for (const auto& [text, expected] : cases) {
        tree.write("Tarvelin.INI", "[Options]\r\nOP1=" + text + "\r\n");
        EXPECT_EQ(LoadSettings(kPath).settings.Options.OP1, expected) << text;
    }
}

TEST(Settings, BlanksAndQuotesAreDroppedAtTheNextStart) {
    test::TempTree tree;
    Settings s;
    s.Edit.ChgChar1 = "  G90  ";
    s.Edit.DelChar2 = "\"G91 \"";
    SaveSettings(kPath, s, {});
    const Settings loaded = LoadSettings(kPath).settings;
    EXPECT_EQ(loaded.Edit.ChgChar1, "G90");
    EXPECT_EQ(loaded.Edit.DelChar2, "G91 ");
}

TEST(Settings, HeightIsReadButAlwaysWrittenAs510) {
    test::TempTree tree;
    tree.write("Tarvelin.INI", "[View]\r\nHeight=300\r\n");
    LoadedSettings loaded = LoadSettings(kPath);
    EXPECT_EQ(loaded.settings.View.Height, 300);
    SaveSettings(kPath, loaded.settings, loaded.mainWindow);
    EXPECT_EQ(platform::readProfileString(kPath, "View", "Height", ""), "510");
}

// The lines of a file as a save leaves them: Wine's private-profile service writes the file anew without its
// blank lines.
std::string asSaved(const std::string& lines) {
    if (!test::servicesAreWines()) {
        return lines;
    }
    std::string kept;
    for (size_t at = 0; at < lines.size();) {
        const size_t end = lines.find("\r\n", at) + 2;
        kept += end - at > 2 ? lines.substr(at, end - at) : "";
        at = end;
    }
    return kept;
}

TEST(Settings, HandEditedFileKeepsItsOtherLinesAndOrder) {
    test::TempTree tree;
    const std::string before =
        "; Tarvelin settings, edited by hand\r\n"
        "[Drives]\r\n"
        "A=/media/floppy\r\n"
        "\r\n"
        "[View]\r\n"
        "FontSize = 14 ; bigger for the old monitor\r\n"
        "Width=620\r\n"
        "\r\n"
        "[Main]\r\n"
        "DirPath=C:\\NC\r\n"
        "Left=5\r\n";
    tree.write("Tarvelin.INI", before);
    LoadedSettings loaded = LoadSettings(kPath);
    EXPECT_EQ(loaded.settings.View.FontSize, 10);  // "14 ; bigger..." does not convert
    loaded.settings.View.FontSize = 14;
    SaveSettings(kPath, loaded.settings, loaded.mainWindow);
    const std::string after = tree.read("Tarvelin.INI");
    EXPECT_EQ(after.substr(0, after.find("[Main]")), asSaved("; Tarvelin settings, edited by hand\r\n"
                                                             "[Drives]\r\n"
                                                             "A=/media/floppy\r\n"
                                                             "\r\n"
                                                             "[View]\r\n"
                                                             "FontSize=14\r\n"
                                                             "Width=620\r\n"
                                                             "Left=10\r\n"
                                                             "Top=10\r\n"
                                                             "Height=510\r\n"
                                                             "\r\n"));
    EXPECT_TRUE(after.substr(after.find("[Main]"))
                    .starts_with("[Main]\r\nDirPath=C:\\NC\r\nLeft=5\r\nTop=10\r\nDrive=1\r\nMask=1\r\n"))
        << after;
}

TEST(Settings, ReadOnlyFileIsReadButNotWritten) {
    test::TempTree tree;
    tree.write("Tarvelin.INI", "[Options]\r\nOP1=3\r\n");
    const auto refusedWithItsMessage = [] {
        try {
            SaveSettings(kPath, LoadSettings(kPath).settings, {});
        } catch (const platform::FileError& e) {
            return platform::cp932ToUtf8(e.message()) == "C:\\Tarvelin.INI に書き込めません";
        }
        return false;
    };
#ifdef _WIN32
    const std::wstring file = std::filesystem::path(tree.host("Tarvelin.INI")).wstring();
    ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(LoadSettings(kPath).settings.Options.OP1, op1Of(PercentMode::BackOnly));
    EXPECT_TRUE(refusedWithItsMessage());
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
#else
    ::chmod(tree.host("Tarvelin.INI").c_str(), 0444);
    EXPECT_EQ(LoadSettings(kPath).settings.Options.OP1, op1Of(PercentMode::BackOnly));
    EXPECT_TRUE(test::asUnprivilegedUser(tree, refusedWithItsMessage));
#endif
    EXPECT_EQ(tree.read("Tarvelin.INI"), "[Options]\r\nOP1=3\r\n");
}

TEST(SettingsFilePath, ReplacesTheExtensionOfTheProgramFile) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\NC\\Tarvelin.exe", "C:\\NC\\Tarvelin.INI"},
        {"Z:\\opt\\tarvelin\\bin\\tarvelin", "Z:\\opt\\tarvelin\\bin\\tarvelin.INI"},
        {"C:\\my.dir\\prog", "C:\\my.dir\\prog.INI"},
        {"C:\\a.b.exe", "C:\\a.b.INI"},
        {"/opt/bin/tarvelin", "/opt/bin/tarvelin.INI"},
        {utf8ToCp932("C:\\表\\結合.exe"), utf8ToCp932("C:\\表\\結合.INI")},
    };
    for (const auto& [program, settings] : cases) {
        EXPECT_EQ(settingsFilePath(program), settings);
    }
}

TEST(DriveOverrides, ComeFromTheDrivesSection) {
    test::TempTree tree;
    tree.write("Tarvelin.INI", "[Drives]\r\nC=/srv/nc\r\na = /media/floppy\r\nZ=\r\nBad=x\r\n;D=/mnt\r\n");
    const auto drives = loadDriveOverrides(kPath);
    EXPECT_EQ(drives, (std::map<char, std::string>{{'A', "/media/floppy"}, {'C', "/srv/nc"}, {'Z', ""}}));
    EXPECT_TRUE(loadDriveOverrides("C:\\NONE.INI").empty());
}

#ifndef _WIN32

// Killing the program while it saves must leave a settings file that is whole: every key holds the value
// of the save before or of the save under way, never a cut line or a missing key.
TEST(Settings, KillingASaveLeavesAWholeFile) {
    test::TempTree tree;
    Settings a;
    Settings b;
    b.Main.DirPath = "C:\\" + std::string(300, 'B');
    b.View.Left = 77;
    b.Setting.User1_Mask = std::string(500, 'b');
    b.Edit.DelChar3 = std::string(900, 'X');
    SaveSettings(kPath, a, {});
    std::mt19937 random(5);
    int mixed = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                SaveSettings(kPath, b, {});
                SaveSettings(kPath, a, {});
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 20000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::string bytes = tree.read("Tarvelin.INI");
        ASSERT_TRUE(bytes.size() > 2 && bytes.substr(bytes.size() - 2) == "\r\n") << "cut short";
        const platform::Profile profile(bytes);
        ASSERT_EQ(profile.sectionNames(), (std::vector<std::string>{"Main", "View", "Options", "Setting", "Edit"}));
        const Settings s = LoadSettings(kPath).settings;
        ASSERT_TRUE(s.Main.DirPath == a.Main.DirPath || s.Main.DirPath == b.Main.DirPath);
        ASSERT_TRUE(s.View.Left == a.View.Left || s.View.Left == b.View.Left);
        ASSERT_TRUE(s.Setting.User1_Mask == a.Setting.User1_Mask || s.Setting.User1_Mask == b.Setting.User1_Mask);
        ASSERT_TRUE(s.Edit.DelChar3 == a.Edit.DelChar3 || s.Edit.DelChar3 == b.Edit.DelChar3);
        const bool fromA = s.Main.DirPath == a.Main.DirPath;
        mixed += (fromA != (s.Edit.DelChar3 == a.Edit.DelChar3)) ? 1 : 0;
    }
    // Stray files of an interrupted write: at most the one that the next write takes over.
    int others = 0;
    for (const auto& entry : std::filesystem::directory_iterator(tree.root())) {
        others += entry.path().filename() != "Tarvelin.INI" ? 1 : 0;
    }
    EXPECT_LE(others, 1);
    EXPECT_EQ(mixed, 0) << "saves killed between two keys of one save";
}

#endif

}  // namespace
}  // namespace tarvelin::core
