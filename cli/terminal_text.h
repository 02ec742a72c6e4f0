#pragma once

#include <string>
#include <string_view>

namespace tarvelin::cli {

// A line for a terminal, quoted the way GNU tools quote names when it holds control characters (a file
// named with a line break or an escape sequence): the printable runs between single quotes, each control
// character as $'\n', $'\t', $'\r' or $'\ooo'. A line without control characters comes back as it is.
// C0 controls, DEL and the C1 controls as UTF-8 count; other UTF-8 passes unchanged.
std::string quotedForTerminal(std::string_view utf8Line);

}  // namespace tarvelin::cli
