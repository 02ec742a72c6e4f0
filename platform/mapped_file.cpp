#include "platform/mapped_file.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/drives.h"

namespace tarvelin::platform {
namespace {

// The mappings that the bus-error handler may repair. A slot holds a mapping's address range; the
// handler reads the table without locks, so each field is atomic and a slot is published last by `begin`.
struct GuardSlot {
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
    std::atomic<bool> damaged{false};
};

std::array<GuardSlot, 16> guardSlots;
std::mutex guardMutex;
struct sigaction previousBusAction {};
bool handlerInstalled = false;

size_t pageSize() {
    static const auto size = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

size_t roundUpToPage(size_t n) {
    return (n + pageSize() - 1) & ~(pageSize() - 1);
}

// A bus error inside a guarded mapping means that its file was cut short under it: the missing page is
// replaced by a page of zeros, the mapping is marked damaged, and the faulting access is retried. Any
// other bus error gets the handling it had before.
void onBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (auto& slot : guardSlots) {
        const uintptr_t begin = slot.begin.load(std::memory_order_acquire);
        if (begin != 0 && address >= begin && address < slot.end.load(std::memory_order_relaxed)) {
            const uintptr_t page = address & ~(pageSize() - 1);
            ::mmap(reinterpret_cast<void*>(page), pageSize(), PROT_READ | PROT_WRITE,
                   MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            slot.damaged.store(true, std::memory_order_relaxed);
            return;
        }
    }
    if (previousBusAction.sa_flags & SA_SIGINFO) {
        if (previousBusAction.sa_sigaction != nullptr) {
            previousBusAction.sa_sigaction(signal, info, context);
            return;
        }
    } else if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN) {
        previousBusAction.sa_handler(signal);
        return;
    }
    ::signal(SIGBUS, SIG_DFL);  // the fault repeats and ends the program as it would have
}

int addGuard(char* data, size_t length) {
    const std::lock_guard lock(guardMutex);
    if (!handlerInstalled) {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousBusAction);
        handlerInstalled = true;
    }
    for (size_t i = 0; i < guardSlots.size(); ++i) {
        if (guardSlots[i].begin.load(std::memory_order_relaxed) == 0) {
            guardSlots[i].damaged.store(false, std::memory_order_relaxed);
            guardSlots[i].end.store(reinterpret_cast<uintptr_t>(data) + length, std::memory_order_relaxed);
            guardSlots[i].begin.store(reinterpret_cast<uintptr_t>(data), std::memory_order_release);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void removeGuard(int slot) {
    if (slot >= 0) {
        const std::lock_guard lock(guardMutex);
        guardSlots[static_cast<size_t>(slot)].begin.store(0, std::memory_order_release);
    }
}

// What tells that a file was written to: its size and its change times.
MappedFile::Stamp stampOf(const struct stat& st) {
    return {static_cast<size_t>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec,
            st.st_ctim.tv_nsec};
}

}  // namespace

std::optional<MappedFile> MappedFile::map(std::string_view path) {
    const auto host = hostPath(path);
    if (!host) {
        return std::nullopt;
    }
    MappedFile file;
    // Opened without waiting: a FIFO of that name is refused, not waited on.
    file.fd_ = ::open(host->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (file.fd_ < 0 || ::fstat(file.fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    file.stamp_ = stampOf(st);
    file.size_ = static_cast<size_t>(st.st_size);
    if (file.size_ == 0) {
        return file;
    }
    file.mapped_ = roundUpToPage(file.size_);
    void* data = ::mmap(nullptr, file.mapped_, PROT_READ, MAP_SHARED, file.fd_, 0);
    if (data == MAP_FAILED) {
        return std::nullopt;
    }
    file.data_ = static_cast<char*>(data);
    file.guard_ = addGuard(file.data_, file.mapped_);
    ::madvise(file.data_, file.mapped_, MADV_SEQUENTIAL);
    return file;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      stamp_(other.stamp_),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)),
      guard_(std::exchange(other.guard_, -1)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        stamp_ = other.stamp_;
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
        guard_ = std::exchange(other.guard_, -1);
    }
    return *this;
}

MappedFile::~MappedFile() {
    release();
}

void MappedFile::release() {
    removeGuard(std::exchange(guard_, -1));
    if (data_ != nullptr) {
        ::munmap(data_, mapped_);
        data_ = nullptr;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool MappedFile::damaged() const {
    return guard_ >= 0 && guardSlots[static_cast<size_t>(guard_)].damaged.load(std::memory_order_relaxed);
}

bool MappedFile::changed() const {
    struct stat st {};
    return damaged() || ::fstat(fd_, &st) != 0 || !(stampOf(st) == stamp_);
}

}  // namespace tarvelin::platform
