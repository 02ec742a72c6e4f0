#pragma once

#include <cstddef>
#include <string_view>

namespace tarvelin::core {

// Where a pass over a large text splits it between two threads: just after a line feed near its middle, so
// that no line, no CR LF pair and no double-byte character is cut (a character always starts after a line
// feed). The text's size when it is smaller than PassSizes::twoThreadsFrom or has no line feed in its
// second half: then one thread does the whole pass.
size_t twoThreadSplit(std::string_view text);

}  // namespace tarvelin::core
