#pragma once

#include <string>
#include <string_view>

namespace tarvelin::platform {

// The host path of the running program file ("/opt/tarvelin/bin/tarvelin", "C:/Tarvelin/tarvelin.exe").
std::string executableHostPath();

// Where a copy of the program keeps its files, as host folders.
//
// A portable copy (one that runs from a folder its user can write, outside an installed layout) keeps
// the settings file and the front and end data beside the program file, and ships its manual and icon
// there too. An installed copy (the program file in a prefix's bin/ with share/tarvelin/ beside it, or in
// a folder its user cannot write) keeps them in the user's configuration folder and finds the manual and
// icon in share/tarvelin/. So does a copy whose folder no program path can name (a folder name holding a
// backslash, which program paths take for a separator).
struct ProgramFolders {
    bool installed = false;
    std::string dataFolder;    // tarvelin.INI, Front.txt, End.txt
    std::string sharedFolder;  // manual.html, tarvelin.png
};

// The environment that the rule reads, so that tests can give their own.
struct UserFolders {
    std::string configHome;  // $XDG_CONFIG_HOME (on Windows %APPDATA%); used only when absolute
    std::string home;        // the user's home folder
};
UserFolders userFoldersOfProcess();

// The folders of a program file at `programHostPath`. `nameable` tells whether a host folder can be named
// by a program path and mapped back to itself.
ProgramFolders programFoldersFor(std::string_view programHostPath, const UserFolders& user,
                                 bool (*nameable)(std::string_view hostFolder));

// The rule for the running program, with the installed drive table naming the folders.
ProgramFolders programFolders();

// Creates a folder and its missing parents (mode 0700, as the user's configuration folders are made).
// True when the folder exists afterwards.
bool makeFolders(std::string_view hostFolder);

// Whether a program path maps back to exactly this host folder through the installed drive table.
bool isNameableFolder(std::string_view hostFolder);

// A host folder as a program path: its drive path ("C:\.config\tarvelin"), else the host path in code
// page 932.
std::string toProgramFolder(std::string_view hostFolder);

}  // namespace tarvelin::platform
