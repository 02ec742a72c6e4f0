#pragma once

#include <cstddef>

namespace tarvelin::core {

// Where a line of a text lies: its first byte and length, its line break not included.
struct LineSpan {
    size_t offset = 0;
    size_t length = 0;
};

}  // namespace tarvelin::core
