#pragma once

#include <string>
#include <string_view>

// Conversion between the program's ANSI code page (932, Shift-JIS) and UTF-8.
//
// Inside the program every text is a byte string in code page 932. UTF-8 is used only at the edges:
// source-code literals, the host's file names, the terminal and the widgets.
namespace tarvelin::platform {

// Converts code page 932 text to UTF-8. Bytes that are not valid code page 932 become U+FFFD.
std::string cp932ToUtf8(std::string_view cp932);

// Converts UTF-8 text to code page 932. Characters that code page 932 cannot hold, and bytes that are not
// valid UTF-8, become "?".
std::string utf8ToCp932(std::string_view utf8);

// Converts exactly, or fails: returns false and leaves `out` unspecified when a byte or character does
// not convert. Used where a lossy result would name the wrong thing (file names).
bool tryCp932ToUtf8(std::string_view cp932, std::string& out);
bool tryUtf8ToCp932(std::string_view utf8, std::string& out);

// A UTF-8 literal of the source code in code page 932, converted once and kept for the life of the
// program: ansi("--- 開始 ---"). The returned reference stays valid.
const std::string& ansi(std::string_view utf8Literal);

}  // namespace tarvelin::platform
