#include "platform/files.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/directory.h"
#include "platform/file_error.h"

#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const FileError& e) {
        return cp932ToUtf8(e.message());
    }
    return "no error";
}

TEST(Files, AFolderListsFilesFoldersAndNeither) {
    test::TempTree tree;
    tree.write("NC/A.NC", "x");
    tree.makeFolder("NC/SUB");
    namespace fs = std::filesystem;
    fs::create_symlink(tree.host("NC/A.NC"), tree.host("NC/LINK.NC"));
    fs::create_symlink(tree.host("NC/SUB"), tree.host("NC/SUBLINK"));
    fs::create_symlink(tree.host("NC/GONE.NC"), tree.host("NC/DANGLING.NC"));
    fs::create_symlink("/dev/null", tree.host("NC/DEVICE.NC"));
    ASSERT_EQ(::mkfifo(tree.host("NC/FIFO.NC").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = tree.host("NC/SOCKET.NC");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(sock);

    std::map<std::string, std::pair<bool, bool>> kinds;  // name -> (file, folder)
    for (const auto& entry : listDirectory("C:\\NC")) {
        kinds[entry.name] = {entry.file, entry.folder};
    }
    const std::map<std::string, std::pair<bool, bool>> expected = {
        {"A.NC", {true, false}},     {"LINK.NC", {true, false}},      {"SUB", {false, true}},
        {"SUBLINK", {false, true}},  {"DANGLING.NC", {false, false}}, {"DEVICE.NC", {false, false}},
        {"FIFO.NC", {false, false}}, {"SOCKET.NC", {false, false}},
    };
    EXPECT_EQ(kinds, expected);
}

TEST(Files, ExistenceOfFilesAndFolders) {
    test::TempTree tree;
    tree.write("NC/A.NC", "x");
    std::filesystem::create_symlink(tree.host("NC/A.NC"), tree.host("LINK.NC"));
    EXPECT_TRUE(fileExists("C:\\NC\\A.NC"));
    EXPECT_TRUE(fileExists("C:\\LINK.NC"));
    EXPECT_FALSE(fileExists("C:\\NC"));  // a folder is not a file
    EXPECT_FALSE(fileExists("C:\\NC\\B.NC"));
    EXPECT_FALSE(fileExists("Q:\\NC\\A.NC"));
    EXPECT_TRUE(directoryExists("C:\\NC"));
    EXPECT_TRUE(directoryExists("C:\\"));
    EXPECT_FALSE(directoryExists("C:\\NC\\A.NC"));
}

TEST(Files, ReadingAndItsMessages) {
    test::TempTree tree;
    tree.write("A.NC", std::string("O1\0\r\n", 5));
    EXPECT_EQ(readWholeFile("C:\\A.NC"), std::string("O1\0\r\n", 5));
    EXPECT_EQ(messageOf([] { readWholeFile("C:\\NONE.NC"); }), "ファイル C:\\NONE.NC は開けません");
    EXPECT_EQ(messageOf([] { readWholeFile("Q:\\A.NC"); }), "ファイル Q:\\A.NC は開けません");
    // Nothing but a regular file is read: a FIFO nobody writes to would block for ever, a device may never
    // end. Both are refused at once.
    ASSERT_EQ(::mkfifo(tree.host("FIFO.LST").c_str(), 0600), 0);
    EXPECT_EQ(messageOf([] { readWholeFile("C:\\FIFO.LST"); }), "ファイル C:\\FIFO.LST は開けません");
    EXPECT_EQ(messageOf([] { readWholeFile("Z:\\dev\\zero"); }), "ファイル Z:\\dev\\zero は開けません");
    EXPECT_TRUE(pathExists("C:\\FIFO.LST"));
    EXPECT_FALSE(fileExists("C:\\FIFO.LST"));
}

// Another program writing to an open file, or cutting it short, is told, so that a join never passes off
// a mix of old and new content as the file's.
TEST(Files, AnOpenFileTellsThatAnotherProgramChangedIt) {
    test::TempTree tree;
    for (const bool cutShort : {false, true}) {
        tree.write("A.NC", "O1\r\nM30\r\n");
        OpenFile file = OpenFile::forReading("C:\\A.NC");
        char first[4];
        ASSERT_EQ(file.read(first, sizeof first), sizeof first);
        EXPECT_FALSE(file.changed());
        ::usleep(10000);  // a later modification time than the open saw, on coarse clocks too
        if (cutShort) {
            ASSERT_EQ(::truncate(tree.host("A.NC").c_str(), 2), 0);
        } else {
            std::ofstream(tree.host("A.NC"), std::ios::in | std::ios::binary) << "O2";
        }
        EXPECT_TRUE(file.changed()) << (cutShort ? "cut short" : "written to");
    }
}

TEST(Files, IdentitySeesThroughLinksAndDots) {
    test::TempTree tree;
    tree.write("NC/A.NC", "x");
    tree.write("NC/B.NC", "x");
    std::filesystem::create_symlink(tree.host("NC/A.NC"), tree.host("LINK.NC"));
    EXPECT_EQ(fileIdentity("C:\\NC\\A.NC"), fileIdentity("C:\\LINK.NC"));
    EXPECT_EQ(fileIdentity("C:\\NC\\A.NC"), fileIdentity(tree.host("NC/./A.NC")));
    EXPECT_NE(fileIdentity("C:\\NC\\A.NC"), fileIdentity("C:\\NC\\B.NC"));
    EXPECT_EQ(fileIdentity("C:\\NONE"), std::nullopt);
}

}  // namespace
}  // namespace tarvelin::platform
