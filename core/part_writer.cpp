#include "core/part_writer.h"

#include <utility>

namespace tarvelin::core {

PartWriter::PartWriter(Write write) : write_(std::move(write)), thread_([this] { run(); }) {}

PartWriter::~PartWriter() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void PartWriter::put(std::string& text, size_t size, size_t from) {
    std::unique_lock lock(mutex_);
    waitUntilWritten(lock);
    // The written part's buffer takes what stays, and the text's buffer goes to the writer.
    if (part_.capacity() < text.capacity()) {
        part_.reserve(text.capacity());
    }
    part_.assign(text, size);
    text.resize(size);
    text.swap(part_);
    from_ = from;
    inHand_ = true;
    lock.unlock();
    changed_.notify_all();
}

bool PartWriter::busy() {
    const std::lock_guard lock(mutex_);
    return inHand_;
}

void PartWriter::finish() {
    std::unique_lock lock(mutex_);
    waitUntilWritten(lock);
}

void PartWriter::waitUntilWritten(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return !inHand_; });
    if (error_) {
        std::rethrow_exception(std::exchange(error_, nullptr));
    }
}

void PartWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return inHand_ || stopping_; });
        if (stopping_) {
            return;  // a part still in hand is of a join that failed: it is dropped
        }
        lock.unlock();
        std::exception_ptr error;
        try {
            if (!error_) {
                write_(part_, from_);
            }
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error) {
            error_ = error;
        }
        inHand_ = false;
        changed_.notify_all();
    }
}

}  // namespace tarvelin::core
