#include "platform/private_profile.h"

#include <functional>
#include <vector>

#ifdef _WIN32
#include <filesystem>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/program.h"

#include "support/system_services.h"
#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

constexpr const char* kPath = "C:\\T.INI";

// What the operator wrote by hand stays: comments, blank lines, spacing, line ends and unknown sections.
TEST(PrivateProfile, HandEditedFileKeepsEveryLineItsWritesDoNotTouch) {
    if (test::servicesAreWines()) {
        GTEST_SKIP() << "Wine's private-profile service writes the whole file anew from what it parsed";
    }
    test::TempTree tree;
    const std::string before =
        "; settings of the shop floor PC\n"
        "\n"
        "[Main]\n"
        "  Top  =  120   ; moved by hand\n"
        "DirPath=C:\\NC\n"
        "\n"
        "[Custom]\n"
        "x = \"kept\"\n"
        "\n"
        "[View]\n"
        "Width=600\n";
    tree.write("T.INI", before);
    EXPECT_TRUE(writeProfileString(kPath, "main", "DIRPATH", std::string_view("D:\\JOB")));
    EXPECT_TRUE(writeProfileString(kPath, "Main", "Left", std::string_view("30")));
    EXPECT_TRUE(writeProfileString(kPath, "View", "Height", std::string_view("510")));
    EXPECT_TRUE(writeProfileString(kPath, "Edit", "DelChar1", std::string_view("G91")));
    EXPECT_EQ(tree.read("T.INI"),
              "; settings of the shop floor PC\n"
              "\n"
              "[Main]\n"
              "  Top  =  120   ; moved by hand\n"
              "DirPath=D:\\JOB\n"
              "Left=30\n"
              "\n"
              "[Custom]\n"
              "x = \"kept\"\n"
              "\n"
              "[View]\n"
              "Width=600\n"
              "Height=510\n"
              "[Edit]\n"
              "DelChar1=G91\n");
    EXPECT_EQ(readProfileString(kPath, "Main", "Top", "10"), "120   ; moved by hand");
    EXPECT_EQ(readProfileString(kPath, "Custom", "x", ""), "kept");
}

TEST(PrivateProfile, SameValueLeavesTheFileAlone) {
    test::TempTree tree;
    tree.write("T.INI", "[A]\na = 1\n");
#ifdef _WIN32
    const auto before = fileIdentity(kPath);
    EXPECT_TRUE(writeProfileString(kPath, "A", "a", std::string_view("1")));
    EXPECT_EQ(fileIdentity(kPath), before);  // not even replaced by an equal copy
#else
    struct stat before {};
    ::stat(tree.host("T.INI").c_str(), &before);
    EXPECT_TRUE(writeProfileString(kPath, "A", "a", std::string_view("1")));
    struct stat after {};
    ::stat(tree.host("T.INI").c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);  // not even replaced by an equal copy
#endif
    EXPECT_EQ(tree.read("T.INI"), "[A]\na = 1\n");
}

// A key written before the first header of a UTF-8 file must not push the byte-order mark off the start:
// the file would no longer read as UTF-8 and its first header would be lost.
// The byte-order mark of a UTF-8 file stays at its start whatever line an edit puts first or takes away,
// so that the file still reads as UTF-8.
TEST(PrivateProfile, AUtf8FileKeepsItsMarkFirstThroughEveryEdit) {
    const std::string mark = "\xEF\xBB\xBF";
    const std::string value = cp932ToUtf8(utf8ToCp932("値"));
    struct Case {
        const char* what;
        std::string file;
        std::function<void(Profile&)> edit;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"a key put before the first header", mark + "[A]\r\nx=1\r\n", [](Profile& p) { p.set("", "k", "v"); },
         mark + "k=v\r\n[A]\r\nx=1\r\n"},
        {"the first line's key given a new value", mark + "k=1\r\n[A]\r\n",
         [](Profile& p) { p.set("", "k", utf8ToCp932("値")); }, mark + "k=" + value + "\r\n[A]\r\n"},
        {"the first line's key removed", mark + "k=1\r\n[A]\r\nx=1\r\n", [](Profile& p) { p.removeKey("", "k"); },
         mark + "[A]\r\nx=1\r\n"},
        {"the first section removed", mark + "[A]\r\nx=1\r\n[B]\r\ny=2\r\n", [](Profile& p) { p.removeSection("A"); },
         mark + "[B]\r\ny=2\r\n"},
    };
    for (const Case& c : cases) {
        Profile profile(c.file);
        c.edit(profile);
        EXPECT_EQ(profile.bytes(), c.expected) << c.what;
        EXPECT_EQ(Profile(profile.bytes()).bytes(), c.expected) << c.what;
    }
}

TEST(PrivateProfile, ShiftJisNamesAndValuesWithTrailBytesThatLookLikeBrackets) {
    test::TempTree tree;
    const std::string section = utf8ToCp932("表ゾ");  // "ゾ" ends with the byte of "]"
    EXPECT_TRUE(writeProfileString(kPath, section, "User1_Name", std::string_view(utf8ToCp932("ﾕｰｻﾞ定義1"))));
    EXPECT_EQ(readProfileString(kPath, section, "user1_name", ""), utf8ToCp932("ﾕｰｻﾞ定義1"));
    EXPECT_EQ(tree.read("T.INI"), utf8ToCp932("[表ゾ]\r\nUser1_Name=ﾕｰｻﾞ定義1\r\n"));
}

#ifdef _WIN32

// The system's service takes its file's path in code page 932, which reads "〜" back as "～" and has no
// "\\?\" form: a settings file whose path it cannot name is read and written all the same, by the program's
// own engine, at its own path.
TEST(PrivateProfile, PathsThatTheSystemsServiceCannotNameAreWrittenAllTheSame) {
    test::TempTree tree;
    tree.makeFolder("加工〜");
    const std::string tilde = utf8ToCp932("C:\\加工〜\\T.INI");
    EXPECT_TRUE(writeProfileString(tilde, "A", "a", std::string_view("1")));
    EXPECT_EQ(readProfileString(tilde, "A", "a", ""), "1");
    EXPECT_EQ(tree.read("加工〜/T.INI"), "[A]\r\na=1\r\n");
    EXPECT_FALSE(tree.exists("加工～"));

    std::string deep;
    while (tree.host(deep).size() <= MAX_PATH) {
        deep += std::string(40, 'D') + "/";
    }
    ASSERT_TRUE(makeFolders(tree.host(deep)));
    const std::string longPath = tree.drive(deep + "T.INI");
    EXPECT_TRUE(writeProfileString(longPath, "A", "a", std::string_view("2")));
    EXPECT_EQ(readProfileString(longPath, "A", "a", ""), "2");
}

// A file with the read-only attribute is refused, also when nothing would change.
TEST(PrivateProfile, UnwritableFileFailsAndStaysAsItWas) {
    test::TempTree tree;
    tree.write("T.INI", "[A]\r\na=1\r\n");
    const std::wstring file = std::filesystem::path(tree.host("T.INI")).wstring();
    ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(writeProfileString(kPath, "A", "a", std::string_view("2")));
    EXPECT_FALSE(writeProfileString(kPath, "A", "a", std::string_view("1")));
    EXPECT_FALSE(writeProfileStrings(kPath, {{"B", "b", "1"}}));
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(tree.read("T.INI"), "[A]\r\na=1\r\n");
}

#else

TEST(PrivateProfile, UnwritableFileFailsAndStaysAsItWas) {
    test::TempTree tree;
    tree.write("T.INI", "[A]\r\na=1\r\n");
    ::chmod(tree.host("T.INI").c_str(), 0444);
    tree.write("RO/T.INI", "[A]\r\na=1\r\n");
    ::chmod(tree.host("RO").c_str(), 0555);
    const bool asExpected = test::asUnprivilegedUser(tree, [] {
        return !writeProfileString(kPath, "A", "a", std::string_view("2")) &&
               !writeProfileString(kPath, "A", "a", std::string_view("1")) &&            // unchanged, still refused
               !writeProfileString("C:\\RO\\T.INI", "A", "a", std::string_view("2")) &&  // never in place
               !writeProfileString("C:\\RO\\NEW.INI", "A", "a", std::string_view("2"));
    });
    EXPECT_TRUE(asExpected);
    EXPECT_EQ(tree.read("T.INI"), "[A]\r\na=1\r\n");
    EXPECT_EQ(tree.read("RO/T.INI"), "[A]\r\na=1\r\n");
    EXPECT_FALSE(tree.exists("RO/NEW.INI"));
}

#endif

// A batch of changes gives byte for byte the file that the same changes give one write at a time.
TEST(PrivateProfile, ABatchOfChangesGivesWhatSingleWritesGive) {
    const std::vector<std::string> files = {
        "",
        "; hand-made\r\n[Main]\r\nTop = 5 ; moved\r\n\r\n[Custom]\r\nx=1\r\n[Main]\r\nTop=9\r\n",
        "[View]\rLeft=1\rWidth=2",
        "\xEF\xBB\xBF[Edit]\nDelChar1=\xE8\xA1\xA8\nkeep=yes\n",
        "Orphan=1\n[Setting]\n\n\n",
    };
    const std::vector<ProfileEdit> edits = {
        {"Main", "Top", "120"},
        {"Main", "Left", "7"},
        {"View", "Left", ""},
        {"Edit", "DelChar1", utf8ToCp932("表ゾ")},
        {"Custom", "x", std::nullopt},
        {"Setting", std::nullopt, std::nullopt},
        {"New", "Key", "  padded value"},
    };
    for (const auto& file : files) {
        test::TempTree tree;
        tree.write("ONE.INI", file);
        tree.write("ALL.INI", file);
        for (const auto& edit : edits) {
            ASSERT_TRUE(writeProfileString("C:\\ONE.INI", edit.section,
                                           edit.key ? std::optional<std::string_view>(*edit.key) : std::nullopt,
                                           edit.value ? std::optional<std::string_view>(*edit.value) : std::nullopt));
        }
        ASSERT_TRUE(writeProfileStrings("C:\\ALL.INI", edits));
        EXPECT_EQ(tree.read("ALL.INI"), tree.read("ONE.INI")) << testing::PrintToString(file);
    }
}

TEST(PrivateProfile, ValuesAreReadUpTo2047BytesAndDefaultsApply) {
    test::TempTree tree;
    const std::string longValue(3000, 'x');
    ASSERT_TRUE(writeProfileString(kPath, "S", "Long", std::string_view(longValue)));
    EXPECT_EQ(readProfileString(kPath, "S", "Long", ""), std::string(2047, 'x'));
    EXPECT_EQ(readProfileString(kPath, "S", "Missing", std::string_view("C:")), "C:");
    EXPECT_EQ(readProfileString("C:\\NONE.INI", "S", "Long", std::nullopt), "");
}

}  // namespace
}  // namespace tarvelin::platform
