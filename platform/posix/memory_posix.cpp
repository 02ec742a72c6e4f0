#include <cstdint>
#include <sys/mman.h>

#include "platform/memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tarvelin::platform {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kLarge = size_t{8} << 20;
// Blocks from this size on come from the kernel; free memory at the heap's top is given back from twice it.
constexpr int kKernelBlock = 32 << 20;

}  // namespace

void reserveLarge(std::string& text, size_t capacity) {
    if (capacity <= text.capacity()) {
        return;
    }
    text.reserve(capacity);
    if (capacity < kLarge) {
        return;
    }
    // The whole huge pages inside the new room; the bytes already in use are copied there already, which
    // only keeps the first part on small pages.
    const auto begin = reinterpret_cast<uintptr_t>(text.data());
    const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = (begin + text.capacity()) & ~(kHugePage - 1);
    if (last > first) {
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
}

void keepMegabyteBlocksForReuse() {
#if defined(__GLIBC__)
    ::mallopt(M_MMAP_THRESHOLD, kKernelBlock);
    ::mallopt(M_TRIM_THRESHOLD, 2 * kKernelBlock);
#endif
}

}  // namespace tarvelin::platform
