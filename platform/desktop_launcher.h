#pragma once

#include <string>
#include <string_view>

// Desktop launchers: the freedesktop.org ".desktop" files that a desktop shows as icons and starts
// programs from. Names and values are host text (UTF-8).
namespace tarvelin::platform {

struct Launcher {
    std::string name;           // shown under the icon
    std::string target;         // the program started, a host path
    std::string workingFolder;  // the folder it starts in
    std::string icon;           // an icon file
};

// The text of a launcher file: an application entry that starts `target` with no arguments in
// `workingFolder`. Values are escaped as the desktop-entry format asks, the command line quoted.
std::string desktopEntryText(const Launcher& launcher);

// The folder a launcher starts a program in: the program file's folder without a trailing separator,
// except the root, which keeps it ("/opt/nc/tarvelin" gives "/opt/nc", "/tarvelin" gives "/").
std::string workingFolderOf(std::string_view programHostPath);

// Writes the launcher `fileName` into `folder`, replacing one of that name. The file is written whole
// or not at all and made executable, as desktops ask of a launcher they are to trust. False, with
// nothing written, when the folder is empty, the path would not fit in a host path, or the file cannot
// be written.
bool writeDesktopLauncher(std::string_view folder, std::string_view fileName, const Launcher& launcher);

}  // namespace tarvelin::platform
