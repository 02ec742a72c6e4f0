#include "core/join_list.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "platform/codepage.h"

#include "support/temp_tree.h"

namespace tarvelin::core {
namespace {

using Entries = std::vector<std::string>;

JoinList listOf(const Entries& entries, int selected) {
    JoinList list;
    list.assign(entries);
    list.select(selected);
    return list;
}

TEST(JoinList, EntriesTakeABackslashOnlyAfterAFolderLongerThanThreeCharacters) {
    EXPECT_EQ(JoinList::entryFor("C:\\", "A.NC"), "C:\\A.NC");
    EXPECT_EQ(JoinList::entryFor("C:\\NC", "A.NC"), "C:\\NC\\A.NC");
    EXPECT_EQ(JoinList::entryFor("C:\\NC\\DATA", "B.NC"), "C:\\NC\\DATA\\B.NC");
}

TEST(JoinList, AddingSkipsFilesAlreadyListed) {
    test::TempTree tree;
    for (const char* name : {"NC/A.NC", "NC/B.NC", "NC/C.NC", "NC/D.NC", "E.NC"}) {
        tree.write(name, "O1\r\n");
    }
    JoinList list;
    EXPECT_EQ(list.addFiles("C:\\NC", {"A.NC", "B.NC"}), 2U);
    EXPECT_EQ(list.addFiles("c:\\NC", {"A.NC"}), 0U);  // the same file under another spelling of its drive
    EXPECT_EQ(list.addFiles("C:\\NC", {"A.NC", "C.NC", "B.NC", "D.NC"}), 2U);
    EXPECT_EQ(list.addFiles("C:\\", {"E.NC", "E.NC"}), 1U);  // earlier files of the same pass count
    EXPECT_EQ(list.entries(), (Entries{"C:\\NC\\A.NC", "C:\\NC\\B.NC", "C:\\NC\\C.NC", "C:\\NC\\D.NC", "C:\\E.NC"}));
    // Double-byte characters are compared exactly: "ア" (0x83 0x41) is not "\x83a".
    EXPECT_EQ(list.addFiles("C:\\", {platform::utf8ToCp932("ア"),
                                     "\x83"
                                     "a"}),
              2U);
}

#ifdef _WIN32

// Windows names are the same in either case: two spellings of one file are one entry.
TEST(JoinList, DuplicatesAreTheSameFileNotTheSameLetters) {
    test::TempTree tree;
    tree.write("NC/A.NC", "O1\r\n");
    tree.write("NC/B.NC", "O2\r\n");
    JoinList list;
    EXPECT_EQ(list.addFiles("C:\\NC", {"A.NC"}), 1U);
    EXPECT_EQ(list.addFiles("C:\\nc", {"a.nc", "B.NC"}), 1U);
    EXPECT_EQ(list.addFiles("C:\\NC\\.", {"b.nc"}), 0U);
    EXPECT_EQ(list.entries(), (Entries{"C:\\NC\\A.NC", "C:\\nc\\B.NC"}));
    // Entries of a list file that name no file are known by their names, exactly.
    list.assign({"C:\\NC\\GONE.NC"});
    EXPECT_EQ(list.addFiles("C:\\NC", {"GONE.NC", "gone.nc", "A.NC"}), 2U);
}

#else

TEST(JoinList, DuplicatesAreTheSameFileNotTheSameLetters) {
    test::TempTree tree;
    tree.write("NC/A.NC", "O1\r\n");
    tree.write("nc/a.nc", "O2\r\n");  // another file on a file system that tells the cases apart
    ASSERT_EQ(::symlink(tree.host("NC/A.NC").c_str(), tree.host("NC/LINK.NC").c_str()), 0);
    // Two spellings of one file, as a case-insensitive mount shows it: one entry.
    ASSERT_EQ(::link(tree.host("NC/A.NC").c_str(), tree.host("NC/a.nc").c_str()), 0);
    JoinList list;
    EXPECT_EQ(list.addFiles("C:\\NC", {"A.NC"}), 1U);
    EXPECT_EQ(list.addFiles("C:\\nc", {"a.nc"}), 1U);
    EXPECT_EQ(list.addFiles("C:\\NC", {"LINK.NC", "a.nc"}), 0U);
    EXPECT_EQ(list.entries(), (Entries{"C:\\NC\\A.NC", "C:\\nc\\a.nc"}));
    // Entries of a list file that name no file are known by their names, exactly.
    list.assign({"C:\\NC\\GONE.NC"});
    EXPECT_EQ(list.addFiles("C:\\NC", {"GONE.NC", "gone.nc", "A.NC"}), 2U);
}

#endif

struct MoveCase {
    const char* name;
    void (JoinList::*move)();
    int selected;
    Entries entries;
    int selectedAfter;
};

TEST(JoinList, Moves) {
    const Entries abc = {"A", "B", "C"};
    const std::vector<MoveCase> cases = {
        {"top from the middle", &JoinList::moveToTop, 1, {"B", "A", "C"}, 0},
        {"top with nothing selected", &JoinList::moveToTop, -1, abc, 0},
        {"up", &JoinList::moveUp, 2, {"A", "C", "B"}, 1},
        {"up on the first", &JoinList::moveUp, 0, abc, 0},
        {"up with nothing selected", &JoinList::moveUp, -1, abc, -1},
        {"down", &JoinList::moveDown, 0, {"B", "A", "C"}, 1},
        {"down on the last", &JoinList::moveDown, 2, abc, 2},
        {"down with nothing selected", &JoinList::moveDown, -1, abc, -1},
        {"bottom", &JoinList::moveToBottom, 0, {"B", "C", "A"}, 2},
        {"bottom with nothing selected", &JoinList::moveToBottom, -1, abc, 2},
        {"delete", &JoinList::removeSelected, 1, {"A", "C"}, -1},
        {"delete with nothing selected", &JoinList::removeSelected, -1, abc, -1},
    };
    for (const auto& c : cases) {
        JoinList list = listOf(abc, c.selected);
        (list.*c.move)();
        EXPECT_EQ(list.entries(), c.entries) << c.name;
        EXPECT_EQ(list.selected(), c.selectedAfter) << c.name;
    }
    JoinList empty;
    empty.moveToTop();
    empty.moveToBottom();
    EXPECT_EQ(empty.selected(), -1);
}

TEST(JoinList, TwoEntriesAreEnoughToJoin) {
    JoinList list = listOf({"A"}, -1);
    EXPECT_FALSE(list.enoughToJoin());
    list.addFiles("C:\\", {"B"});
    EXPECT_TRUE(list.enoughToJoin());
    list.clear();
    EXPECT_EQ(list.size(), 0U);
}

}  // namespace
}  // namespace tarvelin::core
