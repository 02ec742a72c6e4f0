#include "core/percent_marks.h"

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

TEST(PercentMarks, BackMarkKeepsTheTextsLastLineBreakState) {
    EXPECT_EQ(backMarkFor(""), "%\r\n");
    EXPECT_EQ(backMarkFor("O1\r\n"), "%\r\n");
    EXPECT_EQ(backMarkFor("O1"), "\r\n%");
    EXPECT_EQ(backMarkFor("\n"), "\r\n%");
    EXPECT_EQ(kFrontMark, "%\r\n");
}

}  // namespace
}  // namespace tarvelin::core
