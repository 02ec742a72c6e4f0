#pragma once

#include <cstddef>
#include <string>

#include "core/editable_text.h"

namespace tarvelin::core {

// Removes every "%" byte. No "%" can be the trail byte of a double-byte character.
void removePercent(EditableText& text);

inline void removePercent(std::string& text) {
    StringText t(text);
    removePercent(t);
}

// Removes every "%" from `size` bytes at `src` and puts what is left at `dst` (dst <= src, or the same
// place): a block's move and the removal in one go. The new size.
size_t removePercentMoving(char* dst, const char* src, size_t size);

}  // namespace tarvelin::core
