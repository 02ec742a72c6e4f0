#pragma once

#include <string>
#include <string_view>

// The rules of the user-defined types' extension boxes.
namespace tarvelin::core {

// Completes what the operator typed into a mask: a text with "*." anywhere stays; one with a "." gets "*"
// in front; anything else gets "*." in front ("abc" gives "*.abc", ".abc" gives "*.abc", "a.b" gives "*a.b",
// "*abc" gives "*.*abc").
std::string completeMask(std::string_view text);

// Whether a typed character may go into an extension box: all but the eight characters "/:,;?<>|".
bool AllowedInExtension(char32_t character);

}  // namespace tarvelin::core
