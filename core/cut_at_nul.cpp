#include "core/cut_at_nul.h"

#include <cstring>

namespace tarvelin::core {

void cutAtNul(EditableText& text) {
    if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
        text.resize(static_cast<size_t>(static_cast<const char*>(nul) - text.data()));
    }
}

}  // namespace tarvelin::core
