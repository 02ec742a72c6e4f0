#include "platform/windows/wide.h"

#include <windows.h>

namespace tarvelin::platform {

std::wstring wideOf(std::string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
    return wide;
}

std::string utf8Of(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::wstring widePathOf(std::string_view hostPath) {
    std::wstring path = wideOf(hostPath);
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    const bool absolute = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
    if (absolute && path.size() >= MAX_PATH - 12) {
        // The extended form takes the path as it stands: no "." or ".." in it, which drive paths resolve.
        return L"\\\\?\\" + path;
    }
    return path;
}

bool lastErrorIsMissing() {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace tarvelin::platform
