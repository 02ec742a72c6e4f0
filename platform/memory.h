#pragma once

#include <cstddef>
#include <string>

namespace tarvelin::platform {

// Reserves room for `capacity` bytes in `text` and, for a large room, asks the host to back it with huge
// pages before it is first touched. Joined NC data reaches hundreds of megabytes, and touching that much
// fresh memory page by page costs more than the join's own passes over it. Only advice: where the host
// has no huge pages the room is reserved all the same.
void reserveLarge(std::string& text, size_t capacity);

// An empty string with room for `capacity` bytes whose memory has been touched once, so that filling it
// later costs no page faults. Meant to be prepared on another thread while the caller does other work.
std::string preparedRoom(size_t capacity);

}  // namespace tarvelin::platform
