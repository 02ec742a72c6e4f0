#pragma once

#include <cstdint>
#include <string_view>

// One character of code page 932 as the system converts it, for the tables of cp932_utf16.cpp: glibc's
// iconv "CP932" here, MultiByteToWideChar / WideCharToMultiByte on Windows.
namespace tarvelin::platform {

// The UTF-16 unit of the one or two bytes of a code page 932 code, or nothing (0xFFFF) when the system
// takes them for no single character of the Basic Multilingual Plane.
char16_t systemDecode932(std::string_view code);

// The code page 932 code of one UTF-16 unit (a single byte below 0x100, else lead * 256 + trail), or
// nothing (0) when the system has no exact code for it. U+0000 is code 0 and is never asked.
uint16_t systemEncode932(char16_t character);

}  // namespace tarvelin::platform
