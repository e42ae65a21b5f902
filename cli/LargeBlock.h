// Zeroed memory for a large table that is read in no order (diff's name table). On Linux
// it is asked for in huge pages: one fault and one TLB entry per 2 MiB instead of per
// 4 KiB page, which on a virtual machine costs more than the lookups themselves.
#pragma once
#include <cstddef>

namespace rdbtool {

// Null when there is no memory.
void* AllocateLargeBlock(size_t bytes);
void FreeLargeBlock(void* block, size_t bytes);

}  // namespace rdbtool
