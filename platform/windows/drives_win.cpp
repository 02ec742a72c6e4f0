#include <windows.h>

#include "platform/drives.h"
#include "platform/windows/wide.h"

// The drive letters of Windows: the system's own drives, with their volume labels and network names.
namespace tarvelin::platform {
namespace {

// The label a drive shows: a fixed drive's volume label (nothing when the drive holds no readable volume),
// a network drive's share name, nothing for a removable drive (so that its medium is not touched).
std::string labelOf(const std::wstring& root, UINT type) {
    if (type == DRIVE_REMOVABLE) {
        return {};
    }
    if (type == DRIVE_REMOTE) {
        wchar_t name[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        const std::wstring local = root.substr(0, 2);
        if (::WNetGetConnectionW(local.c_str(), name, &size) == NO_ERROR) {
            return utf8Of(name);
        }
        return {};
    }
    wchar_t label[MAX_PATH + 1] = {};
    // The volume is asked without a message box for a drive without a medium.
    const UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    const bool known =
        ::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) != 0;
    ::SetErrorMode(previous);
    return known ? utf8Of(label) : std::string();
}

}  // namespace

DriveTable DriveTable::systemDefault(const std::map<char, std::string>&) {
    DriveTable table;
    const DWORD present = ::GetLogicalDrives();
    for (int index = 0; index < 26; ++index) {
        if ((present & (DWORD{1} << index)) == 0) {
            continue;
        }
        const char letter = static_cast<char>('A' + index);
        const std::wstring root = {static_cast<wchar_t>(L'A' + index), L':', L'\\'};
        const UINT type = ::GetDriveTypeW(root.c_str());
        const DriveKind kind = type == DRIVE_REMOVABLE ? DriveKind::Removable
                               : type == DRIVE_REMOTE  ? DriveKind::Network
                                                       : DriveKind::Fixed;
        table.set(letter, std::string{letter, ':', '/'}, labelOf(root, type), kind);
    }
    return table;
}

}  // namespace tarvelin::platform
