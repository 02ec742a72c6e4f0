#include "platform/memory.h"

// Windows gives large blocks fresh from the system without huge pages for a program that does not ask for
// the privilege, and its heap keeps freed blocks for reuse by itself: the room is only reserved.
namespace tarvelin::platform {

void reserveLarge(std::string& text, size_t capacity) {
    if (capacity > text.capacity()) {
        text.reserve(capacity);
    }
}

// Windows has no way to take anonymous memory ahead without writing into it: the filling takes it.
struct MemoryAhead::State {};

MemoryAhead::MemoryAhead(const std::string&) {}

MemoryAhead::~MemoryAhead() = default;

void keepMegabyteBlocksForReuse() {}

}  // namespace tarvelin::platform
