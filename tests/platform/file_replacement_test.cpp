#include "platform/file_replacement.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/program.h"
#include "platform/temporary_name.h"

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
#ifdef _WIN32
    ASSERT_TRUE(replaceFileContents("C:\\DATA\\JOB.LST", "new"));
#else
    fs::create_symlink(tree.host("DATA/JOB.LST"), tree.host("JOB.LST"));
    ASSERT_TRUE(replaceFileContents("C:\\JOB.LST", "new"));
    EXPECT_TRUE(fs::is_symlink(tree.host("JOB.LST")));
#endif
    EXPECT_EQ(tree.read("DATA/JOB.LST"), "new");
    EXPECT_EQ(entriesIn(tree.host("DATA")), 1u);

    ASSERT_TRUE(replaceFileContents("C:\\NEW.LST", "created"));
    EXPECT_EQ(tree.read("NEW.LST"), "created");
    EXPECT_FALSE(replaceFileContents("C:\\NO\\X.LST", "x"));
    EXPECT_FALSE(replaceFileContents("C:\\DATA", "x"));  // a folder is no file to replace
}

#ifdef _WIN32

// A read-only file is refused, and the new file takes the old one's attributes.
TEST(FileReplacement, KeepsTheTargetsProtection) {
    test::TempTree tree;
    tree.write("RO.TXT", "read-only");
    const std::wstring readOnly = fs::path(tree.host("RO.TXT")).wstring();
    ASSERT_TRUE(::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(replaceFileContents("C:\\RO.TXT", "x"));
    ::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(tree.read("RO.TXT"), "read-only");

    tree.write("HIDDEN.TXT", "old");
    const std::wstring hidden = fs::path(tree.host("HIDDEN.TXT")).wstring();
    ASSERT_TRUE(::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(replaceFileContents("C:\\HIDDEN.TXT", "new"));
    EXPECT_EQ(tree.read("HIDDEN.TXT"), "new");
    EXPECT_NE(::GetFileAttributesW(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(entriesIn(tree.root()), 2u);
}

// A file that another program holds open without letting it be removed (an editor, a machine's DNC
// program) cannot be replaced: the save fails, the old content stays and no new file is left beside it,
// whether the other program lets others write the file or not.
TEST(FileReplacement, AFileHeldOpenWithoutSharingItsRemovalIsNotReplaced) {
    test::TempTree tree;
    tree.write("OUT.NC", "old");
    for (const DWORD sharing : {DWORD{FILE_SHARE_READ}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        const HANDLE held = ::CreateFileW(fs::path(tree.host("OUT.NC")).c_str(), GENERIC_READ, sharing, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(replaceFileContents("C:\\OUT.NC", "new")) << sharing;
        ::CloseHandle(held);
        EXPECT_EQ(tree.read("OUT.NC"), "old") << sharing;
        EXPECT_EQ(entriesIn(tree.root()), 1u) << sharing;
    }
    // Held by a reader that shares everything, as the program itself reads: replaced.
    OpenFile reader = OpenFile::forReading("C:\\OUT.NC");
    EXPECT_TRUE(replaceFileContents("C:\\OUT.NC", "new"));
    EXPECT_EQ(tree.read("OUT.NC"), "new");
}

// Paths beyond the old limit of 260 characters are saved and read like any other.
TEST(FileReplacement, PathsLongerThanMaxPathAreSavedAndRead) {
    test::TempTree tree;
    std::string relative;
    while (tree.host(relative).size() <= MAX_PATH) {
        relative += std::string(40, 'D') + "/";
    }
    ASSERT_TRUE(makeFolders(tree.host(relative)));
    relative += "JOB.NC";
    const std::string drivePath = tree.drive(relative);
    ASSERT_GT(tree.host(relative).size(), size_t{MAX_PATH});
    ASSERT_TRUE(replaceFileContents(drivePath, "old"));
    ASSERT_TRUE(replaceFileContents(drivePath, "new"));
    EXPECT_TRUE(fileExists(drivePath));
    EXPECT_EQ(readWholeFile(drivePath), "new");
}

#else

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

// Another user's file that this user may write (a group-shared NC folder) is replaced, never rewritten in
// place: it becomes this user's, with its group and mode. A folder that takes no new file, and a sticky
// folder that protects another user's file, refuse the save and leave the file as it was.
TEST(FileReplacement, AnotherUsersFileIsReplacedOrRefusedNeverRewrittenInPlace) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make files of other users";
    }
    test::TempTree tree;
    tree.write("PRIVATE.TXT", "theirs");
    ::chmod(tree.host("PRIVATE.TXT").c_str(), 0600);
    tree.write("OPEN.TXT", "theirs");
    ::chmod(tree.host("OPEN.TXT").c_str(), 0664);
    tree.write("RO/JOB.LST", "old content");
    tree.write("STICKY/OUT.NC", "theirs");
    ::chmod(tree.host("STICKY/OUT.NC").c_str(), 0666);
    const bool ok = test::asUnprivilegedUser(
        tree,
        [] {
            return !replaceFileContents("C:\\PRIVATE.TXT", "mine") && replaceFileContents("C:\\OPEN.TXT", "mine") &&
                   !replaceFileContents("C:\\RO\\JOB.LST", "new") && !replaceFileContents("C:\\RO\\OTHER.LST", "x") &&
                   !replaceFileContents("C:\\STICKY\\OUT.NC", "mine");
        },
        {"PRIVATE.TXT", "OPEN.TXT", "STICKY/OUT.NC"},
        [&] {
            ::lchown(tree.host("OPEN.TXT").c_str(), 0, test::kUnprivilegedUser);  // root's, shared with the group
            ::chmod(tree.host("RO").c_str(), 0555);
            ::chmod(tree.host("STICKY").c_str(), 01777);
            ::lchown(tree.host("STICKY").c_str(), 0, 0);
        });
    EXPECT_TRUE(ok);
    EXPECT_EQ(tree.read("PRIVATE.TXT"), "theirs");
    EXPECT_EQ(tree.read("OPEN.TXT"), "mine");
    EXPECT_EQ(tree.read("RO/JOB.LST"), "old content");
    EXPECT_EQ(tree.read("STICKY/OUT.NC"), "theirs");
    struct stat st {};
    ::stat(tree.host("OPEN.TXT").c_str(), &st);
    EXPECT_EQ(st.st_uid, test::kUnprivilegedUser);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
}

// A link is followed as the system follows it, and the system's rule for links in sticky world-writable
// folders holds even where the system leaves it off: the superuser never writes through a link that
// another user planted in /tmp. The superuser's own link there, and any link elsewhere, lead to their file.
TEST(FileReplacement, LinksInStickyFoldersAreFollowedOnlyForTheirOwners) {
    test::TempTree tree;
    tree.write("SECRET.TXT", "secret");
    tree.write("SHARED/OWN.TXT", "own");
    tree.makeFolder("SHARED");
    ::chmod(tree.host("SHARED").c_str(), 01777);
    fs::create_symlink(tree.host("SECRET.TXT"), tree.host("SHARED/PLANTED.NC"));
    fs::create_symlink(tree.host("SHARED/OWN.TXT"), tree.host("SHARED/MINE.NC"));
    if (::geteuid() == 0) {
        ASSERT_EQ(::lchown(tree.host("SHARED/PLANTED.NC").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(replaceFileContents("C:\\SHARED\\PLANTED.NC", "joined"));
        EXPECT_EQ(tree.read("SECRET.TXT"), "secret");
        EXPECT_TRUE(fs::is_symlink(tree.host("SHARED/PLANTED.NC")));
    }
    ASSERT_TRUE(replaceFileContents("C:\\SHARED\\MINE.NC", "joined"));
    EXPECT_EQ(tree.read("SHARED/OWN.TXT"), "joined");
    EXPECT_TRUE(fs::is_symlink(tree.host("SHARED/MINE.NC")));
}

#endif

// Every legal name can be saved: the new file's name does not grow with the target's.
TEST(FileReplacement, NamesOfEveryLegalLengthAreSaved) {
    test::TempTree tree;
    const std::string longest(255, 'N');
    tree.write(longest, "old");
    ASSERT_TRUE(replaceFileContents("C:\\" + longest, "new"));
    EXPECT_EQ(tree.read(longest), "new");
    ASSERT_TRUE(replaceFileContents("C:\\" + std::string(254, 'M'), "created"));
    EXPECT_EQ(entriesIn(tree.root()), 2u);
    EXPECT_FALSE(replaceFileContents("C:\\" + std::string(256, 'L'), "x"));
}

#ifndef _WIN32

// New files of a save killed midway are removed by a later save into the folder only when they provably
// belong to an ended process of this machine: not another machine's (a network folder), not one whose
// writer runs, not one whose lock is held.
TEST(FileReplacement, OnlyLeftoversOfEndedProcessesOfThisMachineGo) {
    test::TempTree tree;
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const uint32_t here = machineMarkOf(host);
    const std::string dead = temporaryNamePrefix(here, static_cast<unsigned long>(ended)) + "AbC123";
    const std::string deadLocked = temporaryNamePrefix(here, static_cast<unsigned long>(ended)) + "LoCk12";
    const std::string live = temporaryNamePrefix(here, static_cast<unsigned long>(::getppid())) + "XyZ789";
    const std::string elsewhere = temporaryNamePrefix(here + 1, static_cast<unsigned long>(ended)) + "QwE456";
    for (const auto& name : {dead, deadLocked, live, elsewhere}) {
        tree.write(name, "half");
    }
    const int lock = ::open(tree.host(deadLocked).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);

    ASSERT_TRUE(replaceFileContents("C:\\JOB.LST", "new"));
    ::close(lock);
    EXPECT_EQ(tree.read("JOB.LST"), "new");
    EXPECT_FALSE(tree.exists(dead));
    EXPECT_TRUE(tree.exists(deadLocked));
    EXPECT_TRUE(tree.exists(live));
    EXPECT_TRUE(tree.exists(elsewhere));
}

// Killed at any moment, a save leaves the old content or the new, never a mix or a cut file: in the
// user's own folder and in a group-shared folder where the file belongs to another user.
constexpr size_t kKillTestSize = 1000000;

int tornFilesAfterKills(const test::TempTree& tree, const std::string& name, const std::function<void()>& becomeWriter,
                        int rounds) {
    const std::string a(kKillTestSize, 'a');
    const std::string b = std::string(kKillTestSize / 2, 'b') + "\r\n";
    std::mt19937 random(3);
    int oldContent = 0;
    int newContent = 0;
    int torn = 0;
    for (int round = 0; round < rounds; ++round) {
        const std::string before = tree.read(name);
        const pid_t child = ::fork();
        if (child == 0) {
            becomeWriter();
            for (;;) {
                replaceFileContents("C:\\SHARED\\" + name.substr(name.rfind('/') + 1), before == a ? b : a);
                replaceFileContents("C:\\SHARED\\" + name.substr(name.rfind('/') + 1), before);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200 + random() % 20000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string after = tree.read(name);
        (after == before ? oldContent : after == a || after == b ? newContent : torn) += 1;
    }
    std::cout << "[ kills    ] " << name << ": " << oldContent << " old, " << newContent << " new, " << torn
              << " torn\n";
    return torn;
}

TEST(FileReplacement, KillingASaveLeavesTheOldOrTheNewContent) {
    test::TempTree tree;
    tree.write("SHARED/JOB.LST", std::string(kKillTestSize, 'a'));
    EXPECT_EQ(tornFilesAfterKills(
                  tree, "SHARED/JOB.LST", [] {}, 30),
              0);
    ASSERT_TRUE(replaceFileContents("C:\\SHARED\\JOB.LST", "b"));
    EXPECT_EQ(entriesIn(tree.host("SHARED")), 1u);  // the killed saves' new files are gone
}

TEST(FileReplacement, KillingASaveOfAnotherUsersSharedFileLeavesTheOldOrTheNewContent) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a group-shared folder of other users";
    }
    test::TempTree tree;
    constexpr gid_t kShop = 4000;
    tree.write("SHARED/OUT.NC", std::string(kKillTestSize, 'a'));
    ::chmod(tree.root().c_str(), 0755);
    ASSERT_EQ(::chown(tree.host("SHARED").c_str(), 4001, kShop), 0);
    ASSERT_EQ(::chmod(tree.host("SHARED").c_str(), 02775), 0);
    ASSERT_EQ(::chown(tree.host("SHARED/OUT.NC").c_str(), 4001, kShop), 0);
    ASSERT_EQ(::chmod(tree.host("SHARED/OUT.NC").c_str(), 0664), 0);
    const auto becomeAnotherShopUser = [] {
        const gid_t groups[] = {kShop};
        if (::setgroups(1, groups) != 0 || ::setgid(4002) != 0 || ::setuid(4002) != 0) {
            ::_exit(1);
        }
    };
    EXPECT_EQ(tornFilesAfterKills(tree, "SHARED/OUT.NC", becomeAnotherShopUser, 40), 0);
    struct stat st {};
    ::stat(tree.host("SHARED/OUT.NC").c_str(), &st);
    EXPECT_EQ(st.st_gid, kShop);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
}

#endif

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
