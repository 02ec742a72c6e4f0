#pragma once

#include <string_view>
#include <vector>

#include "core/line_span.h"

namespace tarvelin::core {

// Where the lines of a text lie. A line ends at CR LF, a lone CR or a lone LF; a text that ends with a line
// break has no empty last line after it.
std::vector<LineSpan> splitLines(std::string_view text);

}  // namespace tarvelin::core
