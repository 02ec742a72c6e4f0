#include "core/paths.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace tarvelin::core {
namespace {

using platform::utf8ToCp932;

TEST(FolderOfPath, DriveRootKeepsItsBackslashSubFolderDoesNot) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\A.NC", "C:\\"},
        {"C:\\NC\\A.NC", "C:\\NC"},
        {"C:\\NC\\DATA\\A.NC", "C:\\NC\\DATA"},
        {"C:A.NC", "C:"},
        {"C:\\NC\\", "C:\\NC"},
        {"\\\\SERVER\\A.NC", "\\\\SERVER"},
        {"\\A.LST", "\\"},
        {"\\\\A.LST", "\\\\"},
        {"A.NC", ""},
        {"", ""},
        // "表" and "ソ" end with the byte of "\": it is part of the character, not a separator.
        {utf8ToCp932("C:\\表\\A.NC"), utf8ToCp932("C:\\表")},
        {utf8ToCp932("C:\\ソ表.NC"), "C:\\"},
        {utf8ToCp932("C:\\NC\\ソ"), "C:\\NC"},
    };
    for (const auto& [path, folder] : cases) {
        EXPECT_EQ(folderOfPath(path), folder) << platform::cp932ToUtf8(path);
    }
}

TEST(PathInFolder, AddsOneSeparator) {
    EXPECT_EQ(pathInFolder("C:\\", "Front.txt"), "C:\\Front.txt");
    EXPECT_EQ(pathInFolder("C:\\NC", "Front.txt"), "C:\\NC\\Front.txt");
    EXPECT_EQ(pathInFolder("/opt/bin", "End.txt"), "/opt/bin/End.txt");
    EXPECT_EQ(pathInFolder("/", "End.txt"), "/End.txt");
    EXPECT_EQ(pathInFolder(utf8ToCp932("C:\\表"), "A"), utf8ToCp932("C:\\表\\A"));
}

}  // namespace
}  // namespace tarvelin::core
