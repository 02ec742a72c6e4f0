#include "platform/memory.h"

// Windows gives large blocks fresh from the system without huge pages for a program that does not ask for
// the privilege, and its heap keeps freed blocks for reuse by itself: the room is only reserved.
namespace tarvelin::platform {

void reserveLarge(std::string& text, size_t capacity) {
    if (capacity > text.capacity()) {
        text.reserve(capacity);
    }
}

void keepMegabyteBlocksForReuse() {}

}  // namespace tarvelin::platform
