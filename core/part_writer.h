#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace tarvelin::core {

// Writes the parts of a text on a thread of its own, so that the join makes the next part while the
// system copies this one into the file. One part is in hand at a time: handing over the next waits until
// the one before is written. The parts change hands by swapping buffers, never by copying them.
class PartWriter {
public:
    // `write` is called on the writer's thread, one part after another, in order; what it raises comes
    // back from the next put or from finish.
    explicit PartWriter(std::function<void(std::string_view)> write);
    ~PartWriter();
    PartWriter(const PartWriter&) = delete;
    PartWriter& operator=(const PartWriter&) = delete;

    // Writes text[0, size) and leaves `text` holding text[size, end).
    void put(std::string& text, size_t size);
    // Waits until every part is written; raises what a write raised.
    void finish();

private:
    void run();
    // Waits until the part in hand is written (the lock held); raises what its write raised.
    void waitUntilWritten(std::unique_lock<std::mutex>& lock);

    std::function<void(std::string_view)> write_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string part_;     // the part in hand, or the buffer of the one written last
    bool inHand_ = false;  // part_ waits to be written or is being written
    bool stopping_ = false;
    std::exception_ptr error_;
    std::thread thread_;  // last: started when everything it uses is ready
};

}  // namespace tarvelin::core
