#pragma once

#include <string>
#include <string_view>

// Desktop launchers: the icons that a desktop starts programs from. Here the freedesktop.org ".desktop"
// files, on Windows shell links (".lnk"). Names and values are host text (UTF-8).
namespace tarvelin::platform {

struct Launcher {
    std::string name;           // shown under the icon
    std::string target;         // the program started, a host path
    std::string workingFolder;  // the folder it starts in
    std::string icon;           // an icon file
};

// The ending of a launcher file's name here: ".desktop", or ".lnk" on Windows.
extern const char* const kLauncherExtension;

// The folder a launcher starts a program in: the program file's folder without a trailing separator,
// except a root, which keeps it ("/opt/nc/tarvelin" gives "/opt/nc", "/tarvelin" gives "/", "C:/t.exe"
// gives "C:/").
std::string workingFolderOf(std::string_view programHostPath);

// Writes the launcher `fileName` (with its ending) into `folder`, replacing one of that name, whole or not
// at all. Here it is made executable, as desktops ask of a launcher they are to trust. False, with nothing
// written, when the folder is empty, the path would not fit in a host path, or the file cannot be written.
bool writeDesktopLauncher(std::string_view folder, std::string_view fileName, const Launcher& launcher);

}  // namespace tarvelin::platform
