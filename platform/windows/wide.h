#pragma once

#include <string>
#include <string_view>

// UTF-16 at the edge of the Windows interfaces: the program's host paths and host names are UTF-8 with "/"
// between components, the system's wide ("W") functions take UTF-16 with "\".
namespace tarvelin::platform {

std::wstring wideOf(std::string_view utf8);
std::string utf8Of(std::wstring_view wide);

// A host path for the wide file functions: "\" between components, and an absolute path longer than the
// old MAX_PATH limit in the "\\?\" form, which has none.
std::wstring widePathOf(std::string_view hostPath);

// The system's message-free view of the last error: whether it says that the file or folder is missing.
bool lastErrorIsMissing();

}  // namespace tarvelin::platform
