#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The preview of the list-file open dialog: which files look like text, and what of them is shown.
namespace tarvelin::core {

// At most this many bytes of a file are read for its preview, and of them only the first kTextTestBytes are
// looked at by IsTextFile.
inline constexpr size_t kPreviewBytes = 1023;
inline constexpr size_t kTextTestBytes = 100;

// A buffer is taken for text unless one of its first 100 bytes is NUL; an empty buffer is text. Control
// characters and bytes from 0x80 on count as text.
bool IsTextFile(const char* buffer, size_t length);

// The text a preview shows of a file's first bytes: the bytes before the first NUL (which may lie beyond the
// bytes IsTextFile looked at).
std::string previewText(std::string_view firstBytes);

}  // namespace tarvelin::core
