#include "core/percent_marks.h"

namespace tarvelin::core {

std::string_view backMarkFor(std::string_view textEnd) {
    const bool endsWithBreak = textEnd.size() >= 2 && textEnd.substr(textEnd.size() - 2) == "\r\n";
    return textEnd.empty() || endsWithBreak ? "%\r\n" : "\r\n%";
}

}  // namespace tarvelin::core
