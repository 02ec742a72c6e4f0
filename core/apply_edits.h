#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/editable_text.h"

namespace tarvelin::core {

// A series of edits of the joined text, applied in order: the removal of every "%" (when asked), then
// each replacement pair with a search string. Gives the same text as removePercent followed by one
// replaceIgnoringCase per pair, but goes over the text once where it can: the edits that do not make the
// text longer run one after another on each block of lines while the block is in the cache.
struct ReplacementPair {
    std::string_view search;
    std::string_view replacement;
};
void applyEdits(EditableText& text, bool removePercentFirst, const std::vector<ReplacementPair>& pairs);

inline void applyEdits(std::string& text, bool removePercentFirst, const std::vector<ReplacementPair>& pairs) {
    StringText t(text);
    applyEdits(t, removePercentFirst, pairs);
}

}  // namespace tarvelin::core
