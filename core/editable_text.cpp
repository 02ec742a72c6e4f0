#include "core/editable_text.h"

namespace tarvelin::core {

void StringText::resize(size_t size) {
    text_.reserve(size);
    text_.resize(size);
}

}  // namespace tarvelin::core
