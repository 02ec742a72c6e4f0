#pragma once

#include <string_view>

// Small helpers over POSIX file descriptors, shared by the file services.
namespace tarvelin::platform {

// Writes all of `data` to `fd`, retrying after interruptions; false on failure.
bool writeAll(int fd, std::string_view data);

// Closes `fd`; false when the close reports that written data was lost.
bool closeChecked(int fd);

}  // namespace tarvelin::platform
