#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "platform/drives.h"
#include "platform/posix/removable_volumes.h"

// The drive letters of this desktop: the user's home, the root, and the user's mounted media.
namespace tarvelin::platform {
namespace {

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

// Where the desktop mounts a user's removable media.
bool isUnderMedia(std::string_view hostRoot) {
    return hostRoot.rfind("/media/", 0) == 0 || hostRoot.rfind("/run/media/", 0) == 0;
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
        table.set(letter, root, {}, isUnderMedia(root) ? DriveKind::Removable : DriveKind::Fixed);
    }
    char next = 'D';
    for (const auto& volume : removableVolumes(readHostFile("/proc/self/mountinfo"), userName(), volumeLabels())) {
        while (next < 'Z' && (table.find(next) != nullptr || overrides.count(next) != 0)) {
            ++next;
        }
        if (next >= 'Z') {
            break;
        }
        table.set(next, volume.mountPoint, volume.label, DriveKind::Removable);
    }
    return table;
}

}  // namespace tarvelin::platform
