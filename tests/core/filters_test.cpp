#include "core/filters.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace tarvelin::core {
namespace {

using platform::cp932ToUtf8;
using platform::utf8ToCp932;

std::vector<std::pair<std::string, std::string>> utf8Entries(const std::string& filterText) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& entry : parseFilterText(filterText)) {
        entries.emplace_back(cp932ToUtf8(entry.description), cp932ToUtf8(entry.mask));
    }
    return entries;
}

TEST(BuildFilterText, SixEntriesWithTheUserTypesInThird) {
    const Settings defaults;
    EXPECT_EQ(cp932ToUtf8(BuildFilterText(defaults)),
              "ＮＣ文章(*.nc;*.nc1;*.nc0)|*.NC;*.NC1;*.NC0|テキスト(*.txt)|*.TXT|ﾕｰｻﾞ1(*.*)|*.*|ﾕｰｻﾞ2(*.*)|*.*|"
              "すべて表示(*.*)|*.*|拡張子無し    |");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"ＮＣ文章(*.nc;*.nc1;*.nc0)", "*.NC;*.NC1;*.NC0"},
        {"テキスト(*.txt)", "*.TXT"},
        {"ﾕｰｻﾞ1(*.*)", "*.*"},
        {"ﾕｰｻﾞ2(*.*)", "*.*"},
        {"すべて表示(*.*)", "*.*"},
        {"拡張子無し    ", ""}};
    EXPECT_EQ(utf8Entries(BuildFilterText(defaults)), expected);
}

TEST(BuildFilterText, ABarInAUserNameSplitsItsEntry) {
    Settings s;
    s.Setting.User1_Name = "A|B";
    s.Setting.User1_Mask = "*.TAP";
    const auto entries = utf8Entries(BuildFilterText(s));
    ASSERT_EQ(entries.size(), 6U);  // the split shifts the entries after it and the last one falls away
    EXPECT_EQ(entries[2], (std::pair<std::string, std::string>{"A", "B(*.TAP)"}));
    EXPECT_EQ(entries[3], (std::pair<std::string, std::string>{"*.TAP", "ﾕｰｻﾞ2(*.*)"}));
}

TEST(ParseFilterText, ReadingStopsWhenNoBarIsLeft) {
    EXPECT_EQ(utf8Entries("A|*.a|B|*.b"),
              (std::vector<std::pair<std::string, std::string>>{{"A", "*.a"}, {"B", "*.b"}}));
    EXPECT_EQ(utf8Entries("A|*.a|tail"), (std::vector<std::pair<std::string, std::string>>{{"A", "*.a"}}));
    EXPECT_TRUE(utf8Entries("").empty());
    // "ポ" ends with the byte of "|": it does not split.
    EXPECT_EQ(utf8Entries(utf8ToCp932("ポ|*.p|")), (std::vector<std::pair<std::string, std::string>>{{"ポ", "*.p"}}));
}

TEST(FilterList, AnEqualTextChangesNothingAnotherRebuildsAndSelectsTheFirst) {
    FilterList list;
    EXPECT_TRUE(list.setFilterText("A|*.a|B|*.b|C|*.c|"));
    EXPECT_EQ(list.selected(), 0);
    list.select(2);
    EXPECT_FALSE(list.setFilterText("a|*.A|b|*.B|c|*.C|"));  // equal without regard to case
    EXPECT_EQ(list.selected(), 2);
    EXPECT_TRUE(list.setFilterText("A|*.a|B|*.b|D|*.d|"));
    EXPECT_EQ(list.selected(), 0);
}

TEST(FilterList, SelectionByProgramAndTheMaskAtShow) {
    FilterList list;
    list.setFilterText("A|*.a|B|*.b|Last||");
    list.select(1);
    EXPECT_EQ(list.maskForShow(), "*.b");
    list.select(9);  // outside: nothing selected, then the last entry at show
    EXPECT_EQ(list.selected(), -1);
    EXPECT_EQ(list.maskForShow(), "");
    EXPECT_EQ(list.selected(), 2);
    FilterList empty;
    EXPECT_EQ(empty.maskForShow(), "*.*");
}

TEST(MatchesPattern, CaseInsensitiveWildcards) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    };
    const std::vector<Case> cases = {
        {"A.NC", "*.NC", true},        {"a.nc", "*.NC", true},   {"A.NC1", "*.NC", false},
        {"README", "*.*", true},       {"README", "*.", false},  {"O1001.NC", "O1*.nc", true},
        {"O2001.NC", "O1*.nc", false}, {"AB.NC", "?B.NC", true}, {"ABC.NC", "?B.NC", false},
        {"x.tar.gz", "*.gz", true},    {"NC", "*NC*", true},     {"", "*", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(matchesPattern(c.name, c.pattern), c.match) << c.name << " " << c.pattern;
    }
    // A double-byte character is one character for "?", and its trail byte is not a letter to fold.
    EXPECT_TRUE(matchesPattern(utf8ToCp932("表.NC"), "?.NC"));
    EXPECT_FALSE(matchesPattern(utf8ToCp932("ア.NC"), utf8ToCp932("a.NC").insert(0, "\x83")));
}

TEST(FilesForMask, EveryPatternListsItsFilesSortedWithoutRegardToCase) {
    const std::vector<std::string> names = {"b.NC", "A.nc", "C.TXT", "d.NC1", "NOEXT"};
    EXPECT_EQ(filesForMask(names, "*.NC;*.NC1;*.NC0"), (std::vector<std::string>{"A.nc", "b.NC", "d.NC1"}));
    EXPECT_EQ(filesForMask(names, "*.NC;*.nc"), (std::vector<std::string>{"A.nc", "A.nc", "b.NC", "b.NC"}));
    EXPECT_TRUE(filesForMask(names, "").empty());
    EXPECT_EQ(filesForMask(names, "*.*").size(), 5U);
}

}  // namespace
}  // namespace tarvelin::core
