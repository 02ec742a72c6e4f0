#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <windows.h>

#include "platform/termination.h"
#include "platform/windows/wide.h"

// The console's Ctrl+C, Ctrl+Break and close events end a program without windows as the termination
// signals do elsewhere: the new files of the saves under way are removed (they were made removable while
// open), and the program ends with 128 + the signal's number (SIGINT 2, SIGBREAK 21, SIGHUP 1 for the
// console closing, SIGTERM 15 for a logoff or shutdown). The handler runs on a thread of its own.
namespace tarvelin::platform {
namespace {

std::mutex pendingMutex;
std::map<int, std::wstring>& pendingFiles() {
    static std::map<int, std::wstring> files;
    return files;
}
int nextSlot = 0;

int statusOf(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
            return 128 + 2;
        case CTRL_BREAK_EVENT:
            return 128 + 21;
        case CTRL_CLOSE_EVENT:
            return 128 + 1;
        default:
            return 128 + 15;
    }
}

BOOL WINAPI endNow(DWORD event) {
    {
        const std::lock_guard lock(pendingMutex);
        for (const auto& [slot, path] : pendingFiles()) {
            ::DeleteFileW(path.c_str());
        }
    }
    ::ExitProcess(static_cast<UINT>(statusOf(event)));
}

}  // namespace

void endOnTerminationRequests() {
    ::SetConsoleCtrlHandler(endNow, TRUE);
}

std::optional<TerminationRequests> TerminationRequests::catchFromNowOn() {
    // A program with windows gets no console events: the session's end closes its windows instead.
    return std::nullopt;
}

bool TerminationRequests::take() {
    return false;
}

PendingFile::PendingFile(const char* hostPath) {
    const std::lock_guard lock(pendingMutex);
    slot_ = nextSlot++;
    pendingFiles().emplace(slot_, widePathOf(hostPath));
}

PendingFile::PendingFile(PendingFile&& other) noexcept : slot_(std::exchange(other.slot_, -1)) {}

PendingFile::~PendingFile() {
    if (slot_ >= 0) {
        const std::lock_guard lock(pendingMutex);
        pendingFiles().erase(slot_);
    }
}

}  // namespace tarvelin::platform
