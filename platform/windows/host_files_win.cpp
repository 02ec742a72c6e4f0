#include <optional>
#include <windows.h>

#include "platform/host_files.h"
#include "platform/windows/wide.h"

namespace tarvelin::platform {
namespace {

std::optional<DWORD> attributesOf(const std::string& hostPath) {
    const DWORD attributes = ::GetFileAttributesW(widePathOf(hostPath).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return attributes;
}

}  // namespace

bool hostEntryExists(const std::string& hostPath) {
    return attributesOf(hostPath).has_value();
}

bool isHostFolder(const std::string& hostPath) {
    const auto attributes = attributesOf(hostPath);
    return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<HostEntry> readHostFolder(const std::string& hostFolder, bool) {
    std::vector<HostEntry> entries;
    std::string pattern = hostFolder;
    if (pattern.empty() || pattern.back() != '/') {
        pattern += '/';
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW(widePathOf(pattern + "*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        return entries;
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const DWORD attributes = found.dwFileAttributes;
        const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A device name ("CON", "NUL") never shows in a folder; anything that is no folder is a file.
        entries.push_back(
            {utf8Of(name), folder, !folder, (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0});
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return entries;
}

bool hostFolderReadable(const std::string& hostFolder) {
    if (isHostRoot(hostFolder)) {
        // A drive's root: its volume, asked without the system's message box for a drive without a medium
        // (the floppy probe).
        const std::wstring root = widePathOf(hostFolder);
        const UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS);
        const bool readable =
            ::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
        ::SetErrorMode(previous);
        return readable;
    }
    std::string pattern = hostFolder;
    if (pattern.empty() || pattern.back() != '/') {
        pattern += '/';
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(widePathOf(pattern + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::FindClose(search);
    return true;
}

bool hostFileWritable(const std::string& hostPath) {
    const auto attributes = attributesOf(hostPath);
    return attributes && (*attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

bool hostFolderWritable(const std::string& hostFolder) {
    if (!isHostFolder(hostFolder)) {
        return false;
    }
    // Windows tells whether a folder takes new files only by trying: a file made and removed again.
    std::string probe = hostFolder;
    if (probe.back() != '/') {
        probe += '/';
    }
    probe += ".tarvelin-write-test-" + std::to_string(::GetCurrentProcessId());
    const HANDLE file = ::CreateFileW(widePathOf(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::CloseHandle(file);
    return true;
}

bool makeHostFolder(const std::string& hostFolder) {
    return ::CreateDirectoryW(widePathOf(hostFolder).c_str(), nullptr) != 0 || isHostFolder(hostFolder);
}

bool isHostRoot(std::string_view hostPath) {
    return hostPath.size() == 3 && hostPath[1] == ':' && hostPath[2] == '/' &&
           ((hostPath[0] >= 'A' && hostPath[0] <= 'Z') || (hostPath[0] >= 'a' && hostPath[0] <= 'z'));
}

bool isAbsoluteHostPath(std::string_view hostPath) {
    return hostPath.size() >= 3 && isHostRoot(hostPath.substr(0, 3));
}

}  // namespace tarvelin::platform
