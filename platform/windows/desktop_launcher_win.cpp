#include <windows.h>
// After windows.h, which they need.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/desktop_launcher.h"
#include "platform/file_replacement.h"
#include "platform/windows/wide.h"

// Desktop launchers on Windows: shell links (".lnk") made through the shell's own link object, IShellLinkW,
// saved with IPersistStream into memory and written into a new file that takes the old one's place whole.
// (IPersistFile would write the new file by its name, which the save holds open: the shell's own open of
// it fails.)
namespace tarvelin::platform {
namespace {

// COM for this thread for as long as the object lives, where it was not set up already.
class ComForThisThread {
public:
    ComForThisThread() : initialized_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComForThisThread() {
        if (initialized_) {
            ::CoUninitialize();
        }
    }
    ComForThisThread(const ComForThisThread&) = delete;
    ComForThisThread& operator=(const ComForThisThread&) = delete;

private:
    bool initialized_;
};

template <typename Interface>
class Held {
public:
    Held() = default;
    ~Held() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    Interface** out() { return &pointer_; }
    void** outVoid() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

std::wstring backslashed(const std::string& hostPath) {
    std::wstring path = wideOf(hostPath);
    for (wchar_t& c : path) {
        c = c == L'/' ? L'\\' : c;
    }
    return path;
}

}  // namespace

const char* const kLauncherExtension = ".lnk";

bool writeDesktopLauncher(std::string_view folder, std::string_view fileName, const Launcher& launcher) {
    if (folder.empty()) {
        return false;
    }
    std::string path(folder);
    if (path.back() != '/') {
        path += '/';
    }
    path += fileName;
    auto file = FileReplacement::prepare(path);
    if (!file) {
        return false;
    }
    const ComForThisThread com;
    Held<IShellLinkW> link;
    Held<IPersistStream> persist;
    Held<IStream> stream;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.outVoid())) ||
        FAILED(link->SetPath(backslashed(launcher.target).c_str())) ||
        FAILED(link->SetWorkingDirectory(backslashed(launcher.workingFolder).c_str())) ||
        FAILED(link->SetDescription(wideOf(launcher.name).c_str())) ||
        FAILED(
            link->SetIconLocation(backslashed(launcher.icon.empty() ? launcher.target : launcher.icon).c_str(), 0)) ||
        FAILED(link->QueryInterface(IID_IPersistStream, persist.outVoid())) ||
        FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.out())) || FAILED(persist->Save(stream.get(), TRUE))) {
        return false;
    }
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (FAILED(::GetHGlobalFromStream(stream.get(), &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME))) {
        return false;
    }
    const void* bytes = ::GlobalLock(memory);
    if (bytes == nullptr) {
        return false;
    }
    const std::string content(static_cast<const char*>(bytes), static_cast<size_t>(stat.cbSize.QuadPart));
    ::GlobalUnlock(memory);
    return file->commit(content);
}

}  // namespace tarvelin::platform
