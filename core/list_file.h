#pragma once

#include <string>
#include <string_view>
#include <vector>

// List files: a join list stored as one full path per line, each followed by CR LF, in code page 932,
// with no header and no byte-order mark.
namespace tarvelin::core {

// The entries of a list file's bytes: lines end at CR LF, a lone CR or a lone LF; a final line without a
// line end is still a line, while a line end at the very end adds no empty line; the bytes from the first
// NUL on are ignored. Every line, empty ones included, is an entry.
std::vector<std::string> parseListFile(std::string_view bytes);

// The bytes of a list file: every entry followed by CR LF.
std::string formatListFile(const std::vector<std::string>& entries);

// Reads a list file. Raises platform::FileError::cannotOpen ("ファイル %s は開けません").
std::vector<std::string> readListFile(std::string_view path);

// Writes a list file, creating it or replacing its content; a failed write never leaves a half-written
// file in place of the old one. Raises platform::FileError::cannotCreate ("ファイル %s を作成できません").
void writeListFile(std::string_view path, const std::vector<std::string>& entries);

// The list folder (ListPath) of a list file's full name: the folder of the path, a drive root with its
// backslash ("C:\"), a sub-folder without one ("C:\LIST").
std::string listFolderOf(std::string_view listFileName);

}  // namespace tarvelin::core
