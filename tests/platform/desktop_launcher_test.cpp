#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

#include <gtest/gtest.h>

#include "platform/posix/desktop_entry.h"

#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

namespace fs = std::filesystem;

Launcher launcherFor(const std::string& target) {
    return {"NCﾃﾞｰﾀ結合", target, workingFolderOf(target), workingFolderOf(target) + "/tarvelin.png"};
}

TEST(WorkingFolderOf, TheProgramsFolderAndTheRootWithItsSlash) {
    EXPECT_EQ(workingFolderOf("/opt/nc/tarvelin"), "/opt/nc");
    EXPECT_EQ(workingFolderOf("/home/op/bin/tarvelin"), "/home/op/bin");
    EXPECT_EQ(workingFolderOf("/tarvelin"), "/");
}

TEST(DesktopEntryText, StartsTheProgramInItsFolderWithItsIcon) {
    EXPECT_EQ(desktopEntryText(launcherFor("/opt/nc/tarvelin")),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Version=1.0\n"
              "Name=NCﾃﾞｰﾀ結合\n"
              "Exec=\"/opt/nc/tarvelin\"\n"
              "Path=/opt/nc\n"
              "Icon=/opt/nc/tarvelin.png\n"
              "Terminal=false\n");
}

TEST(DesktopEntryText, QuotesAndEscapesWhatTheFormatReserves) {
    const std::string text = desktopEntryText(launcherFor("/home/op/NC tools/$x \"a\" 100%\\b`c"));
    // Quoting escapes " ` $ \ with a backslash and doubles %; the value's own escaping then doubles every
    // backslash. A path with "%" is started through /bin/sh (GLib looks for the program before it expands
    // "%%").
    EXPECT_NE(text.find("Exec=/bin/sh -c \"exec \\\\\"\\\\$0\\\\\"\" \"/home/op/NC tools/\\\\$x \\\\\"a\\\\\" "
                        "100%%\\\\\\\\b\\\\`c\"\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Path=/home/op/NC tools\n"), std::string::npos) << text;
    const std::string broken = desktopEntryText({"a\nb", "/x", "/", "/i\tj"});
    EXPECT_NE(broken.find("Name=a\\nb\n"), std::string::npos);
    EXPECT_NE(broken.find("Icon=/i\\tj\n"), std::string::npos);
}

TEST(WriteDesktopLauncher, WrittenTwiceLeavesOneExecutableLauncher) {
    test::TempTree tree;
    const std::string folder = tree.host("Desktop");
    fs::create_directories(folder);
    ASSERT_TRUE(writeDesktopLauncher(folder, "NCﾃﾞｰﾀ結合.desktop", launcherFor("/old/tarvelin")));
    ASSERT_TRUE(writeDesktopLauncher(folder + "/", "NCﾃﾞｰﾀ結合.desktop", launcherFor("/new/tarvelin")));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    ASSERT_EQ(names, std::vector<std::string>{"NCﾃﾞｰﾀ結合.desktop"});
    EXPECT_EQ(tree.read("Desktop/NCﾃﾞｰﾀ結合.desktop"), desktopEntryText(launcherFor("/new/tarvelin")));
    struct stat st {};
    ASSERT_EQ(::stat((folder + "/NCﾃﾞｰﾀ結合.desktop").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
}

TEST(WriteDesktopLauncher, RefusesWhatCannotBeWrittenAndLeavesNothing) {
    test::TempTree tree;
    EXPECT_FALSE(writeDesktopLauncher("", "a.desktop", launcherFor("/x/y")));
    EXPECT_FALSE(writeDesktopLauncher("relative", "a.desktop", launcherFor("/x/y")));
    EXPECT_FALSE(writeDesktopLauncher(tree.host("missing"), "a.desktop", launcherFor("/x/y")));
    // A name that would not fit in a host path is not written, not cut.
    EXPECT_FALSE(writeDesktopLauncher(tree.root(), std::string(5000, 'n') + ".desktop", launcherFor("/x/y")));
    // A folder where the launcher should go is not replaced.
    fs::create_directories(tree.host("taken.desktop"));
    EXPECT_FALSE(writeDesktopLauncher(tree.root(), "taken.desktop", launcherFor("/x/y")));
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(tree.root())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);  // the folder "taken.desktop" only
}

// Opens a launcher the way a desktop does (GLib's launcher, as GNOME and most file managers use) and
// checks that it starts its program in its folder. The target is a script in a folder whose name holds
// every character that the Exec line must quote or escape: space, quotes, "$", "%", "`" and a backslash.
TEST(WriteDesktopLauncher, ADesktopStartsTheProgramInItsFolder) {
    if (std::system("command -v gio >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "gio (libglib2.0-bin) is not installed";
    }
    test::TempTree tree;
    const std::string name = "NC tools $1 %f 50% \"q\" 'a' `b` c\\d";
    const std::string folder = tree.host(name);
    fs::create_directories(folder);
    const std::string program = folder + "/start me";
    {
        std::ofstream script(program);
        script << "#!/bin/sh\npwd > started\n";
    }
    fs::permissions(program, fs::perms::owner_all);
    ASSERT_TRUE(writeDesktopLauncher(tree.root(), "NCﾃﾞｰﾀ結合.desktop", launcherFor(program)));
    const std::string command = "gio launch '" + tree.host("NCﾃﾞｰﾀ結合.desktop") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const fs::path started = fs::path(folder) / "started";
    for (int i = 0; i < 100 && !fs::exists(started); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(fs::exists(started));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the script's one line written
    EXPECT_EQ(tree.read(name + "/started"), folder + "\n");
}

}  // namespace
}  // namespace tarvelin::platform
