#pragma once

#include <cstddef>
#include <string>

namespace tarvelin::platform {

// Reserves room for `capacity` bytes in `text` and, for a large room, asks the host to back it with huge
// pages before it is first touched. Joined NC data reaches hundreds of megabytes, and touching that much
// fresh memory page by page costs more than the join's own passes over it. Only advice: where the host
// has no huge pages the room is reserved all the same.
void reserveLarge(std::string& text, size_t capacity);

}  // namespace tarvelin::platform
