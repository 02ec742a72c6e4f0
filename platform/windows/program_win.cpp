#include <cstdlib>
#include <windows.h>

#include "platform/program.h"
#include "platform/windows/wide.h"

namespace tarvelin::platform {
namespace {

// An environment variable's value as a host path ("/" between components), or empty.
std::string hostFolderFromEnvironment(const wchar_t* name) {
    const wchar_t* value = ::_wgetenv(name);
    if (value == nullptr) {
        return {};
    }
    std::string folder = utf8Of(value);
    for (char& c : folder) {
        c = c == '\\' ? '/' : c;
    }
    return folder;
}

}  // namespace

std::string executableHostPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::string host = utf8Of(path);
    for (char& c : host) {
        c = c == '\\' ? '/' : c;
    }
    return host;
}

UserFolders userFoldersOfProcess() {
    // The configuration folder of a copy that cannot keep its files beside it is the user's roaming
    // application data (%APPDATA%\tarvelin).
    return UserFolders{hostFolderFromEnvironment(L"APPDATA"), hostFolderFromEnvironment(L"USERPROFILE")};
}

}  // namespace tarvelin::platform
