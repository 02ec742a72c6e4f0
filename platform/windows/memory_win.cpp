#include "platform/memory.h"

namespace tarvelin::platform {

// Windows has no way to take anonymous memory ahead without writing into it: the filling takes it.
struct MemoryAhead::State {};

MemoryAhead::MemoryAhead(const std::string&) {}

MemoryAhead::~MemoryAhead() = default;

void keepMegabyteBlocksForReuse() {}

}  // namespace tarvelin::platform
