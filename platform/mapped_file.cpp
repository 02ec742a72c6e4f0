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

void moveGuard(int slot, char* data, size_t length) {
    if (slot < 0) {
        return;
    }
    auto& s = guardSlots[static_cast<size_t>(slot)];
    s.begin.store(0, std::memory_order_release);
    s.end.store(reinterpret_cast<uintptr_t>(data) + length, std::memory_order_relaxed);
    s.begin.store(reinterpret_cast<uintptr_t>(data), std::memory_order_release);
}

void removeGuard(int slot) {
    if (slot >= 0) {
        const std::lock_guard lock(guardMutex);
        guardSlots[static_cast<size_t>(slot)].begin.store(0, std::memory_order_release);
    }
}

}  // namespace

std::optional<MappedFile> MappedFile::map(std::string_view path, Mode mode) {
    const auto host = hostPath(path);
    if (!host) {
        return std::nullopt;
    }
    MappedFile file;
    file.mode_ = mode;
    file.fd_ = ::open(host->c_str(), (mode == Mode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    struct stat st {};
    if (file.fd_ < 0 || ::fstat(file.fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    file.size_ = static_cast<size_t>(st.st_size);
    if (file.size_ == 0) {
        return file;
    }
    file.mapped_ = roundUpToPage(file.size_);
    const int protection = mode == Mode::ReadWrite ? PROT_READ | PROT_WRITE : PROT_READ;
    void* data = ::mmap(nullptr, file.mapped_, protection, MAP_SHARED, file.fd_, 0);
    if (data == MAP_FAILED) {
        return std::nullopt;
    }
    file.data_ = static_cast<char*>(data);
    file.guard_ = addGuard(file.data_, file.mapped_);
    ::madvise(file.data_, file.mapped_, MADV_SEQUENTIAL);
    if (mode == Mode::ReadWrite) {
        // Makes every page writable at once, rather than one page fault at a time as the text is edited.
        ::madvise(file.data_, file.size_, MADV_POPULATE_WRITE);
    }
    return file;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      mode_(other.mode_),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)),
      guard_(std::exchange(other.guard_, -1)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        mode_ = other.mode_;
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

bool MappedFile::resize(size_t size) {
    if (mode_ != Mode::ReadWrite) {
        return false;
    }
    if (size > size_) {
        // The space is taken before the file grows, so that a full disk fails here and not as a bus
        // error while the new bytes are written.
        const int reserved = ::posix_fallocate(fd_, static_cast<off_t>(size_), static_cast<off_t>(size - size_));
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
            return false;
        }
    }
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        return false;
    }
    size_ = size;
    const size_t needed = roundUpToPage(size);
    if (needed <= mapped_) {
        return true;
    }
    // Grows the mapping with room to spare, so that growing again is cheap.
    const size_t wanted = roundUpToPage(size + size / 8);
    void* data = data_ == nullptr ? ::mmap(nullptr, wanted, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0)
                                  : ::mremap(data_, mapped_, wanted, MREMAP_MAYMOVE);
    if (data == MAP_FAILED) {
        return false;
    }
    data_ = static_cast<char*>(data);
    mapped_ = wanted;
    if (guard_ < 0) {
        guard_ = addGuard(data_, mapped_);
    } else {
        moveGuard(guard_, data_, mapped_);
    }
    return true;
}

bool MappedFile::damaged() const {
    return guard_ >= 0 && guardSlots[static_cast<size_t>(guard_)].damaged.load(std::memory_order_relaxed);
}

}  // namespace tarvelin::platform
