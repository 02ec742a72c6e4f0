#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// Drive letters on a host without them.
//
// The program's own paths are drive-letter paths in code page 932 ("C:\NC\A.NC"). A drive table maps each
// letter to a host folder; the path of a file on the host is built from that folder and the path's
// components, each converted to the host's file-name encoding (UTF-8). A component that has no UTF-8
// form, or whose UTF-8 form does not exist while its raw bytes do (a Shift-JIS name written by another
// desktop), is used as the raw bytes.
namespace tarvelin::platform {

enum class DriveKind { Fixed, Removable, Network };

struct Drive {
    char letter = 'C';     // upper case, 'A'..'Z'
    std::string hostRoot;  // absolute host folder, without a trailing "/" unless it is a root ("/", "C:/")
    std::string label;     // the volume's label, or a network drive's name (host text); may be empty
    DriveKind kind = DriveKind::Fixed;
};

// A drive's entry in the drive list (code page 932): its letter in lower case and a colon, then for a fixed
// drive a blank and its label in square brackets, for a network drive a blank and its name, for a removable
// drive nothing (a removable volume of this desktop shows its own label in brackets). A: is the floppy
// drive and shows nothing. A fixed drive that is a folder here and has no label of its own is labelled
// with the folder's name ("/" for the root).
std::string driveEntryText(const Drive& drive);

class DriveTable {
public:
    // The table of this desktop. On Windows the system's own drives with their labels (`overrides` do not
    // apply). Elsewhere C: is the user's home folder, Z: the host's root, and every mounted removable
    // volume takes a free letter from D: on, with its label; A: exists only when `overrides` names it.
    // `overrides` maps letters to host folders (the settings file's [Drives] section); an empty folder
    // removes the letter.
    static DriveTable systemDefault(const std::map<char, std::string>& overrides = {});

    // Adds or replaces a drive; an empty host root removes it. Letters are taken without regard to case.
    void set(char letter, std::string hostRoot, std::string label = {}, DriveKind kind = DriveKind::Fixed);

    // The drives in letter order.
    const std::vector<Drive>& drives() const { return drives_; }
    const Drive* find(char letter) const;

    // The current folder of a drive as a drive path: the root ("C:\") until set.
    std::string currentFolder(char letter) const;
    // Makes a drive path's folder the current folder of its drive. Returns false for a path that is not
    // on a drive of the table.
    bool setCurrentFolder(std::string_view drivePath);

    // The host path of a program path, or nothing for a drive that is not in the table. A drive path is
    // resolved against its drive ("C:NC" against the drive's current folder, "\NC" against drive C:);
    // "." and ".." are resolved within the drive, never above its root. A host path (absolute or relative)
    // is used as it stands, with its components converted.
    std::optional<std::string> toHostPath(std::string_view path) const;

    // The drive path of an absolute host path: the drive whose folder holds it most closely, with the
    // rest of the path converted to code page 932. Nothing when no drive holds it.
    std::optional<std::string> toDrivePath(std::string_view hostPath) const;

private:
    std::vector<Drive> drives_;
    std::map<char, std::string> currentFolders_;  // letter -> components below the root, joined by "\"
};

// The drive table that the program's file services use. The application installs the table built from its
// settings at start-up; tests install their own.
const DriveTable& drives();
DriveTable& mutableDrives();
void installDrives(DriveTable table);

// Maps a program path through the installed table. Nothing for a drive that is not in the table.
std::optional<std::string> hostPath(std::string_view path);

// Converts one host file name to code page 932: its converted form when the name is valid UTF-8 that code
// page 932 can hold, otherwise its bytes as they stand.
std::string hostNameToCp932(std::string_view hostName);

// The entries of one host folder, matched by name as the program sees them.
//
// A host name reaches the program as hostNameToCp932 gives it, and code page 932 does not convert back to
// every name: 0x81 0x60 comes back as U+FF5E "～" from a name typed with U+301C "〜" (likewise "−", "‖", "¢",
// "£", "¬"). A program name therefore finds its entry by its exact conversion or its raw bytes when such an
// entry exists, and otherwise by the entries' code page 932 forms, the first in byte order when several
// entries share a form.
class HostFolderNames {
public:
    explicit HostFolderNames(const std::vector<std::string>& hostNames);
    // The entries of a host folder (none when it cannot be read).
    static HostFolderNames read(const std::string& hostFolder);

    // The host name that a code page 932 name stands for in this folder: the existing entry it matches, or
    // the name that a new entry gets.
    std::string find(std::string_view cp932Name) const;
    // The first entry (in byte order) whose code page 932 form is `cp932Name` and whose name is not ASCII.
    std::optional<std::string> withForm(std::string_view cp932Name) const;
    // The code page 932 name under which the program reaches the entry `hostName`, or nothing when no
    // program path leads to it (another entry takes its form, or its form would split as a path).
    std::optional<std::string> programName(std::string_view hostName) const;

private:
    std::unordered_set<std::string> names_;
    std::unordered_map<std::string, std::string> byForm_;  // code page 932 form -> first host name
};

}  // namespace tarvelin::platform
