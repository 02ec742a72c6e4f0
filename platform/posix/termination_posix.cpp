#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

#include "platform/termination.h"

namespace tarvelin::platform {
namespace {

constexpr int kTerminationSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The new files of the saves under way. The signal handler reads the table, so a slot's path is written
// before the slot is marked as holding one, and the slot is freed only after the file is gone or renamed.
enum SlotState : int { kFree, kFilling, kHolding };
struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
Slot pendingFiles[16];

void removePendingFiles() {
    for (Slot& slot : pendingFiles) {
        if (slot.state.load(std::memory_order_acquire) == kHolding) {
            ::unlink(slot.path);
        }
    }
}

[[noreturn]] void endNow(int signal) {
    removePendingFiles();
    ::_exit(128 + signal);
}

void installHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int signal : kTerminationSignals) {
        sigaddset(&action.sa_mask, signal);  // one request at a time
    }
    action.sa_flags = SA_RESTART;
    for (const int signal : kTerminationSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

int requestPipe[2] = {-1, -1};
std::atomic<bool> requested{false};

// The first request goes to the event loop through the pipe; the next one ends the program at once.
void onRequest(int signal) {
    if (requested.exchange(true)) {
        endNow(signal);
    }
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(requestPipe[1], &byte, 1);
}

}  // namespace

void endOnTerminationRequests() {
    installHandler(endNow);
}

std::optional<TerminationRequests> TerminationRequests::catchFromNowOn() {
    if (requestPipe[0] < 0 && ::pipe2(requestPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return std::nullopt;
    }
    installHandler(onRequest);
    return TerminationRequests(requestPipe[0]);
}

bool TerminationRequests::take() {
    bool taken = false;
    char bytes[16];
    while (::read(readEnd_, bytes, sizeof bytes) > 0) {
        taken = true;
    }
    return taken;
}

PendingFile::PendingFile(const char* hostPath) {
    const size_t length = std::strlen(hostPath);
    if (length >= PATH_MAX) {
        return;
    }
    for (int i = 0; i < static_cast<int>(std::size(pendingFiles)); ++i) {
        int expected = kFree;
        if (pendingFiles[i].state.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(pendingFiles[i].path, hostPath, length + 1);
            pendingFiles[i].state.store(kHolding, std::memory_order_release);
            slot_ = i;
            return;
        }
    }
}

PendingFile::PendingFile(PendingFile&& other) noexcept : slot_(std::exchange(other.slot_, -1)) {}

PendingFile::~PendingFile() {
    if (slot_ >= 0) {
        pendingFiles[slot_].state.store(kFree, std::memory_order_release);
    }
}

}  // namespace tarvelin::platform
