#include "core/print_pages.h"

#include <climits>

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

TEST(linesPerPage, DividesThePageByTheFontsHeightWhateverItsSign) {
    const std::vector<std::pair<int, int>> cases = {
        {13, 79},  // 10 points at 96 pixels per inch
        {-13, 79},
        {12, 85},
        {16, 64},
        {1027, 1},
        {-1027, 1},
        {1, 1027},
        // Not a line fits: no lines per page, never a division by zero.
        {0, 0},
        {1028, 0},
        {-1028, 0},
        {INT_MAX, 0},
        {INT_MIN, 0},
    };
    for (const auto& [height, lines] : cases) {
        EXPECT_EQ(linesPerPage(height), lines) << "font height " << height;
    }
}

TEST(pageCount, WholePagesPlusOne) {
    struct Case {
        size_t lines;
        int perPage;
        int pages;
    };
    const Case cases[] = {
        {158, 79, 3},
        {157, 79, 2},
        {79, 79, 2},
        {78, 79, 1},
        {0, 79, 1},
        // Fewer than one line a page: every line a page of its own.
        {0, 0, 1},
        {5, 0, 6},
        {5, -1, 6},
        {size_t{1} << 40, 1, INT_MAX},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pageCount(c.lines, c.perPage), c.pages) << c.lines << " lines at " << c.perPage;
    }
}

}  // namespace
}  // namespace tarvelin::core
