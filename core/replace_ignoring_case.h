#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/compact_in_place.h"
#include "core/editable_text.h"

namespace tarvelin::core {

class SearchPattern;

// Replaces every occurrence of `search` in `text` by `replacement` and returns how many there were.
// Letter case is ignored (single-byte a..z match A..Z; double-byte characters match exactly); matches are
// found from left to right without overlapping; a match never starts or ends inside a double-byte
// character; an inserted replacement is not searched again. An empty `search` changes nothing.
size_t replaceIgnoringCase(EditableText& text, std::string_view search, std::string_view replacement);

inline size_t replaceIgnoringCase(std::string& text, std::string_view search, std::string_view replacement) {
    StringText t(text);
    return replaceIgnoringCase(t, search, replacement);
}

// Replaces the matches of `pattern` among `size` bytes at `data` in place, where the replacement is not
// longer than the search string: the write position never passes the read position.
Compacted replaceShrinking(char* data, size_t size, const SearchPattern& pattern, std::string_view replacement);

}  // namespace tarvelin::core
