#pragma once

#include <exception>
#include <system_error>
#include <thread>

namespace tarvelin::core {

// Runs `here` on this thread and `there` on a second thread at once, and returns when both have ended.
// Where no thread can be started, both run here, one after the other. An exception of either (running out
// of memory) comes out of this call once both have ended, never from the second thread, where it would
// end the program.
template <typename Here, typename There>
void bothAtOnce(Here&& here, There&& there) {
    std::exception_ptr thereFailed;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                there();
            } catch (...) {
                thereFailed = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        here();
        there();
        return;
    }
    try {
        here();
    } catch (...) {
        worker.join();
        throw;
    }
    worker.join();
    if (thereFailed) {
        std::rethrow_exception(thereFailed);
    }
}

}  // namespace tarvelin::core
