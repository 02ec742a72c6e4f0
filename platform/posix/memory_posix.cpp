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
    // The whole blocks inside the room (the kernel takes ranges that start on a page). Populating writes
    // no byte of the text, so the room of a text the caller holds unchanged may be advised.
    char* const room = const_cast<char*>(text.data());
    const size_t skip = (kBlock - reinterpret_cast<uintptr_t>(room) % kBlock) % kBlock;
    const size_t size = text.capacity() > skip ? (text.capacity() - skip) & ~(kBlock - 1) : 0;
    if (size <= kLarge) {
        return;
    }
    char* const first = room + skip;
    State* state = state_.get();
    try {
        state_->thread = std::thread([state, first, size] {
            constexpr size_t kStep = size_t{16} << 20;
            for (size_t done = 0; done < size && !state->stop.load(std::memory_order_relaxed); done += kStep) {
                if (::madvise(first + done, std::min(kStep, size - done), MADV_POPULATE_WRITE) != 0) {
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
