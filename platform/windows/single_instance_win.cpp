#include <utility>
#include <windows.h>

#include "platform/single_instance.h"
#include "platform/windows/wide.h"

// One running copy on Windows: a named mutex of the user's session, named after the program file's name,
// and a named event that a second start sets to bring the running copy forward. The system lets both go
// when the process ends, however it ends.
namespace tarvelin::platform {
namespace {

// Object names may hold anything but "\": the program file's name cannot.
std::wstring objectName(std::string_view programFileName, const wchar_t* kind) {
    return L"Local\\tarvelin-" + std::wstring(kind) + L"-" + wideOf(programFileName);
}

}  // namespace

std::optional<std::string> privateRuntimeFolder() {
    return std::nullopt;  // named objects of the session stand in for the folder
}

std::optional<std::string> SingleInstanceLock::lockPath(std::string_view) {
    return std::nullopt;
}

std::optional<SingleInstanceLock> SingleInstanceLock::acquire(std::string_view programFileName) {
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, objectName(programFileName, L"lock").c_str());
    if (mutex == nullptr) {
        return SingleInstanceLock(-1);  // no lock to be had: the program runs rather than not at all
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return std::nullopt;
    }
    return SingleInstanceLock(reinterpret_cast<intptr_t>(mutex));
}

SingleInstanceLock::SingleInstanceLock(SingleInstanceLock&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)) {}

SingleInstanceLock::~SingleInstanceLock() {
    if (handle_ != -1) {
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}

std::optional<std::string> RaiseDoor::socketPath(std::string_view) {
    return std::nullopt;
}

std::optional<RaiseDoor> RaiseDoor::open(std::string_view programFileName) {
    // Reset by hand, so that the program's own wait for it (its event loop's) does not take the knock.
    const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, objectName(programFileName, L"raise").c_str());
    if (event == nullptr) {
        return std::nullopt;
    }
    return RaiseDoor(reinterpret_cast<intptr_t>(event), {});
}

RaiseDoor::RaiseDoor(RaiseDoor&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

RaiseDoor::~RaiseDoor() {
    if (handle_ != -1) {
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    }
}

bool RaiseDoor::takeKnocks() {
    // One knock or several read as one.
    const HANDLE event = reinterpret_cast<HANDLE>(handle_);
    if (::WaitForSingleObject(event, 0) != WAIT_OBJECT_0) {
        return false;
    }
    ::ResetEvent(event);
    return true;
}

bool knockAtRunningCopy(std::string_view programFileName) {
    const HANDLE event = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, objectName(programFileName, L"raise").c_str());
    if (event == nullptr) {
        return false;
    }
    // The running copy may bring its window to the front: the system lets only the foreground's process
    // hand that right on.
    ::AllowSetForegroundWindow(ASFW_ANY);
    const bool knocked = ::SetEvent(event) != 0;
    ::CloseHandle(event);
    return knocked;
}

}  // namespace tarvelin::platform
