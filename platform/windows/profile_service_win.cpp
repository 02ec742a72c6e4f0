#include <algorithm>
#include <exception>
#include <windows.h>

#include "platform/codepage.h"
#include "platform/drives.h"
#include "platform/file_replacement.h"
#include "platform/files.h"
#include "platform/host_files.h"
#include "platform/private_profile.h"
#include "platform/windows/wide.h"

// The private-profile service of Windows, GetPrivateProfileStringA and WritePrivateProfileStringA, for the
// settings file. The "A" functions read and write the file in the system's ANSI code page, which must be 932
// for the file's Shift-JIS bytes; on a system of another code page the program's own engine, which answers
// as the service does under 932, takes their place.
namespace tarvelin::platform {
namespace {

bool systemSpeaks932() {
    return ::GetACP() == 932;
}

// The file's path for the "A" functions: its host path in code page 932, or nothing when a character of it
// has no code there or a code that reads back as another character ("〜" is saved as the code of "～"), or
// when the path is too long for them (they know no "\\?\" form).
std::optional<std::string> ansiPathOf(const std::string& hostPath) {
    std::string path;
    std::string back;
    if (!tryUtf8ToCp932(hostPath, path) || !tryCp932ToUtf8(path, back) || back != hostPath || path.size() >= MAX_PATH) {
        return std::nullopt;
    }
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

std::optional<std::string> ansiPathOfProgramPath(std::string_view path) {
    const auto host = hostPath(path);
    return host ? ansiPathOf(*host) : std::nullopt;
}

const char* orNull(const std::optional<std::string>& text) {
    return text ? text->c_str() : nullptr;
}

// The content of a host file, or nothing when it cannot be read.
std::optional<std::string> readHostFile(const std::string& hostPath) {
    const HANDLE file = ::CreateFileW(widePathOf(hostPath).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ::ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) {
        content.append(buffer, got);
    }
    ::CloseHandle(file);
    return ok ? std::optional(std::move(content)) : std::nullopt;
}

}  // namespace

struct ProfileReader::Source {
    std::optional<std::string> ansiPath;  // read through the system
    Profile profile;                      // or through the engine
};

ProfileReader::ProfileReader(std::string_view path) : source_(std::make_unique<Source>()) {
    source_->ansiPath = systemSpeaks932() ? ansiPathOfProgramPath(path) : std::nullopt;
    if (!source_->ansiPath) {
        source_->profile = loadProfile(path);
    }
}

ProfileReader::~ProfileReader() = default;

std::string ProfileReader::value(std::string_view section, std::string_view key,
                                 std::optional<std::string_view> defaultValue, size_t bufferSize) const {
    if (!source_->ansiPath) {
        return profileString(source_->profile, section, key, defaultValue, bufferSize);
    }
    std::string buffer(std::max<size_t>(bufferSize, 1), '\0');
    const std::string sectionText(section);
    const std::string keyText(key);
    const std::optional<std::string> defaultText =
        defaultValue ? std::optional(std::string(*defaultValue)) : std::nullopt;
    const DWORD n = ::GetPrivateProfileStringA(sectionText.c_str(), keyText.c_str(), orNull(defaultText), buffer.data(),
                                               static_cast<DWORD>(buffer.size()), source_->ansiPath->c_str());
    // A value cut short at a double-byte character counts a byte that the service leaves unwritten: the
    // value ends at the first NUL, which no value holds.
    buffer.resize(std::min<size_t>(n, buffer.size() - 1));
    buffer.resize(std::min(buffer.size(), buffer.find('\0')));
    return buffer;
}

std::vector<std::string> ProfileReader::keyNames(std::string_view section) const {
    if (!source_->ansiPath) {
        return source_->profile.keyNames(section);
    }
    const std::string sectionText(section);
    std::string buffer(4096, '\0');
    DWORD n = 0;
    for (;;) {
        n = ::GetPrivateProfileStringA(sectionText.c_str(), nullptr, "", buffer.data(),
                                       static_cast<DWORD>(buffer.size()), source_->ansiPath->c_str());
        if (n + 2 < buffer.size()) {
            break;
        }
        buffer.resize(buffer.size() * 2);  // the list was cut: read it again into more room
    }
    std::vector<std::string> names;
    for (size_t at = 0; at < n;) {
        const size_t end = buffer.find('\0', at);
        names.push_back(buffer.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

bool writeProfileStrings(std::string_view path, const std::vector<ProfileEdit>& edits) {
    const auto host = hostPath(path);
    if (!systemSpeaks932() || !host || !ansiPathOf(*host)) {
        return writeProfileStringsByEngine(path, edits);
    }
    const bool exists = fileExists(path);
    if (exists && !hostFileWritable(*host)) {
        return false;
    }
    // The service writes a copy of the file, which takes the file's place once every change is in it.
    auto copy = FileReplacement::prepare(*host);
    if (!copy) {
        return false;
    }
    const auto copyPath = ansiPathOf(copy->temporaryHostPath());
    if (!copyPath) {
        copy.reset();  // the copy's longer name does not fit the "A" functions
        return writeProfileStringsByEngine(path, edits);
    }
    std::string before;
    try {
        before = exists ? readWholeFile(path) : std::string();
    } catch (const std::exception&) {
        return false;
    }
    if (!copy->write(before)) {
        return false;
    }
    for (const auto& edit : edits) {
        if (!::WritePrivateProfileStringA(edit.section.c_str(), orNull(edit.key), orNull(edit.value),
                                          copyPath->c_str())) {
            return false;
        }
    }
    // Changes that change nothing (a key set to the value it holds, a missing key removed) leave the file as
    // it was, not replaced by an equal copy.
    const auto after = readHostFile(copy->temporaryHostPath());
    if (after && *after == before) {
        return true;
    }
    return copy->commit({});
}

}  // namespace tarvelin::platform
