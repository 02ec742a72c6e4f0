#include "platform/file_replacement.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

namespace fs = std::filesystem;

size_t entriesIn(const std::string& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(FileReplacement, ReplacesWholeThroughLinksAndLeavesNoTemporaryFile) {
    test::TempTree tree;
    tree.write("DATA/JOB.LST", "old");
    fs::create_symlink(tree.host("DATA/JOB.LST"), tree.host("JOB.LST"));
    ASSERT_TRUE(replaceFileContents("C:\\JOB.LST", "new"));
    EXPECT_TRUE(fs::is_symlink(tree.host("JOB.LST")));
    EXPECT_EQ(tree.read("DATA/JOB.LST"), "new");
    EXPECT_EQ(entriesIn(tree.host("DATA")), 1u);

    ASSERT_TRUE(replaceFileContents("C:\\NEW.LST", "created"));
    EXPECT_EQ(tree.read("NEW.LST"), "created");
    EXPECT_FALSE(replaceFileContents("C:\\NO\\X.LST", "x"));
    EXPECT_FALSE(replaceFileContents("C:\\DATA", "x"));  // a folder is no file to replace
}

// A rename over a file needs only the folder's permission: the file's own protection must be checked first,
// for root as for anyone, and the new file must keep its mode, owner and group.
TEST(FileReplacement, KeepsTheTargetsProtection) {
    test::TempTree tree;
    tree.write("RO.TXT", "read-only");
    ::chmod(tree.host("RO.TXT").c_str(), 0444);
    EXPECT_FALSE(replaceFileContents("C:\\RO.TXT", "x"));  // root too: no write bit means read-only
    EXPECT_EQ(tree.read("RO.TXT"), "read-only");

    tree.write("SHARED.TXT", "old");
    ::chmod(tree.host("SHARED.TXT").c_str(), 0640);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(tree.host("SHARED.TXT").c_str(), 65534, 65534), 0);
    }
    struct stat before {};
    ::stat(tree.host("SHARED.TXT").c_str(), &before);
    ASSERT_TRUE(replaceFileContents("C:\\SHARED.TXT", "new"));
    struct stat after {};
    ::stat(tree.host("SHARED.TXT").c_str(), &after);
    EXPECT_EQ(tree.read("SHARED.TXT"), "new");
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
}

TEST(FileReplacement, AnotherUsersFileIsRefusedAndAWritableOneKeepsItsOwner) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make files of another user";
    }
    test::TempTree tree;
    tree.write("PRIVATE.TXT", "theirs");
    ::chmod(tree.host("PRIVATE.TXT").c_str(), 0600);
    tree.write("OPEN.TXT", "theirs");
    ::chmod(tree.host("OPEN.TXT").c_str(), 0666);
    const bool ok = test::asUnprivilegedUser(
        tree,
        [] { return !replaceFileContents("C:\\PRIVATE.TXT", "mine") && replaceFileContents("C:\\OPEN.TXT", "mine"); },
        {"PRIVATE.TXT", "OPEN.TXT"});
    EXPECT_TRUE(ok);
    EXPECT_EQ(tree.read("PRIVATE.TXT"), "theirs");
    EXPECT_EQ(tree.read("OPEN.TXT"), "mine");
    struct stat st {};
    ::stat(tree.host("OPEN.TXT").c_str(), &st);
    EXPECT_EQ(st.st_uid, 0u);  // rewritten in place, still root's
}

TEST(FileReplacement, RewritesInPlaceOnlyWhereTheFolderTakesNoNewFile) {
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

// New files of a save killed midway are removed by the next save of the same file, unless their writer
// still runs; a link planted where an earlier version wrote its new file is never written through.
TEST(FileReplacement, LeftoversOfEndedWritersGoAndLinksAreNotFollowed) {
    test::TempTree tree;
    tree.write("VICTIM.TXT", "victim");
    tree.write("JOB.LST", "old");
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const std::string dead = ".JOB.LST.tarvelin-" + std::to_string(ended) + "-AbC123";
    const std::string live = ".JOB.LST.tarvelin-" + std::to_string(::getppid()) + "-XyZ789";
    tree.write(dead, "half");
    tree.write(live, "busy");
    fs::create_hard_link(tree.host("VICTIM.TXT"), tree.host(".JOB.LST.tarvelin-new"));

    ASSERT_TRUE(replaceFileContents("C:\\JOB.LST", "new"));
    EXPECT_EQ(tree.read("JOB.LST"), "new");
    EXPECT_EQ(tree.read("VICTIM.TXT"), "victim");
    EXPECT_FALSE(tree.exists(dead));
    EXPECT_FALSE(tree.exists(".JOB.LST.tarvelin-new"));
    EXPECT_TRUE(tree.exists(live));
}

// Every whole-file save (list files, front and end data, the launcher, the settings file) is whole when
// the program is killed at any moment of it: the old content or the new, never a mix or a cut file.
TEST(FileReplacement, KillingASaveLeavesTheOldOrTheNewContent) {
    test::TempTree tree;
    const std::string a(300000, 'a');
    const std::string b = std::string(200000, 'b') + "\r\n";
    tree.write("JOB.LST", a);
    std::mt19937 random(3);
    for (int round = 0; round < 30; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                replaceFileContents("C:\\JOB.LST", b);
                replaceFileContents("C:\\JOB.LST", a);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200 + random() % 20000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string bytes = tree.read("JOB.LST");
        ASSERT_TRUE(bytes == a || bytes == b) << "a broken file of " << bytes.size() << " bytes";
    }
    ASSERT_TRUE(replaceFileContents("C:\\JOB.LST", b));
    EXPECT_EQ(entriesIn(tree.root()), 1u);  // the killed saves' new files are gone
}

TEST(FileReplacement, UncommittedReplacementLeavesTheOldFile) {
    test::TempTree tree;
    tree.write("OUT.NC", "old");
    {
        auto file = FileReplacement::prepare(tree.host("OUT.NC"));
        ASSERT_TRUE(file);
    }
    EXPECT_EQ(tree.read("OUT.NC"), "old");
    EXPECT_EQ(entriesIn(tree.root()), 1u);
}

}  // namespace
}  // namespace tarvelin::platform
