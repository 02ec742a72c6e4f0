#include "core/cut_at_nul.h"

#include <string>

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

TEST(CutAtNul, KeepsTheBytesBeforeTheFirstNul) {
    std::string text("AB\0CD\0", 6);
    cutAtNul(text);
    EXPECT_EQ(text, "AB");
    std::string none = "ABC";
    cutAtNul(none);
    EXPECT_EQ(none, "ABC");
}

}  // namespace
}  // namespace tarvelin::core
