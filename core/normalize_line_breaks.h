#pragma once

#include <string>

#include "core/editable_text.h"

namespace tarvelin::core {

// Makes every line break CR LF: a CR LF pair stays one break, a lone CR and a lone LF each become CR LF.
void normalizeLineBreaks(EditableText& text);

inline void normalizeLineBreaks(std::string& text) {
    StringText t(text);
    normalizeLineBreaks(t);
}

}  // namespace tarvelin::core
