#pragma once

#include <string>

#include "core/editable_text.h"

namespace tarvelin::core {

// Cuts `text` at its first NUL byte.
void cutAtNul(EditableText& text);

inline void cutAtNul(std::string& text) {
    StringText t(text);
    cutAtNul(t);
}

}  // namespace tarvelin::core
