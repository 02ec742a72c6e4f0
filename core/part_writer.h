#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tarvelin::core {

// Writes the parts of a text on a thread of its own, so that the join reads the next part while this one is
// finished there and copied into the file. One part is in hand at a time: handing over the next waits until
// the one before is written. The parts change hands by swapping buffers, never by copying them.
class PartWriter {
public:
    // write(part, from) is called on the writer's thread, one part after another, in order, with the `from`
    // the part was put with; it may change the part before it writes it (the join edits the part's lines
    // from `from` on there). What it raises comes back from the next put or from finish.
    using Write = std::function<void(std::string& part, size_t from)>;
    explicit PartWriter(Write write);
    ~PartWriter();
    PartWriter(const PartWriter&) = delete;
    PartWriter& operator=(const PartWriter&) = delete;

    // Writes text[0, size) and leaves `text` holding text[size, end).
    void put(std::string& text, size_t size, size_t from = 0);
    // Whether the writer has not finished the part put last.
    bool busy();
    // Waits until every part is written; raises what a write raised.
    void finish();

private:
    void run();
    // Waits until the part in hand is written (the lock held); raises what its write raised.
    void waitUntilWritten(std::unique_lock<std::mutex>& lock);

    Write write_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string part_;     // the part in hand, or the buffer of the one written last
    size_t from_ = 0;      // what the part in hand was put with
    bool inHand_ = false;  // part_ waits to be written or is being written
    bool stopping_ = false;
    std::exception_ptr error_;
    std::thread thread_;  // last: started when everything it uses is ready
};

}  // namespace tarvelin::core
