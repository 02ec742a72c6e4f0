#pragma once

#include <cstddef>
#include <string_view>

namespace tarvelin::core {

// Index of the first line break in `text` that is not part of a CR LF pair, or its size.
size_t findIrregularBreak(std::string_view text);

// The same from `from` on: index of the first line break in [from, size) that is not part of a CR LF pair,
// or size. What stands before `from` is not looked at, so an LF at `from` counts as lone.
size_t findIrregularBreak(std::string_view text, size_t from);

}  // namespace tarvelin::core
