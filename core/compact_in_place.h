#pragma once

#include <cstddef>

#include "core/editable_text.h"
#include "core/two_thread_split.h"
#include "core/two_threads.h"

namespace tarvelin::core {

// What an in-place pass over a stretch of text did: how many changes, and the stretch's new size.
struct Compacted {
    size_t count = 0;
    size_t size = 0;
};

// Moves `n` bytes down inside one buffer (dst < src), a large move in two pieces at once. Where the second
// piece's new place covers bytes that the first piece has yet to move, those bytes are kept aside first
// and put in place last; when that would be a large share of the move, it is done in one piece.
void moveDown(char* dst, char* src, size_t n);

// Runs an in-place pass that never makes its stretch longer, `pass(data, size)` giving a Compacted, over
// the whole text: in two halves at once when the text is large (split where no match of a search string
// without line breaks can span the halves); the second half's result then moves down to follow the first's.
// Returns the number of changes.
template <typename Pass>
size_t compactInPlace(EditableText& text, Pass pass) {
    char* data = text.data();
    const size_t size = text.size();
    const size_t split = twoThreadSplit(text.view());
    Compacted first;
    Compacted second;
    if (split < size) {
        bothAtOnce([&] { first = pass(data, split); }, [&] { second = pass(data + split, size - split); });
        if (first.size != split) {
            moveDown(data + first.size, data + split, second.size);
        }
    } else {
        first = pass(data, size);
    }
    if (first.size + second.size != size) {
        text.resize(first.size + second.size);
    }
    return first.count + second.count;
}

}  // namespace tarvelin::core
