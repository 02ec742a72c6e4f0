#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace tarvelin::platform {

// Takes the memory of a text's room from the system on a thread of its own, ahead of whoever fills the text,
// so that the filling finds its pages present instead of waiting for each one (on a virtual machine the first
// touch of memory costs more than the copy into it). Only advice: the text's content is never touched, and
// where the system cannot be asked, nothing happens. The thread is done when the object goes.
class MemoryAhead {
public:
    explicit MemoryAhead(const std::string& text);
    ~MemoryAhead();
    MemoryAhead(const MemoryAhead&) = delete;
    MemoryAhead& operator=(const MemoryAhead&) = delete;

    struct State;

private:
    std::unique_ptr<State> state_;
};

// Makes the C library's allocator keep blocks of up to some megabytes for reuse, instead of asking the
// kernel for fresh pages each time and handing them back at once. A print to PDF asks for two 16 MB
// buffers per page, which the allocator's own rule takes from the kernel and gives back every time: a
// third of the print's time went into zeroing fresh pages. Blocks of 32 MB and more (the joined text)
// still come straight from the kernel and go back to it. Call once, at the start.
void keepMegabyteBlocksForReuse();

}  // namespace tarvelin::platform
