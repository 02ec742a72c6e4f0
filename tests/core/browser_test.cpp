#include "core/browser.h"

#include <deque>

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

// A browser without windows: the drive list and folders are given, every call is recorded.
class FakeBrowser : public BrowserHost {
public:
    std::vector<std::string> drives;
    std::vector<std::string> folders;  // folders that exist
    std::deque<bool> probes;           // answers of the probe of drive A:, in order (then false)
    std::deque<bool> answers;          // answers to the floppy question (then Cancel)
    std::vector<std::string> calls;
    int selectedDrive = -1;
    std::string directory;

    std::vector<std::string> driveEntries() const override { return drives; }
    void selectDrive(int index) override {
        selectedDrive = index;
        calls.push_back("select " + std::to_string(index));
    }
    void setDirectory(std::string_view path) override {
        directory = std::string(path);
        calls.push_back("directory " + directory);
    }
    bool directoryExists(std::string_view path) const override {
        return std::find(folders.begin(), folders.end(), path) != folders.end();
    }
    bool probeDriveA() override {
        calls.emplace_back("probe");
        return next(probes);
    }
    bool askFloppyQuestion(std::string_view) override {
        calls.emplace_back("question");
        return next(answers);
    }

private:
    static bool next(std::deque<bool>& queue) {
        if (queue.empty()) {
            return false;
        }
        const bool value = queue.front();
        queue.pop_front();
        return value;
    }
};

using Calls = std::vector<std::string>;

TEST(RestoreBrowser, FirstStartOnAMachineWithDriveA) {
    FakeBrowser browser;
    browser.drives = {"a:", "c: [op]", "d: [data]"};
    Settings::MainKeys main;  // Drive 1, DirPath "C:"
    browser.folders = {"C:"};
    RestoreBrowser(browser, main);
    EXPECT_EQ(browser.calls, (Calls{"probe", "select 1", "directory C:"}));
    EXPECT_EQ(main.Drive, 1);
}

TEST(RestoreBrowser, FirstStartWithoutDriveAFallsBackToC) {
    FakeBrowser browser;
    browser.drives = {"c: [op]", "d: [data]"};
    Settings::MainKeys main;
    RestoreBrowser(browser, main);
    EXPECT_EQ(browser.calls, (Calls{"probe", "directory c:", "select 0"}));
    EXPECT_EQ(main.Drive, 0);
    EXPECT_EQ(main.DirPath, "C:");
}

TEST(RestoreBrowser, SavedFolderThatIsGoneOpensTheDrivesCurrentFolder) {
    FakeBrowser browser;
    browser.drives = {"c: [op]", "d: [data]"};
    Settings::MainKeys main;
    main.Drive = 1;
    main.DirPath = "D:\\OLD\\JOB";
    RestoreBrowser(browser, main);
    EXPECT_EQ(browser.calls, (Calls{"probe", "select 1", "directory d:"}));
}

struct FloppyCase {
    const char* name;
    std::deque<bool> probes;
    std::deque<bool> answers;
    Calls calls;
    std::string dirPath;
};

TEST(RestoreBrowser, SavedFolderOnAnEmptyDriveAAsksOnce) {
    const std::vector<FloppyCase> cases = {
        // OK with the disk still missing: drive C:.
        {"ok, still empty",
         {false, false},
         {true},
         {"probe", "question", "probe", "directory C:", "select 1", "select 1", "directory C:"},
         "C:"},
        // OK after the disk went in: drive A: stays.
        {"ok, inserted",
         {false, true},
         {true},
         {"probe", "question", "probe", "select 0", "directory A:\\JOB"},
         "A:\\JOB"},
        // Cancel: drive C: without a second probe.
        {"cancel",
         {false},
         {false},
         {"probe", "question", "directory C:", "select 1", "select 1", "directory C:"},
         "C:"},
        // A disk in the drive: no question.
        {"disk in", {true}, {}, {"probe", "select 0", "directory A:\\JOB"}, "A:\\JOB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeBrowser browser;
        browser.drives = {"a:", "c: [op]"};
        browser.folders = {"A:\\JOB", "C:"};
        browser.probes = c.probes;
        browser.answers = c.answers;
        Settings::MainKeys main;
        main.Drive = 0;
        main.DirPath = "A:\\JOB";
        RestoreBrowser(browser, main);
        EXPECT_EQ(browser.calls, c.calls);
        EXPECT_EQ(main.DirPath, c.dirPath);
    }
}

TEST(DriveComboBox1Click, ProbesAOnEveryPickAndAsksOnlyForAnEmptyA) {
    FakeBrowser browser;
    browser.drives = {"a:", "c: [op]", "d: [data]"};
    Settings::MainKeys main;
    DriveComboBox1Click(browser, 2, main);  // D: while A: is empty
    EXPECT_EQ(browser.calls, (Calls{"probe"}));

    browser.calls.clear();
    DriveComboBox1Click(browser, 0, main);  // A:, empty, Cancel
    EXPECT_EQ(browser.calls, (Calls{"probe", "question", "directory C:", "select 1"}));
    EXPECT_EQ(main.Drive, 1);

    browser.calls.clear();
    browser.probes = {true};
    DriveComboBox1Click(browser, 0, main);  // A: with a disk
    EXPECT_EQ(browser.calls, (Calls{"probe"}));
}

TEST(FallBackToDriveC, WithoutADriveCTheSelectionStays) {
    FakeBrowser browser;
    browser.drives = {"d: [data]"};
    Settings::MainKeys main;
    main.Drive = 0;
    main.DirPath = "A:";
    FallBackToDriveC(browser, main);
    EXPECT_EQ(browser.calls, (Calls{"directory C:"}));
    EXPECT_EQ(main.Drive, 0);
    EXPECT_EQ(main.DirPath, "C:");
}

}  // namespace
}  // namespace tarvelin::core
