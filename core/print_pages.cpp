#include "core/print_pages.h"

#include <climits>
#include <cstdlib>

namespace tarvelin::core {

namespace {
constexpr int kPrintableHeight = 1027;
}

int linesPerPage(int fontHeight) {
    if (fontHeight == 0 || fontHeight == INT_MIN) {
        return 0;
    }
    return kPrintableHeight / std::abs(fontHeight);
}

int pageCount(size_t lines, int pageLines) {
    const size_t perPage = pageLines > 0 ? static_cast<size_t>(pageLines) : 1;
    const size_t pages = lines / perPage + 1;
    return pages > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(pages);
}

}  // namespace tarvelin::core
