#include "core/normalize_line_breaks.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "core/byte_scan.h"
#include "core/irregular_break.h"

namespace tarvelin::core {

void normalizeLineBreaks(EditableText& text) {
    const std::string_view view = text.view();
    size_t lone = 0;
    for (size_t at = findIrregularBreak(view, 0); at < view.size(); at = findIrregularBreak(view, at + 1)) {
        ++lone;
    }
    if (lone == 0) {
        return;
    }
    // Each lone CR or LF grows by one byte: the text is widened from its end, where every byte moves up
    // by the number of lone breaks still before it.
    const size_t oldSize = text.size();
    text.resize(oldSize + lone);
    char* data = text.data();
    const auto lastBefore = [data](char c, size_t limit) -> ptrdiff_t {
        const char* hit = findLastByte(data, c, limit);
        return hit != nullptr ? hit - data : -1;
    };
    size_t read = oldSize;
    size_t write = oldSize + lone;
    ptrdiff_t cr = lastBefore('\r', read);
    ptrdiff_t lf = lastBefore('\n', read);
    while (read > 0) {
        const ptrdiff_t brk = std::max(cr, lf);  // the last byte of the last line break, or -1
        const auto lineStart = static_cast<size_t>(brk + 1);
        write -= read - lineStart;
        std::memmove(data + write, data + lineStart, read - lineStart);
        if (brk < 0) {
            break;
        }
        const bool pair = data[brk] == '\n' && brk >= 1 && data[brk - 1] == '\r';
        read = static_cast<size_t>(pair ? brk - 1 : brk);
        write -= 2;
        data[write] = '\r';
        data[write + 1] = '\n';
        if (cr >= static_cast<ptrdiff_t>(read)) {
            cr = lastBefore('\r', read);
        }
        if (lf >= static_cast<ptrdiff_t>(read)) {
            lf = lastBefore('\n', read);
        }
    }
}

}  // namespace tarvelin::core
