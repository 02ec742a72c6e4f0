#include <algorithm>
#include <windows.h>

#include "platform/mbcs.h"

namespace tarvelin::platform {

// The system's own upper-casing (CharUpperBuffA) where its ANSI code page is 932, given only the runs of
// single-byte characters. A double-byte character never reaches it: the service folds full-width letters and,
// by a round trip through Unicode, turns undefined codes (and a lead byte with the line feed after it) into
// "・", which would change an NC program's text. On a system of another code page the program's own rule,
// the same as code page 932's, does the work.
void upperInPlace(char* data, size_t size) {
    if (::GetACP() != 932) {
        upperInPlaceAsCodePage932(data, size);
        return;
    }
    const auto single = [data](size_t i) { return !isLeadByte(static_cast<unsigned char>(data[i])); };
    for (size_t at = 0; at < size;) {
        if (!single(at)) {
            at += charLengthAt(std::string_view(data, size), at);
            continue;
        }
        size_t end = at;
        while (end < size && single(end) && end - at < (size_t{1} << 30)) {
            ++end;
        }
        ::CharUpperBuffA(data + at, static_cast<DWORD>(end - at));
        at = end;
    }
}

}  // namespace tarvelin::platform
