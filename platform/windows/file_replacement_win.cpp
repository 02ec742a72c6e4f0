#include <algorithm>
#include <random>
#include <utility>
#include <windows.h>

#include "platform/drives.h"
#include "platform/file_replacement.h"
#include "platform/host_files.h"
#include "platform/temporary_name.h"
#include "platform/termination.h"
#include "platform/windows/wide.h"

// Saves on Windows: the new content goes to a new file beside the old one, which ReplaceFileW (the old file's
// attributes and security kept) or MoveFileExW puts in the old one's place, written through to the disk.
// The file the path names is found by the system (links followed) and must be one that this user may open
// for writing and removal now: a file with the read-only attribute, a folder, or a file that another program
// holds without sharing it (also one held open without leave to remove it, which no rename could replace)
// refuses the save before anything is written.
namespace tarvelin::platform {
namespace {

uint32_t thisMachine() {
    static const uint32_t mark = [] {
        wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
        ::GetComputerNameW(name, &size);
        return machineMarkOf(utf8Of(std::wstring_view(name, size)));
    }();
    return mark;
}

std::string folderOf(const std::string& host) {
    const size_t slash = host.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return host.substr(0, isHostRoot(host.substr(0, slash + 1)) ? slash + 1 : slash);
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Whether a process of this machine with that number runs.
bool processRuns(unsigned long process) {
    const HANDLE handle = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
    if (handle == nullptr) {
        return ::GetLastError() == ERROR_ACCESS_DENIED;  // it runs, as another user
    }
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(handle, &code) && code == STILL_ACTIVE;
    ::CloseHandle(handle);
    return running;
}

// Removes the new files that ended processes of this machine left in the folder (killed during a save).
void removeLeftovers(const std::string& folder) {
    for (const auto& entry : readHostFolder(folder, false)) {
        const auto owner = ownerOfTemporaryName(entry.name);
        if (owner && owner->machineMark == thisMachine() && owner->process != ::GetCurrentProcessId() &&
            !processRuns(owner->process)) {
            ::DeleteFileW(widePathOf(joined(folder, entry.name)).c_str());
        }
    }
}

// The file that a host path names, as the system resolves it, when it is one this user may replace; the
// attributes of an existing one.
std::optional<std::string> resolvedWritableFile(const std::string& hostPath, bool& exists, DWORD& attributes) {
    exists = false;
    const HANDLE file = ::CreateFileW(widePathOf(hostPath).c_str(), GENERIC_WRITE | DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (lastErrorIsMissing() && !hostEntryExists(hostPath)) {
            return hostPath;  // a new file
        }
        return std::nullopt;  // read-only, a folder, held by another program, a folder on the way missing
    }
    exists = true;
    // The read-only attribute is checked as well as the open: an administrator of some systems (and root
    // under Wine) opens such a file for writing all the same.
    BY_HANDLE_FILE_INFORMATION info{};
    const bool disk = ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
                      (info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
    attributes = info.dwFileAttributes;
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    if (n >= final.size()) {
        final.resize(n + 1);
        n = ::GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(file);
    if (!disk) {
        return std::nullopt;
    }
    if (n == 0 || n >= final.size()) {
        return hostPath;
    }
    final.resize(n);
    if (final.rfind(L"\\\\?\\", 0) == 0 && final.size() > 6 && final[5] == L':') {
        final.erase(0, 4);  // "\\?\C:\..." as "C:\..."
    }
    std::string resolved = utf8Of(final);
    for (char& c : resolved) {
        c = c == '\\' ? '/' : c;
    }
    return resolved;
}

}  // namespace

struct FileReplacement::State {
    std::string target;  // the file that the new one replaces, as the system resolved the path
    bool exists = false;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;  // the old file's
    std::string temporary;                     // the new file
    HANDLE file = INVALID_HANDLE_VALUE;
    std::optional<PendingFile> pending;

    ~State() {
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
        }
        if (!temporary.empty()) {
            ::DeleteFileW(widePathOf(temporary).c_str());
        }
    }
};

FileReplacement::FileReplacement(std::unique_ptr<State> state) : state_(std::move(state)) {}
FileReplacement::FileReplacement(FileReplacement&& other) noexcept = default;
FileReplacement::~FileReplacement() = default;

std::optional<FileReplacement> FileReplacement::prepare(const std::string& hostPath) {
    if (hostPath.empty() || hostPath.back() == '/') {
        return std::nullopt;
    }
    auto state = std::make_unique<State>();
    auto target = resolvedWritableFile(hostPath, state->exists, state->attributes);
    if (!target) {
        return std::nullopt;
    }
    state->target = *std::move(target);
    const std::string folder = folderOf(state->target);
    removeLeftovers(folder);
    const std::string prefix = temporaryNamePrefix(thisMachine(), ::GetCurrentProcessId());
    std::mt19937 random(std::random_device{}());
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100 && state->file == INVALID_HANDLE_VALUE; ++attempt) {
        std::string name = prefix;
        for (int k = 0; k < 6; ++k) {
            name += kLetters[random() % (sizeof kLetters - 1)];
        }
        state->temporary = joined(folder, name);
        // Open to others (the print engine and the profile service write it by its name) and removable
        // while open, so that a termination request can take it away.
        state->file = ::CreateFileW(widePathOf(state->temporary).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (state->file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (state->file == INVALID_HANDLE_VALUE) {
        state->temporary.clear();
        return std::nullopt;  // the folder takes no new file
    }
    state->pending.emplace(state->temporary.c_str());
    return FileReplacement(std::move(state));
}

bool FileReplacement::write(std::string_view piece) {
    while (!piece.empty() && state_->file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        const DWORD asked = static_cast<DWORD>(std::min<size_t>(piece.size(), 1u << 30));
        if (!::WriteFile(state_->file, piece.data(), asked, &written, nullptr) || written == 0) {
            return false;
        }
        piece.remove_prefix(written);
    }
    return state_->file != INVALID_HANDLE_VALUE;
}

const std::string& FileReplacement::temporaryHostPath() const {
    return state_->temporary;
}

void FileReplacement::makeExecutable() {}  // Windows starts files by their name's ending

bool FileReplacement::commit(std::string_view data, Flush flush) {
    State& s = *state_;
    if (s.file == INVALID_HANDLE_VALUE || !write(data)) {
        return false;
    }
    const bool flushed = flush == Flush::Later || ::FlushFileBuffers(s.file);
    ::CloseHandle(std::exchange(s.file, INVALID_HANDLE_VALUE));
    if (!flushed) {
        return false;
    }
    const std::wstring temporary = widePathOf(s.temporary);
    const std::wstring target = widePathOf(s.target);
    // The new file loses the hidden mark that kept it out of sight while it was written and takes the old
    // one's attributes: not every ReplaceFileW carries them over (Wine's does not), and MoveFileExW never does.
    constexpr DWORD kKept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = s.exists ? s.attributes & kKept : 0;
    ::SetFileAttributesW(temporary.c_str(), attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
    bool replaced = false;
    if (s.exists) {
        replaced =
            ::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                           REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr) != 0;
    }
    if (!replaced) {
        replaced =
            ::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (!replaced) {
        return false;  // the destructor removes the new file
    }
    s.temporary.clear();
    s.pending.reset();
    return true;
}

}  // namespace tarvelin::platform
