#include <algorithm>
#include <climits>
#include <windows.h>

#include "platform/mbcs.h"

namespace tarvelin::platform {

// The system's own upper-casing where its ANSI code page is 932, in pieces that end at a character's end.
// On a system of another code page CharUpperBuffA would take the double-byte characters for others (and
// change their trail bytes), so the program's own rule, the same as code page 932's, does the work there.
void upperInPlace(char* data, size_t size) {
    if (::GetACP() != 932) {
        upperInPlaceAsCodePage932(data, size);
        return;
    }
    const std::string_view text(data, size);
    constexpr size_t kPiece = size_t{1} << 30;
    for (size_t at = 0; at < size;) {
        size_t end = std::min(size, at + kPiece);
        while (end < size && !isCharStart(text, end, at)) {
            --end;
        }
        ::CharUpperBuffA(data + at, static_cast<DWORD>(end - at));
        at = end;
    }
}

}  // namespace tarvelin::platform
