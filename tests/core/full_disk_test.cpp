// Every writer of the program on a full disk: the save fails with its message (or reports failure), the
// earlier file stays whole, and nothing is rewritten in place because the disk is full.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <sys/mount.h>

#include <gtest/gtest.h>

#include "core/front_end_data.h"
#include "core/join_run.h"
#include "core/list_file.h"
#include "core/settings.h"
#include "platform/codepage.h"
#include "platform/desktop_launcher.h"
#include "platform/file_error.h"
#include "platform/screensaver.h"

#include "support/recording_host.h"
#include "support/temp_tree.h"

namespace tarvelin::core {
namespace {

class NoScreenSaver final : public platform::ScreenSaver {
public:
    void setActive(bool) override {}
};

// A small file system of its own below the tree, filled to the last byte after the earlier files are
// written. Needs the right to mount (CI runs as root); skips otherwise.
class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.makeFolder("DISK");
        if (::mount("tmpfs", tree.host("DISK").c_str(), "tmpfs", 0, "size=256k") != 0) {
            GTEST_SKIP() << "cannot mount a small file system here (needs root): " << std::strerror(errno);
        }
        mounted = true;
    }
    void TearDown() override {
        if (mounted) {
            ::umount2(tree.host("DISK").c_str(), MNT_DETACH);
        }
    }
    void fillDisk() const {
        std::ofstream filler(tree.host("DISK/FILLER"), std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }
    std::string messageOf(const std::function<void()>& save) const {
        try {
            save();
        } catch (const platform::FileError& e) {
            return platform::cp932ToUtf8(e.message());
        }
        return "no error";
    }

    test::TempTree tree;
    bool mounted = false;
};

TEST_F(FullDiskTest, EveryWriterFailsWithItsMessageAndKeepsTheEarlierFile) {
    // Earlier files as large as their new content, so that an in-place rewrite would fit where they are.
    const std::string earlierSettings = "[Main]\r\nDirPath=" + std::string(4000, 'D') + "\r\n";
    const std::string program = "O1\r\nG01 X1.\r\n" + std::string(8000, 'X') + "\r\n";
    const std::string earlier[] = {"DISK/OUT.NC", "DISK/Tarvelin.INI", "DISK/JOB.LST", "DISK/Front.txt",
                                   "DISK/launcher.desktop"};
    for (const auto& name : earlier) {
        tree.write(name, name == "DISK/Tarvelin.INI" ? earlierSettings : std::string(9000, 'e'));
    }
    tree.write("A.NC", program);
    fillDisk();

    test::RecordingHost host;
    host.outputPath = "C:\\DISK\\OUT.NC";
    NoScreenSaver screenSaver;
    JoinRun run(host, screenSaver);
    std::string folder;
    EXPECT_EQ(messageOf([&] { run.run({"C:\\A.NC"}, JoinOptions{}, folder); }),
              "ファイル C:\\DISK\\OUT.NC を作成できません");
    Settings settings;
    settings.Main.DirPath = "C:\\" + std::string(3990, 'N');
    EXPECT_EQ(messageOf([&] { SaveSettings("C:\\DISK\\Tarvelin.INI", settings, {}); }),
              "C:\\DISK\\Tarvelin.INI に書き込めません");
    EXPECT_EQ(messageOf([&] { writeListFile("C:\\DISK\\JOB.LST", {"C:\\" + std::string(8000, 'L')}); }),
              "ファイル C:\\DISK\\JOB.LST を作成できません");
    EXPECT_EQ(messageOf([&] { saveFrontEndData("C:\\DISK", "Front.txt", std::string(8000, 'F')); }),
              "ファイル C:\\DISK\\Front.txt を作成できません");
    EXPECT_FALSE(platform::writeDesktopLauncher(tree.host("DISK"), "launcher.desktop",
                                                {std::string(8000, 'n'), "/bin/true", "/", "icon.png"}));

    for (const auto& name : earlier) {
        SCOPED_TRACE(name);
        EXPECT_EQ(tree.read(name), name == "DISK/Tarvelin.INI" ? earlierSettings : std::string(9000, 'e'));
    }
}

}  // namespace
}  // namespace tarvelin::core
