#include "platform/files.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

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

#ifndef _WIN32

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

#else

// Windows hides an entry by its attribute, whatever its name.
TEST(Files, AFolderListsFilesFoldersAndTheirHiddenAttribute) {
    test::TempTree tree;
    tree.write("NC/A.NC", "x");
    tree.write("NC/SECRET.NC", "x");
    tree.makeFolder("NC/SUB");
    ASSERT_TRUE(::SetFileAttributesW(std::filesystem::path(tree.host("NC/SECRET.NC")).c_str(), FILE_ATTRIBUTE_HIDDEN));
    std::map<std::string, std::vector<bool>> kinds;  // name -> file, folder, hidden
    for (const auto& entry : listDirectory("C:\\NC")) {
        kinds[entry.name] = {entry.file, entry.folder, entry.hidden};
    }
    const std::map<std::string, std::vector<bool>> expected = {
        {"A.NC", {true, false, false}}, {"SECRET.NC", {true, false, true}}, {"SUB", {false, true, false}}};
    EXPECT_EQ(kinds, expected);
}

#endif

TEST(Files, ExistenceOfFilesAndFolders) {
    test::TempTree tree;
    tree.write("NC/A.NC", "x");
    EXPECT_TRUE(fileExists("C:\\NC\\A.NC"));
#ifndef _WIN32
    std::filesystem::create_symlink(tree.host("NC/A.NC"), tree.host("LINK.NC"));
    EXPECT_TRUE(fileExists("C:\\LINK.NC"));
#endif
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
#ifdef _WIN32
    // A device is no file: "NUL" names the null device in every folder.
    EXPECT_EQ(messageOf([] { readWholeFile("C:\\NUL"); }), "ファイル C:\\NUL は開けません");
    EXPECT_FALSE(fileExists("C:\\NUL"));
#else
    // Nothing but a regular file is read: a FIFO nobody writes to would block for ever, a device may never
    // end. Both are refused at once.
    ASSERT_EQ(::mkfifo(tree.host("FIFO.LST").c_str(), 0600), 0);
    EXPECT_EQ(messageOf([] { readWholeFile("C:\\FIFO.LST"); }), "ファイル C:\\FIFO.LST は開けません");
    EXPECT_EQ(messageOf([] { readWholeFile("Z:\\dev\\zero"); }), "ファイル Z:\\dev\\zero は開けません");
    EXPECT_TRUE(pathExists("C:\\FIFO.LST"));
    EXPECT_FALSE(fileExists("C:\\FIFO.LST"));
#endif
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
        // A later modification time than the open saw, on coarse clocks too.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::filesystem::path host(tree.host("A.NC"));
        if (cutShort) {
            std::filesystem::resize_file(host, 2);
        } else {
            std::ofstream(host, std::ios::in | std::ios::binary) << "O2";
        }
        EXPECT_TRUE(file.changed()) << (cutShort ? "cut short" : "written to");
    }
}

TEST(Files, IdentitySeesThroughLinksAndDots) {
    test::TempTree tree;
    tree.write("NC/A.NC", "x");
    tree.write("NC/B.NC", "x");
#ifdef _WIN32
    // Names that differ in case name one file.
    ASSERT_TRUE(fileIdentity("C:\\nc\\a.nc"));
    EXPECT_EQ(fileIdentity("C:\\NC\\A.NC"), fileIdentity("C:\\nc\\a.nc"));
    EXPECT_EQ(fileIdentity("C:\\NC\\A.NC"), fileIdentity("C:/NC/./A.NC"));
#else
    std::filesystem::create_symlink(tree.host("NC/A.NC"), tree.host("LINK.NC"));
    EXPECT_EQ(fileIdentity("C:\\NC\\A.NC"), fileIdentity("C:\\LINK.NC"));
    EXPECT_EQ(fileIdentity("C:\\NC\\A.NC"), fileIdentity(tree.host("NC/./A.NC")));
#endif
    EXPECT_NE(fileIdentity("C:\\NC\\A.NC"), fileIdentity("C:\\NC\\B.NC"));
    EXPECT_EQ(fileIdentity("C:\\NONE"), std::nullopt);
}

}  // namespace
}  // namespace tarvelin::platform
