#include "core/replace_ignoring_case.h"

#include <cstring>

#include "core/copy_down.h"
#include "core/search_pattern.h"

namespace tarvelin::core {
namespace {

// Replaces in place where the replacement is longer: the matches are counted, the text is moved to the end
// of the grown buffer, and the result is written from the front, where the write position stays behind
// the read position.
size_t replaceGrowing(EditableText& text, const SearchPattern& pattern, std::string_view replacement) {
    const size_t count = pattern.forEachMatch(text.view(), [](const size_t*, size_t) {});
    if (count == 0) {
        return 0;
    }
    const size_t oldSize = text.size();
    const size_t offset = count * (replacement.size() - pattern.size());
    text.resize(oldSize + offset);
    char* data = text.data();
    std::memmove(data + offset, data, oldSize);
    const char* source = data + offset;
    size_t read = 0;
    size_t write = 0;
    pattern.forEachMatch(std::string_view(source, oldSize), [&](const size_t* at, size_t n) {
        size_t r = read;
        size_t w = write;
        for (size_t k = 0; k < n; ++k) {
            copyDown(data + w, source + r, at[k] - r);
            w += at[k] - r;
            std::memcpy(data + w, replacement.data(), replacement.size());
            w += replacement.size();
            r = at[k] + pattern.size();
        }
        read = r;
        write = w;
    });
    std::memmove(data + write, source + read, oldSize - read);
    return count;
}

}  // namespace

Compacted replaceShrinking(char* data, size_t size, const SearchPattern& pattern, std::string_view replacement) {
    size_t read = 0;
    size_t write = 0;
    const size_t m = pattern.size();
    const size_t count = pattern.forEachMatch(std::string_view(data, size), [&](const size_t* at, size_t n) {
        // Local copies: stores through `data` could otherwise be taken to change them.
        size_t r = read;
        size_t w = write;
        for (size_t k = 0; k < n; ++k) {
            if (w != r) {  // nothing moves until a replacement came out shorter
                copyDown(data + w, data + r, at[k] - r);
            }
            w += at[k] - r;
            copyDown(data + w, replacement.data(), replacement.size());
            w += replacement.size();
            r = at[k] + m;
        }
        read = r;
        write = w;
    });
    if (write != read) {
        std::memmove(data + write, data + read, size - read);
    }
    return {count, write + size - read};
}

size_t replaceIgnoringCase(EditableText& text, std::string_view search, std::string_view replacement) {
    if (search.empty() || text.size() < search.size()) {
        return 0;
    }
    const SearchPattern pattern(search);
    if (replacement.size() > search.size()) {
        return replaceGrowing(text, pattern, replacement);
    }
    if (search.find_first_of("\r\n") != std::string_view::npos) {
        // A match could span the line break where two halves meet: one pass.
        const Compacted result = replaceShrinking(text.data(), text.size(), pattern, replacement);
        text.resize(result.size);
        return result.count;
    }
    return compactInPlace(text,
                          [&](char* data, size_t size) { return replaceShrinking(data, size, pattern, replacement); });
}

}  // namespace tarvelin::core
