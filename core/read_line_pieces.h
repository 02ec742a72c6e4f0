#pragma once

#include <string>
#include <string_view>

namespace tarvelin::core {

// The text that the fallback reader takes from a file's bytes: the file read as text, line by line, in
// pieces of at most 499 bytes (CR LF counts as one LF); each piece cut at its first NUL byte and freed of
// its final LF; every piece that is left non-empty becomes a line of its own, followed by CR LF.
std::string readLinePieces(std::string_view bytes);

}  // namespace tarvelin::core
