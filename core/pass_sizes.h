#pragma once

#include <cstddef>

namespace tarvelin::core {

// The sizes in which the join works through its text. The defaults suit texts of hundreds of megabytes.
// The fuzz targets make them a few bytes, so that short inputs cross every piece and block edge and take
// the two-thread road; the text that comes out must not depend on them.
struct PassSizes {
    size_t piece = size_t{256} << 10;          // read of a listed file at a time
    size_t editBlock = size_t{256} << 10;      // text edited at a time while it is in the cache
    size_t twoThreadsFrom = size_t{16} << 20;  // a pass over a text this large runs on two threads
};

const PassSizes& passSizes();

// Not synchronised: set before any join or pass runs.
void setPassSizes(const PassSizes& sizes);

}  // namespace tarvelin::core
