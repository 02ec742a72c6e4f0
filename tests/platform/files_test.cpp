#include "platform/files.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/codepage.h"
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

TEST(Files, ReadWriteAndTheirMessages) {
    test::TempTree tree;
    writeWholeFile("C:\\A.NC", std::string("O1\0\r\n", 5));
    EXPECT_EQ(readWholeFile("C:\\A.NC"), std::string("O1\0\r\n", 5));
    createEmptyFile("C:\\A.NC");
    EXPECT_EQ(readWholeFile("C:\\A.NC"), "");

    EXPECT_EQ(messageOf([] { readWholeFile("C:\\NONE.NC"); }), "ファイル C:\\NONE.NC は開けません");
    EXPECT_EQ(messageOf([] { createEmptyFile("C:\\NO\\A.NC"); }), "ファイル C:\\NO\\A.NC を作成できません");
    EXPECT_EQ(messageOf([] { writeWholeFile("Q:\\A.NC", "x"); }), "ファイル Q:\\A.NC を作成できません");
    EXPECT_EQ(messageOf([] { OpenFile::forAppending("C:\\NONE.NC"); }), "ファイル C:\\NONE.NC は開けません");
}

TEST(Files, AppendingWritesAtTheEnd) {
    test::TempTree tree;
    tree.write("OUT.NC", "A\r\n");
    auto file = OpenFile::forAppending("C:\\OUT.NC");
    file.write("B\r\n");
    file.close();
    EXPECT_EQ(tree.read("OUT.NC"), "A\r\nB\r\n");
}

TEST(Files, WriteFailureIsReported) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    EXPECT_EQ(messageOf([] { writeWholeFile("/dev/full", "x"); }), "/dev/full に書き込めません");
}

TEST(Files, ReplaceFileContentsLeavesNoTemporaryFileAndFollowsLinks) {
    test::TempTree tree;
    tree.write("DATA/JOB.LST", "old");
    std::filesystem::create_symlink(tree.host("DATA/JOB.LST"), tree.host("JOB.LST"));
    ASSERT_TRUE(replaceFileContents("C:\\JOB.LST", "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(tree.host("JOB.LST")));
    EXPECT_EQ(tree.read("DATA/JOB.LST"), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.host("DATA")), {}), 1);

    ASSERT_TRUE(replaceFileContents("C:\\NEW.LST", "created"));
    EXPECT_EQ(tree.read("NEW.LST"), "created");
    EXPECT_FALSE(replaceFileContents("C:\\NO\\X.LST", "x"));
}

TEST(Files, ReplaceFileContentsRewritesInPlaceWhereTheFolderIsReadOnly) {
    test::TempTree tree;
    tree.write("RO/JOB.LST", "old content");
    tree.write("RO/LOCKED.LST", "locked");
    ::chmod(tree.host("RO/LOCKED.LST").c_str(), 0444);
    ::chmod(tree.host("RO").c_str(), 0555);
    const bool ok = test::asUnprivilegedUser(tree, [&] {
        return replaceFileContents("C:\\RO\\JOB.LST", "new") &&   // the file is writable: in place
               !replaceFileContents("C:\\RO\\OTHER.LST", "x") &&  // no new file in the folder
               !replaceFileContents("C:\\RO\\LOCKED.LST", "x");   // neither way
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(tree.read("RO/JOB.LST"), "new");
    EXPECT_EQ(tree.read("RO/LOCKED.LST"), "locked");
    EXPECT_FALSE(tree.exists("RO/OTHER.LST"));
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
