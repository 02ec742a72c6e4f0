#pragma once

#include <string>
#include <string_view>

namespace tarvelin::core {

// The folder of a path: everything up to its last "\" or ":" (never a trail byte of a double-byte
// character); a trailing "\" is then dropped unless it is the path's first character or the character
// before it is ":" or "\". So a drive root keeps its backslash ("C:\A.NC" gives "C:\") and a sub-folder
// does not ("C:\NC\A.NC" gives "C:\NC"). A path without either gives "".
std::string folderOfPath(std::string_view path);

// A file name in a folder: the folder, a separator unless the folder already ends with one ("\", or "/" in
// a host folder), the name.
std::string pathInFolder(std::string_view folder, std::string_view name);

}  // namespace tarvelin::core
