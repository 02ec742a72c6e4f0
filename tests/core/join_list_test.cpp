#include "core/join_list.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

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

TEST(JoinList, AddingSkipsFilesAlreadyListedUnderAnyCase) {
    JoinList list;
    EXPECT_EQ(list.addFiles("C:\\NC", {"A.NC", "B.NC"}), 2U);
    EXPECT_EQ(list.addFiles("c:\\nc", {"a.nc"}), 0U);
    EXPECT_EQ(list.addFiles("C:\\NC", {"A.NC", "C.NC", "B.NC", "D.NC"}), 2U);
    EXPECT_EQ(list.addFiles("C:\\", {"E.NC", "e.nc"}), 1U);  // earlier files of the same pass count
    EXPECT_EQ(list.entries(), (Entries{"C:\\NC\\A.NC", "C:\\NC\\B.NC", "C:\\NC\\C.NC", "C:\\NC\\D.NC", "C:\\E.NC"}));
    // Double-byte characters are compared exactly: "ア" (0x83 0x41) is not "\x83a".
    EXPECT_EQ(list.addFiles("C:\\", {platform::utf8ToCp932("ア"),
                                     "\x83"
                                     "a"}),
              2U);
}

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
