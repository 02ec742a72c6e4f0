#include "platform/drives.h"

#include <algorithm>
#include <cctype>

#include "platform/codepage.h"
#include "platform/host_files.h"
#include "platform/mbcs.h"

namespace tarvelin::platform {
namespace {

char upperLetter(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool isDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDrivePath(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' && isDriveLetter(path[0]);
}

// Splits a code page 932 path at "\" and "/" (never at a trail byte), dropping empty components.
std::vector<std::string> splitDrivePath(std::string_view path) {
    std::vector<std::string> parts;
    size_t begin = 0;
    for (size_t i = 0; i <= path.size();) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (i > begin) {
                parts.emplace_back(path.substr(begin, i - begin));
            }
            begin = i + 1;
            ++i;
        } else {
            i += charLengthAt(path, i);
        }
    }
    return parts;
}

// Resolves "." and ".." among components below a root; ".." never climbs above the root.
std::vector<std::string> resolveDots(const std::vector<std::string>& parts) {
    std::vector<std::string> resolved;
    for (const auto& part : parts) {
        if (part == ".") {
            continue;
        }
        if (part == "..") {
            if (!resolved.empty()) {
                resolved.pop_back();
            }
            continue;
        }
        resolved.push_back(part);
    }
    return resolved;
}

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The host name of a code page 932 name in a folder: its exact conversion or its raw bytes when an entry
// has that name, else the entry that `byForm` matches by code page 932 form, else the name a new entry gets.
template <typename Exists, typename ByForm>
std::string resolveName(const std::string& name, Exists exists, ByForm byForm) {
    std::string converted;
    const bool convertible = tryCp932ToUtf8(name, converted);
    if (convertible && exists(converted)) {
        return converted;
    }
    if (exists(name)) {
        return name;
    }
    if (std::optional<std::string> match = byForm(name)) {
        return *std::move(match);
    }
    return convertible ? converted : name;
}

// The host name of one code page 932 path component inside the host folder `parent`. The folder is read
// only when neither the converted name nor the raw bytes exist.
std::string componentToHost(const std::string& parent, const std::string& component) {
    return resolveName(
        component, [&](const std::string& name) { return hostEntryExists(parent + "/" + name); },
        [&](const std::string& name) { return HostFolderNames::read(parent).withForm(name); });
}

// Appends code page 932 components to a host folder ("" for the current folder).
std::string appendComponents(std::string folder, const std::vector<std::string>& components) {
    for (const auto& component : components) {
        const std::string parent = folder.empty() ? "." : folder;
        if (!folder.empty() && folder.back() != '/') {
            folder += '/';
        }
        folder += componentToHost(parent, component);
    }
    return folder;
}

// A drive's host folder without a trailing "/", except a root, which keeps it ("/", "C:/").
std::string normalizedRoot(std::string root) {
    while (root.size() > 1 && root.back() == '/' && !isHostRoot(root)) {
        root.pop_back();
    }
    return root;
}

// Whether `hostPath` lies in the drive folder `root` (a root holds every path that starts with it). The
// drive letter of a Windows root matches in either case.
bool holds(std::string_view root, std::string_view hostPath) {
    if (hostPath.size() < root.size()) {
        return false;
    }
    for (size_t i = 0; i < root.size(); ++i) {
        if (upperLetter(root[i]) != upperLetter(hostPath[i])) {
            return false;
        }
        if (i > 0 && root[i] != hostPath[i]) {
            return false;  // only the letter before a root's ':' may differ in case
        }
    }
    return root.back() == '/' || hostPath.size() == root.size() || hostPath[root.size()] == '/';
}

DriveTable& installedTable() {
    static DriveTable table = DriveTable::systemDefault();
    return table;
}

}  // namespace

std::string driveEntryText(const Drive& drive) {
    std::string entry{static_cast<char>(drive.letter - 'A' + 'a'), ':'};
    if (drive.letter == 'A') {
        return entry;  // the floppy drive, removable wherever it is mapped
    }
    switch (drive.kind) {
        case DriveKind::Removable:
            return drive.label.empty() ? entry : entry + " [" + hostNameToCp932(drive.label) + "]";
        case DriveKind::Network:
            return entry + " " + hostNameToCp932(drive.label);
        case DriveKind::Fixed:
            break;
    }
    std::string label = drive.label;
    if (label.empty() && drive.hostRoot.substr(0, 1) == "/") {
        label = drive.hostRoot == "/" ? "/" : drive.hostRoot.substr(drive.hostRoot.rfind('/') + 1);
    }
    return entry + " [" + hostNameToCp932(label) + "]";
}

void DriveTable::set(char letter, std::string hostRoot, std::string label, DriveKind kind) {
    letter = upperLetter(letter);
    if (!isDriveLetter(letter)) {
        return;
    }
    drives_.erase(std::remove_if(drives_.begin(), drives_.end(), [&](const Drive& d) { return d.letter == letter; }),
                  drives_.end());
    currentFolders_.erase(letter);
    if (hostRoot.empty()) {
        return;
    }
    const auto at =
        std::lower_bound(drives_.begin(), drives_.end(), letter, [](const Drive& d, char l) { return d.letter < l; });
    drives_.insert(at, Drive{letter, normalizedRoot(std::move(hostRoot)), std::move(label), kind});
}

const Drive* DriveTable::find(char letter) const {
    letter = upperLetter(letter);
    for (const auto& drive : drives_) {
        if (drive.letter == letter) {
            return &drive;
        }
    }
    return nullptr;
}

std::string DriveTable::currentFolder(char letter) const {
    letter = upperLetter(letter);
    std::string folder{letter, ':', '\\'};
    if (const auto it = currentFolders_.find(letter); it != currentFolders_.end()) {
        folder += it->second;
    }
    return folder;
}

bool DriveTable::setCurrentFolder(std::string_view drivePath) {
    if (!isDrivePath(drivePath) || find(drivePath[0]) == nullptr) {
        return false;
    }
    const char letter = upperLetter(drivePath[0]);
    std::vector<std::string> parts;
    const std::string_view rest = drivePath.substr(2);
    if (rest.empty() || (rest[0] != '\\' && rest[0] != '/')) {
        parts = splitDrivePath(currentFolder(letter).substr(2));
    }
    for (auto& part : splitDrivePath(rest)) {
        parts.push_back(std::move(part));
    }
    std::string joined;
    for (const auto& part : resolveDots(parts)) {
        joined += joined.empty() ? "" : "\\";
        joined += part;
    }
    currentFolders_[letter] = joined;
    return true;
}

std::optional<std::string> DriveTable::toHostPath(std::string_view path) const {
    char letter = 'C';
    std::string_view rest = path;
    if (isDrivePath(path)) {
        letter = upperLetter(path[0]);
        rest = path.substr(2);
    } else if (path.empty() || path[0] != '\\') {
        // A host path: only "/" separates, and ".." is left to the host.
        std::vector<std::string> parts;
        size_t begin = 0;
        for (size_t i = 0; i <= path.size(); ++i) {
            if (i == path.size() || path[i] == '/') {
                if (i > begin) {
                    parts.emplace_back(path.substr(begin, i - begin));
                }
                begin = i + 1;
            }
        }
        return appendComponents(path.substr(0, 1) == "/" ? "/" : "", parts);
    }
    const Drive* drive = find(letter);
    if (drive == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> parts;
    if (rest.empty() || (rest[0] != '\\' && rest[0] != '/')) {
        parts = splitDrivePath(currentFolder(letter).substr(2));
    }
    for (auto& part : splitDrivePath(rest)) {
        parts.push_back(std::move(part));
    }
    return appendComponents(drive->hostRoot, resolveDots(parts));
}

std::optional<std::string> DriveTable::toDrivePath(std::string_view hostPath) const {
    const Drive* best = nullptr;
    for (const auto& drive : drives_) {
        const std::string& root = drive.hostRoot;
        if (holds(root, hostPath) && (best == nullptr || root.size() > best->hostRoot.size())) {
            best = &drive;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    std::string result{best->letter, ':', '\\'};
    const std::string_view rest = hostPath.substr(std::min(hostPath.size(), best->hostRoot.size()));
    bool first = true;
    size_t begin = 0;
    for (size_t i = 0; i <= rest.size(); ++i) {
        if (i == rest.size() || rest[i] == '/') {
            if (i > begin) {
                result += first ? "" : "\\";
                result += hostNameToCp932(rest.substr(begin, i - begin));
                first = false;
            }
            begin = i + 1;
        }
    }
    return result;
}

const DriveTable& drives() {
    return installedTable();
}

DriveTable& mutableDrives() {
    return installedTable();
}

void installDrives(DriveTable table) {
    installedTable() = std::move(table);
}

std::optional<std::string> hostPath(std::string_view path) {
    return installedTable().toHostPath(path);
}

std::string hostNameToCp932(std::string_view hostName) {
    std::string converted;
    if (tryUtf8ToCp932(hostName, converted)) {
        return converted;
    }
    return std::string(hostName);
}

HostFolderNames::HostFolderNames(const std::vector<std::string>& hostNames) {
    for (const auto& name : hostNames) {
        names_.insert(name);
        // An ASCII name is its own form, and a program name equal to it finds it directly.
        if (isAscii(name)) {
            continue;
        }
        const auto [it, added] = byForm_.emplace(hostNameToCp932(name), name);
        if (!added && name < it->second) {
            it->second = name;
        }
    }
}

HostFolderNames HostFolderNames::read(const std::string& hostFolder) {
    std::vector<std::string> names;
    for (auto& entry : readHostFolder(hostFolder, false)) {
        names.push_back(std::move(entry.name));
    }
    return HostFolderNames(names);
}

std::string HostFolderNames::find(std::string_view cp932Name) const {
    return resolveName(
        std::string(cp932Name), [this](const std::string& name) { return names_.count(name) != 0; },
        [this](const std::string& name) { return withForm(name); });
}

std::optional<std::string> HostFolderNames::withForm(std::string_view cp932Name) const {
    const auto it = byForm_.find(std::string(cp932Name));
    if (it == byForm_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<std::string> HostFolderNames::programName(std::string_view hostName) const {
    std::string form = hostNameToCp932(hostName);
    // The form must stay one component in a path: no separator of its own, no lead byte at its end that
    // would take the next separator as its trail byte.
    const std::vector<std::string> parts = splitDrivePath(form + "\\x");
    if (parts.size() != 2 || parts[0] != form || form == "." || form == "..") {
        return std::nullopt;
    }
    if (find(form) != hostName) {
        return std::nullopt;
    }
    return form;
}

}  // namespace tarvelin::platform
