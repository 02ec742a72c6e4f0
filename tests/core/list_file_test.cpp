#include "core/list_file.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/file_error.h"

#include "support/temp_tree.h"

namespace tarvelin::core {
namespace {

using Entries = std::vector<std::string>;

TEST(ParseListFile, LinesEndAtCrLfCrOrLfAndStopAtNul) {
    const std::vector<std::pair<std::string, Entries>> cases = {
        {"", {}},
        {"C:\\A.NC\r\nC:\\B.NC\r\n", {"C:\\A.NC", "C:\\B.NC"}},
        {"C:\\A.NC\nC:\\B.NC\n", {"C:\\A.NC", "C:\\B.NC"}},
        {"C:\\A.NC\rC:\\B.NC\r", {"C:\\A.NC", "C:\\B.NC"}},
        {"C:\\A.NC\r\nC:\\B.NC", {"C:\\A.NC", "C:\\B.NC"}},
        {"A\n\nB", {"A", "", "B"}},
        {"A\r\r\nB", {"A", "", "B"}},
        {"\r\n", {""}},
        {"A\r\nA\r\n", {"A", "A"}},
        {std::string("A\r\nB\0C\r\nD\r\n", 12), {"A", "B"}},
        {std::string("\0A\r\n", 4), {}},
    };
    for (const auto& [bytes, entries] : cases) {
        EXPECT_EQ(parseListFile(bytes), entries) << testing::PrintToString(bytes);
    }
}

TEST(FormatListFile, EveryEntryFollowedByCrLf) {
    EXPECT_EQ(formatListFile({"C:\\A.NC", "C:\\B.NC"}), "C:\\A.NC\r\nC:\\B.NC\r\n");
    EXPECT_EQ(formatListFile({}), "");
    EXPECT_EQ(formatListFile({""}), "\r\n");
}

TEST(ListFile, WrittenListReadsBackTheSameEntries) {
    test::TempTree tree;
    const Entries entries = {platform::utf8ToCp932("C:\\ＮＣ\\表.NC"), "", "C:\\B.NC", "C:\\B.NC"};
    tree.makeFolder("LIST");
    writeListFile(tree.drive("LIST/JOB.LST"), entries);
    EXPECT_EQ(readListFile(tree.drive("LIST/JOB.LST")), entries);
    EXPECT_EQ(tree.read("LIST/JOB.LST"), formatListFile(entries));
}

TEST(ListFile, SaveReplacesAnOldListAndKeepsItsPermissions) {
    test::TempTree tree;
    const auto path = tree.write("JOB.LST", "C:\\OLD.NC\r\nC:\\OLDER.NC\r\n");
#ifndef _WIN32  // on Windows the attributes that a save keeps are the file replacement's to test
    ::chmod(tree.host("JOB.LST").c_str(), 0640);
#endif
    writeListFile(path, {"C:\\NEW.NC"});
    EXPECT_EQ(tree.read("JOB.LST"), "C:\\NEW.NC\r\n");
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(tree.host("JOB.LST").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640U);
#endif
}

TEST(ListFile, FailuresCarryTheOperatorsMessage) {
    test::TempTree tree;
    try {
        readListFile(tree.drive("NONE.LST"));
        FAIL() << "expected a FileError";
    } catch (const platform::FileError& e) {
        EXPECT_EQ(platform::cp932ToUtf8(e.message()), "ファイル C:\\NONE.LST は開けません");
    }
    try {
        writeListFile(tree.drive("NO/FOLDER/A.LST"), {"X"});
        FAIL() << "expected a FileError";
    } catch (const platform::FileError& e) {
        EXPECT_EQ(platform::cp932ToUtf8(e.message()), "ファイル C:\\NO\\FOLDER\\A.LST を作成できません");
    }
    EXPECT_FALSE(tree.exists("NO"));
}

TEST(ListFolderOf, RootKeepsItsBackslash) {
    EXPECT_EQ(listFolderOf("C:\\A.LST"), "C:\\");
    EXPECT_EQ(listFolderOf("C:\\LIST\\A.LST"), "C:\\LIST");
    EXPECT_EQ(listFolderOf("D:\\JOB\\2024\\A.LST"), "D:\\JOB\\2024");
}

}  // namespace
}  // namespace tarvelin::core
