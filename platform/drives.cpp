#include "platform/drives.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "platform/codepage.h"
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

bool hostEntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
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

std::string normalizedRoot(std::string root) {
    while (root.size() > 1 && root.back() == '/') {
        root.pop_back();
    }
    return root;
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        return home;
    }
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return "/";
}

std::string userName() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_name != nullptr) {
        return pw->pw_name;
    }
    return {};
}

// A mount table field with its octal escapes ("\040" for a space) undone.
std::string unescapedField(std::string_view field) {
    const auto octal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) &&
            octal(field[i + 3])) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// A /dev/disk/by-label name with its "\x20" escapes undone.
std::string unescapedLabel(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name.substr(i, 2) == "\\x" && i + 3 < name.size() &&
            std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            out += static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16));
            i += 3;
        } else {
            out += name[i];
        }
    }
    return out;
}

std::string readHostFile(const char* path) {
    std::string text;
    if (FILE* file = std::fopen(path, "re")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            text.append(buffer, n);
        }
        std::fclose(file);
    }
    return text;
}

// The volume labels that udev publishes, by device number.
std::map<std::string, std::string> volumeLabels() {
    std::map<std::string, std::string> labels;
    const std::string base = "/dev/disk/by-label";
    DIR* dir = ::opendir(base.c_str());
    if (dir == nullptr) {
        return labels;
    }
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (entry->d_name[0] != '.' && ::stat((base + "/" + entry->d_name).c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
            labels[std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev))] =
                unescapedLabel(entry->d_name);
        }
    }
    ::closedir(dir);
    return labels;
}

DriveTable& installedTable() {
    static DriveTable table = DriveTable::systemDefault();
    return table;
}

}  // namespace

std::vector<MountedVolume> removableVolumes(std::string_view mountInfo, std::string_view user,
                                            const std::map<std::string, std::string>& labels) {
    std::vector<MountedVolume> volumes;
    if (user.empty()) {
        return volumes;
    }
    const std::string bases[] = {"/media/" + std::string(user) + "/", "/run/media/" + std::string(user) + "/"};
    for (size_t begin = 0; begin < mountInfo.size();) {
        size_t end = mountInfo.find('\n', begin);
        end = end == std::string_view::npos ? mountInfo.size() : end;
        // id parent major:minor root mount-point ...
        std::vector<std::string_view> fields;
        for (size_t at = begin; at < end && fields.size() < 5;) {
            const size_t space = std::min(mountInfo.find(' ', at), end);
            fields.push_back(mountInfo.substr(at, space - at));
            at = space + 1;
        }
        begin = end + 1;
        if (fields.size() < 5) {
            continue;
        }
        const std::string mountPoint = unescapedField(fields[4]);
        for (const auto& base : bases) {
            const std::string_view name = std::string_view(mountPoint).substr(std::min(base.size(), mountPoint.size()));
            if (mountPoint.rfind(base, 0) == 0 && !name.empty() && name.find('/') == std::string_view::npos) {
                const auto label = labels.find(std::string(fields[2]));
                volumes.push_back({mountPoint, label != labels.end() ? label->second : std::string(name)});
            }
        }
    }
    // A folder mounted over twice is one volume: the last mount is the one that shows.
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const MountedVolume& a, const MountedVolume& b) { return a.mountPoint < b.mountPoint; });
    std::vector<MountedVolume> unique;
    for (auto& volume : volumes) {
        if (!unique.empty() && unique.back().mountPoint == volume.mountPoint) {
            unique.back() = std::move(volume);
        } else {
            unique.push_back(std::move(volume));
        }
    }
    return unique;
}

DriveTable DriveTable::systemDefault(const std::map<char, std::string>& overrides) {
    DriveTable table;
    table.set('C', homeFolder());
    table.set('Z', "/");
    for (const auto& [letter, root] : overrides) {
        table.set(letter, root);
    }
    char next = 'D';
    for (const auto& volume : removableVolumes(readHostFile("/proc/self/mountinfo"), userName(), volumeLabels())) {
        while (next < 'Z' && (table.find(next) != nullptr || overrides.count(next) != 0)) {
            ++next;
        }
        if (next >= 'Z') {
            break;
        }
        table.set(next, volume.mountPoint, volume.label);
    }
    return table;
}

void DriveTable::set(char letter, std::string hostRoot, std::string label) {
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
    drives_.insert(at, Drive{letter, normalizedRoot(std::move(hostRoot)), std::move(label)});
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
        const bool holds = root == "/" ? hostPath.substr(0, 1) == "/"
                                       : hostPath.substr(0, root.size()) == root &&
                                             (hostPath.size() == root.size() || hostPath[root.size()] == '/');
        if (holds && (best == nullptr || root.size() > best->hostRoot.size())) {
            best = &drive;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    std::string result{best->letter, ':', '\\'};
    const std::string_view rest = hostPath.substr(best->hostRoot == "/" ? 1 : best->hostRoot.size());
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
    if (DIR* dir = ::opendir(hostFolder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
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
