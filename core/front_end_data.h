#pragma once

#include <string>
#include <string_view>

// The front and end data files (Front.txt and End.txt in the program's folder) as the editor reads and
// writes them.
namespace tarvelin::core {

// The text of a data file in `folder`, every line break made CR LF; empty when there is no such file.
// Raises platform::FileError::cannotOpen ("ファイル %s は開けません") for a file that is there but cannot be read.
std::string loadFrontEndData(std::string_view folder, std::string_view name);

// Upper-cases `text` (the ANSI upper-casing of code page 932) and writes it to the data file in `folder`,
// every line ending with CR LF, the last one too; an empty text gives an empty file. The file is created or
// replaced and is never left half-written. Returns the upper-cased text. Raises
// platform::FileError::cannotCreate ("ファイル %s を作成できません").
std::string saveFrontEndData(std::string_view folder, std::string_view name, std::string_view text);

}  // namespace tarvelin::core
