#include "core/two_thread_split.h"

#include <cstring>

#include "core/pass_sizes.h"

namespace tarvelin::core {

size_t twoThreadSplit(std::string_view text) {
    if (text.size() < passSizes().twoThreadsFrom) {
        return text.size();
    }
    const size_t middle = text.size() / 2;
    const void* lineFeed = std::memchr(text.data() + middle, '\n', text.size() - middle);
    return lineFeed != nullptr ? static_cast<size_t>(static_cast<const char*>(lineFeed) - text.data()) + 1
                               : text.size();
}

}  // namespace tarvelin::core
