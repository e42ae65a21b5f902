#include <sys/mman.h>

#include "cli/system/LargeBlock.h"

namespace rdbtool {

void* AllocateLargeBlock(size_t bytes) {
  void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return nullptr;
#if defined(MADV_HUGEPAGE)
  madvise(block, bytes, MADV_HUGEPAGE);  // a hint: without it the block is as good
#endif
  return block;
}

void FreeLargeBlock(void* block, size_t bytes) {
  if (block) munmap(block, bytes);
}

}  // namespace rdbtool
