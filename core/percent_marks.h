#pragma once

#include <string_view>

namespace tarvelin::core {

// The "%" marks of the percent mode. The front mark is put before the first character. The back mark adds
// a last line "%": "%" CR LF after a text that is empty or ends with a line break, else CR LF "%", so that
// the text still ends without a line break. `textEnd` is the end of the text (any tail that holds its last
// line break, or the whole text).
inline constexpr std::string_view kFrontMark = "%\r\n";
std::string_view backMarkFor(std::string_view textEnd);

}  // namespace tarvelin::core
