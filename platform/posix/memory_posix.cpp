#include <algorithm>
#include <atomic>
#include <cstdint>
#include <sys/mman.h>
#include <system_error>
#include <thread>

#include "platform/memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tarvelin::platform {

namespace {

constexpr size_t kBlock = size_t{2} << 20;  // the room is taken in whole blocks of this size
constexpr size_t kLarge = size_t{8} << 20;  // smaller rooms are left to the filling
// Blocks from this size on come from the kernel; free memory at the heap's top is given back from twice it.
constexpr int kKernelBlock = 32 << 20;

}  // namespace

struct MemoryAhead::State {
    std::atomic<bool> stop{false};
    std::thread thread;
};

MemoryAhead::MemoryAhead(const std::string& text) : state_(std::make_unique<State>()) {
    const auto begin = reinterpret_cast<uintptr_t>(text.data());
    const uintptr_t first = (begin + kBlock - 1) & ~(kBlock - 1);
    const uintptr_t last = (begin + text.capacity()) & ~(kBlock - 1);
    if (last <= first + kLarge) {
        return;
    }
    State* state = state_.get();
    try {
        state_->thread = std::thread([state, first, last] {
            constexpr uintptr_t kStep = uintptr_t{16} << 20;
            for (uintptr_t at = first; at < last && !state->stop.load(std::memory_order_relaxed); at += kStep) {
                if (::madvise(reinterpret_cast<void*>(at), std::min(kStep, last - at), MADV_POPULATE_WRITE) != 0) {
                    return;  // a kernel that cannot be asked, or memory it cannot give now: the filling takes it
                }
            }
        });
    } catch (const std::system_error&) {
        // No thread: the filling takes the memory itself.
    }
}

MemoryAhead::~MemoryAhead() {
    if (state_->thread.joinable()) {
        state_->stop = true;
        state_->thread.join();
    }
}

void keepMegabyteBlocksForReuse() {
#if defined(__GLIBC__)
    ::mallopt(M_MMAP_THRESHOLD, kKernelBlock);
    ::mallopt(M_TRIM_THRESHOLD, 2 * kKernelBlock);
#endif
}

}  // namespace tarvelin::platform
