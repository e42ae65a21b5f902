#include <cstdlib>

#include "cli/system/LargeBlock.h"

namespace rdbtool {

void* AllocateLargeBlock(size_t bytes) { return std::calloc(bytes, 1); }

void FreeLargeBlock(void* block, size_t) { std::free(block); }

}  // namespace rdbtool
