// Desktop launchers on Windows: shell links written through the shell's own link object, read back here
// through the same object as the desktop reads them.
#include <filesystem>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/desktop_launcher.h"

#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

namespace fs = std::filesystem;

std::wstring wide(const std::string& utf8) {
    std::wstring text(utf8.size(), L'\0');
    text.resize(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                                      static_cast<int>(text.size())));
    return text;
}

std::wstring backslashed(const std::string& hostPath) {
    std::wstring path = wide(hostPath);
    for (wchar_t& c : path) {
        c = c == L'/' ? L'\\' : c;
    }
    return path;
}

struct ReadLink {
    std::wstring target;
    std::wstring workingFolder;
    std::wstring description;
    std::wstring icon;
};

// Loads a shell link as the desktop does; nothing when it is no link.
std::optional<ReadLink> readLink(const std::string& hostPath) {
    std::optional<ReadLink> result;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return result;
    }
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(backslashed(hostPath).c_str(), STGM_READ))) {
        wchar_t target[MAX_PATH] = {};
        wchar_t folder[MAX_PATH] = {};
        wchar_t description[INFOTIPSIZE] = {};
        wchar_t icon[MAX_PATH] = {};
        int iconIndex = -1;
        if (SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
            SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH)) &&
            SUCCEEDED(link->GetDescription(description, INFOTIPSIZE)) &&
            SUCCEEDED(link->GetIconLocation(icon, MAX_PATH, &iconIndex))) {
            result = ReadLink{target, folder, description, icon};
        }
    }
    if (file != nullptr) {
        file->Release();
    }
    if (link != nullptr) {
        link->Release();
    }
    ::CoUninitialize();
    return result;
}

TEST(WorkingFolderOf, TheProgramsFolderAndADrivesRootWithItsSlash) {
    EXPECT_EQ(workingFolderOf("C:/Tools/NC/tarvelin.exe"), "C:/Tools/NC");
    EXPECT_EQ(workingFolderOf("D:/tarvelin.exe"), "D:/");
}

TEST(WriteDesktopLauncher, AShellLinkStartsTheProgramInItsFolderWithItsIcon) {
    test::TempTree tree;
    tree.write("NC tools/tarvelin.exe", "MZ");
    tree.makeFolder("Desktop");
    const std::string program = tree.host("NC tools/tarvelin.exe");
    const Launcher old{"NCﾃﾞｰﾀ結合", tree.host("old.exe"), tree.root(), ""};
    const Launcher launcher{"NCﾃﾞｰﾀ結合", program, workingFolderOf(program), tree.host("NC tools/tarvelin.ico")};
    ASSERT_TRUE(writeDesktopLauncher(tree.host("Desktop"), "NCﾃﾞｰﾀ結合.lnk", old));
    ASSERT_TRUE(writeDesktopLauncher(tree.host("Desktop") + "/", "NCﾃﾞｰﾀ結合.lnk", launcher));

    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(fs::path(wide(tree.host("Desktop"))))) {
        names.push_back(entry.path().filename().wstring());
    }
    ASSERT_EQ(names, std::vector<std::wstring>{wide("NCﾃﾞｰﾀ結合.lnk")});  // replaced, no new file left beside it
    const auto link = readLink(tree.host("Desktop/NCﾃﾞｰﾀ結合.lnk"));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->target, backslashed(program));
    EXPECT_EQ(link->workingFolder, backslashed(tree.host("NC tools")));
    EXPECT_EQ(link->description, wide("NCﾃﾞｰﾀ結合"));
    EXPECT_EQ(link->icon, backslashed(tree.host("NC tools/tarvelin.ico")));
}

TEST(WriteDesktopLauncher, RefusesWhatCannotBeWrittenAndLeavesNothing) {
    test::TempTree tree;
    const Launcher launcher{"NC", tree.host("t.exe"), tree.root(), ""};
    EXPECT_FALSE(writeDesktopLauncher("", "a.lnk", launcher));
    EXPECT_FALSE(writeDesktopLauncher(tree.host("missing"), "a.lnk", launcher));
    tree.makeFolder("taken.lnk");
    EXPECT_FALSE(writeDesktopLauncher(tree.root(), "taken.lnk", launcher));
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(wide(tree.root()))), {}), 1);
}

}  // namespace
}  // namespace tarvelin::platform
