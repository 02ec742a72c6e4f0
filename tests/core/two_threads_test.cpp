#include "core/two_threads.h"

#include <atomic>
#include <new>

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

// Running out of memory on either thread of a split pass comes out of the pass once both halves have
// ended: on the second thread it would otherwise end the program through std::terminate.
TEST(BothAtOnce, AnErrorOfEitherHalfComesOutOnceBothHaveEnded) {
    for (const bool secondFails : {false, true}) {
        std::atomic<int> ended{0};
        const auto fail = [&] {
            ++ended;
            throw std::bad_alloc();
        };
        const auto work = [&] { ++ended; };
        EXPECT_THROW(secondFails ? bothAtOnce(work, fail) : bothAtOnce(fail, work), std::bad_alloc);
        EXPECT_EQ(ended, 2);
    }
}

}  // namespace
}  // namespace tarvelin::core
