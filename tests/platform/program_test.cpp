#include "platform/program.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include "platform/host_files.h"

#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

// Where each kind of copy keeps its settings and data, and where it finds its manual and icon.
TEST(ProgramFolders, PortableCopiesKeepTheirFilesBesideThemInstalledOnesInTheConfigFolder) {
    test::TempTree tree;
    const std::string r = tree.root();
    tree.write("portable/tarvelin", "");
    tree.write("usr/bin/tarvelin", "");
    tree.makeFolder("usr/share/tarvelin");
    tree.write("home/bin/tarvelin", "");  // a bin/ without share/tarvelin beside it
#ifndef _WIN32
    tree.write("we ird\\x/tarvelin", "");
    tree.write("locked/tarvelin", "");
    ::chmod(tree.host("locked").c_str(), 0555);
#endif
    const UserFolders user{r + "/xdg", r + "/home"};
    struct Case {
        std::string program;
        UserFolders user;
        bool installed;
        std::string data;
        std::string shared;
    };
    std::vector<Case> cases = {
        {r + "/portable/tarvelin", user, false, r + "/portable", r + "/portable"},
        {r + "/usr/bin/tarvelin", user, true, r + "/xdg/tarvelin", r + "/usr/share/tarvelin"},
        {r + "/usr/bin/tarvelin", {"", r + "/home"}, true, r + "/home/.config/tarvelin", r + "/usr/share/tarvelin"},
        {r + "/usr/bin/tarvelin", {"xdg", r + "/home"}, true, r + "/home/.config/tarvelin", r + "/usr/share/tarvelin"},
        {r + "/home/bin/tarvelin", user, false, r + "/home/bin", r + "/home/bin"},
    };
#ifndef _WIN32  // Windows names hold no backslash, and a folder's read-only attribute does not stop new files
    // Program paths take a backslash for a separator: no program path names this folder.
    cases.push_back({r + "/we ird\\x/tarvelin", user, true, r + "/xdg/tarvelin", r + "/we ird\\x"});
    if (::geteuid() != 0) {  // root may write any folder
        cases.push_back({r + "/locked/tarvelin", user, true, r + "/xdg/tarvelin", r + "/locked"});
    }
#endif
    for (const auto& c : cases) {
        const ProgramFolders folders = programFoldersFor(c.program, c.user, isNameableFolder);
        EXPECT_EQ(folders.installed, c.installed) << c.program;
        EXPECT_EQ(folders.dataFolder, c.data) << c.program;
        EXPECT_EQ(folders.sharedFolder, c.shared) << c.program;
    }
#ifndef _WIN32
    ::chmod(tree.host("locked").c_str(), 0755);
#endif

    EXPECT_TRUE(makeFolders(r + "/xdg/deep/tarvelin"));
#ifdef _WIN32
    EXPECT_TRUE(isHostFolder(r + "/xdg/deep/tarvelin"));
#else
    struct stat st {};
    ASSERT_EQ(::stat((r + "/xdg/deep/tarvelin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
    EXPECT_EQ(toProgramFolder(r + "/xdg/deep/tarvelin"), "C:\\xdg\\deep\\tarvelin");
    tree.write("file", "");
    EXPECT_FALSE(makeFolders(r + "/file/tarvelin"));
}

}  // namespace
}  // namespace tarvelin::platform
