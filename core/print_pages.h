#pragma once

#include <cstddef>

// How a print of the joined data is counted in pages.
namespace tarvelin::core {

// The lines that go on one page for a font `fontHeight` pixels high: 1027 divided by the height's
// absolute value (a negative height gives the character height), rounded down. Zero for a height of 0
// or of more than 1027 pixels.
int linesPerPage(int fontHeight);

// The pages a print of `lines` lines takes at `pageLines` lines a page: lines / pageLines + 1.
// When not even one line fits on a page, every line counts as a page of its own.
int pageCount(size_t lines, int pageLines);

}  // namespace tarvelin::core
